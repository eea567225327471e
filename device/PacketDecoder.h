// The pointer's packets turned into what the desktop sees: injected pointer
// motion and button presses, scroll messages to the window under the
// pointer, the start menu, minimising and restoring the window in front, and
// the effect bound to a function key.
//
// A packet is three bytes, each sent as the packet byte plus 128. The serial
// driver hands over whatever arrived since its last poll, so one delivery
// may hold several packets and the end of a delivery may cut one. Every whole
// packet is decoded, in order, each on its own (the pointer position and the
// window under it are read again for each: the packet before may have moved
// the pointer); a cut packet's bytes wait for the next delivery.
//
// An effect may run the message loop (an error box waiting for its OK):
// deliveries and quiet checks that come meanwhile go on with the same stream
// at once, first with the packets that came after the effect's key, so the
// pointer works while the box is up, and no packet is decoded twice or held
// back until the effect ends. A function key whose own effect is still
// running (the Play Sound key again while its error box is up, or another
// key bound to the same effect) is dropped: run inside itself, the effect
// would stack a second box, or start a sound that its first run then stops
// as it goes on. Keys of other effects run at once.
//
// Nothing in the bytes marks where a packet starts (any three bytes are a
// valid packet), so alignment is kept by the line's silence. The receiver
// sends a packet's three bytes back to back (about 3 ms at 9600 bit/s), so
// the incomplete end of a delivery (its tail) is the fragment of a lost
// packet only when the line stayed quiet after it: when a check of the port
// that came at least kQuietMarginMs after the delivery that brought the tail
// found no new byte (LineQuiet). Then the tail is dropped and the next byte
// starts a packet. Otherwise the tail waits for its rest however long the
// program itself is late: a delivery that finds it, even seconds later,
// continues it, since a busy program is no sign of a broken line.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/Program.h"
#include "core/Settings.h"
#include "platform/Platform.h"

class PacketDecoder {
 public:
  // Runs the effect with this code (a function key's slot in PaletteSlots).
  using DispatchEvent = std::function<void(unsigned code)>;

  // How long after the delivery that brought a tail a check of the port
  // must come to show that the tail's rest is not on its way. A packet's
  // bytes follow each other within about 3 ms on the line, a USB serial
  // adapter may hold received bytes back for up to 16 ms, and the tick count
  // it is measured on may step by 16 ms. A sooner check proves nothing: the
  // driver's timer keeps its beat, so a late poll can be followed by the next
  // one a millisecond later, before the rest of a packet has arrived.
  static constexpr std::uint32_t kQuietMarginMs = 40;
  // The pause after the first packet of a delivery the driver's timer
  // polled reads where the pointer is. Deliveries woken by arrivals take
  // none: on Windows' clock a Sleep of 3 ms lasts until the next tick,
  // about 16 ms, and bytes arriving meanwhile would wake the driver again
  // and again until the backlog held every other message up. Keeping 3 ms
  // would need a finer timer resolution for the whole system, which costs a
  // laptop's battery.
  static constexpr std::uint32_t kPacketPauseMs = 3;
  // A polled delivery that comes sooner than this after the one before
  // takes no pause either: the line runs at the device's full rate, and a
  // pause per delivery there would hold each next one back until they pile
  // up. The first delivery of a burst still pauses.
  static constexpr std::uint32_t kBurstGapMs = 2 * kPacketPauseMs;
  // How long the start menu and minimise/restore keys wait for the window
  // they command to answer.
  static constexpr std::uint32_t kSysCommandTimeoutMs = 1000;

  // Reads the scroll modes from program and the slot table from paletteSlots;
  // both are read at each packet, never copied.
  PacketDecoder(platform::Platform& sys, const Program& program, const SlotTable& paletteSlots,
                DispatchEvent dispatch);

  // How the driver came to deliver: its timer polled, or an arrival woke it.
  enum class Delivery { Polled, Woken };
  // One delivery of the serial driver, as received on the wire.
  void ReceiveData(const std::uint8_t* data, std::uint32_t size, Delivery how = Delivery::Polled);
  // A check of the port found no byte waiting: a tail at least
  // kQuietMarginMs old is a lost packet's fragment and is dropped.
  void LineQuiet();
  // The port was opened anew (plugged back, or another one chosen): the
  // line broke in between, so a tail from before is no start of what comes
  // now and is dropped, whatever its age.
  void LineReopened();

  // The function key of a slot (0-10, 'B' to 'L') pressed: runs the effect
  // bound to it, unless that effect is still running. A keyboard shortcut
  // for the key comes here as the key's packet does.
  void FunctionKey(std::size_t slot);

  // Bytes of an incomplete packet waiting for the next delivery (0-2).
  std::size_t PendingBytes() const { return pending_.size() - next_; }

  // A press of that button was injected and its release not yet.
  bool LeftButtonLatched = false;
  bool RightButtonLatched = false;
  // The window under the cursor when the latest packet was decoded.
  platform::Hwnd WindowUnderPointer = 0;
  // The top-level window the minimise/restore key last minimised.
  platform::Hwnd LastMinimizedWindow = 0;

 private:
  // Decodes every whole packet waiting, in order.
  void DecodeWaiting(bool pause = true);
  void DecodePacket(std::uint8_t p0, std::uint8_t p1, std::uint8_t p2, bool pause);
  // The last window up hwnd's chain of parents (owners, for popups).
  platform::Hwnd LastAncestor(platform::Hwnd hwnd);
  // At most 49 characters of the window's caption.
  std::string Caption(platform::Hwnd hwnd);
  void SendSysCommand(platform::Hwnd hwnd, platform::WParam command);

  platform::Platform& sys_;
  const Program& program_;
  const SlotTable& paletteSlots_;
  DispatchEvent dispatch_;

  // Received bytes not yet decoded: pending_[next_..] (a function key's
  // effect may run the message loop, and with it the next delivery).
  std::vector<std::uint8_t> pending_;
  std::size_t next_ = 0;
  // The effects whose keys' dispatch has not returned yet, innermost last.
  std::vector<unsigned> running_;
  std::uint32_t lastArrival_ = 0;  // the tick of the latest delivery with bytes
  bool arrived_ = false;           // a delivery with bytes came
};
