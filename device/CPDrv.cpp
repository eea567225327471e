#include "device/CPDrv.h"

#include <algorithm>

using namespace platform;

namespace {
constexpr std::uintptr_t kPollTimerId = 1;
// Posted to the driver's window when a background open ends.
constexpr std::uint32_t kOpenedMessage = msg::kUser + 1;
// How long a cancelled wait or a read of queued bytes may take to complete
// before the driver stops waiting for it.
constexpr std::uint32_t kCompletionWaitMs = 200;
constexpr std::uint32_t kWriteTimeoutMs = 10;
// Reads return at once with what is queued: one byte interval, one
// millisecond in all.
constexpr CommTimeouts kQueuedReadTimeouts{1, 0, 1, 0, kWriteTimeoutMs};
// Wakes in a row that find nothing before the timer polls alone: a real
// arrival wakes with bytes, and a driver may signal once for bytes already
// read, but one whose waits end at once with nothing would spin a core.
constexpr int kMaxEmptyWakes = 4;
// An overlapped record's status while its operation runs (STATUS_PENDING;
// HasOverlappedIoCompleted compares with it).
constexpr std::uintptr_t kStatusPending = 0x103;
constexpr std::uint32_t kRates[] = {0,     110,   300,   600,   1200,  2400,   4800,   9600,
                                    14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};
// Bits of the line-settings record's flag word.
constexpr std::uint32_t kFBinary = 0x1;
constexpr std::uint32_t kFOutxCtsFlow = 0x4;
constexpr std::uint32_t kFDtrControlEnable = 0x10;
constexpr std::uint32_t kFOutX = 0x100;
constexpr std::uint32_t kFInX = 0x200;
constexpr std::uint32_t kFRtsControlEnable = 0x1000;
constexpr std::uint32_t kFRtsControlHandshake = 0x2000;
}  // namespace

TCommPortDriver::TCommPortDriver(gui::Application& app)
    : app_(app), sys_(app.Sys()), buffer_(inBufSize_, 0) {
  wait_ = NewRecord();
  read_ = NewRecord();
  WindowParams params;
  params.className = "TCommPortDriver";
  params.messageOnly = true;
  window_ =
      sys_.CreateWindowExA(params, app_.Guarded([this](Hwnd h, std::uint32_t m, WParam w,
                                                       LParam l) { return PollPort(h, m, w, l); }));
}

TCommPortDriver::~TCommPortDriver() {
  Disconnect();
  if (window_) sys_.DestroyWindow(window_);
  for (auto* record : {&wait_, &read_})
    if (*record) abandoned_.push_back(std::move(*record));
  SweepAbandoned();
  // What is left may still be written into by its operation: it is never
  // freed, and stays with the process until it ends.
  static auto* const kept = new std::vector<std::unique_ptr<IoRecord>>;
  for (auto& record : abandoned_) kept->push_back(std::move(record));
}

std::unique_ptr<TCommPortDriver::IoRecord> TCommPortDriver::NewRecord() {
  auto record = std::make_unique<IoRecord>();
  record->overlapped.hEvent = sys_.CreateEventA(true, false);
  return record->overlapped.hEvent ? std::move(record) : nullptr;
}

Overlapped* TCommPortDriver::Prepare(IoRecord& record) {
  const Handle event = record.overlapped.hEvent;
  record.overlapped = {};
  record.overlapped.hEvent = event;
  record.events = 0;
  return &record.overlapped;
}

void TCommPortDriver::Abandon(std::unique_ptr<IoRecord>& record) {
  abandoned_.push_back(std::move(record));
  record = NewRecord();
}

void TCommPortDriver::SweepAbandoned() {
  std::erase_if(abandoned_, [this](std::unique_ptr<IoRecord>& record) {
    if (record->overlapped.Internal == kStatusPending) return false;
    sys_.CloseHandle(record->overlapped.hEvent);
    return true;
  });
}

std::string TCommPortDriver::DevicePath(int number) {
  return "\\\\.\\COM" + std::to_string(number);
}

std::uint32_t TCommPortDriver::RateOf(TBaudRate rate) {
  return rate >= 0 && rate < static_cast<int>(std::size(kRates)) ? kRates[rate] : 0;
}

bool TCommPortDriver::Connect() {
  if (Connected()) return true;
  opening_ = false;
  handle_ = sys_.CreateFileA(portName_, kGenericRead | kGenericWrite, 0, kOpenExisting,
                             kFileAttributeNormal | kFileFlagOverlapped);
  return SetUp();
}

bool TCommPortDriver::ConnectInBackground() {
  if (Connected() || opening_) return true;
  // Each open is told from the others by its cookie: one that ends after
  // the program stopped wanting it (a disconnect, another port) is closed.
  opening_ = sys_.OpenInBackground(window_, kOpenedMessage, ++openCookie_, portName_,
                                   kGenericRead | kGenericWrite, 0, kOpenExisting,
                                   kFileAttributeNormal | kFileFlagOverlapped);
  return opening_;
}

void TCommPortDriver::Opened(Handle handle, LParam cookie) {
  if (!opening_ || cookie != openCookie_ || Connected()) {
    if (handle != kInvalidHandleValue) sys_.CloseHandle(handle);
    return;
  }
  opening_ = false;
  handle_ = handle;
  if (SetUp() && OnConnected) OnConnected(*this);
}

bool TCommPortDriver::SetUp() {
  if (!Connected()) return false;
  if (!ApplySettings()) {
    Disconnect();
    return false;
  }
  // A port that refuses the time-outs still works for polling.
  sys_.SetCommTimeouts(handle_, kQueuedReadTimeouts);
  sys_.SetTimer(window_, kPollTimerId, pollingDelay_);
  StartWaiting();
  return true;
}

void TCommPortDriver::Disconnect() {
  opening_ = false;
  if (!Connected()) return;
  sys_.KillTimer(window_, kPollTimerId);
  StopWaiting();
  sys_.CloseHandle(handle_);
  handle_ = kInvalidHandleValue;
}

bool TCommPortDriver::ApplySettings() {
  if (!Connected()) return false;
  Dcb dcb;
  dcb.BaudRate = baudRateValue_;
  dcb.flags = kFBinary;  // parity checking stays off whatever the parity
  if (enableDtrOnOpen_) dcb.flags |= kFDtrControlEnable;
  if (hwFlow_ == hfNONERTSON) dcb.flags |= kFRtsControlEnable;
  if (hwFlow_ == hfRTSCTS) dcb.flags |= kFOutxCtsFlow | kFRtsControlHandshake;
  if (swFlow_ == sfXONXOFF) dcb.flags |= kFOutX | kFInX;
  dcb.XonLim = dcb.XoffLim = static_cast<std::uint16_t>(inBufSize_ / 4);
  dcb.ByteSize = static_cast<std::uint8_t>(dataBits_ + 5);
  dcb.Parity = static_cast<std::uint8_t>(parity_);
  dcb.StopBits = static_cast<std::uint8_t>(stopBits_);
  dcb.XonChar = 0x11;
  dcb.XoffChar = 0x13;
  if (!sys_.SetCommState(handle_, dcb)) return false;
  if (!FlushBuffers(true, true)) return false;
  return sys_.SetupComm(handle_, inBufSize_, outBufSize_);
}

bool TCommPortDriver::FlushBuffers(bool input, bool output) {
  if (!Connected()) return false;
  std::uint32_t flags = 0;
  if (input) flags |= kPurgeRxAbort | kPurgeRxClear;
  if (output) flags |= kPurgeTxAbort | kPurgeTxClear;
  if (!sys_.PurgeComm(handle_, flags)) return false;
  packetStart_ = -1;
  return true;
}

void TCommPortDriver::SetPort(TPortNumber port) {
  if (Connected()) return;
  port_ = port;
  if (port != pnCustom) portName_ = DevicePath(port);
}

void TCommPortDriver::SetPortName(std::string name) {
  if (Connected()) return;
  portName_ = std::move(name);
  port_ = pnCustom;
}

void TCommPortDriver::SetBaudRate(TBaudRate rate) {
  baudRate_ = rate;
  if (rate != brCustom) baudRateValue_ = RateOf(rate);
  SettingChanged();
}

void TCommPortDriver::SetBaudRateValue(std::uint32_t rate) {
  baudRate_ = brCustom;
  baudRateValue_ = rate;
  SettingChanged();
}

void TCommPortDriver::SetDataBits(TDataBits v) {
  dataBits_ = v;
  SettingChanged();
}
void TCommPortDriver::SetStopBits(TStopBits v) {
  stopBits_ = v;
  SettingChanged();
}
void TCommPortDriver::SetParity(TParity v) {
  parity_ = v;
  SettingChanged();
}
void TCommPortDriver::SetHwFlow(THwFlowControl v) {
  hwFlow_ = v;
  SettingChanged();
}
void TCommPortDriver::SetSwFlow(TSwFlowControl v) {
  swFlow_ = v;
  SettingChanged();
}

void TCommPortDriver::SetInBufSize(std::uint32_t size) {
  if (Connected()) return;
  ResizeBuffer(size);
  ApplyPacketSize(packetSize_);
}

void TCommPortDriver::ResizeBuffer(std::uint32_t size) {
  inBufSize_ = std::clamp<std::uint32_t>(size, 128, 8192);
  buffer_.assign(inBufSize_, 0);
}

void TCommPortDriver::SetPacketSize(std::int16_t size) { ApplyPacketSize(size); }

void TCommPortDriver::ApplyPacketSize(std::int32_t size) {
  if (size <= 0) {
    packetSize_ = -1;
    return;
  }
  const auto wanted = static_cast<std::uint32_t>(size);
  if (wanted > inBufSize_ && !Connected()) ResizeBuffer(wanted);
  packetSize_ = static_cast<std::int16_t>(std::min(wanted, inBufSize_));
}

void TCommPortDriver::SetPacketTimeout(std::int32_t ms) { ApplyPacketTimeout(ms); }

void TCommPortDriver::ApplyPacketTimeout(std::int32_t ms) {
  if (ms <= 0)
    packetTimeout_ = -1;
  else if (ms < pollingDelay_)
    packetTimeout_ = pollingDelay_ + pollingDelay_ * 40 / 100;
  else
    packetTimeout_ = ms;
}

void TCommPortDriver::SetOutBufSize(std::uint32_t size) {
  if (Connected()) return;
  outBufSize_ = std::clamp<std::uint32_t>(size, 128, 8192);
}

void TCommPortDriver::SetPollingDelay(std::uint16_t ms) {
  ms = std::max<std::uint16_t>(ms, 5);
  if (ms == pollingDelay_) return;
  if (Connected()) {
    sys_.KillTimer(window_, kPollTimerId);
    pollingDelay_ = ms;
    sys_.SetTimer(window_, kPollTimerId, pollingDelay_);
  } else {
    pollingDelay_ = ms;
  }
  ApplyPacketTimeout(packetTimeout_);
}

std::uint32_t TCommPortDriver::PacketTransferTime() const {
  // A custom rate has no table entry: its own value stands in, so the time
  // is never a division by a rate of 0.
  const std::uint64_t rate = baudRate_ == brCustom ? baudRateValue_ : RateOf(baudRate_);
  if (rate == 0 || packetSize_ <= 0) return 0;
  // size / (rate / 10) * 1000 ms, exactly, rounded to the nearest with
  // halves to even.
  const std::uint64_t num = static_cast<std::uint64_t>(packetSize_) * 10000;
  std::uint64_t q = num / rate;
  const std::uint64_t twice = 2 * (num % rate);
  if (twice > rate || (twice == rate && (q & 1))) ++q;
  return static_cast<std::uint32_t>(q);
}

LResult TCommPortDriver::PollPort(Hwnd hwnd, std::uint32_t message, WParam wParam, LParam lParam) {
  if (message == kOpenedMessage) {
    Opened(static_cast<Handle>(wParam), lParam);
    return 0;
  }
  if (message != msg::kTimer || !Connected())
    return sys_.DefWindowProcA(hwnd, message, wParam, lParam);
  Poll();
  return 0;
}

void TCommPortDriver::Poll() {
  if (waitPending_) {
    std::uint32_t transferred = 0;
    const bool ok = sys_.GetOverlappedResult(handle_, &wait_->overlapped, &transferred, false);
    const long error = ok ? error::kSuccess : sys_.GetLastError();
    if (ok || error != error::kIoIncomplete) {
      // A wait that ended is collected first: a byte its read took comes
      // before what is queued.
      waitPending_ = false;
      sys_.ResetEvent(wait_->overlapped.hEvent);
      WaitEnded(ok, error, transferred);
      return;
    }
    if (wake_ == Wake::ByteRead) {
      // While the byte read waits, nothing has arrived, and no read may
      // overtake it: only the quiet check.
      ComStat stat;
      if (StillAnswers(&stat) && stat.cbInQue == 0 && OnLineQuiet) OnLineQuiet(*this);
      return;
    }
  }
  PollQueued(0, false);
}

bool TCommPortDriver::StillAnswers(ComStat* stat) {
  // The status query also clears the port's error state, so reception goes
  // on after a line error; the error flags themselves do not matter here.
  std::uint32_t errors = 0;
  if (sys_.ClearCommError(handle_, &errors, stat)) return true;
  // The port no longer answers, as one that was unplugged (Wine: error 21;
  // Windows' drivers each have their own code). Its handle stays dead even
  // when the device comes back, so it is closed: the owner sees the port
  // closed and can open it anew.
  Lose();
  return false;
}

void TCommPortDriver::Lose() {
  Disconnect();
  if (OnConnectionLost) OnConnectionLost(*this);
}

void TCommPortDriver::PollQueued(std::uint32_t carried, bool woken) {
  if (carried > 0) buffer_[0] = wait_->byte;
  ComStat stat;
  if (!StillAnswers(&stat)) return;
  if (packetSize_ > 0) {
    Rearm();
    PollPackets(stat.cbInQue);
  } else {
    PollData(stat.cbInQue, carried, woken);
  }
  if (stat.cbInQue == 0 && carried == 0 && Connected() && OnLineQuiet) OnLineQuiet(*this);
}

// ---- waiting for arrivals --------------------------------------------------------------

void TCommPortDriver::StartWaiting() {
  SweepAbandoned();
  if (!wait_ || !read_ || !sys_.SetCommMask(handle_, kEvRxChar)) return;
  app_.WatchHandle(wait_->overlapped.hEvent, [this] { WaitSignalled(); });
  wake_ = Wake::CommEvent;
  emptyWakes_ = 0;
  fellBack_ = false;
  if (!ArmCommWait()) StopWaiting();
}

bool TCommPortDriver::ArmCommWait() {
  Overlapped* record = Prepare(*wait_);
  return Armed(sys_.WaitCommEvent(handle_, &wait_->events, record));
}

bool TCommPortDriver::ArmByteRead() {
  Overlapped* record = Prepare(*wait_);
  std::uint32_t read = 0;
  return Armed(sys_.ReadFile(handle_, &wait_->byte, 1, &read, record));
}

bool TCommPortDriver::Armed(bool doneAtOnce) {
  if (!doneAtOnce && sys_.GetLastError() != error::kIoPending) return false;
  waitPending_ = true;
  // A wait done at once: its event may not say so.
  if (doneAtOnce) sys_.SetEvent(wait_->overlapped.hEvent);
  return true;
}

void TCommPortDriver::WaitSignalled() {
  if (!Connected() || !waitPending_) {
    if (wait_) sys_.ResetEvent(wait_->overlapped.hEvent);
    return;
  }
  std::uint32_t transferred = 0;
  const bool ok = sys_.GetOverlappedResult(handle_, &wait_->overlapped, &transferred, false);
  const long error = ok ? error::kSuccess : sys_.GetLastError();
  if (!ok && error == error::kIoIncomplete) return;
  waitPending_ = false;
  sys_.ResetEvent(wait_->overlapped.hEvent);
  WaitEnded(ok, error, transferred);
}

void TCommPortDriver::WaitEnded(bool ok, long error, std::uint32_t transferred) {
  if (!ok && error != error::kOperationAborted) {
    // Not the driver's own cancel (that one is collected where it is made)
    // and no purge: the port failed under the wait, as an unplugged one does
    // where the driver still answers the status query. Closed, as a failed
    // status query closes it: the owner opens it anew.
    Lose();
    return;
  }
  if (wake_ == Wake::ByteRead) {
    // Ended by its byte, or aborted by a purge of the receive side with or
    // without one: a byte it took comes first, and the next read is armed
    // only after the queued bytes are read, so none overtakes them.
    PollQueued(std::min<std::uint32_t>(transferred, 1), true);
    return;
  }
  if (!ok && wait_->events == 0) {
    // Ended having seen nothing, as a wait on a port that cannot watch its
    // lines does at once (Wine's on a pty): a read of one byte with no
    // time-outs waits for the bytes instead. The driver's own reads ask only
    // for bytes already queued, so they still end at once. Packets are
    // polled on the timer alone there. A port that no longer answers is
    // closed first: ended so, the wait may be that of a port unplugged.
    ComStat stat;
    if (!StillAnswers(&stat)) return;
    if (packetSize_ > 0) {
      StopWaiting();
      return;
    }
    wake_ = Wake::ByteRead;
    if (!sys_.SetCommTimeouts(handle_, {0, 0, 0, 0, kWriteTimeoutMs}) || !ArmByteRead())
      StopWaiting();
    return;
  }
  PollQueued(0, true);
}

void TCommPortDriver::Rearm() {
  if (waitPending_ || !Connected() || wake_ == Wake::Timer) return;
  if (!(wake_ == Wake::CommEvent ? ArmCommWait() : ArmByteRead())) StopWaiting();
}

void TCommPortDriver::StopWaiting() {
  if (wake_ != Wake::Timer && wait_) app_.UnwatchHandle(wait_->overlapped.hEvent);
  if (waitPending_) {
    waitPending_ = false;
    // The documented end of a pending comm-event wait is a new mask ("the
    // WaitCommEvent function returns immediately"); a read, or a driver
    // that ignores the mask, is cancelled. Either way the record is the
    // system's until the operation completed: past the bound it is left to
    // it, and the next wait takes a fresh one.
    if (wake_ == Wake::CommEvent) sys_.SetCommMask(handle_, 0);
    sys_.CancelIo(handle_);
    std::uint32_t unused = 0;
    bool ok = false;
    long error = 0;
    if (!Finish(*wait_, &unused, &ok, &error)) Abandon(wait_);
  }
  if (wake_ == Wake::ByteRead) sys_.SetCommTimeouts(handle_, kQueuedReadTimeouts);
  wake_ = Wake::Timer;
  if (wait_) sys_.ResetEvent(wait_->overlapped.hEvent);
}

bool TCommPortDriver::Finish(IoRecord& record, std::uint32_t* transferred, bool* ok, long* error) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    *ok = sys_.GetOverlappedResult(handle_, &record.overlapped, transferred, false);
    *error = *ok ? error::kSuccess : sys_.GetLastError();
    if (*ok || *error != error::kIoIncomplete) return true;
    if (attempt == 0)
      sys_.MsgWaitForMultipleObjectsEx(1, &record.overlapped.hEvent, kCompletionWaitMs, 0, 0);
  }
  *transferred = 0;
  return false;
}

bool TCommPortDriver::ReadQueued(std::uint32_t offset, std::uint32_t toRead, std::uint32_t* read) {
  *read = 0;
  if (!read_) return false;
  if (sys_.ReadFile(handle_, buffer_.data() + offset, toRead, read, Prepare(*read_))) return true;
  if (sys_.GetLastError() != error::kIoPending) return false;
  // Only queued bytes are asked for and the read time-outs end the read
  // within a millisecond; one that still runs is cancelled, keeping what
  // it got.
  bool ok = false;
  long error = 0;
  if (Finish(*read_, read, &ok, &error)) return ok || *read > 0;
  sys_.CancelIo(handle_);
  if (Finish(*read_, read, &ok, &error)) return ok || *read > 0;
  // Never ended: the record and the buffer it may still fill are its own.
  read_->buffer = std::move(buffer_);
  buffer_.assign(inBufSize_, 0);
  Abandon(read_);
  return false;
}

void TCommPortDriver::PollData(std::uint32_t queued, std::uint32_t carried, bool woken) {
  // The system may queue more than asked for: what does not fit the buffer
  // waits for the next poll.
  const std::uint32_t toRead = std::min(queued, inBufSize_ - carried);
  std::uint32_t read = 0;
  if (toRead > 0 && !ReadQueued(carried, toRead, &read)) read = 0;
  const std::uint32_t size = carried + read;
  if (size > 0) {
    emptyWakes_ = 0;
  } else if (woken && ++emptyWakes_ >= kMaxEmptyWakes) {
    // Waits that end with nothing again and again: the timer polls alone,
    // with the time-outs of its reads, until bytes flow again.
    StopWaiting();
    fellBack_ = true;
  }
  // The next wait, after the read (bytes that arrive meanwhile end it at
  // once) and before the delivery (the handler may run a loop of its own
  // for long).
  if (fellBack_ && size > 0)
    StartWaiting();
  else
    Rearm();
  if (size > 0 && OnReceiveData) OnReceiveData(*this, buffer_.data(), size);
}

void TCommPortDriver::PollPackets(std::uint32_t queued) {
  // packetSize_ never exceeds the buffer (see ApplyPacketSize), so no read
  // below can run past it.
  const auto size = static_cast<std::uint32_t>(packetSize_);
  if (queued < size) {
    if (packetTimeout_ > 0 && packetStart_ != -1 &&
        sys_.GetTickCount() - static_cast<std::uint32_t>(packetStart_) >
            static_cast<std::uint32_t>(packetTimeout_)) {
      std::uint32_t read = 0;
      if (ReadQueued(0, queued, &read) && packetMode_ == pmPass && read > 0 && OnReceivePacket)
        OnReceivePacket(*this, buffer_.data(), read);
      packetStart_ = -1;
      return;
    }
    if (queued > 0 && packetStart_ == -1) packetStart_ = sys_.GetTickCount();
    return;
  }
  const std::uint32_t transfer = PacketTransferTime();
  while (queued >= size) {
    std::uint32_t read = 0;
    if (ReadQueued(0, size, &read) && read > 0 && OnReceivePacket)
      OnReceivePacket(*this, buffer_.data(), read);
    if (!Connected()) return;  // the handler closed the port
    // The next packet began about one packet's time on the line later.
    if (packetStart_ != -1) packetStart_ = static_cast<std::uint32_t>(packetStart_ + transfer);
    queued -= size;
  }
  if (queued == 0)
    packetStart_ = -1;
  else if (packetStart_ == -1)
    // Bytes left over after whole packets that came with no start on record
    // began arriving about now, not long ago: they get their full time-out.
    packetStart_ = sys_.GetTickCount();
}
