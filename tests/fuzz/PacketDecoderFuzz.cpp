// libFuzzer target: any byte stream, cut into deliveries at any times, fed
// to the packet decoder on a simulated machine with another program's
// windows to click, scroll, minimise and restore.
//
// The input is a list of polls, each a header byte followed by up to 31
// wire bytes: the header's low five bits are the delivery's length (0: the
// poll found the line quiet), its top three choose the time since the poll
// before (the serial driver's period and the decoder's quiet margin are
// among them). Function keys bound to the scroll modes toggle them as the
// dispatcher does; the one bound to Mark brings a quiet check and a delivery
// (a plain move and Mark's key again) in the middle of its own, as an effect
// that runs the message loop would.
//
// Checked after every poll: the system holds a button exactly while the
// decoder has it latched. Checked at the end: after the line stayed quiet
// for the margin, two plain motion packets leave no button held.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "core/Program.h"
#include "device/PacketDecoder.h"
#include "gui/Application.h"
#include "gui/headless/HeadlessBackend.h"
#include "platform/memory/SimProcess.h"
#include "platform/memory/SimSystem.h"

namespace {

using platform::memory::SimProcess;
using platform::memory::SimSystem;

constexpr std::uint8_t kVkLButton = 0x01;
constexpr std::uint8_t kVkRButton = 0x02;
constexpr std::uint32_t kGapsMs[8] = {0, 1, 16, 39, 40, 50, 300, 1000};
constexpr std::uint8_t kPlainMotion[3] = {0xC0, 0x80, 0x80};  // no buttons, no movement
constexpr std::uint8_t kMoveAndMark[6] = {0xC0, 0x80, 0x80, 0xC0, 0xC2, 0x80};

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "packet decoder invariant broken: %s\n", what);
  std::abort();
}

// Takes and handles everything queued for a process, so queues stay short.
void Run(SimProcess& process) {
  platform::Msg m;
  for (int i = 0; i < 1000 && process.PeekMessageW(&m, 0, platform::kPmRemove); ++i)
    process.DispatchMessageW(m);
}

struct Machine {
  Machine()
      : process(sys.StartProcess()),
        ui(*process),
        app(*process, ui, "Tavrin"),
        program(app),
        other(sys.StartProcess()) {
    // 'B' (Mark) re-enters, 'K' and 'L' are the two scroll modes.
    slots[9] = 9;
    slots[10] = 10;
    platform::WindowParams params;
    params.className = "Other";
    params.caption = "Editor";
    params.width = 40;
    params.height = 48;
    const platform::WndProc proc = [this](platform::Hwnd h, std::uint32_t m, platform::WParam w,
                                          platform::LParam l) {
      return other->DefWindowProcA(h, m, w, l);
    };
    const platform::Hwnd main = other->CreateWindowExA(params, proc);
    params.caption = "Find";
    params.left = 20;
    params.top = 10;
    params.width = params.height = 16;
    params.owner = main;
    const platform::Hwnd dialog = other->CreateWindowExA(params, proc);
    other->ShowWindow(main, platform::kSwShow);
    other->ShowWindow(dialog, platform::kSwShow);
    Run(*other);
  }

  SimSystem sys{64, 48};
  std::unique_ptr<SimProcess> process;
  gui::HeadlessBackend ui;
  gui::Application app;
  Program program;
  std::unique_ptr<SimProcess> other;
  SlotTable slots = kDefaultSlots;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Machine m;
  int nested = 0;
  std::unique_ptr<PacketDecoder> decoder;
  decoder = std::make_unique<PacketDecoder>(*m.process, m.program, m.slots, [&](unsigned code) {
    if (code == 9) {
      m.program.HorizontalScrollOn = !m.program.HorizontalScrollOn;
      m.program.VerticalScrollOn = false;
    } else if (code == 10) {
      m.program.VerticalScrollOn = !m.program.VerticalScrollOn;
      m.program.HorizontalScrollOn = false;
    } else if (code == 0 && nested < 4) {
      ++nested;
      decoder->LineQuiet();
      decoder->ReceiveData(kMoveAndMark, sizeof kMoveAndMark);
    }
  });

  const auto checkButtons = [&] {
    Require(m.sys.KeyIsDown(kVkLButton) == decoder->LeftButtonLatched,
            "left button and its latch differ");
    Require(m.sys.KeyIsDown(kVkRButton) == decoder->RightButtonLatched,
            "right button and its latch differ");
    Require(decoder->PendingBytes() < 3, "a whole packet left undecoded");
  };

  std::size_t at = 0;
  while (at < size) {
    const std::uint8_t header = data[at++];
    std::size_t length = header & 0x1F;
    if (length > size - at) length = size - at;
    m.sys.Advance(kGapsMs[header >> 5]);
    if (length == 0)
      decoder->LineQuiet();
    else
      decoder->ReceiveData(data + at, static_cast<std::uint32_t>(length));
    at += length;
    checkButtons();
    Run(*m.other);
    Run(*m.process);
  }

  m.sys.Advance(PacketDecoder::kQuietMarginMs);
  decoder->LineQuiet();
  decoder->ReceiveData(kPlainMotion, sizeof kPlainMotion);
  decoder->ReceiveData(kPlainMotion, sizeof kPlainMotion);
  checkButtons();
  Require(!decoder->LeftButtonLatched && !decoder->RightButtonLatched,
          "a button is still held after a quiet line and two plain packets");
  return 0;
}
