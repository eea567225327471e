// A serial port of the simulated machine: the device's side (bytes that
// arrive now, at given times on the machine's clock, or trickling at a line
// rate), the driver's bounded receive queue with its error flags, failures a
// test can ask for, the port going away and coming back, and what the system
// tells about it (its entry in the serial-port map, its device record).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"

namespace platform::memory {

class SimSystem;
class SimProcess;

// Where the system names the serial ports present: one value per port, the
// value's data the port's name ("COM5").
inline constexpr char kSerialCommKey[] = "HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM";

// How a port's driver presents it to the system.
struct SerialPortSetup {
  // Named in the serial-port map while present, as every serial driver on
  // Windows names its ports (Wine names only the ports it found at its own
  // start).
  bool listed = true;
  // The device's name in the device set-up data ("USB Serial Port (COM5)"):
  // the port then has a device of the "Ports" class, present while the port
  // is, whose device key holds "PortName". None: no device record, as with
  // Wine's ports.
  std::optional<std::string> friendlyName = {};
  // The driver reports the modem lines. Wine's comm-event wait needs them
  // and a pty has none: there a pending wait ends a moment after it began
  // (kBlindWaitMs), aborted, having seen no event.
  bool watchesLines = true;
  // How the driver ends an operation that is cancelled (CancelIo, a purge's
  // abort, a new comm mask under a wait, the handle closed). The system's
  // rule for the caller: "the OVERLAPPED structure ... and the data buffer
  // must not be freed or reused until the I/O operation has completed"
  // (CancelIo); some USB-serial drivers end it late, or never. Meanwhile the
  // operation goes on: a read takes the bytes that arrive, and reports them
  // when it ends aborted ("the operation completed in part").
  enum class Cancel { Prompt, Late, Never };
  Cancel cancel = Cancel::Prompt;
  std::uint64_t lateCancelMs = 500;
  // Unplugged, the driver still answers the status query (no error, nothing
  // queued), while every wait and read on the dead handle fails
  // (ERROR_GEN_FAILURE), as some USB-serial drivers do.
  bool answersWhenGone = false;
  // While present, a comm-event wait ends at once having seen nothing
  // (aborted where the lines are not watched), and a read with no time-outs
  // ends at once with no bytes: a driver that never waits.
  bool waitsEndAtOnce = false;
  // How long an open takes (a Bluetooth port, a USB device waking up): the
  // opening thread is held that long.
  std::uint64_t openMs = 0;
};

// How long a comm-event wait on a port that cannot watch its lines pends.
inline constexpr std::uint64_t kBlindWaitMs = 2;

// The port operations a test can make fail.
enum class SerialCall {
  SetupComm,
  SetCommState,
  GetCommState,
  SetCommTimeouts,
  PurgeComm,
  ClearCommError,
  ReadFile,
  SetCommMask,
  WaitCommEvent
};

// Thrown when a ReadFile would wait for bytes that can never come (no
// time-out ends it and nothing is scheduled): on the real system the thread
// would hang. It is deliberately no std::exception, so no handler of the
// program takes it for an ordinary error: it ends the test that caused it.
struct SerialReadBlocksForever {
  std::string port;
  std::uint32_t wanted = 0;
  std::uint32_t got = 0;
};

class SimSerialPort {
 public:
  SimSerialPort(SimSystem& system, std::string_view name, SerialPortSetup setup, int index);
  SimSerialPort(const SimSerialPort&) = delete;
  SimSerialPort& operator=(const SimSerialPort&) = delete;

  const std::string name;  // "COM1"
  const SerialPortSetup setup;

  // What the port's user set, as it set it.
  Dcb dcb;
  CommTimeouts timeouts;
  std::uint32_t inQueueSize = 0;  // as asked of SetupComm (0: never asked)
  std::uint32_t outQueueSize = 0;
  bool open = false;                      // a handle is open on the present device
  std::vector<std::uint32_t> purgeFlags;  // of every PurgeComm that succeeded, in order

  // ---- the device's side ----
  // Bytes that arrive now.
  void Feed(std::initializer_list<std::uint8_t> bytes);
  void Feed(const std::vector<std::uint8_t>& bytes);
  // Bytes that arrive together at this time of the machine's clock.
  void FeedAt(std::uint64_t atMs, const std::vector<std::uint8_t>& bytes);
  // Bytes one after another at the line's rate (960 bytes a second is 9600
  // bit/s at 10 bits a byte): byte i has arrived (i + 1) * 1000 / rate ms
  // after start, by default now.
  void Trickle(const std::vector<std::uint8_t>& bytes, std::uint32_t bytesPerSecond = 960,
               std::optional<std::uint64_t> startMs = {});
  // Line errors (kCeFrame, kCeBreak, kCeRxParity, kCeOverrun) that the next
  // ClearCommError reports and clears.
  void InjectLineError(std::uint32_t flags) { errors_ |= flags; }
  // Bytes in the receive queue now; bytes scheduled that have not arrived.
  std::size_t Queued();
  std::size_t Scheduled() const { return scheduled_.size(); }
  // The queue holds what SetupComm asked for (4096 before it is asked), or
  // at least this much: a driver may keep more than it was asked to.
  void SetQueueCapacity(std::uint32_t bytes) { minimumCapacity_ = bytes; }
  std::uint32_t QueueCapacity() const;

  // ---- failures ----
  // The next `times` calls of this operation on the port fail with this
  // error (times < 0: every call until ClearFailures).
  void FailNext(SerialCall call, long error = error::kGenFailure, int times = 1);
  void ClearFailures() { failures_.clear(); }

  // ---- presence ----
  // Unplugged: queued and scheduled bytes are lost, and every handle open on
  // it is dead for good (status and line settings fail with ERROR_NOT_READY,
  // reads return no bytes), even once the port is back. Its entry leaves the
  // serial-port map, its device is no longer present, and every top-level
  // window hears of the change (WM_DEVICECHANGE, DBT_DEVNODES_CHANGED).
  void Vanish();
  // Plugged in again: a new device, which a new open reaches; named again,
  // present again, and the windows hear of it.
  void Return();
  bool Present() const { return !vanished_; }
  // The port's device record in the set-up data (0: none); its device key.
  std::uint32_t DevInst() const { return setup.friendlyName ? index_ + 1 : 0; }
  std::string DeviceKey() const;

 private:
  friend class SimProcess;

  struct Arrival {
    std::uint64_t at = 0;
    std::uint8_t byte = 0;
  };

  // Moves the bytes whose time has come into the queue; a full queue loses
  // them and says so at the next status query.
  void Settle();
  void Arrive(std::uint8_t byte);
  // Whether a call fails by the test's wish; sets *error if so.
  bool Injected(SerialCall call, long* error);
  bool Live(std::uint64_t generation) const { return !vanished_ && generation == generation_; }
  // The read of a live handle, with the handle's time-outs on the machine's
  // clock.
  std::uint32_t Read(std::uint8_t* out, std::uint32_t toRead);
  std::uint32_t Take(std::uint8_t* out, std::uint32_t toRead);

  // What the driver tells the system while the port is present.
  void Announce(bool present);

  SimSystem& sys_;
  const int index_;  // among the machine's ports, in order of adding
  std::deque<std::uint8_t> received_;
  std::deque<Arrival> scheduled_;  // by time of arrival, ties in order of scheduling
  std::uint32_t errors_ = 0;
  std::uint32_t minimumCapacity_ = 0;
  struct Failure {
    long error = 0;
    int remaining = 0;  // < 0: until cleared
  };
  std::map<SerialCall, Failure> failures_;
  bool vanished_ = false;
  std::uint64_t generation_ = 1;  // which plugging-in a handle was opened on
  std::uint64_t arrivals_ = 0;    // bytes placed in the queue, ever
};

}  // namespace platform::memory
