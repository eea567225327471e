#include "device/CPDrv.h"

#include <algorithm>

using namespace platform;

namespace {
constexpr std::uintptr_t kPollTimerId = 1;
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
                             kFileAttributeNormal);
  if (!Connected()) return false;
  if (!ApplySettings()) {
    Disconnect();
    return false;
  }
  // Reads return at once with what is queued: one byte interval, one
  // millisecond in all. A port that refuses these still works for polling.
  sys_.SetCommTimeouts(handle_, {1, 0, 1, 0, 10});
  sys_.SetTimer(window_, kPollTimerId, pollingDelay_);
  return true;
}

void TCommPortDriver::Disconnect() {
  if (!Connected()) return;
  sys_.KillTimer(window_, kPollTimerId);
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
  return sys_.PurgeComm(handle_, flags);
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
  inBufSize_ = std::clamp<std::uint32_t>(size, 128, 8192);
  buffer_.assign(inBufSize_, 0);
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
}

LResult TCommPortDriver::PollPort(Hwnd hwnd, std::uint32_t message, WParam wParam, LParam lParam) {
  if (message != msg::kTimer || !Connected())
    return sys_.DefWindowProcA(hwnd, message, wParam, lParam);
  // The status query also clears the port's error state, so reception goes
  // on after a line error; the error flags themselves do not matter here.
  std::uint32_t errors = 0;
  ComStat stat;
  if (!sys_.ClearCommError(handle_, &errors, &stat)) return 0;
  if (stat.cbInQue == 0) return 0;
  // The system may queue more than asked for: what does not fit the buffer
  // waits for the next poll.
  const std::uint32_t toRead = std::min<std::uint32_t>(stat.cbInQue, inBufSize_);
  std::uint32_t read = 0;
  if (sys_.ReadFile(handle_, buffer_.data(), toRead, &read) && read > 0 && OnReceiveData)
    OnReceiveData(*this, buffer_.data(), read);
  return 0;
}
