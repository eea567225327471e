#include "gui/MediaPlayer.h"

namespace gui {

// Placeholder bodies until the player is built; each operation reports the
// device as absent.
TMediaPlayer::TMediaPlayer(Application& app) : app_(app) {}
TMediaPlayer::~TMediaPlayer() = default;
TMPModes TMediaPlayer::Mode() { return TMPModes::mpStopped; }
void TMediaPlayer::Open() { throw EMCIDeviceError(ErrorMessage()); }
void TMediaPlayer::Play() {}
void TMediaPlayer::Stop() {}
void TMediaPlayer::Close() {}
std::string TMediaPlayer::ErrorMessage() const { return "Unknown error code"; }

}  // namespace gui
