// The media player against the simulated machine's timed media: what the
// sound effect and the break countdown rely on, and the player's own rules
// (open closes first, the not-open error, the device closed when the player
// goes, its window taking the notifications).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "gui/Application.h"
#include "gui/MediaPlayer.h"
#include "gui/headless/HeadlessBackend.h"
#include "platform/memory/SimProcess.h"
#include "platform/memory/SimSystem.h"

namespace {

using namespace platform;
using gui::TMPModes;
using gui::TMPNotifyValues;
using platform::memory::SimSystem;

constexpr std::uint32_t kSongMs = 1500;

// On the exact clock: the sounds' ends are timed to the millisecond, which
// the player's rules do not depend on and Windows' tick would blur.
class MediaPlayerTest : public ::testing::Test {
 protected:
  MediaPlayerTest()
      : process(sys.StartProcess()),
        ui(*process),
        app(*process, ui, "Test"),
        player(std::make_unique<gui::TMediaPlayer>(app)) {
    sys.AddSoundFile("canyon.mid", kSongMs);
    sys.AddSoundFile("C:\\Sounds\\bell.wav", 400);
  }
  gui::TMediaPlayer& Player() { return *player; }
  // Time passes while the program waits for messages.
  void Pass(std::uint32_t ms) {
    process->Sleep(ms);
    app.ProcessMessages();
  }
  std::uint32_t Position() {
    MciStatusParms s;
    s.dwItem = mci::kStatusPosition;
    EXPECT_EQ(process->mciSendCommandA(Player().DeviceID(), mci::kStatus,
                                       mci::kWait | mci::kStatusItem, s),
              0u);
    return static_cast<std::uint32_t>(s.dwReturn);
  }
  void OpenAndPlay(const std::string& file) {
    Player().FileName = file;
    Player().Open();
    Player().Play();
  }

  SimSystem sys;
  std::unique_ptr<memory::SimProcess> process;
  gui::HeadlessBackend ui;
  gui::Application app;
  std::unique_ptr<gui::TMediaPlayer> player;
};

TEST_F(MediaPlayerTest, WithNoDeviceTheModeIsNeitherNotReadyNorPlaying) {
  EXPECT_EQ(Player().Mode(), TMPModes::mpStopped);
  EXPECT_EQ(Player().Error(), mci::kErrInvalidDeviceId) << "the status query went to device 0";
  EXPECT_FALSE(Player().IsOpen());
  EXPECT_EQ(Player().DeviceID(), 0u);
}

TEST_F(MediaPlayerTest, ASoundPlaysForItsLengthAndIsThenStoppedWhileStillOpen) {
  OpenAndPlay("canyon.mid");
  EXPECT_EQ(Player().Error(), 0u);
  EXPECT_TRUE(Player().IsOpen());
  EXPECT_NE(Player().DeviceID(), 0u);
  EXPECT_EQ(Player().Mode(), TMPModes::mpPlaying);
  EXPECT_EQ(Player().Error(), 0u);

  Pass(kSongMs - 1);
  EXPECT_EQ(Player().Mode(), TMPModes::mpPlaying);
  EXPECT_EQ(Player().NotifyCount(), 0);
  Pass(1);
  EXPECT_EQ(Player().Mode(), TMPModes::mpStopped);
  EXPECT_TRUE(Player().IsOpen()) << "a sound that ended keeps its device";
  EXPECT_EQ(Player().NotifyCount(), 1) << "the play's notification reached the player's window";
  EXPECT_EQ(Player().NotifyValue(), TMPNotifyValues::nvSuccessful);
  EXPECT_TRUE(sys.AudibleSounds().empty());
}

TEST_F(MediaPlayerTest, AfterEndingByItselfOpenClosesTheOldDeviceAndPlaysFromTheStart) {
  OpenAndPlay("canyon.mid");
  const std::uint32_t first = Player().DeviceID();
  Pass(kSongMs + 50);
  ASSERT_EQ(Player().Mode(), TMPModes::mpStopped);

  OpenAndPlay("canyon.mid");
  EXPECT_NE(Player().DeviceID(), first);
  EXPECT_EQ(sys.SoundDevices().size(), 1u) << "the finished device was closed, not left behind";
  EXPECT_EQ(Position(), 0u);
  Pass(kSongMs - 1);
  EXPECT_EQ(Player().Mode(), TMPModes::mpPlaying);
}

TEST_F(MediaPlayerTest, ANewSoundReplacesOneStillPlaying) {
  OpenAndPlay("canyon.mid");
  Pass(200);
  OpenAndPlay("C:\\Sounds\\bell.wav");
  EXPECT_EQ(sys.AudibleSounds(), std::vector<std::string>{"C:\\Sounds\\bell.wav"});
  EXPECT_EQ(sys.SoundDevices().size(), 1u);
  Pass(400);
  EXPECT_EQ(Player().Mode(), TMPModes::mpStopped);
  EXPECT_EQ(Player().NotifyCount(), 1) << "only the open device's notification counts";
}

TEST_F(MediaPlayerTest, AutoRewindPlaysAFinishedFileAgainFromItsStart) {
  OpenAndPlay("canyon.mid");
  Pass(kSongMs);
  ASSERT_EQ(Position(), kSongMs);
  Player().Play();
  EXPECT_EQ(Player().Error(), 0u);
  EXPECT_EQ(Position(), 0u);
  Pass(kSongMs - 1);
  EXPECT_EQ(Player().Mode(), TMPModes::mpPlaying);

  // A play that stopped part-way goes on from there.
  Player().Stop();
  const std::uint32_t at = Position();
  EXPECT_EQ(at, kSongMs - 1);
  Player().Play();
  EXPECT_EQ(Position(), at);
}

TEST_F(MediaPlayerTest, WithoutAutoRewindAFinishedFileHasNothingLeftToPlay) {
  Player().AutoRewind = false;
  OpenAndPlay("canyon.mid");
  Pass(kSongMs);
  ASSERT_EQ(Player().NotifyCount(), 1);
  Player().Play();
  EXPECT_EQ(Player().Error(), 0u);
  app.ProcessMessages();
  EXPECT_EQ(Player().Mode(), TMPModes::mpStopped);
  EXPECT_EQ(Player().NotifyCount(), 2) << "a play from the end is over at once";
}

TEST_F(MediaPlayerTest, AMissingFileFailsToOpenWithTheSystemsNumberAndText) {
  Player().FileName = "C:\\Sounds\\gone.mid";
  std::string raised;
  try {
    Player().Open();
  } catch (const gui::EMCIDeviceError& e) {
    raised = e.what();
  }
  const std::string text =
      "Cannot find the specified file. Make sure the path and filename are correct.";
  EXPECT_EQ(raised, text);
  EXPECT_EQ(Player().Error(), mci::kErrFileNotFound);
  EXPECT_EQ(Player().ErrorMessage(), text);
  EXPECT_FALSE(Player().IsOpen());
  EXPECT_EQ(Player().DeviceID(), 0u);
  EXPECT_TRUE(sys.PlayedSounds().empty());
  EXPECT_EQ(Player().Mode(), TMPModes::mpStopped) << "the next press tries again";
}

TEST_F(MediaPlayerTest, AFailedOpenLeavesThePreviousSoundClosed) {
  OpenAndPlay("canyon.mid");
  Player().FileName = "notes.txt";  // no device plays this kind of file
  EXPECT_THROW(Player().Open(), gui::EMCIDeviceError);
  EXPECT_NE(Player().Error(), 0u);
  EXPECT_FALSE(Player().IsOpen());
  EXPECT_TRUE(sys.SoundDevices().empty());
  EXPECT_TRUE(sys.AudibleSounds().empty());
}

TEST_F(MediaPlayerTest, PlayAndStopWithoutADeviceRaiseTheNotOpenErrorAndSendNothing) {
  sys.FailMciCommand(mci::kPlay, 999);  // would show in Error had anything been sent
  Player().Mode();
  const std::uint32_t before = Player().Error();
  EXPECT_THROW(Player().Play(), gui::EMCINotOpenError);
  EXPECT_THROW(Player().Stop(), gui::EMCINotOpenError);
  EXPECT_NO_THROW(Player().Close()) << "close with nothing open does nothing";
  EXPECT_EQ(Player().Error(), before);
  EXPECT_TRUE(sys.PlayedSounds().empty());
}

TEST_F(MediaPlayerTest, FailedPlayStopAndCloseOnlySetError) {
  Player().FileName = "canyon.mid";
  Player().Open();
  sys.FailMciCommand(mci::kPlay, 999);
  EXPECT_NO_THROW(Player().Play());
  EXPECT_EQ(Player().Error(), 999u);
  EXPECT_EQ(Player().ErrorMessage(), "Unknown error code") << "the system has no text for it";
  EXPECT_TRUE(sys.AudibleSounds().empty());

  sys.FailMciCommand(mci::kPlay, 0);
  Player().Play();
  sys.FailMciCommand(mci::kStop, mci::kErrCannotLoadDriver);
  EXPECT_NO_THROW(Player().Stop());
  EXPECT_EQ(Player().Error(), mci::kErrCannotLoadDriver);
  EXPECT_EQ(Player().ErrorMessage(), "The specified device driver cannot be loaded.");

  sys.FailMciCommand(mci::kClose, mci::kErrCannotLoadDriver);
  const std::uint32_t id = Player().DeviceID();
  Player().Close();
  EXPECT_EQ(Player().Error(), mci::kErrCannotLoadDriver);
  EXPECT_TRUE(Player().IsOpen()) << "a failed close keeps the state";
  EXPECT_EQ(Player().DeviceID(), id);
  EXPECT_EQ(sys.AudibleSounds(), std::vector<std::string>{"canyon.mid"});

  // A device that will not close does not keep the next file from opening;
  // it is closed as soon as it lets itself be.
  Player().FileName = "C:\\Sounds\\bell.wav";
  EXPECT_NO_THROW(Player().Open());
  EXPECT_NE(Player().DeviceID(), id);
  EXPECT_EQ(sys.SoundDevices().size(), 2u);
  sys.FailMciCommand(mci::kClose, 0);
  Player().Play();
  Player().Close();
  EXPECT_EQ(Player().Error(), 0u);
  EXPECT_FALSE(Player().IsOpen());
  EXPECT_TRUE(sys.SoundDevices().empty());
  EXPECT_TRUE(sys.AudibleSounds().empty());
}

TEST_F(MediaPlayerTest, ASecondPlaySupersedesTheFirstsNotification) {
  OpenAndPlay("canyon.mid");
  Pass(100);
  Player().Play();
  app.ProcessMessages();
  EXPECT_EQ(Player().NotifyCount(), 1);
  EXPECT_EQ(Player().NotifyValue(), TMPNotifyValues::nvSuperseded);
  Pass(kSongMs);
  EXPECT_EQ(Player().NotifyCount(), 2);
  EXPECT_EQ(Player().NotifyValue(), TMPNotifyValues::nvSuccessful);
}

TEST_F(MediaPlayerTest, ThePlayerGoingStopsTheSoundWhileTheProgramStillRuns) {
  OpenAndPlay("canyon.mid");
  Pass(200);
  const Hwnd window = Player().Handle();
  ASSERT_TRUE(process->IsWindow(window));
  player.reset();
  EXPECT_TRUE(sys.AudibleSounds().empty());
  EXPECT_TRUE(sys.SoundDevices().empty());
  EXPECT_FALSE(process->IsWindow(window));
  app.ProcessMessages();  // the aborted notification finds no window and harms nothing
}

}  // namespace
