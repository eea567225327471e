// The virtual receiver's logic: the packets the pointer's receiver sends, a
// readable script of pointer actions, and the keys of the interactive mode.
// Nothing here touches a port or a terminal, so all of it runs in tests.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace receiver {

// Three bytes as they travel on the wire: each packet byte plus 128.
using WirePacket = std::array<std::uint8_t, 3>;

enum class Button { Left, Right };

// Builds the packets of the receiver's protocol. It remembers which buttons
// are held, because every packet carries the held buttons in its first byte
// and a packet without a button's bit releases that button.
class Encoder {
 public:
  // One packet moves at most -128..127 on each axis; a longer move is split
  // into as many packets as it needs (at least one, so "move 0 0" still
  // sends a packet).
  std::vector<WirePacket> Move(int dx, int dy);
  // A press is a packet of its own (dx 0, dy -1 with the button's bit, the
  // one form that latches a button); a release is a still packet without it.
  WirePacket Press(Button b);
  WirePacket Release(Button b);
  // Function key of slot 0..10 (the keys 'B'..'L'); false outside that range.
  std::optional<WirePacket> Key(int slot) const;
  WirePacket StartMenu() const;
  WirePacket MinimiseRestore() const;

  bool Held(Button b) const { return b == Button::Left ? left_ : right_; }

 private:
  std::uint8_t Header() const;  // the mark and the held buttons
  bool left_ = false;
  bool right_ = false;
};

// One write to the port and the pause that follows it. The bytes of one
// write leave back to back, as the receiver sends a packet.
struct Write {
  std::vector<std::uint8_t> bytes;
  int pauseAfterMs = 0;
};

struct ScriptError {
  int line = 0;  // 1-based
  std::string message;
};

// Turns a script into writes. A script is one command a line, '#' starts a
// comment, and several commands on one line separated by ';' go out in one
// write:
//   move DX DY            relative motion (right and down are positive)
//   press left|right      button down; release left|right: button up
//   click [left|right]    press and release (left when not named)
//   drag DX DY            left press, move, left release
//   key B..L | key 0..10  a function key by its letter or its slot
//   startmenu             the start menu key
//   minimise | restore    the minimise/restore key (one key does both)
//   pause MS              wait before the next write (0..600000)
//   raw HEX...            bytes exactly as given, e.g. "raw ec 80 bf"
// A pause ends its line's write; commands after it on the same line form the
// next write. Returns the writes, or the first error with its line number.
struct ScriptResult {
  std::vector<Write> writes;
  std::optional<ScriptError> error;
};
ScriptResult CompileScript(std::string_view script, Encoder& encoder);

// --- interactive mode ---------------------------------------------------------

enum class KeyAction {
  MoveUp,
  MoveDown,
  MoveLeft,
  MoveRight,
  FasterStep,
  SlowerStep,
  LeftClick,
  RightClick,
  ToggleLeft,   // hold or let go of the left button, for drags
  ToggleRight,  // the same for the right button
  FunctionKey,  // with a slot
  StartMenu,
  MinimiseRestore,
  Help,
  Quit,
};

struct KeyCommand {
  KeyAction action;
  int slot = 0;  // FunctionKey only
};

// Splits what a terminal sends into keys: single bytes, and the escape
// sequences of arrow and function keys (xterm and the Linux console). An
// incomplete sequence at the end stays in the reader until more arrives.
class KeyReader {
 public:
  void Feed(std::string_view bytes) { pending_ += bytes; }
  // The next whole key, or nothing while none is complete.
  std::optional<std::string> Next();
  // A lone Escape cannot be told from the start of a sequence until the
  // terminal has been quiet for a moment: then whatever waits is a key.
  std::optional<std::string> Flush();

 private:
  std::string pending_;
};

std::optional<KeyCommand> MapKey(std::string_view key);

// The key table for the help text, one "keys  what" line each.
std::string KeyHelp();

// Text that takes the terminal's current line for itself: back to the
// line's start, the text, and the rest of the line cleared, so nothing of a
// longer text written there before stays behind.
std::string OverLine(std::string_view text);
// The interactive mode's status line, as OverLine writes it: the step and
// the buttons held.
std::string StatusLine(int step, const Encoder& encoder);

// Applies a key to the encoder: the writes it makes (empty for keys that only
// change the step), and the step after it. Quit releases held buttons.
std::vector<WirePacket> ApplyKey(const KeyCommand& cmd, Encoder& encoder, int& step);

inline constexpr int kMinStep = 1;
inline constexpr int kMaxStep = 64;
inline constexpr int kDefaultStep = 8;

}  // namespace receiver
