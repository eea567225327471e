// The media player component: plays sound files through the system's media
// control interface (MCI). It has no visible part in this program; its own
// hidden window receives the MCI notifications.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

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

// Raised by Open when the device cannot be opened; what() is ErrorMessage().
class EMCIDeviceError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TMediaPlayer {
 public:
  explicit TMediaPlayer(Application& app);
  ~TMediaPlayer();  // an open device is closed, so a sound still playing stops
  TMediaPlayer(const TMediaPlayer&) = delete;
  TMediaPlayer& operator=(const TMediaPlayer&) = delete;

  std::string FileName;

  TMPModes Mode();
  void Open();  // throws EMCIDeviceError
  void Play();
  void Stop();
  void Close();
  std::uint32_t Error() const { return error_; }
  std::string ErrorMessage() const;

  std::uint32_t DeviceID() const { return deviceId_; }
  bool IsOpen() const { return open_; }
  platform::Hwnd Handle() const { return window_; }

 private:
  Application& app_;
  platform::Hwnd window_ = 0;
  std::uint32_t deviceId_ = 0;
  bool open_ = false;
  std::uint32_t error_ = 0;
};

}  // namespace gui
