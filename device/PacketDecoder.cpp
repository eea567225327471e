#include "device/PacketDecoder.h"

#include <algorithm>
#include <string>
#include <utility>

using namespace platform;

namespace {

constexpr std::uint8_t kWireOffset = 128;
constexpr std::uint8_t kFirstFunctionKey = 'B';
constexpr std::uint8_t kLastFunctionKey = 'L';
constexpr std::uint8_t kLeftPress = 0x6C;   // 'l': mark, left button, dy bits 7-6
constexpr std::uint8_t kRightPress = 0x5C;  // '\': mark, right button, dy bits 7-6
constexpr std::uint8_t kPressP2 = 0x3F;     // '?': with the high bits, dy -1
constexpr std::uint8_t kLeftBit = 0x20;
constexpr std::uint8_t kRightBit = 0x10;
constexpr char kDesktopCaption[] = "Program Manager";
constexpr int kCaptionBuffer = 50;
// No real chain of parents is this long; a longer one would be a loop.
constexpr int kMaxChainLength = 64;

}  // namespace

PacketDecoder::PacketDecoder(Platform& sys, const Program& program, const SlotTable& paletteSlots,
                             DispatchEvent dispatch)
    : sys_(sys), program_(program), paletteSlots_(paletteSlots), dispatch_(std::move(dispatch)) {}

void PacketDecoder::ReceiveData(const std::uint8_t* data, std::uint32_t size, Delivery how) {
  bool pause = how == Delivery::Polled;
  if (data && size > 0) {
    const std::uint32_t now = sys_.GetTickCount();
    pause = pause && (!arrived_ || now - lastArrival_ >= kBurstGapMs);
    lastArrival_ = now;
    arrived_ = true;
    pending_.insert(pending_.end(), data, data + size);
  }
  DecodeWaiting(pause);
}

void PacketDecoder::LineQuiet() {
  // In an effect's message loop, packets that came after its key may still
  // wait: the stream goes on with them first.
  DecodeWaiting();
  if (PendingBytes() == 0 || sys_.GetTickCount() - lastArrival_ < kQuietMarginMs) return;
  pending_.clear();
  next_ = 0;
}

void PacketDecoder::LineReopened() {
  DecodeWaiting();
  pending_.clear();
  next_ = 0;
}

void PacketDecoder::DecodeWaiting(bool pause) {
  bool first = pause;
  // A packet is taken before it is decoded, and the buffer read afresh after
  // each: an effect that runs the message loop may decode the rest of the
  // stream meanwhile (and an exception through here leaves nothing taken
  // twice).
  while (pending_.size() - next_ >= 3) {
    const std::uint8_t p0 = static_cast<std::uint8_t>(pending_[next_] - kWireOffset);
    const std::uint8_t p1 = static_cast<std::uint8_t>(pending_[next_ + 1] - kWireOffset);
    const std::uint8_t p2 = static_cast<std::uint8_t>(pending_[next_ + 2] - kWireOffset);
    next_ += 3;
    DecodePacket(p0, p1, p2, first);
    first = false;
  }
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(next_));
  next_ = 0;
}

Hwnd PacketDecoder::LastAncestor(Hwnd hwnd) {
  for (int i = 0; i < kMaxChainLength; ++i) {
    const Hwnd parent = sys_.GetParent(hwnd);
    if (!parent) break;
    hwnd = parent;
  }
  return hwnd;
}

void PacketDecoder::SendSysCommand(Hwnd hwnd, WParam command) {
  // The answer does not matter, and a window that never gives one (its
  // program hangs) must not hold the pointer up: after the bound, or at once
  // for a thread the system already takes for hung, the decoder goes on.
  std::uintptr_t answer = 0;
  [[maybe_unused]] const LResult answered = sys_.SendMessageTimeoutA(
      hwnd, msg::kSysCommand, command, 0, kSmtoAbortIfHung, kSysCommandTimeoutMs, &answer);
}

std::string PacketDecoder::Caption(Hwnd hwnd) {
  char caption[kCaptionBuffer] = {};
  sys_.GetWindowTextA(hwnd, caption, kCaptionBuffer);
  return caption;
}

void PacketDecoder::FunctionKey(std::size_t slot) {
  if (slot >= paletteSlots_.size()) return;
  // A slot holds whatever the registry gave; a code outside the effects
  // only hides the dialogs.
  const auto code = static_cast<unsigned>(paletteSlots_[slot]);
  if (std::find(running_.begin(), running_.end(), code) != running_.end()) return;
  running_.push_back(code);
  struct Done {
    std::vector<unsigned>& running;
    ~Done() { running.pop_back(); }
  } done{running_};
  dispatch_(code);
}

void PacketDecoder::DecodePacket(std::uint8_t p0, std::uint8_t p1, std::uint8_t p2, bool pause) {
  Point cursor;
  sys_.GetCursorPos(&cursor);
  WindowUnderPointer = sys_.WindowFromPoint(cursor);
  if (pause) sys_.Sleep(kPacketPauseMs);

  bool handled = false;
  // The release rules look at p0 alone: any packet without the button's bit
  // releases it, a packet with the bit while latched is a drag.
  if (p0 == kLeftPress && !LeftButtonLatched && p1 == 0 && p2 == kPressP2) {
    sys_.mouse_event(kMouseEventLeftDown, 0, 0, 0);
    LeftButtonLatched = true;
    handled = true;
  } else if (!(p0 & kLeftBit) && LeftButtonLatched) {
    sys_.mouse_event(kMouseEventLeftUp, 0, 0, 0);
    LeftButtonLatched = false;
    handled = true;
  } else if (p0 == kRightPress && !RightButtonLatched && p1 == 0 && p2 == kPressP2) {
    sys_.mouse_event(kMouseEventRightDown, 0, 0, 0);
    RightButtonLatched = true;
    handled = true;
  } else if (!(p0 & kRightBit) && RightButtonLatched) {
    sys_.mouse_event(kMouseEventRightUp, 0, 0, 0);
    RightButtonLatched = false;
    handled = true;
  }

  // A key's release comes before its effect, which may run the message loop
  // (a box waiting for its OK): the packets decoded there find the button
  // let go, as the presenter did.
  if (p1 >= kFirstFunctionKey && p1 <= kLastFunctionKey) {
    handled = true;
    FunctionKey(static_cast<std::size_t>(p1 - kFirstFunctionKey));
  }
  if (handled) return;

  const std::uint8_t hx = static_cast<std::uint8_t>((p0 & 0x03) << 6);
  const std::uint8_t hy = static_cast<std::uint8_t>((p0 & 0x0C) << 4);
  const auto dx = static_cast<std::int8_t>(p1 | hx);
  const auto dy = static_cast<std::int8_t>(p2 | hy);

  // In a scroll mode every packet that gets here scrolls one line, towards
  // left or up when the movement is negative, else right or down; the
  // desktop is never scrolled.
  const bool scrolling = program_.HorizontalScrollOn || program_.VerticalScrollOn;
  if (scrolling) {
    const bool overDesktop = Caption(LastAncestor(WindowUnderPointer)) == kDesktopCaption;
    // Posted and not waited for; a window that has gone meanwhile misses it.
    if (program_.HorizontalScrollOn && !overDesktop)
      sys_.PostMessageA(WindowUnderPointer, msg::kHScroll, hx != 0 ? 0 : 1, 0);
    if (program_.VerticalScrollOn && !overDesktop)
      sys_.PostMessageA(WindowUnderPointer, msg::kVScroll, hy != 0 ? 0 : 1, 0);
  }

  if (p1 == 'Y' && p2 == 'f') {
    SendSysCommand(sys_.GetDesktopWindow(), kScTaskList);
    return;
  }
  if (p1 == 'U' && p2 == 'j') {
    const Hwnd top = LastAncestor(sys_.GetForegroundWindow());
    // With the desktop or the taskbar in front there is no caption: bring
    // back what was minimised last, again and again if asked.
    if (!Caption(top).empty()) {
      SendSysCommand(top, kScMinimize);
      LastMinimizedWindow = top;
    } else if (sys_.IsWindow(LastMinimizedWindow)) {
      SendSysCommand(LastMinimizedWindow, kScRestore);
    }
    return;
  }

  if (!scrolling) sys_.mouse_event(kMouseEventMove, dx, dy, 0);
}
