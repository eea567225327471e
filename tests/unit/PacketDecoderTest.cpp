// The packet decoder on a simulated machine: what another program's window
// receives and where the pointer goes for every packet, however the serial
// driver's deliveries cut and merge the byte stream, and the keys, scroll
// modes, start menu and minimise/restore key.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "core/Program.h"
#include "device/PacketDecoder.h"
#include "effects/Show.h"
#include "tests/support/ProgramHarness.h"

namespace {

using namespace testing_support;
using platform::Hwnd;
using platform::Msg;
using platform::Point;
using platform::memory::SimProcess;
namespace msg = platform::msg;

using Packet = std::array<std::uint8_t, 3>;

// A motion packet in the serial mouse layout (bytes before the wire offset).
Packet Motion(int dx, int dy, bool left = false, bool right = false) {
  const auto x = static_cast<std::uint8_t>(dx);
  const auto y = static_cast<std::uint8_t>(dy);
  return {static_cast<std::uint8_t>(0x40 | (left ? 0x20 : 0) | (right ? 0x10 : 0) |
                                    ((y >> 6) << 2) | (x >> 6)),
          static_cast<std::uint8_t>(x & 0x3F), static_cast<std::uint8_t>(y & 0x3F)};
}
constexpr Packet kLeftPress{0x6C, 0x00, 0x3F};
constexpr Packet kRightPress{0x5C, 0x00, 0x3F};
constexpr Packet kStartMenu{0x40, 'Y', 'f'};
constexpr Packet kMinimizeRestore{0x40, 'U', 'j'};
Packet Key(char letter) { return {0x40, static_cast<std::uint8_t>(letter), 0x00}; }

std::vector<std::uint8_t> Wire(const std::vector<Packet>& packets) {
  std::vector<std::uint8_t> bytes;
  for (const Packet& p : packets)
    for (std::uint8_t b : p) bytes.push_back(static_cast<std::uint8_t>(b + 128));
  return bytes;
}

// A window of another program: it records what reaches it once its program
// takes its messages.
struct OtherProgram {
  OtherProgram(SimSystem& sys, platform::Rect at, const std::string& caption = "Editor")
      : process(sys.StartProcess()) {
    platform::WindowParams params;
    params.className = "OtherProgram";
    params.caption = caption;
    params.left = at.left;
    params.top = at.top;
    params.width = at.Width();
    params.height = at.Height();
    hwnd = process->CreateWindowExA(params,
                                    [this](Hwnd h, std::uint32_t m, platform::WParam w,
                                           platform::LParam l) -> platform::LResult {
                                      // The system's question for the pointer's shape, asked before
                                      // each mouse message, is no input of its own, nor is the
                                      // window's coming to the front or going back.
                                      if (m != msg::kPaint && m != msg::kCreate &&
                                          m != msg::kDestroy && m != msg::kNcDestroy &&
                                          m != msg::kSetCursor && m != msg::kActivate &&
                                          m != msg::kSetFocus && m != msg::kKillFocus)
                                        log.push_back({h, m, w, l});
                                      return process->DefWindowProcA(h, m, w, l);
                                    });
    process->ShowWindow(hwnd, platform::kSwShow);
    Run();
    log.clear();
  }
  // Takes and handles everything queued for the program.
  void Run() {
    Msg m;
    for (int i = 0; i < 10000 && process->PeekMessageW(&m, 0, platform::kPmRemove); ++i)
      process->DispatchMessageW(m);
  }
  std::vector<Msg> Take() {
    Run();
    return std::exchange(log, {});
  }
  std::unique_ptr<SimProcess> process;
  Hwnd hwnd = 0;
  std::vector<Msg> log;
};

// Compact text of a message for comparisons: "move 12,34 L" and the like.
std::string Describe(const Msg& m) {
  const auto at = [&] {
    return std::to_string(platform::LoWordSigned(m.lParam)) + "," +
           std::to_string(platform::HiWordSigned(m.lParam));
  };
  const auto held = [&] {
    return std::string((m.wParam & platform::kMkLButton) ? " L" : "") +
           ((m.wParam & platform::kMkRButton) ? " R" : "");
  };
  switch (m.message) {
    case msg::kMouseMove: return "move " + at() + held();
    case msg::kLButtonDown: return "ldown " + at();
    case msg::kLButtonUp: return "lup " + at();
    case msg::kRButtonDown: return "rdown " + at();
    case msg::kRButtonUp: return "rup " + at();
    case msg::kHScroll:
      return "hscroll " + std::to_string(m.wParam) + " " + std::to_string(m.lParam);
    case msg::kVScroll:
      return "vscroll " + std::to_string(m.wParam) + " " + std::to_string(m.lParam);
    case msg::kSysCommand: return "syscommand " + std::to_string(m.wParam);
    default: return "message " + std::to_string(m.message);
  }
}
std::vector<std::string> Describe(const std::vector<Msg>& log) {
  std::vector<std::string> out;
  for (const Msg& m : log) out.push_back(Describe(m));
  return out;
}

class PacketDecoderTest : public ::testing::Test {
 protected:
  PacketDecoderTest()
      : process(sys.StartProcess()),
        ui(*process),
        app(*process, ui, "Tavrin"),
        program(app),
        decoder(*process, program, slots, [this](unsigned code) { dispatched.push_back(code); }) {
    sys.UseClock(SimSystem::Clock::Windows);
    sys.PlaceCursor({320, 240});
  }

  void Deliver(const std::vector<std::uint8_t>& bytes) {
    decoder.ReceiveData(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  }
  void Deliver(std::initializer_list<Packet> packets) { Deliver(Wire(packets)); }

  SimSystem sys{640, 480};
  std::unique_ptr<SimProcess> process;
  gui::HeadlessBackend ui;
  gui::Application app;
  Program program;
  SlotTable slots = kDefaultSlots;
  std::vector<unsigned> dispatched;
  PacketDecoder decoder;
};

// ---- whole packets, one per delivery ----------------------------------------------

TEST_F(PacketDecoderTest, ALeftPressLatchesTheNextPacketWithoutTheBitReleasesAndOnlyThenMoves) {
  OtherProgram other(sys, {0, 0, 640, 480});
  Deliver(std::vector<std::uint8_t>{0xEC, 0x80, 0xBF});
  EXPECT_TRUE(decoder.LeftButtonLatched);
  EXPECT_EQ(sys.Cursor(), (Point{320, 240})) << "a press does not move";
  Deliver(std::vector<std::uint8_t>{0xC0, 0x81, 0x80});
  EXPECT_FALSE(decoder.LeftButtonLatched);
  EXPECT_EQ(sys.Cursor(), (Point{320, 240})) << "nor does the release";
  Deliver(std::vector<std::uint8_t>{0xC0, 0x81, 0x80});
  EXPECT_EQ(sys.Cursor(), (Point{321, 240}));
  EXPECT_EQ(Describe(other.Take()),
            (std::vector<std::string>{"ldown 320,240", "lup 320,240", "move 321,240"}));
}

TEST_F(PacketDecoderTest, WhileLatchedThePressPacketIsADragOfOneUp) {
  OtherProgram other(sys, {0, 0, 640, 480});
  Deliver({kLeftPress, kLeftPress, Motion(4, 0, true)});
  EXPECT_TRUE(decoder.LeftButtonLatched);
  EXPECT_EQ(sys.Cursor(), (Point{324, 239}));
  EXPECT_EQ(Describe(other.Take()), (std::vector<std::string>{"ldown 320,240", "move 324,239 L"}));
}

TEST_F(PacketDecoderTest, TheRightButtonLatchesOnItsOwn) {
  OtherProgram other(sys, {0, 0, 640, 480});
  Deliver({kRightPress});
  EXPECT_TRUE(decoder.RightButtonLatched);
  Deliver({Motion(2, 0, false, true)});  // a drag with the right button
  Deliver({Motion(0, 0)});               // no bit: release
  EXPECT_FALSE(decoder.RightButtonLatched);
  EXPECT_EQ(Describe(other.Take()),
            (std::vector<std::string>{"rdown 320,240", "move 322,240 R", "rup 322,240"}));
}

TEST_F(PacketDecoderTest, ARightPressWhileTheLeftIsHeldOnlyReleasesTheLeft) {
  // The right press byte has no left bit, and the left release rule comes first.
  OtherProgram other(sys, {0, 0, 640, 480});
  Deliver({kLeftPress, kRightPress, kRightPress});
  EXPECT_FALSE(decoder.LeftButtonLatched);
  EXPECT_TRUE(decoder.RightButtonLatched);
  EXPECT_EQ(Describe(other.Take()),
            (std::vector<std::string>{"ldown 320,240", "lup 320,240", "rdown 320,240"}));
}

TEST_F(PacketDecoderTest, MovementTakesItsHighBitsFromTheFirstByte) {
  Deliver({Motion(-3, 5)});
  EXPECT_EQ(sys.Cursor(), (Point{317, 245}));
  Deliver({Motion(127, -128)});
  EXPECT_EQ(sys.Cursor(), (Point{444, 117}));
  Deliver({Packet{0x40, 0x50, 0x00}});
  EXPECT_EQ(sys.Cursor(), (Point{524, 117})) << "an unknown code with bit 6 is a movement of 80";
  Deliver({Packet{0x40, 'Y', 0x00}, Packet{0x40, 'U', 0x00}});
  EXPECT_EQ(sys.Cursor(), (Point{639, 117})) << "half a code is a movement too";
  EXPECT_FALSE(sys.StartMenuOpen());
}

TEST_F(PacketDecoderTest, FunctionKeysRunTheEffectOfTheirSlotAndNeverMove) {
  Deliver({Key('E')});
  EXPECT_EQ(dispatched, (std::vector<unsigned>{11})) << "the default table: ExecuteProgram";
  dispatched.clear();
  for (char k = 'B'; k <= 'L'; ++k) Deliver({Packet{0x7F, static_cast<std::uint8_t>(k), 0x7F}});
  EXPECT_EQ(dispatched, (std::vector<unsigned>{0, 1, 2, 11, 4, 5, 13, 7, 8, 3, 6}))
      << "slot p1 - 'B', whatever p0 and p2 say";
  EXPECT_EQ(sys.Cursor(), (Point{320, 240}));

  dispatched.clear();
  slots[10] = 9;  // the table is read at each key
  slots[0] = -1;  // a damaged slot reaches the dispatcher as no effect
  Deliver({Key('L'), Key('B')});
  EXPECT_EQ(dispatched, (std::vector<unsigned>{9, static_cast<unsigned>(-1)}));
}

TEST_F(PacketDecoderTest, AFunctionKeyWithoutTheLeftBitAlsoReleasesAHeldButton) {
  OtherProgram other(sys, {0, 0, 640, 480});
  Deliver({kLeftPress, Key('C')});
  EXPECT_EQ(dispatched, (std::vector<unsigned>{1}));
  EXPECT_FALSE(decoder.LeftButtonLatched);
  EXPECT_EQ(Describe(other.Take()), (std::vector<std::string>{"ldown 320,240", "lup 320,240"}));
}

// ---- scroll modes ------------------------------------------------------------------------

TEST_F(PacketDecoderTest, HorizontalScrollPostsOneLinePerPacketByTheSignAndMovesNothing) {
  OtherProgram other(sys, {0, 0, 640, 480});
  program.HorizontalScrollOn = true;
  Deliver({Motion(-3, 0), Motion(0, 0), Motion(5, -9)});
  EXPECT_EQ(sys.Cursor(), (Point{320, 240}));
  EXPECT_EQ(decoder.WindowUnderPointer, other.hwnd);
  EXPECT_EQ(Describe(other.Take()),
            (std::vector<std::string>{"hscroll 0 0", "hscroll 1 0", "hscroll 1 0"}));
}

TEST_F(PacketDecoderTest, VerticalScrollLooksAtDyAndStillPressesButtons) {
  OtherProgram other(sys, {0, 0, 640, 480});
  program.VerticalScrollOn = true;
  Deliver({Motion(-3, 0), Motion(0, -1), kLeftPress, Motion(0, 2)});
  EXPECT_EQ(sys.Cursor(), (Point{320, 240}));
  EXPECT_EQ(Describe(other.Take()), (std::vector<std::string>{"vscroll 1 0", "vscroll 0 0",
                                                              "ldown 320,240", "lup 320,240"}))
      << "the release packet is handled by its button and scrolls nothing";
}

TEST_F(PacketDecoderTest, NothingScrollsOverTheDesktop) {
  OtherProgram other(sys, {0, 0, 100, 100});
  program.VerticalScrollOn = true;
  Deliver({Motion(0, 3)});
  EXPECT_EQ(decoder.WindowUnderPointer, sys.DesktopListView());
  program.VerticalScrollOn = false;
  program.HorizontalScrollOn = true;
  Deliver({Motion(-7, 0)});
  EXPECT_TRUE(sys.ShellMessages().empty());
  EXPECT_TRUE(other.Take().empty());
  EXPECT_EQ(sys.Cursor(), (Point{320, 240}));
}

TEST_F(PacketDecoderTest, AnOwnedPopupScrollsByItsOwnersCaption) {
  // An owned popup's chain ends at its owner, whose caption decides.
  OtherProgram owner(sys, {0, 0, 50, 50}, "Program Manager");
  platform::WindowParams params;
  params.className = "OtherProgram";
  params.caption = "";
  params.left = 200;
  params.top = 200;
  params.width = 300;
  params.height = 100;
  params.owner = owner.hwnd;
  const Hwnd popup = owner.process->CreateWindowExA(
      params, [&](Hwnd h, std::uint32_t m, platform::WParam w, platform::LParam l) {
        if (m == msg::kHScroll) owner.log.push_back({h, m, w, l});
        return owner.process->DefWindowProcA(h, m, w, l);
      });
  owner.process->ShowWindow(popup, platform::kSwShow);
  program.HorizontalScrollOn = true;
  Deliver({Motion(1, 0)});
  EXPECT_EQ(decoder.WindowUnderPointer, popup);
  EXPECT_TRUE(owner.Take().empty()) << "its top-level window reads \"Program Manager\"";
  sys.Window(owner.hwnd)->text = "Program Manager ";  // not exactly the desktop's caption
  Deliver({Motion(1, 0)});
  EXPECT_EQ(Describe(owner.Take()), (std::vector<std::string>{"hscroll 1 0"}));
}

// ---- the start menu and minimise/restore ---------------------------------------------------

TEST_F(PacketDecoderTest, TheStartMenuKeyOpensTheMenuAndMovesNothing) {
  Deliver({kStartMenu});
  EXPECT_TRUE(sys.StartMenuOpen());
  EXPECT_EQ(sys.StartMenuOpenings(), 1);
  EXPECT_EQ(sys.Cursor(), (Point{320, 240}));
  Deliver({kLeftPress});
  EXPECT_FALSE(sys.StartMenuOpen()) << "a click closes it again";
}

TEST_F(PacketDecoderTest, MinimiseRestoreMinimisesTheWindowInFrontThenRestoresItFromTheDesktop) {
  OtherProgram other(sys, {100, 100, 300, 300});
  ASSERT_EQ(sys.Foreground(), other.hwnd);

  Deliver({kMinimizeRestore});
  EXPECT_TRUE(other.process->IsIconic(other.hwnd));
  EXPECT_EQ(decoder.LastMinimizedWindow, other.hwnd);
  EXPECT_EQ(Describe(other.Take()), (std::vector<std::string>{"syscommand 61472"}));

  // Nothing of a program is in front now, so the key restores.
  Deliver({kMinimizeRestore});
  EXPECT_FALSE(other.process->IsIconic(other.hwnd));
  EXPECT_EQ(sys.Foreground(), other.hwnd);
  EXPECT_EQ(Describe(other.Take()), (std::vector<std::string>{"syscommand 61728"}));

  // Minimised by hand and the desktop clicked: the key restores it again.
  other.process->SendMessageA(other.hwnd, msg::kSysCommand, platform::kScMinimize, 0);
  sys.PlaceCursor({600, 450});
  process->mouse_event(platform::kMouseEventLeftDown | platform::kMouseEventLeftUp, 0, 0, 0);
  ASSERT_EQ(sys.Foreground(), sys.Desktop());
  other.log.clear();
  Deliver({kMinimizeRestore});
  EXPECT_FALSE(other.process->IsIconic(other.hwnd));
  EXPECT_EQ(Describe(other.Take()), (std::vector<std::string>{"syscommand 61728"}));
  EXPECT_EQ(sys.Cursor(), (Point{600, 450})) << "the key never moves the pointer";
}

TEST_F(PacketDecoderTest, MinimiseGoesToTheTopOfTheChainAndRestoreNeedsTheWindowToExist) {
  OtherProgram owner(sys, {0, 0, 100, 100}, "Owner");
  platform::WindowParams params;
  params.className = "OtherProgram";
  params.caption = "Owned dialog";
  params.left = params.top = 150;
  params.width = params.height = 80;
  params.owner = owner.hwnd;
  const Hwnd dialog = owner.process->CreateWindowExA(params, {});
  owner.process->ShowWindow(dialog, platform::kSwShow);
  ASSERT_EQ(sys.Foreground(), dialog);

  Deliver({kMinimizeRestore});
  EXPECT_TRUE(owner.process->IsIconic(owner.hwnd));
  EXPECT_FALSE(owner.process->IsIconic(dialog));
  EXPECT_FALSE(owner.process->IsWindowVisible(dialog)) << "it left with its owner";
  EXPECT_EQ(decoder.LastMinimizedWindow, owner.hwnd);

  owner.process->DestroyWindow(owner.hwnd);
  Deliver({kMinimizeRestore});  // nothing to restore, nothing in front: nothing happens
  EXPECT_EQ(decoder.LastMinimizedWindow, owner.hwnd) << "kept until overwritten";
}

TEST_F(PacketDecoderTest, AHungWindowInFrontHoldsThePointerUpForASecondAtMost) {
  OtherProgram other(sys, {100, 100, 300, 300});
  other.process->StopTakingMessages();
  const std::uint64_t before = sys.Now();
  Deliver({kMinimizeRestore, Motion(4, 0)});
  EXPECT_GE(sys.Now() - before, 1000u);
  EXPECT_LE(sys.Now() - before, 1000u + 2 * 16) << "the second and the pause, each to a tick";
  EXPECT_EQ(sys.Cursor(), (Point{324, 240})) << "the packet after it still moves";
  EXPECT_FALSE(other.process->IsIconic(other.hwnd));

  // Once the system takes its program for hung, the key does not wait at all.
  sys.Advance(platform::kHungThreadMs);
  const std::uint64_t pauseEnd = sys.SleepEnd(PacketDecoder::kPacketPauseMs);
  Deliver({kMinimizeRestore});
  EXPECT_EQ(sys.Now(), pauseEnd) << "the pause alone";
}

// ---- deliveries that cut and merge packets ---------------------------------------------

// A stream where every move sits between button messages, so each injected
// input reaches the window as a message of its own.
std::vector<Packet> MixedStream() {
  return {Motion(5, -2),     kLeftPress,  Motion(-7, 3, true),        Motion(0, 0),
          Motion(64, 1),     kRightPress, Motion(2, 70, false, true), Motion(0, 0),
          Motion(-100, -120)};
}

TEST_F(PacketDecoderTest, APacketCutAtEveryPositionDecodesAsIfWhole) {
  const std::vector<std::uint8_t> bytes = Wire(MixedStream());
  std::vector<std::string> whole;
  Point end;
  {
    OtherProgram other(sys, {0, 0, 640, 480});
    Deliver(bytes);
    whole = Describe(other.Take());
    end = sys.Cursor();
  }
  ASSERT_EQ(whole.size(), 9u);
  ASSERT_EQ(end, (Point{284, 192}));

  for (std::size_t cut = 1; cut < bytes.size(); ++cut) {
    SCOPED_TRACE("cut after byte " + std::to_string(cut));
    SimSystem fresh(640, 480);
    auto p = fresh.StartProcess();
    PacketDecoder d(*p, program, slots, [](unsigned) {});
    fresh.PlaceCursor({320, 240});
    OtherProgram other(fresh, {0, 0, 640, 480});
    d.ReceiveData(bytes.data(), static_cast<std::uint32_t>(cut));
    EXPECT_EQ(d.PendingBytes(), cut % 3);
    other.Run();
    fresh.Advance(50);  // the next poll
    d.ReceiveData(bytes.data() + cut, static_cast<std::uint32_t>(bytes.size() - cut));
    EXPECT_EQ(d.PendingBytes(), 0u);
    EXPECT_EQ(Describe(other.Take()), whole);
    EXPECT_EQ(fresh.Cursor(), end);
  }
}

TEST_F(PacketDecoderTest, ByteByByteAtEveryPollStillDecodesEveryPacket) {
  OtherProgram other(sys, {0, 0, 640, 480});
  const std::vector<std::uint8_t> bytes = Wire(MixedStream());
  for (std::uint8_t b : bytes) {
    decoder.ReceiveData(&b, 1);
    other.Run();
    sys.Advance(50);
  }
  EXPECT_EQ(other.Take().size(), 9u);
  EXPECT_EQ(sys.Cursor(), (Point{284, 192}));
}

TEST_F(PacketDecoderTest, ABurstOfManyPacketsInOneDeliveryLosesNoneAndPausesOnce) {
  OtherProgram other(sys, {0, 0, 640, 480});
  std::vector<Packet> burst;
  for (int i = 0; i < 50; ++i) {
    burst.push_back(Motion(1, 2));
    burst.push_back(kLeftPress);
    burst.push_back(Motion(-3, 1, true));
    burst.push_back(Motion(0, 0));
  }
  const std::uint64_t pauseEnd = sys.SleepEnd(PacketDecoder::kPacketPauseMs);
  Deliver(Wire(burst));
  EXPECT_EQ(sys.Now(), pauseEnd) << "one pause per delivery";
  EXPECT_EQ(sys.Cursor(), (Point{220, 390}));
  EXPECT_FALSE(decoder.LeftButtonLatched);
  const std::vector<std::string> got = Describe(other.Take());
  ASSERT_EQ(got.size(), 200u);
  EXPECT_EQ(got[0], "move 321,242");
  EXPECT_EQ(got[1], "ldown 321,242");
  EXPECT_EQ(got[2], "move 318,243 L");
  EXPECT_EQ(got[3], "lup 318,243");
  EXPECT_EQ(got[199], "lup 220,390");
}

TEST_F(PacketDecoderTest,
       APolledDeliveryPausesUnlessItCameWithinSixMsOfTheOneBeforeAndAWokenOneNever) {
  // On the exact clock: the rule's edge, 6 ms, is finer than Windows' tick.
  sys.UseClock(SimSystem::Clock::Exact);
  std::uint64_t last = sys.Now();
  const auto pauseOf = [&](std::uint64_t after, PacketDecoder::Delivery how) {
    sys.Advance(last + after - sys.Now());  // after the last delivery came
    const std::vector<std::uint8_t> bytes = Wire({Motion(1, 0)});
    last = sys.Now();
    decoder.ReceiveData(bytes.data(), 3, how);
    return sys.Now() - last;
  };
  using enum PacketDecoder::Delivery;
  EXPECT_EQ(pauseOf(0, Polled), PacketDecoder::kPacketPauseMs) << "the first";
  EXPECT_EQ(pauseOf(6, Polled), PacketDecoder::kPacketPauseMs) << "6 ms after the last";
  EXPECT_EQ(pauseOf(5, Polled), 0u) << "5 ms after the last";
  EXPECT_EQ(pauseOf(100, Woken), 0u);
}

TEST_F(PacketDecoderTest, AKeysButtonReleaseComesBeforeItsEffect) {
  // After a drag, the key's packet lets the button go; a click decoded while
  // its effect runs (on a box's OK) is a click, not more of the drag.
  OtherProgram other(sys, {0, 0, 640, 480});
  std::vector<std::string> inside;
  PacketDecoder d(*process, program, slots, [&](unsigned) {
    EXPECT_FALSE(d.LeftButtonLatched);
    other.Take();
    const std::vector<std::uint8_t> click = Wire({kLeftPress, Motion(0, 0)});
    d.ReceiveData(click.data(), static_cast<std::uint32_t>(click.size()));
    inside = Describe(other.Take());
  });
  const std::vector<std::uint8_t> bytes = Wire({kLeftPress, Motion(4, 0, true), Key('B')});
  d.ReceiveData(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  EXPECT_EQ(inside, (std::vector<std::string>{"ldown 324,240", "lup 324,240"}));
}

TEST_F(PacketDecoderTest, EachPacketOfADeliveryFindsTheWindowUnderThePointerAnew) {
  // In one delivery: a move from one window onto the other, a key whose
  // effect turns the vertical scroll on, a packet that scrolls; the scroll
  // goes to the window the pointer is over by then.
  OtherProgram left(sys, {0, 0, 320, 480}, "Left");
  OtherProgram right(sys, {320, 0, 640, 480}, "Right");
  slots[10] = 10;
  PacketDecoder d(*process, program, slots, [this](unsigned code) {
    if (code == 10) program.VerticalScrollOn = true;
  });
  sys.PlaceCursor({310, 240});
  const std::vector<std::uint8_t> bytes = Wire({Motion(20, 0), Key('L'), Motion(0, 1)});
  d.ReceiveData(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  EXPECT_EQ(d.WindowUnderPointer, right.hwnd);
  // (The posted scroll overtakes the injected move in the window's queue.)
  EXPECT_EQ(Describe(right.Take()), (std::vector<std::string>{"vscroll 1 0", "move 10,240"}));
  EXPECT_TRUE(left.Take().empty());
}

TEST_F(PacketDecoderTest, ATailIsDroppedOnlyWhenTheLineStayedQuietAClearMarginAfterIt) {
  // On the exact clock: the margin's edge, to the millisecond, is the rule's.
  sys.UseClock(SimSystem::Clock::Exact);
  // No check of the port between two deliveries: the program was late, not
  // the line, and the tail is continued however old it is.
  const std::vector<std::uint8_t> bytes = Wire({Motion(-10, 0), Motion(1, 1)});
  Deliver(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 1));
  sys.Advance(5000);
  Deliver(std::vector<std::uint8_t>(bytes.begin() + 1, bytes.end()));
  EXPECT_EQ(sys.Cursor(), (Point{311, 241}));

  // Two bytes of a packet whose last byte was lost. A quiet check just
  // before the margin proves nothing; the one at the margin drops them, and
  // the next byte starts a packet.
  std::vector<std::uint8_t> stray = Wire({Motion(50, 50)});
  stray.pop_back();
  Deliver(stray);
  sys.Advance(PacketDecoder::kQuietMarginMs - 1);
  decoder.LineQuiet();
  EXPECT_EQ(decoder.PendingBytes(), 2u);
  sys.Advance(1);
  decoder.LineQuiet();
  EXPECT_EQ(decoder.PendingBytes(), 0u);
  Deliver({Motion(3, 4)});
  EXPECT_EQ(sys.Cursor(), (Point{314, 245}));
}

TEST_F(PacketDecoderTest, GarbageBetweenPacketsCostsOnlyWhatArrivesBeforeThePause) {
  OtherProgram other(sys, {0, 0, 640, 480});
  // A press, then a byte of a broken packet and a pause: the release and the
  // motion after it decode as sent, so the button does not stay held.
  std::vector<std::uint8_t> bytes = Wire({kLeftPress});
  bytes.push_back(0xD5);
  Deliver(bytes);
  sys.Advance(50);
  decoder.LineQuiet();
  Deliver({Motion(0, 0), Motion(2, 0)});
  EXPECT_FALSE(decoder.LeftButtonLatched);
  EXPECT_EQ(Describe(other.Take()),
            (std::vector<std::string>{"ldown 320,240", "lup 320,240", "move 322,240"}));
}

TEST_F(PacketDecoderTest, ADeliveryShorterThanAPacketDoesNothingYet) {
  const std::vector<std::uint8_t> bytes = Wire({Motion(1, 0)});
  const std::uint64_t before = sys.Now();
  decoder.ReceiveData(bytes.data(), 2);
  decoder.ReceiveData(nullptr, 5);  // no data at all is no data
  EXPECT_EQ(sys.Now(), before) << "no packet, no pause";
  EXPECT_EQ(sys.Cursor(), (Point{320, 240}));
  decoder.ReceiveData(bytes.data() + 2, 1);
  EXPECT_EQ(sys.Cursor(), (Point{321, 240}));
}

TEST_F(PacketDecoderTest, AnEffectThatRunsTheMessageLoopLetsTheStreamGoOnInOrder) {
  // The stream: key 'B', then three moves. The first delivery ends one byte
  // into the second move. B's effect runs the message loop: a poll that
  // finds nothing new, then a delivery with the rest of that move and two
  // bytes of the third; the last byte comes after the effect.
  const std::vector<std::uint8_t> bytes =
      Wire({Key('B'), Motion(5, 0), Motion(0, 7), Motion(1, 1)});
  const auto part = [&](std::size_t from, std::size_t to) {
    return std::vector<std::uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                                     bytes.begin() + static_cast<std::ptrdiff_t>(to));
  };
  std::vector<Point> seen;
  PacketDecoder d(*process, program, slots, [&](unsigned) {
    sys.Advance(1);
    d.LineQuiet();
    seen.push_back(sys.Cursor());
    const std::vector<std::uint8_t> more = part(7, 11);
    d.ReceiveData(more.data(), static_cast<std::uint32_t>(more.size()));
    seen.push_back(sys.Cursor());
  });
  const std::vector<std::uint8_t> first = part(0, 7);
  d.ReceiveData(first.data(), static_cast<std::uint32_t>(first.size()));
  EXPECT_EQ(seen, (std::vector<Point>{{325, 240}, {325, 247}}))
      << "each move while the effect runs, the one after the key first";
  EXPECT_EQ(d.PendingBytes(), 2u) << "the third move's start, carried past the effect";
  const std::vector<std::uint8_t> last = part(11, 12);
  d.ReceiveData(last.data(), 1);
  EXPECT_EQ(sys.Cursor(), (Point{326, 248}));
}

TEST_F(PacketDecoderTest, AKeyWhoseEffectStillRunsIsDroppedWhileOtherKeysRunInsideIt) {
  // Play Sound ('H') waits in its box; meanwhile the presenter presses it
  // again, then 'B', bound to Play Sound too, then Reveal ('C'), and moves.
  slots[0] = 13;
  const std::vector<std::uint8_t> duringBox = Wire({Key('H'), Key('B'), Key('C'), Motion(2, 0)});
  std::vector<std::string> log;
  PacketDecoder d(*process, program, slots, [&](unsigned code) {
    log.push_back("start " + std::to_string(code));
    if (code == 13 && log.size() == 1)
      d.ReceiveData(duringBox.data(), static_cast<std::uint32_t>(duringBox.size()));
    log.push_back("end " + std::to_string(code));
  });
  const std::vector<std::uint8_t> key = Wire({Key('H')});
  d.ReceiveData(key.data(), 3);
  EXPECT_EQ(log, (std::vector<std::string>{"start 13", "start 1", "end 1", "end 13"}));
  EXPECT_EQ(sys.Cursor(), (Point{322, 240}));
  d.ReceiveData(key.data(), 3);
  EXPECT_EQ(log.size(), 6u) << "once its effect has ended, the key runs it again";
}

// ---- the main window's receive handler ----------------------------------------------------

TEST(PacketDecoderWiring, ThePortsBytesMoveThePointerAtTheDriversPoll) {
  SimSystem sys;
  auto& port = sys.AddSerialPort("COM2");
  ProgramHarness h(sys);
  h.process->SetIdleTimeBudget(1000);
  h.Start();
  sys.PlaceCursor({500, 400});
  port.Feed({0xCC, 0x8A, 0xAC, 0xEC, 0x80, 0xBF});  // a move of (10, -20), a left press
  h.RunFor(kPollMs);
  EXPECT_EQ(sys.Cursor(), (Point{510, 380}));
  EXPECT_TRUE(h.Main().Decoder.LeftButtonLatched);
  EXPECT_TRUE(sys.KeyIsDown(0x01)) << "the system holds the left button";
}

TEST(PacketDecoderWiring, AReceiverSendingBackToBackIsFollowedPacketByPacket) {
  // Ten seconds of packets back to back at 9600 bit/s, 320 a second, each
  // byte waking the driver: were a pause taken per delivery, each packet
  // would be decoded at least that late, and the last one not yet when its
  // last byte arrives.
  SimSystem sys;
  auto& port = sys.AddSerialPort("COM2");
  ProgramHarness h(sys);
  h.Start();
  sys.PlaceCursor({300, 300});
  std::vector<Packet> stream;
  for (int i = 0; i < 3199; ++i) stream.push_back(Motion(i % 2 ? -1 : 1, 0));
  stream.push_back(Motion(5, 7));
  const std::uint64_t start = sys.Now();
  port.Trickle(Wire(stream), 960, start);
  const std::uint64_t lastByte = start + 9600 * 1000 / 960;
  h.process->IdleUntil(lastByte - 1);
  h.app.Run();
  EXPECT_EQ(sys.Cursor(), (Point{301, 300})) << "all but the last packet";
  EXPECT_EQ(port.Queued(), 0u);
  h.process->IdleUntil(lastByte);
  h.app.Run();
  EXPECT_EQ(sys.Cursor(), (Point{306, 307}));
}

TEST(PacketDecoderWiring, ThePointerWorksWhilePlaySoundsErrorBoxIsUp) {
  SimSystem sys;
  auto& port = sys.AddSerialPort("COM2");
  ProgramHarness h(sys);
  h.Start();
  h.program.Settings.SoundName = "nowhere.mid";
  const auto runFor = [&](int ms) {
    for (int i = 0; i < ms; ++i) {
      h.app.ProcessMessages();
      sys.Advance(1);
    }
  };
  // The presenter's turn while the box is up: six moves, each a different
  // power of two, so a packet lost or decoded twice shows in the sum; then
  // the pointer onto OK and a click from the device.
  Point whileUp;
  int turns = 0;
  h.ui.whileBoxUp = [&](const gui::MessageBoxCall& box) {
    if (++turns > 1) {  // the click did not close it
      h.ui.AnswerBox(gui::kIdOk);
      return;
    }
    sys.PlaceCursor({300, 300});
    port.Feed(Wire({Motion(1, -1), Motion(2, -2), Motion(4, -4), Motion(8, -8), Motion(16, -16),
                    Motion(32, -32)}));
    runFor(kPollMs);
    whileUp = sys.Cursor();
    platform::Rect ok;
    h.process->GetWindowRect(box.okButton, &ok);
    sys.PlaceCursor({(ok.left + ok.right) / 2, (ok.top + ok.bottom) / 2});
    port.Feed(Wire({kLeftPress, Motion(0, 0)}));
    runFor(kPollMs);
  };
  port.Feed(Wire({Key('H')}));
  runFor(kPollMs);
  ASSERT_EQ(h.ui.MessageBoxes().size(), 1u);
  EXPECT_EQ(h.ui.MessageBoxes()[0].text.rfind("Error 275: ", 0), 0u);
  EXPECT_EQ(whileUp, (Point{363, 237}));
  EXPECT_EQ(turns, 1) << "the click packet on OK closed the box";
  EXPECT_FALSE(h.process->IsWindow(h.ui.MessageBoxes()[0].window));
  const Point atOk = sys.Cursor();
  runFor(200);
  EXPECT_EQ(sys.Cursor(), atOk) << "nothing held back moves the pointer after the box";
  EXPECT_FALSE(h.Main().Decoder.LeftButtonLatched);
}

TEST(PacketDecoderWiring, OnWindowsClockAStreamOfPacketsLeavesTheLoopTimeForTimersAndTheLaserDot) {
  // Two seconds of one-pixel moves every 4 ms, every 10 ms, and four at a
  // time every 16 ms (as a USB adapter passes them on), with the Laser Beam
  // showing, on Windows' clock: a 10 ms timer of the program's (due at every
  // tick, its period being shorter than one) is handled at nine in ten of
  // its ticks and never more than 50 ms apart, the dot is never more than
  // 50 ms behind the pointer, and the pointer ends where the packets put it.
  struct Pace {
    int everyMs;
    int packets;
  };
  for (const Pace pace : {Pace{4, 1}, Pace{10, 1}, Pace{16, 4}}) {
    SCOPED_TRACE(std::to_string(pace.packets) + " every " + std::to_string(pace.everyMs) + " ms");
    SimSystem sys;
    sys.UseClock(SimSystem::Clock::Windows);
    auto& port = sys.AddSerialPort("COM2");
    ProgramHarness h(sys);
    h.Start();
    const auto loopUntil = [&](std::uint64_t at) {
      h.process->IdleUntil(at);
      h.app.Run();
    };
    std::vector<std::uint64_t> beats;
    platform::WindowParams params;
    params.className = "Beat";
    params.messageOnly = true;
    const Hwnd beat = h.process->CreateWindowExA(
        params, [&](Hwnd w, std::uint32_t m, platform::WParam wp, platform::LParam lp) {
          if (m == msg::kTimer) beats.push_back(sys.Now());
          return h.process->DefWindowProcA(w, m, wp, lp);
        });
    constexpr int kY = 300;
    sys.PlaceCursor({200, kY});
    port.Feed(Wire({Key('L')}));  // the Laser Beam
    loopUntil(sys.Now() + 1500);
    ASSERT_TRUE(h.program.OverlayVisible);
    const platform::memory::SimWindow* overlay = sys.Window(h.program.Form_Draw->Handle());
    const gui::Color red = h.program.Settings.LaserBeamColor;
    // The dot's middle on its row, in the overlay's last frame.
    const auto dotX = [&] {
      int left = -1, right = -1;
      for (int x = 0; x < overlay->frame.Width(); ++x)
        if (overlay->frame.Pixel(x, kY) == red) (left < 0 ? left : right) = x;
      return (left + std::max(left, right)) / 2;
    };
    const int offset = dotX() - 200;

    const std::uint64_t start = sys.Now();
    const std::uint64_t end = start + 2000;
    h.process->SetTimer(beat, 1, 10);
    std::vector<std::uint64_t> moveAt;  // each move's arrival
    for (std::uint64_t t = start + pace.everyMs; t <= end; t += pace.everyMs) {
      port.FeedAt(t, Wire(std::vector<Packet>(pace.packets, Motion(1, 0))));
      moveAt.insert(moveAt.end(), pace.packets, t);
    }
    for (std::uint64_t t = start + 10; t <= end + 50; t += 10) {
      loopUntil(t);
      const auto due = std::upper_bound(moveAt.begin(), moveAt.end(), t - 50) - moveAt.begin();
      ASSERT_GE(dotX() - offset, 200 + due) << "at " << t - start << " ms";
    }
    EXPECT_EQ(sys.Cursor(), (Point{200 + static_cast<int>(moveAt.size()), kY}));

    int ticks = 0;
    for (std::uint64_t t = sys.TickAtOrAfter(start + 10); t <= end; t = sys.TickAtOrAfter(t + 1))
      ++ticks;
    const auto handled =
        std::count_if(beats.begin(), beats.end(), [&](auto b) { return b <= end; });
    EXPECT_GE(handled * 10, ticks * 9) << handled << " of " << ticks;
    std::uint64_t last = start;
    for (std::uint64_t b : beats) {
      if (b > end) break;
      EXPECT_LE(b - last, 50u);
      last = b;
    }
  }
}

TEST(PacketDecoderWiring, AByteReadThatAPurgeEndsLosesAndReordersNothing) {
  // The byte read (a port without modem lines, as under Wine) is aborted by
  // a purge of the receive side while the receiver sends leftward moves:
  // - its driver ends it late, and it has taken the stream's first byte;
  // - its driver ends it at once, and the next byte read would take the
  //   first of the bytes queued meanwhile, completing at once.
  // Lost, the first byte shifts the moves into garbage; taken after the
  // bytes behind it, it makes a move's first byte (0x43, 'C') the key of
  // Reveal.
  using Cancel = platform::memory::SerialPortSetup::Cancel;
  const std::vector<std::uint8_t> bytes = Wire(std::vector<Packet>(12, Motion(-1, 0)));
  for (const Cancel cancel : {Cancel::Late, Cancel::Prompt}) {
    SCOPED_TRACE(cancel == Cancel::Late ? "late" : "at once");
    SimSystem sys;
    auto& port =
        sys.AddSerialPort("COM2", {.watchesLines = false, .cancel = cancel, .lateCancelMs = 30});
    ProgramHarness h(sys);
    h.Start();
    sys.PlaceCursor({500, 400});
    const auto loopFor = [&](std::uint64_t ms) {
      h.process->IdleUntil(sys.Now() + ms);
      h.app.Run();
    };
    loopFor(10);
    h.Main().CommPortDriver1.SetBaudRate(br9600);  // the same line, purged
    port.Feed(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 5));
    port.FeedAt(sys.Now() + 5, std::vector<std::uint8_t>(bytes.begin() + 5, bytes.end()));
    loopFor(200);
    EXPECT_EQ(sys.Cursor(), (Point{488, 400}));
    EXPECT_FALSE(h.program.OverlayVisible) << "no key was pressed";
  }
}

TEST(PacketDecoderWiring, APacketCutByAPollSurvivesTheProgramBeingHeldWhileItsRestArrives) {
  // A poll takes the first one or two bytes of a packet; the main thread is
  // then held for 300 ms while the rest and a stream of upward moves arrive.
  // Had the bytes the poll took been thrown away, the moves would read out
  // of step: two bytes late, each move's first byte is key 'L' (the Laser
  // Beam); one byte late, their motion is garbage.
  std::vector<Packet> moves(10, Motion(0, -4));
  const std::vector<std::uint8_t> bytes = Wire(moves);
  for (std::size_t cut : {1u, 2u}) {
    SCOPED_TRACE("the poll took " + std::to_string(cut) + " byte(s)");
    SimSystem sys;
    auto& port = sys.AddSerialPort("COM2");
    ProgramHarness h(sys);
    h.Start();
    sys.PlaceCursor({500, 400});
    const auto runFor = [&](int ms) {
      for (int i = 0; i < ms; ++i) {
        h.app.ProcessMessages();
        sys.Advance(1);
      }
    };
    port.Feed(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + cut));
    for (int i = 0; i < kPollMs && port.Queued() > 0; ++i) runFor(1);
    ASSERT_EQ(port.Queued(), 0u);
    port.FeedAt(sys.Now() + 2, std::vector<std::uint8_t>(bytes.begin() + cut, bytes.end()));
    sys.Advance(300);
    runFor(100);
    EXPECT_EQ(sys.Cursor(), (Point{500, 360}));
    EXPECT_FALSE(h.program.OverlayVisible) << "no key was pressed";
  }
}

}  // namespace
