#include "gui/MediaPlayer.h"

#include <array>
#include <cstring>

namespace gui {

using namespace platform;

namespace {
constexpr std::uint32_t kErrorTextSize = 4096;
}

TMediaPlayer::TMediaPlayer(Application& app) : app_(app) {
  WindowParams params;
  params.className = "TMediaPlayerWindow";
  params.messageOnly = true;
  window_ = app_.Sys().CreateWindowExA(
      params, app_.Guarded([this](Hwnd h, std::uint32_t m, WParam w, LParam l) -> LResult {
        if (m == mci::kMmMciNotify) {
          TakeNotify(w, l);
          return 0;
        }
        return app_.Sys().DefWindowProcA(h, m, w, l);
      }));
}

TMediaPlayer::~TMediaPlayer() {
  if (open_) letGo_.push_back(deviceId_);
  CloseLetGo();
  if (window_) app_.Sys().DestroyWindow(window_);
}

void TMediaPlayer::CloseLetGo() {
  std::erase_if(letGo_, [this](std::uint32_t device) {
    MciGenericParms close;
    close.dwCallback = window_;
    return app_.Sys().mciSendCommandA(device, mci::kClose, mci::kWait, close) == 0;
  });
}

TMPModes TMediaPlayer::Mode() {
  MciStatusParms status;
  status.dwCallback = window_;
  status.dwItem = mci::kStatusMode;
  error_ =
      app_.Sys().mciSendCommandA(deviceId_, mci::kStatus, mci::kWait | mci::kStatusItem, status);
  if (error_ != 0) return TMPModes::mpStopped;
  // A number outside the seven modes is no state the player knows.
  if (status.dwReturn < mci::kModeNotReady || status.dwReturn > mci::kModeOpen)
    return TMPModes::mpNotReady;
  return static_cast<TMPModes>(status.dwReturn - mci::kModeNotReady);
}

void TMediaPlayer::Open() {
  if (open_) {
    Close();
    // A device that refuses to close must not stop every later sound from
    // opening: it is let go, and closed once it lets itself be.
    if (open_) {
      letGo_.push_back(deviceId_);
      deviceId_ = 0;
      open_ = false;
    }
  }
  MciOpenParms open;
  open.dwCallback = window_;
  open.lpstrElementName = FileName;  // no device type: the system picks one by the file
  error_ = app_.Sys().mciSendCommandA(0, mci::kOpen, mci::kWait | mci::kOpenElement, open);
  if (error_ != 0) throw EMCIDeviceError(ErrorMessage());
  deviceId_ = open.wDeviceID;
  open_ = true;
}

void TMediaPlayer::RewindAtEnd() {
  MciStatusParms position;
  position.dwItem = mci::kStatusPosition;
  MciStatusParms length;
  length.dwItem = mci::kStatusLength;
  auto& sys = app_.Sys();
  if (sys.mciSendCommandA(deviceId_, mci::kStatus, mci::kWait | mci::kStatusItem, position) != 0 ||
      sys.mciSendCommandA(deviceId_, mci::kStatus, mci::kWait | mci::kStatusItem, length) != 0)
    return;  // the play itself will tell what is wrong
  if (position.dwReturn < length.dwReturn) return;
  MciGenericParms seek;
  seek.dwCallback = window_;
  sys.mciSendCommandA(deviceId_, mci::kSeek, mci::kWait | mci::kSeekToStart, seek);
}

void TMediaPlayer::Play() {
  if (!open_) throw EMCINotOpenError();
  if (AutoRewind) RewindAtEnd();
  MciPlayParms play;
  play.dwCallback = window_;
  error_ = app_.Sys().mciSendCommandA(deviceId_, mci::kPlay, mci::kNotify, play);
}

void TMediaPlayer::Stop() {
  if (!open_) throw EMCINotOpenError();
  MciGenericParms stop;
  stop.dwCallback = window_;
  error_ = app_.Sys().mciSendCommandA(deviceId_, mci::kStop, mci::kWait, stop);
}

void TMediaPlayer::Close() {
  CloseLetGo();
  if (!open_) return;
  MciGenericParms close;
  close.dwCallback = window_;
  error_ = app_.Sys().mciSendCommandA(deviceId_, mci::kClose, mci::kWait, close);
  if (error_ != 0) return;
  deviceId_ = 0;
  open_ = false;
}

std::string TMediaPlayer::ErrorMessage() const {
  std::array<char, kErrorTextSize> text{};
  if (!app_.Sys().mciGetErrorStringA(error_, text.data(), kErrorTextSize))
    return "Unknown error code";
  return std::string(text.data(), strnlen(text.data(), kErrorTextSize));
}

void TMediaPlayer::TakeNotify(WParam outcome, LParam device) {
  if (!open_ || static_cast<std::uint32_t>(device) != deviceId_) return;
  switch (outcome) {
    case mci::kNotifySuccessful: notifyValue_ = TMPNotifyValues::nvSuccessful; break;
    case mci::kNotifySuperseded: notifyValue_ = TMPNotifyValues::nvSuperseded; break;
    case mci::kNotifyAborted: notifyValue_ = TMPNotifyValues::nvAborted; break;
    default: notifyValue_ = TMPNotifyValues::nvFailure; break;
  }
  ++notifyCount_;
}

}  // namespace gui
