// The serial port driver: owns one port, polls it on the user interface
// thread, and hands the bytes that arrived since the last poll to one
// receive event, in one piece (data mode), or in packets of a fixed size
// (packet mode, a positive PacketSize). It only receives; it never writes.
//
// A poll comes as soon as bytes arrive: the port is opened for overlapped
// I/O and a comm-event wait (EV_RXCHAR) runs all the time, its event watched
// by the application's message loop. A port that cannot watch its lines
// (Wine's comm-event wait on a pty ends at once having seen nothing) is
// waited on by a read of one byte instead, which the next poll delivers
// first. The poll timer runs besides: it polls where the loop does not
// watch (the system's modal loops of boxes and menus), makes the quiet
// checks, and is all there is where the port refuses both waits, or where
// its waits keep ending with nothing (until bytes flow again).
//
// A wait or read that ends with an error (not an abort) means the port
// failed under it, as with drivers that still answer the status query after
// their adapter was pulled: the port is closed, as when the status query
// fails, and the owner opens it anew. An overlapped operation's record and
// buffer are the system's until the operation completed: one that a cancel
// did not end within a bound is left to it, never reused or freed, and the
// next operation takes a fresh record.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/Application.h"
#include "platform/Platform.h"

// Enumerations whose ordinals are used as numbers (COM number, table index,
// line-settings codes).
enum TPortNumber : int {
  pnCustom = 0,
  pnCOM1,
  pnCOM2,
  pnCOM3,
  pnCOM4,
  pnCOM5,
  pnCOM6,
  pnCOM7,
  pnCOM8,
  pnCOM9,
  pnCOM10,
  pnCOM11,
  pnCOM12,
  pnCOM13,
  pnCOM14,
  pnCOM15,
  pnCOM16
};
enum TBaudRate : int {
  brCustom = 0,
  br110,
  br300,
  br600,
  br1200,
  br2400,
  br4800,
  br9600,
  br14400,
  br19200,
  br38400,
  br56000,
  br57600,
  br115200,
  br128000,
  br256000
};
enum TDataBits : int { db5BITS = 0, db6BITS, db7BITS, db8BITS };
enum TStopBits : int { sb1BITS = 0, sb1HALFBITS, sb2BITS };
enum TParity : int { ptNONE = 0, ptODD, ptEVEN, ptMARK, ptSPACE };
enum THwFlowControl : int { hfNONE = 0, hfNONERTSON, hfRTSCTS };
enum TSwFlowControl : int { sfNONE = 0, sfXONXOFF };
// What becomes of an incomplete packet that waited longer than PacketTimeout.
enum TPacketMode : int { pmDiscard = 0, pmPass };

class TCommPortDriver {
 public:
  using TReceiveDataEvent =
      std::function<void(TCommPortDriver& sender, const std::uint8_t* data, std::uint32_t size)>;
  using TReceivePacketEvent =
      std::function<void(TCommPortDriver& sender, const std::uint8_t* packet, std::uint32_t size)>;
  using TLineQuietEvent = std::function<void(TCommPortDriver& sender)>;
  using TConnectedEvent = std::function<void(TCommPortDriver& sender)>;
  using TConnectionLostEvent = std::function<void(TCommPortDriver& sender)>;

  explicit TCommPortDriver(gui::Application& app);
  ~TCommPortDriver();
  TCommPortDriver(const TCommPortDriver&) = delete;
  TCommPortDriver& operator=(const TCommPortDriver&) = delete;

  bool Connect();
  // Connect with the open on a thread of the system's, so that a port slow
  // to open (a Bluetooth port, a USB device waking up) holds the program up
  // no longer than the rest takes; OnConnected follows once the port is
  // open and set up. False if the open could not be started.
  bool ConnectInBackground();
  // An open started in the background has not ended yet.
  bool Connecting() const { return opening_; }
  void Disconnect();
  bool Connected() const { return handle_ != platform::kInvalidHandleValue; }
  bool ApplySettings();
  bool FlushBuffers(bool input, bool output);

  TPortNumber Port() const { return port_; }
  void SetPort(TPortNumber port);
  const std::string& PortName() const { return portName_; }
  void SetPortName(std::string name);
  TBaudRate BaudRate() const { return baudRate_; }
  void SetBaudRate(TBaudRate rate);
  std::uint32_t BaudRateValue() const { return baudRateValue_; }
  void SetBaudRateValue(std::uint32_t rate);
  TDataBits DataBits() const { return dataBits_; }
  void SetDataBits(TDataBits v);
  TStopBits StopBits() const { return stopBits_; }
  void SetStopBits(TStopBits v);
  TParity Parity() const { return parity_; }
  void SetParity(TParity v);
  THwFlowControl HwFlow() const { return hwFlow_; }
  void SetHwFlow(THwFlowControl v);
  TSwFlowControl SwFlow() const { return swFlow_; }
  void SetSwFlow(TSwFlowControl v);
  std::uint32_t InBufSize() const { return inBufSize_; }
  void SetInBufSize(std::uint32_t size);
  std::uint32_t OutBufSize() const { return outBufSize_; }
  void SetOutBufSize(std::uint32_t size);
  std::uint16_t PollingDelay() const { return pollingDelay_; }
  void SetPollingDelay(std::uint16_t ms);
  bool EnableDTROnOpen() const { return enableDtrOnOpen_; }
  void SetEnableDTROnOpen(bool v) { enableDtrOnOpen_ = v; }
  // Never more than InBufSize: a larger value first raises InBufSize as far
  // as it can go (to 8192, and not at all while connected), then is cut to
  // it, so a packet always fits the receive buffer.
  std::int16_t PacketSize() const { return packetSize_; }
  void SetPacketSize(std::int16_t size);
  std::int32_t PacketTimeout() const { return packetTimeout_; }
  void SetPacketTimeout(std::int32_t ms);
  TPacketMode PacketMode() const { return packetMode_; }
  void SetPacketMode(TPacketMode mode) { packetMode_ = mode; }
  // Kept for sending, waiting reads and line-status checks; no operation of
  // this driver reads them.
  std::uint16_t OutputTimeout() const { return outputTimeout_; }
  void SetOutputTimeout(std::uint16_t ms) { outputTimeout_ = ms; }
  std::uint32_t InputTimeout() const { return inputTimeout_; }
  void SetInputTimeout(std::uint32_t ms) { inputTimeout_ = ms; }
  bool CheckLineStatus() const { return checkLineStatus_; }
  void SetCheckLineStatus(bool v) { checkLineStatus_ = v; }

  // The tick at which the first byte of a still incomplete packet was seen,
  // -1 for none.
  std::int64_t PacketStartTick() const { return packetStart_; }
  // How long a packet takes on the line at 10 bits a byte, in whole
  // milliseconds (halves to even); 0 when the rate is 0.
  std::uint32_t PacketTransferTime() const;

  // The device path "\\.\COMn" for a port number.
  static std::string DevicePath(int number);
  // The bit rate a table entry stands for (0 for brCustom).
  static std::uint32_t RateOf(TBaudRate rate);
  platform::Hwnd NotifyWindow() const { return window_; }

  TReceiveDataEvent OnReceiveData;
  TReceivePacketEvent OnReceivePacket;
  // A check of the port found no byte waiting: the line has stayed quiet
  // since the delivery or the check before. Comes from any poll, the timer's
  // every PollingDelay ms among them.
  TLineQuietEvent OnLineQuiet;
  // A background open succeeded and the port is in use.
  TConnectedEvent OnConnected;
  // The port failed under the driver (unplugged, say), which closed it; the
  // owner's own Disconnect is not reported.
  TConnectionLostEvent OnConnectionLost;

  // Arrivals wake the driver (a wait runs), not only its timer.
  bool WokenByArrivals() const { return wake_ != Wake::Timer; }

 private:
  platform::LResult PollPort(platform::Hwnd hwnd, std::uint32_t message, platform::WParam wParam,
                             platform::LParam lParam);
  // The port just opened is set up for use (or closed again).
  bool SetUp();
  // A background open ended with handle; cookie: which open it was.
  void Opened(platform::Handle handle, platform::LParam cookie);
  void SettingChanged() {
    if (Connected()) ApplySettings();
  }
  // The timer's poll: a wait that ended is collected first.
  void Poll();
  // carried: bytes the waiting read took, at the buffer's start.
  void PollData(std::uint32_t queued, std::uint32_t carried, bool woken);
  bool ReadQueued(std::uint32_t offset, std::uint32_t toRead, std::uint32_t* read);
  // The waits: started at Connect, armed again at each arrival, given up
  // for the timer alone when the port refuses or fails them.
  void StartWaiting();
  bool ArmCommWait();
  bool ArmByteRead();
  // Whether a wait the system took (pending, or done at once) is armed.
  bool Armed(bool doneAtOnce);
  // Starts the next wait of the driver's kind, unless one runs.
  void Rearm();
  void WaitSignalled();
  // A wait that completed: ok, or failed with error; transferred: a byte
  // read's byte count.
  void WaitEnded(bool ok, long error, std::uint32_t transferred);
  // The status query, the read of what is queued and its delivery after a
  // byte the waiting read carried (0 or 1); woken: by an arrival wait.
  void PollQueued(std::uint32_t carried, bool woken);
  // The status query into stat; a port that no longer answers is closed
  // and false returned.
  bool StillAnswers(platform::ComStat* stat);
  // The port failed: closed, and the owner told.
  void Lose();
  void StopWaiting();

  // An overlapped operation's record with its event and what it fills: the
  // system's until the operation completes.
  struct IoRecord {
    platform::Overlapped overlapped;
    std::uint32_t events = 0;          // a comm-event wait's
    std::uint8_t byte = 0;             // a byte read's
    std::vector<std::uint8_t> buffer;  // an abandoned read's receive buffer
  };
  std::unique_ptr<IoRecord> NewRecord();
  // The record cleared for a new operation, its event kept.
  static platform::Overlapped* Prepare(IoRecord& record);
  // Waits a bounded time for an operation that was cancelled or should end
  // at once; false if it has not completed. Its outcome in *ok, *error.
  bool Finish(IoRecord& record, std::uint32_t* transferred, bool* ok, long* error);
  // Leaves a record to an operation that may still write into it; record
  // becomes a fresh one (null if none could be made).
  void Abandon(std::unique_ptr<IoRecord>& record);
  // Frees the abandoned records whose operations have completed.
  void SweepAbandoned();
  void PollPackets(std::uint32_t queued);
  void ResizeBuffer(std::uint32_t size);
  void ApplyPacketSize(std::int32_t size);
  void ApplyPacketTimeout(std::int32_t ms);

  gui::Application& app_;
  platform::Platform& sys_;
  platform::Hwnd window_ = 0;
  platform::Handle handle_ = platform::kInvalidHandleValue;
  TPortNumber port_ = pnCOM2;
  std::string portName_ = DevicePath(2);
  TBaudRate baudRate_ = br9600;
  std::uint32_t baudRateValue_ = 9600;
  TDataBits dataBits_ = db8BITS;
  TStopBits stopBits_ = sb1BITS;
  TParity parity_ = ptNONE;
  THwFlowControl hwFlow_ = hfNONERTSON;
  TSwFlowControl swFlow_ = sfNONE;
  std::uint32_t inBufSize_ = 2048;
  std::uint32_t outBufSize_ = 2048;
  std::uint16_t pollingDelay_ = 50;
  std::int16_t packetSize_ = -1;
  std::int32_t packetTimeout_ = -1;
  TPacketMode packetMode_ = pmDiscard;
  bool enableDtrOnOpen_ = true;
  std::uint16_t outputTimeout_ = 500;
  std::uint32_t inputTimeout_ = 200;
  bool checkLineStatus_ = false;
  std::int64_t packetStart_ = -1;  // a 32-bit tick, or -1
  std::vector<std::uint8_t> buffer_;
  // The waits' record and the reads' of queued bytes (null where no event
  // could be made: the timer polls alone); records left to operations that
  // had not completed when given up.
  std::unique_ptr<IoRecord> wait_;
  std::unique_ptr<IoRecord> read_;
  std::vector<std::unique_ptr<IoRecord>> abandoned_;
  bool waitPending_ = false;         // a wait has not been collected
  bool opening_ = false;             // a background open is wanted
  platform::LParam openCookie_ = 0;  // the latest open's
  // What wakes the driver besides its timer; the loop watches the wait
  // record's event for the two waits.
  enum class Wake { Timer, CommEvent, ByteRead };
  Wake wake_ = Wake::Timer;
  // Wakes in a row that found nothing; past a handful the timer polls alone
  // until bytes flow again (fellBack_).
  int emptyWakes_ = 0;
  bool fellBack_ = false;
};
