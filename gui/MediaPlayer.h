// The media player component: plays sound files through the system's media
// control interface (MCI). It has no visible part in this program; its own
// hidden window receives the MCI notifications.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "gui/Application.h"
#include "platform/Platform.h"

namespace gui {

// The device's MCI mode number minus 524 (MCI_MODE_NOT_READY).
enum class TMPModes {
  mpNotReady = 0,
  mpStopped,
  mpPlaying,
  mpRecording,
  mpSeeking,
  mpPaused,
  mpOpen
};

// The outcome of the last notification the device posted for a play.
enum class TMPNotifyValues { nvSuccessful, nvSuperseded, nvAborted, nvFailure };

// Raised by Open when the device cannot be opened; what() is ErrorMessage().
class EMCIDeviceError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Raised by Play and Stop when no device is open; nothing was sent.
class EMCINotOpenError : public EMCIDeviceError {
 public:
  EMCINotOpenError() : EMCIDeviceError("The media device is not open") {}
};

class TMediaPlayer {
 public:
  explicit TMediaPlayer(Application& app);
  ~TMediaPlayer();  // an open device is closed, so a sound still playing stops
  TMediaPlayer(const TMediaPlayer&) = delete;
  TMediaPlayer& operator=(const TMediaPlayer&) = delete;

  std::string FileName;
  // With a file played to its end, Play seeks back to its start first.
  bool AutoRewind = true;

  // With no device open the status query fails (Error says why) and the
  // mode reads mpStopped: neither not ready nor playing.
  TMPModes Mode();
  // Closes the open device first; one that will not close is let go (and
  // closed by a later Close or by the player's end) so that the new file
  // still opens.
  void Open();  // throws EMCIDeviceError
  void Play();  // throws EMCINotOpenError without an open device
  void Stop();  // throws EMCINotOpenError without an open device
  void Close();
  std::uint32_t Error() const { return error_; }
  std::string ErrorMessage() const;

  std::uint32_t DeviceID() const { return deviceId_; }
  bool IsOpen() const { return open_; }
  platform::Hwnd Handle() const { return window_; }
  // The last notification of this device's plays; notifications of a
  // device closed since are not its own and are ignored.
  TMPNotifyValues NotifyValue() const { return notifyValue_; }
  int NotifyCount() const { return notifyCount_; }

 private:
  void TakeNotify(platform::WParam outcome, platform::LParam device);
  void RewindAtEnd();
  // Closes the devices let go after a failed close; those that still refuse
  // stay for the next attempt.
  void CloseLetGo();

  Application& app_;
  platform::Hwnd window_ = 0;
  std::uint32_t deviceId_ = 0;
  bool open_ = false;
  std::vector<std::uint32_t> letGo_;
  std::uint32_t error_ = 0;
  TMPNotifyValues notifyValue_ = TMPNotifyValues::nvSuccessful;
  int notifyCount_ = 0;
};

}  // namespace gui
