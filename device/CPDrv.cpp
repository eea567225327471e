#include "device/CPDrv.h"

#include <algorithm>

using namespace platform;

namespace {
constexpr std::uintptr_t kPollTimerId = 1;
// How long a cancelled wait or a read of queued bytes may take to complete
// before the driver stops waiting for it.
constexpr std::uint32_t kCompletionWaitMs = 200;
constexpr std::uint32_t kWriteTimeoutMs = 10;
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
  waitEvent_ = sys_.CreateEventA(true, false);
  readEvent_ = sys_.CreateEventA(true, false);
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
  for (Handle event : {waitEvent_, readEvent_})
    if (event) sys_.CloseHandle(event);
}

std::string TCommPortDriver::DevicePath(int number) {
  return "\\\\.\\COM" + std::to_string(number);
}

std::uint32_t TCommPortDriver::RateOf(TBaudRate rate) {
  return rate >= 0 && rate < static_cast<int>(std::size(kRates)) ? kRates[rate] : 0;
}

bool TCommPortDriver::Connect() {
  if (Connected()) return true;
  handle_ = sys_.CreateFileA(portName_, kGenericRead | kGenericWrite, 0, kOpenExisting,
                             kFileAttributeNormal | kFileFlagOverlapped);
  if (!Connected()) return false;
  if (!ApplySettings()) {
    Disconnect();
    return false;
  }
  // Reads return at once with what is queued: one byte interval, one
  // millisecond in all. A port that refuses these still works for polling.
  sys_.SetCommTimeouts(handle_, {1, 0, 1, 0, kWriteTimeoutMs});
  sys_.SetTimer(window_, kPollTimerId, pollingDelay_);
  StartWaiting();
  return true;
}

void TCommPortDriver::Disconnect() {
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
  if (message != msg::kTimer || !Connected())
    return sys_.DefWindowProcA(hwnd, message, wParam, lParam);
  Poll();
  return 0;
}

void TCommPortDriver::Poll() {
  // A byte the waiting read took comes first; while that read still waits,
  // nothing has arrived, and no read may overtake it.
  std::uint32_t carried = 0;
  if (wake_ == Wake::ByteRead && waitPending_) {
    const bool done = sys_.GetOverlappedResult(handle_, &waitRecord_, &carried, false);
    if (!done && sys_.GetLastError() == error::kIoIncomplete) {
      carried = 0;
      std::uint32_t errors = 0;
      ComStat stat;
      if (!sys_.ClearCommError(handle_, &errors, &stat))
        Disconnect();
      else if (stat.cbInQue == 0 && OnLineQuiet)
        OnLineQuiet(*this);
      return;
    }
    waitPending_ = false;
    sys_.ResetEvent(waitEvent_);
    // A purge of the receive side (new line settings) aborts the read: it
    // waits again. Ended with no byte otherwise, the port is gone, or cannot
    // wait so: the timer polls alone from here.
    if (!done && sys_.GetLastError() == error::kOperationAborted) {
      carried = 0;
      if (!ArmByteRead()) StopWaiting();
    } else if (!done || carried == 0) {
      carried = 0;
      StopWaiting();
    }
    buffer_[0] = waitByte_;
  }
  // The status query also clears the port's error state, so reception goes
  // on after a line error; the error flags themselves do not matter here.
  std::uint32_t errors = 0;
  ComStat stat;
  if (!sys_.ClearCommError(handle_, &errors, &stat)) {
    // The port no longer answers, as one that was unplugged (Wine: error 21;
    // Windows' drivers each have their own code). Its handle stays dead even
    // when the device comes back, so it is closed: the owner sees the port
    // closed and can open it anew.
    Disconnect();
    return;
  }
  if (packetSize_ > 0) {
    Rearm();
    PollPackets(stat.cbInQue);
  } else {
    PollData(stat.cbInQue, carried);
  }
  if (stat.cbInQue == 0 && carried == 0 && Connected() && OnLineQuiet) OnLineQuiet(*this);
}

// ---- waiting for arrivals --------------------------------------------------------------

void TCommPortDriver::StartWaiting() {
  if (!waitEvent_ || !readEvent_ || !sys_.SetCommMask(handle_, kEvRxChar)) return;
  app_.WatchHandle(waitEvent_, [this] { WaitSignalled(); });
  wake_ = Wake::CommEvent;
  if (!ArmCommWait()) StopWaiting();
}

bool TCommPortDriver::ArmCommWait() {
  waitRecord_ = {};
  waitRecord_.hEvent = waitEvent_;
  commEvents_ = 0;
  return Armed(sys_.WaitCommEvent(handle_, &commEvents_, &waitRecord_));
}

bool TCommPortDriver::ArmByteRead() {
  waitRecord_ = {};
  waitRecord_.hEvent = waitEvent_;
  std::uint32_t read = 0;
  return Armed(sys_.ReadFile(handle_, &waitByte_, 1, &read, &waitRecord_));
}

bool TCommPortDriver::Armed(bool doneAtOnce) {
  if (!doneAtOnce && sys_.GetLastError() != error::kIoPending) return false;
  waitPending_ = true;
  // A wait done at once: its event may not say so.
  if (doneAtOnce) sys_.SetEvent(waitEvent_);
  return true;
}

void TCommPortDriver::WaitSignalled() {
  if (!Connected() || !waitPending_) {
    sys_.ResetEvent(waitEvent_);
    return;
  }
  if (wake_ == Wake::ByteRead) {
    Poll();
    return;
  }
  std::uint32_t unused = 0;
  const bool ok = sys_.GetOverlappedResult(handle_, &waitRecord_, &unused, false);
  if (!ok && sys_.GetLastError() == error::kIoIncomplete) return;
  waitPending_ = false;
  sys_.ResetEvent(waitEvent_);
  if (!ok && commEvents_ == 0 && packetSize_ <= 0) {
    // Ended having seen nothing, as a wait on a port that cannot watch its
    // lines does at once (Wine's on a pty): a read of one byte with no
    // time-outs waits for the bytes instead. The driver's own reads ask only
    // for bytes already queued, so they still end at once.
    wake_ = Wake::ByteRead;
    if (!sys_.SetCommTimeouts(handle_, {0, 0, 0, 0, kWriteTimeoutMs}) || !ArmByteRead())
      StopWaiting();
    return;
  }
  // Any other failure (the port gone): the timer polls alone from here, and
  // its status query finds a port that is gone.
  if (!ok) {
    StopWaiting();
    return;
  }
  Poll();
}

void TCommPortDriver::Rearm() {
  if (waitPending_ || !Connected() || wake_ == Wake::Timer) return;
  if (!(wake_ == Wake::CommEvent ? ArmCommWait() : ArmByteRead())) StopWaiting();
}

void TCommPortDriver::StopWaiting() {
  if (waitPending_) {
    sys_.CancelIo(handle_);
    std::uint32_t unused = 0;
    Finish(waitRecord_, &unused);
    waitPending_ = false;
  }
  if (wake_ != Wake::Timer) app_.UnwatchHandle(waitEvent_);
  wake_ = Wake::Timer;
  if (waitEvent_) sys_.ResetEvent(waitEvent_);
}

bool TCommPortDriver::Finish(Overlapped& record, std::uint32_t* transferred) {
  if (sys_.GetOverlappedResult(handle_, &record, transferred, false)) return true;
  if (sys_.GetLastError() != error::kIoIncomplete) return false;
  sys_.MsgWaitForMultipleObjectsEx(1, &record.hEvent, kCompletionWaitMs, 0, 0);
  return sys_.GetOverlappedResult(handle_, &record, transferred, false);
}

bool TCommPortDriver::ReadQueued(std::uint32_t offset, std::uint32_t toRead, std::uint32_t* read) {
  *read = 0;
  readRecord_ = {};
  readRecord_.hEvent = readEvent_;
  if (sys_.ReadFile(handle_, buffer_.data() + offset, toRead, read, &readRecord_)) return true;
  if (sys_.GetLastError() != error::kIoPending) return false;
  // Only queued bytes are asked for and the read time-outs end the read
  // within a millisecond; one that still runs is cancelled, keeping what
  // it got.
  if (Finish(readRecord_, read)) return true;
  sys_.CancelIo(handle_);
  return sys_.GetOverlappedResult(handle_, &readRecord_, read, true) || *read > 0;
}

void TCommPortDriver::PollData(std::uint32_t queued, std::uint32_t carried) {
  // The system may queue more than asked for: what does not fit the buffer
  // waits for the next poll.
  const std::uint32_t toRead = std::min(queued, inBufSize_ - carried);
  std::uint32_t read = 0;
  if (toRead > 0 && !ReadQueued(carried, toRead, &read)) read = 0;
  // The next wait, after the read (bytes that arrive meanwhile end it at
  // once) and before the delivery (the handler may run a loop of its own
  // for long).
  Rearm();
  if (carried + read > 0 && OnReceiveData) OnReceiveData(*this, buffer_.data(), carried + read);
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
