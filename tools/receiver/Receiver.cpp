#include "tools/receiver/Receiver.h"

#include <algorithm>
#include <charconv>

namespace receiver {

namespace {

constexpr std::uint8_t kMark = 0x40;  // bit 6 of the first packet byte
constexpr std::uint8_t kLeftBit = 0x20;
constexpr std::uint8_t kRightBit = 0x10;

WirePacket ToWire(std::uint8_t p0, std::uint8_t p1, std::uint8_t p2) {
  return {static_cast<std::uint8_t>(p0 + 128), static_cast<std::uint8_t>(p1 + 128),
          static_cast<std::uint8_t>(p2 + 128)};
}

}  // namespace

std::uint8_t Encoder::Header() const {
  return static_cast<std::uint8_t>(kMark | (left_ ? kLeftBit : 0) | (right_ ? kRightBit : 0));
}

std::vector<WirePacket> Encoder::Move(int dx, int dy) {
  std::vector<WirePacket> out;
  do {
    const int sx = std::clamp(dx, -128, 127);
    const int sy = std::clamp(dy, -128, 127);
    dx -= sx;
    dy -= sy;
    // Bits 7-6 of each signed step travel in the first byte, bits 5-0 in
    // their own byte.
    const auto ux = static_cast<std::uint8_t>(sx);
    const auto uy = static_cast<std::uint8_t>(sy);
    const auto p0 = static_cast<std::uint8_t>(Header() | ((uy >> 6) << 2) | (ux >> 6));
    out.push_back(ToWire(p0, ux & 0x3F, uy & 0x3F));
  } while (dx != 0 || dy != 0);
  return out;
}

WirePacket Encoder::Press(Button b) {
  if (b == Button::Left) {
    left_ = true;
    return ToWire(0x6C, 0x00, 0x3F);
  }
  // The right press's first byte has no left bit, and a packet without it
  // releases a held left button: the protocol cannot hold both this way.
  left_ = false;
  right_ = true;
  return ToWire(0x5C, 0x00, 0x3F);
}

WirePacket Encoder::Release(Button b) {
  (b == Button::Left ? left_ : right_) = false;
  return ToWire(Header(), 0, 0);
}

std::optional<WirePacket> Encoder::Key(int slot) const {
  if (slot < 0 || slot > 10) return std::nullopt;
  return ToWire(Header(), static_cast<std::uint8_t>('B' + slot), 0);
}

WirePacket Encoder::StartMenu() const { return ToWire(Header(), 'Y', 'f'); }

WirePacket Encoder::MinimiseRestore() const { return ToWire(Header(), 'U', 'j'); }

// --- script ---------------------------------------------------------------------

namespace {

constexpr int kMaxMove = 100'000;
constexpr int kMaxPauseMs = 600'000;

std::vector<std::string_view> Split(std::string_view s, char sep) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = s.find(sep, start);
    parts.push_back(s.substr(start, at == std::string_view::npos ? at : at - start));
    if (at == std::string_view::npos) return parts;
    start = at + 1;
  }
}

std::vector<std::string_view> Words(std::string_view s) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r')) ++i;
    std::size_t j = i;
    while (j < s.size() && s[j] != ' ' && s[j] != '\t' && s[j] != '\r') ++j;
    if (j > i) words.push_back(s.substr(i, j - i));
    i = j;
  }
  return words;
}

std::optional<int> Int(std::string_view w, int lo, int hi) {
  if (!w.empty() && w[0] == '+') w.remove_prefix(1);
  int v = 0;
  const auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), v);
  if (ec != std::errc() || end != w.data() + w.size() || v < lo || v > hi) return std::nullopt;
  return v;
}

std::optional<std::uint8_t> HexByte(std::string_view w) {
  if (w.size() > 2 && w[0] == '0' && (w[1] == 'x' || w[1] == 'X')) w.remove_prefix(2);
  if (w.empty() || w.size() > 2) return std::nullopt;
  unsigned v = 0;
  const auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), v, 16);
  if (ec != std::errc() || end != w.data() + w.size()) return std::nullopt;
  return static_cast<std::uint8_t>(v);
}

std::optional<Button> ButtonName(std::string_view w) {
  if (w == "left") return Button::Left;
  if (w == "right") return Button::Right;
  return std::nullopt;
}

// A key by its letter ('B'..'L', either case) or its slot number.
std::optional<int> KeySlot(std::string_view w) {
  if (w.size() == 1) {
    const char c = static_cast<char>(w[0] & ~0x20);
    if (c >= 'B' && c <= 'L') return c - 'B';
  }
  return Int(w, 0, 10);
}

std::string Quoted(std::string_view w) { return "'" + std::string(w) + "'"; }

}  // namespace

ScriptResult CompileScript(std::string_view script, Encoder& encoder) {
  ScriptResult result;
  std::vector<std::uint8_t> bytes;
  auto flush = [&] {
    if (!bytes.empty()) result.writes.push_back({std::move(bytes), 0});
    bytes.clear();
  };
  auto add = [&](const WirePacket& p) { bytes.insert(bytes.end(), p.begin(), p.end()); };
  int lineNo = 0;
  for (std::string_view line : Split(script, '\n')) {
    ++lineNo;
    if (const auto hash = line.find('#'); hash != std::string_view::npos)
      line = line.substr(0, hash);
    for (std::string_view command : Split(line, ';')) {
      const auto w = Words(command);
      if (w.empty()) continue;
      auto fail = [&](std::string message) {
        result.error = ScriptError{lineNo, std::move(message)};
        return result;
      };
      const std::string_view op = w[0];
      const std::size_t args = w.size() - 1;
      if (op == "move" || op == "drag") {
        if (args != 2) return fail(std::string(op) + " takes DX and DY");
        const auto dx = Int(w[1], -kMaxMove, kMaxMove);
        const auto dy = Int(w[2], -kMaxMove, kMaxMove);
        if (!dx || !dy) return fail("DX and DY are whole numbers within +-100000");
        if (op == "drag") add(encoder.Press(Button::Left));
        for (const auto& p : encoder.Move(*dx, *dy)) add(p);
        if (op == "drag") add(encoder.Release(Button::Left));
      } else if (op == "press" || op == "release") {
        const auto b = args == 1 ? ButtonName(w[1]) : std::nullopt;
        if (!b) return fail(std::string(op) + " takes left or right");
        add(op == "press" ? encoder.Press(*b) : encoder.Release(*b));
      } else if (op == "click") {
        const auto b =
            args == 0 ? std::optional(Button::Left) : (args == 1 ? ButtonName(w[1]) : std::nullopt);
        if (!b) return fail("click takes left, right or nothing");
        add(encoder.Press(*b));
        add(encoder.Release(*b));
      } else if (op == "key") {
        const auto slot = args == 1 ? KeySlot(w[1]) : std::nullopt;
        if (!slot) return fail("key takes a letter B..L or a slot 0..10");
        add(*encoder.Key(*slot));
      } else if (op == "startmenu") {
        if (args != 0) return fail("startmenu takes nothing");
        add(encoder.StartMenu());
      } else if (op == "minimise" || op == "minimize" || op == "restore") {
        if (args != 0) return fail(std::string(op) + " takes nothing");
        add(encoder.MinimiseRestore());
      } else if (op == "pause") {
        const auto ms = args == 1 ? Int(w[1], 0, kMaxPauseMs) : std::nullopt;
        if (!ms) return fail("pause takes milliseconds, 0..600000");
        flush();
        if (result.writes.empty()) result.writes.push_back({{}, 0});
        result.writes.back().pauseAfterMs += *ms;
      } else if (op == "raw") {
        if (args == 0) return fail("raw takes at least one byte");
        for (std::size_t i = 1; i < w.size(); ++i) {
          const auto b = HexByte(w[i]);
          if (!b) return fail("raw takes hex bytes (00..ff), not " + Quoted(w[i]));
          bytes.push_back(*b);
        }
      } else {
        return fail("unknown command " + Quoted(op));
      }
    }
    flush();
  }
  return result;
}

// --- interactive mode ---------------------------------------------------------

std::optional<std::string> KeyReader::Next() {
  if (pending_.empty()) return std::nullopt;
  std::size_t len = 1;
  if (pending_[0] == '\x1b') {
    if (pending_.size() < 2) return std::nullopt;
    if (pending_[1] == 'O') {
      if (pending_.size() < 3) return std::nullopt;
      len = 3;
    } else if (pending_[1] == '[') {
      if (pending_.size() < 3) return std::nullopt;
      if (pending_[2] == '[') {  // the Linux console's F1..F5
        if (pending_.size() < 4) return std::nullopt;
        len = 4;
      } else {
        // Parameters, then one final byte in '@'..'~'.
        std::size_t i = 2;
        while (i < pending_.size() && (pending_[i] < 0x40 || pending_[i] > 0x7E)) ++i;
        if (i < pending_.size()) {
          len = i + 1;
        } else if (pending_.size() < 16) {
          return std::nullopt;
        }  // else: no sequence is that long; the Escape stands alone
      }
    }
  }
  std::string key = pending_.substr(0, len);
  pending_.erase(0, len);
  return key;
}

std::optional<std::string> KeyReader::Flush() {
  if (auto k = Next()) return k;
  if (pending_.empty()) return std::nullopt;
  std::string key = pending_.substr(0, 1);
  pending_.erase(0, 1);
  return key;
}

namespace {

struct FunctionKeySequence {
  std::string_view seq;
  int slot;
};
constexpr FunctionKeySequence kFunctionKeys[] = {
    {"\x1bOP", 0},   {"\x1bOQ", 1},   {"\x1bOR", 2},   {"\x1bOS", 3},   {"\x1b[11~", 0},
    {"\x1b[12~", 1}, {"\x1b[13~", 2}, {"\x1b[14~", 3}, {"\x1b[15~", 4}, {"\x1b[17~", 5},
    {"\x1b[18~", 6}, {"\x1b[19~", 7}, {"\x1b[20~", 8}, {"\x1b[21~", 9}, {"\x1b[23~", 10},
    {"\x1b[[A", 0},  {"\x1b[[B", 1},  {"\x1b[[C", 2},  {"\x1b[[D", 3},  {"\x1b[[E", 4},
};

}  // namespace

std::optional<KeyCommand> MapKey(std::string_view key) {
  if (key.size() >= 3 && key[0] == '\x1b' && (key[1] == '[' || key[1] == 'O')) {
    for (const auto& f : kFunctionKeys) {
      if (key == f.seq) return KeyCommand{KeyAction::FunctionKey, f.slot};
    }
    // Arrows, with or without modifiers ("\x1b[1;2A").
    if (key[2] != '[') {
      switch (key.back()) {
        case 'A': return KeyCommand{KeyAction::MoveUp};
        case 'B': return KeyCommand{KeyAction::MoveDown};
        case 'C': return KeyCommand{KeyAction::MoveRight};
        case 'D': return KeyCommand{KeyAction::MoveLeft};
        default: break;
      }
    }
    return std::nullopt;
  }
  if (key.size() != 1) return std::nullopt;
  const char c = key[0];
  if (c >= 'B' && c <= 'L') return KeyCommand{KeyAction::FunctionKey, c - 'B'};
  switch (c) {
    case ' ':
    case 'z': return KeyCommand{KeyAction::LeftClick};
    case '\r':
    case '\n':
    case 'x': return KeyCommand{KeyAction::RightClick};
    case 'd': return KeyCommand{KeyAction::ToggleLeft};
    case 'r': return KeyCommand{KeyAction::ToggleRight};
    case 's': return KeyCommand{KeyAction::StartMenu};
    case 'm': return KeyCommand{KeyAction::MinimiseRestore};
    case '+': return KeyCommand{KeyAction::FasterStep};
    case '-': return KeyCommand{KeyAction::SlowerStep};
    case '?':
    case 'h': return KeyCommand{KeyAction::Help};
    case 'q':
    case '\x03':  // Ctrl+C: the terminal is raw, so it arrives as a byte
    case '\x04': return KeyCommand{KeyAction::Quit};
    default: return std::nullopt;
  }
}

std::string KeyHelp() {
  return "  arrow keys          move the pointer by the step\n"
         "  + / -               double / halve the step (1..64 pixels)\n"
         "  Space or z          left click\n"
         "  Enter or x          right click\n"
         "  d / r               hold or let go of the left / right button (drag)\n"
         "  F1..F11 or B..L     the eleven function keys (capital letters B..L)\n"
         "  s                   start menu key\n"
         "  m                   minimise / restore key\n"
         "  ? or h              this help\n"
         "  q or Ctrl+C         quit (held buttons are let go first)\n";
}

std::string OverLine(std::string_view text) {
  // ESC [ K: erase from the cursor to the end of the line (xterm, the Linux
  // console and every ANSI terminal).
  return "\r" + std::string(text) + "\x1b[K";
}

std::string StatusLine(int step, const Encoder& encoder) {
  std::string text = (step < 10 ? "step  " : "step ") + std::to_string(step) + " px";
  if (encoder.Held(Button::Left)) text += ", left held";
  if (encoder.Held(Button::Right)) text += ", right held";
  return OverLine(text);
}

std::vector<WirePacket> ApplyKey(const KeyCommand& cmd, Encoder& encoder, int& step) {
  switch (cmd.action) {
    case KeyAction::MoveUp: return encoder.Move(0, -step);
    case KeyAction::MoveDown: return encoder.Move(0, step);
    case KeyAction::MoveLeft: return encoder.Move(-step, 0);
    case KeyAction::MoveRight: return encoder.Move(step, 0);
    case KeyAction::FasterStep: step = std::min(step * 2, kMaxStep); return {};
    case KeyAction::SlowerStep: step = std::max(step / 2, kMinStep); return {};
    case KeyAction::LeftClick: return {encoder.Press(Button::Left), encoder.Release(Button::Left)};
    case KeyAction::RightClick:
      return {encoder.Press(Button::Right), encoder.Release(Button::Right)};
    case KeyAction::ToggleLeft:
      return {encoder.Held(Button::Left) ? encoder.Release(Button::Left)
                                         : encoder.Press(Button::Left)};
    case KeyAction::ToggleRight:
      return {encoder.Held(Button::Right) ? encoder.Release(Button::Right)
                                          : encoder.Press(Button::Right)};
    case KeyAction::FunctionKey: {
      const auto p = encoder.Key(cmd.slot);
      if (!p) return {};
      return {*p};
    }
    case KeyAction::StartMenu: return {encoder.StartMenu()};
    case KeyAction::MinimiseRestore: return {encoder.MinimiseRestore()};
    case KeyAction::Help: return {};
    case KeyAction::Quit: {
      std::vector<WirePacket> out;
      if (encoder.Held(Button::Left)) out.push_back(encoder.Release(Button::Left));
      if (encoder.Held(Button::Right)) out.push_back(encoder.Release(Button::Right));
      return out;
    }
  }
  return {};
}

}  // namespace receiver
