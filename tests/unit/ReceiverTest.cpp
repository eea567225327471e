// The virtual receiver: the packets it sends must be the ones the pointer's
// receiver sends, its scripts must say exactly what went out in which write,
// and its terminal keys must survive being read in pieces.
#include <gtest/gtest.h>

#include "tools/receiver/Receiver.h"

namespace {

using namespace receiver;
using Bytes = std::vector<std::uint8_t>;

Bytes Of(const WirePacket& p) { return {p.begin(), p.end()}; }
Bytes Of(const std::vector<WirePacket>& ps) {
  Bytes b;
  for (const auto& p : ps) b.insert(b.end(), p.begin(), p.end());
  return b;
}

// How the program reads a motion packet: minus 128 per byte, the high bits
// of each step from the first byte.
struct Decoded {
  int dx, dy;
  bool left, right;
};
Decoded Decode(const WirePacket& w) {
  const int p0 = (w[0] - 128) & 0xFF, p1 = (w[1] - 128) & 0xFF, p2 = (w[2] - 128) & 0xFF;
  return {static_cast<std::int8_t>(p1 | ((p0 & 0x03) << 6)),
          static_cast<std::int8_t>(p2 | ((p0 & 0x0C) << 4)), (p0 & 0x20) != 0, (p0 & 0x10) != 0};
}

TEST(ReceiverPacketTest, PressesAndKeysHaveTheirWireBytes) {
  Encoder e;
  EXPECT_EQ(Of(e.Press(Button::Left)), (Bytes{0xEC, 0x80, 0xBF}));
  EXPECT_EQ(Of(e.Release(Button::Left)), (Bytes{0xC0, 0x80, 0x80}));
  EXPECT_EQ(Of(e.Press(Button::Right)), (Bytes{0xDC, 0x80, 0xBF}));
  EXPECT_EQ(Of(e.Release(Button::Right)), (Bytes{0xC0, 0x80, 0x80}));
  EXPECT_EQ(Of(e.StartMenu()), (Bytes{0xC0, 0xD9, 0xE6}));
  EXPECT_EQ(Of(e.MinimiseRestore()), (Bytes{0xC0, 0xD5, 0xEA}));
  EXPECT_EQ(Of(*e.Key(0)), (Bytes{0xC0, 0xC2, 0x80})) << "slot 0 is 'B'";
  EXPECT_EQ(Of(*e.Key(10)), (Bytes{0xC0, 0xCC, 0x80})) << "slot 10 is 'L'";
  EXPECT_FALSE(e.Key(11));
  EXPECT_FALSE(e.Key(-1));
}

TEST(ReceiverPacketTest, EveryStepDecodesToItselfAndNeverLooksLikeAKey) {
  Encoder e;
  for (int dx = -128; dx <= 127; ++dx) {
    for (int dy = -128; dy <= 127; dy += 5) {
      const auto ps = e.Move(dx, dy);
      ASSERT_EQ(ps.size(), 1u);
      const Decoded d = Decode(ps[0]);
      ASSERT_EQ(d.dx, dx);
      ASSERT_EQ(d.dy, dy);
      ASSERT_FALSE(d.left || d.right);
      const int p1 = ps[0][1] - 128;
      ASSERT_LT(p1, 0x40) << "a motion's second byte stays below the key codes";
    }
  }
  EXPECT_EQ(Of(e.Move(-3, 0)), (Bytes{0xC3, 0xBD, 0x80}));
}

TEST(ReceiverPacketTest, LongMovesSplitAndAStillMoveIsOnePacket) {
  Encoder e;
  auto ps = e.Move(300, -200);
  int sx = 0, sy = 0;
  for (const auto& p : ps) {
    sx += Decode(p).dx;
    sy += Decode(p).dy;
  }
  EXPECT_EQ(ps.size(), 3u);
  EXPECT_EQ(sx, 300);
  EXPECT_EQ(sy, -200);
  EXPECT_EQ(Of(e.Move(0, 0)), (Bytes{0xC0, 0x80, 0x80}));
}

TEST(ReceiverPacketTest, HeldButtonsRideOnEveryPacketUntilReleased) {
  Encoder e;
  e.Press(Button::Left);
  EXPECT_TRUE(Decode(e.Move(5, 0)[0]).left) << "a drag keeps the left bit";
  EXPECT_EQ(e.Key(3)->at(0), 0xE0) << "a key during a drag must not release the button";
  e.Release(Button::Left);
  EXPECT_FALSE(Decode(e.Move(5, 0)[0]).left);

  e.Press(Button::Right);
  const WirePacket both = e.Press(Button::Left);
  EXPECT_EQ(Of(both), (Bytes{0xEC, 0x80, 0xBF})) << "the press form is fixed";
  EXPECT_TRUE(e.Held(Button::Right));
  const Decoded d = Decode(e.Release(Button::Left));
  EXPECT_FALSE(d.left);
  EXPECT_TRUE(d.right) << "releasing left keeps right held";

  e.Press(Button::Left);
  e.Press(Button::Right);
  EXPECT_FALSE(e.Held(Button::Left)) << "a right press has no left bit, so it lets go of left";
}

Bytes Flat(const ScriptResult& r) {
  Bytes b;
  for (const auto& w : r.writes) b.insert(b.end(), w.bytes.begin(), w.bytes.end());
  return b;
}

TEST(ReceiverScriptTest, LinesAreWritesAndSemicolonsJoinOneWrite) {
  Encoder e;
  const auto r = CompileScript(
      "# six packets in one write\n"
      "move 1 0; move 1 0; move 1 0; move 1 0; move 1 0; move 1 0\n"
      "\n"
      "click   # left\n"
      "click right\n",
      e);
  ASSERT_FALSE(r.error);
  ASSERT_EQ(r.writes.size(), 3u);
  EXPECT_EQ(r.writes[0].bytes.size(), 18u);
  EXPECT_EQ(r.writes[1].bytes, (Bytes{0xEC, 0x80, 0xBF, 0xC0, 0x80, 0x80}));
  EXPECT_EQ(r.writes[2].bytes, (Bytes{0xDC, 0x80, 0xBF, 0xC0, 0x80, 0x80}));
}

TEST(ReceiverScriptTest, PausesEndAWriteAndAddUp) {
  Encoder e;
  const auto r = CompileScript("pause 5\nraw c0 81; pause 100; pause 20; raw 80\nkey E\n", e);
  ASSERT_FALSE(r.error);
  ASSERT_EQ(r.writes.size(), 4u);
  EXPECT_TRUE(r.writes[0].bytes.empty());
  EXPECT_EQ(r.writes[0].pauseAfterMs, 5);
  EXPECT_EQ(r.writes[1].bytes, (Bytes{0xC0, 0x81}));
  EXPECT_EQ(r.writes[1].pauseAfterMs, 120);
  EXPECT_EQ(r.writes[2].bytes, (Bytes{0x80}));
  EXPECT_EQ(r.writes[3].bytes, (Bytes{0xC0, 0xC5, 0x80}));
}

TEST(ReceiverScriptTest, EveryCommandAndItsSpellings) {
  Encoder e;
  const auto r = CompileScript(
      "key b; key L; key 4\nstartmenu; minimise; minimize; restore\n"
      "press right; release right\ndrag 2 -1\nraw 0x0a FF 0\n",
      e);
  ASSERT_FALSE(r.error) << r.error->message;
  EXPECT_EQ(Flat(r), (Bytes{0xC0, 0xC2, 0x80, 0xC0, 0xCC, 0x80, 0xC0, 0xC6, 0x80,  //
                            0xC0, 0xD9, 0xE6, 0xC0, 0xD5, 0xEA, 0xC0, 0xD5, 0xEA,  //
                            0xC0, 0xD5, 0xEA, 0xDC, 0x80, 0xBF, 0xC0, 0x80, 0x80,  //
                            0xEC, 0x80, 0xBF, 0xEC, 0x82, 0xBF, 0xC0, 0x80, 0x80,  //
                            0x0A, 0xFF, 0x00}));
  EXPECT_FALSE(e.Held(Button::Left)) << "a drag ends released";
}

TEST(ReceiverScriptTest, BadLinesNameTheirLineAndStopTheScript) {
  const struct {
    const char* script;
    int line;
    const char* says;
  } cases[] = {
      {"move 1 0\njump 3\n", 2, "unknown command 'jump'"},
      {"move 1\n", 1, "DX and DY"},
      {"move 1 x\n", 1, "whole numbers"},
      {"move 100001 0\n", 1, "100000"},
      {"click middle\n", 1, "click takes"},
      {"press\n", 1, "press takes"},
      {"\n\nkey M\n", 3, "B..L"},
      {"key 11\n", 1, "B..L"},
      {"pause -1\n", 1, "milliseconds"},
      {"pause 600001\n", 1, "milliseconds"},
      {"raw\n", 1, "at least one"},
      {"raw 1ff\n", 1, "'1ff'"},
      {"raw zz\n", 1, "'zz'"},
      {"startmenu now\n", 1, "takes nothing"},
  };
  for (const auto& c : cases) {
    Encoder e;
    const auto r = CompileScript(c.script, e);
    ASSERT_TRUE(r.error) << c.script;
    EXPECT_EQ(r.error->line, c.line) << c.script;
    EXPECT_NE(r.error->message.find(c.says), std::string::npos)
        << c.script << " said: " << r.error->message;
  }
}

std::vector<std::string> ReadAll(KeyReader& r) {
  std::vector<std::string> keys;
  while (auto k = r.Next()) keys.push_back(*k);
  return keys;
}

TEST(ReceiverKeyTest, SequencesCutAnywhereComeOutWhole) {
  const std::string stream = "a\x1b[A\x1b[15~\x1bOPb\x1b[1;2D\x1b[[E";
  const std::vector<std::string> want = {"a", "\x1b[A",    "\x1b[15~", "\x1bOP",
                                         "b", "\x1b[1;2D", "\x1b[[E"};
  for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
    KeyReader r;
    r.Feed(stream.substr(0, cut));
    auto keys = ReadAll(r);
    r.Feed(stream.substr(cut));
    for (auto& k : ReadAll(r)) keys.push_back(k);
    ASSERT_EQ(keys, want) << "cut at " << cut;
  }
}

TEST(ReceiverKeyTest, ALoneEscapeWaitsForQuietAndRunawaySequencesEnd) {
  KeyReader r;
  r.Feed("\x1b");
  EXPECT_FALSE(r.Next());
  EXPECT_EQ(r.Flush(), "\x1b");
  EXPECT_FALSE(r.Flush());

  r.Feed("\x1b[" + std::string(20, '1'));
  const auto k = r.Next();
  ASSERT_TRUE(k) << "no key sequence is that long";
  EXPECT_EQ(*k, "\x1b");
}

TEST(ReceiverKeyTest, TheElevenFunctionKeysAndTheRestOfTheTable) {
  const char* fkeys[] = {"\x1bOP",   "\x1bOQ",   "\x1bOR",   "\x1bOS",   "\x1b[15~", "\x1b[17~",
                         "\x1b[18~", "\x1b[19~", "\x1b[20~", "\x1b[21~", "\x1b[23~"};
  for (int slot = 0; slot <= 10; ++slot) {
    const auto f = MapKey(fkeys[slot]);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->action, KeyAction::FunctionKey);
    EXPECT_EQ(f->slot, slot);
    const auto letter = MapKey(std::string(1, static_cast<char>('B' + slot)));
    ASSERT_TRUE(letter);
    EXPECT_EQ(letter->slot, slot);
  }
  EXPECT_EQ(MapKey("\x1b[A")->action, KeyAction::MoveUp);
  EXPECT_EQ(MapKey("\x1bOD")->action, KeyAction::MoveLeft);
  EXPECT_EQ(MapKey("\x1b[1;5C")->action, KeyAction::MoveRight);
  EXPECT_EQ(MapKey(" ")->action, KeyAction::LeftClick);
  EXPECT_EQ(MapKey("\r")->action, KeyAction::RightClick);
  EXPECT_EQ(MapKey("\x03")->action, KeyAction::Quit);
  EXPECT_FALSE(MapKey("M")) << "there is no key past 'L'";
  EXPECT_FALSE(MapKey("\x1b[24~"));
  EXPECT_FALSE(MapKey("\x1b"));
}

TEST(ReceiverKeyTest, KeysMakeTheirPacketsAndQuitLetsGoOfHeldButtons) {
  Encoder e;
  int step = kDefaultStep;
  EXPECT_EQ(Decode(ApplyKey({KeyAction::MoveLeft}, e, step)[0]).dx, -kDefaultStep);
  for (int i = 0; i < 10; ++i) ApplyKey({KeyAction::FasterStep}, e, step);
  EXPECT_EQ(step, kMaxStep);
  for (int i = 0; i < 10; ++i) ApplyKey({KeyAction::SlowerStep}, e, step);
  EXPECT_EQ(step, kMinStep);
  EXPECT_EQ(Of(ApplyKey({KeyAction::FunctionKey, 3}, e, step)), (Bytes{0xC0, 0xC5, 0x80}));

  EXPECT_EQ(Of(ApplyKey({KeyAction::ToggleLeft}, e, step)), (Bytes{0xEC, 0x80, 0xBF}));
  EXPECT_TRUE(Decode(ApplyKey({KeyAction::MoveDown}, e, step)[0]).left);
  EXPECT_EQ(Of(ApplyKey({KeyAction::Quit}, e, step)), (Bytes{0xC0, 0x80, 0x80}));
  EXPECT_FALSE(e.Held(Button::Left));
  EXPECT_TRUE(ApplyKey({KeyAction::Quit}, e, step).empty()) << "nothing held, nothing sent";
}

// What a terminal's line shows after these writes: a carriage return goes
// back to the line's start, ESC [ K clears from there to the line's end, and
// any other character overwrites the one under the cursor.
std::string ShownLine(std::string_view written) {
  std::string line;
  std::size_t at = 0;
  for (std::size_t i = 0; i < written.size(); ++i) {
    if (written[i] == '\r') {
      at = 0;
    } else if (written.substr(i, 3) == "\x1b[K") {
      line.resize(at);
      i += 2;
    } else {
      if (at == line.size())
        line.push_back(written[i]);
      else
        line[at] = written[i];
      ++at;
    }
  }
  return line;
}

TEST(ReceiverKeyTest, AShorterStatusOrPacketLineLeavesNothingOfTheLongerOneBefore) {
  Encoder e;
  e.Press(Button::Right);
  e.Press(Button::Left);
  const std::string bothHeld = StatusLine(kDefaultStep, e);
  EXPECT_EQ(ShownLine(bothHeld), "step  8 px, left held, right held");
  e.Release(Button::Right);
  const std::string leftHeld = StatusLine(kDefaultStep, e);
  EXPECT_EQ(ShownLine(bothHeld + leftHeld), "step  8 px, left held");
  e.Release(Button::Left);
  EXPECT_EQ(ShownLine(bothHeld + leftHeld + StatusLine(kMaxStep, e)), "step 64 px");
  EXPECT_EQ(ShownLine(leftHeld + OverLine("c0 80 80")), "c0 80 80") << "a packet's bytes (--hex)";
}

}  // namespace
