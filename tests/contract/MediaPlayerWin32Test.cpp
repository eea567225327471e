// The media player on the real system, where only the real one can show it:
// the system's own numbers and texts reach the player's Error and
// ErrorMessage, and the notifications that the system posts reach the
// player's own hidden window through the real message loop.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "gui/Application.h"
#include "gui/MediaPlayer.h"
#include "gui/win32/Win32Backend.h"
#include "platform/win32/Win32Platform.h"
#include "tests/contract/ContractPlatform.h"
#include "tests/contract/ContractSupport.h"

namespace {

using gui::TMPModes;

// One quarter note at 120 a minute, 100 ticks a quarter note: 500 ms.
std::vector<std::uint8_t> HalfSecondMidi() {
  return {'M',  'T',  'h',  'd', 0, 0, 0, 6,  0, 0, 0, 1, 0, 100,  //
          'M',  'T',  'r',  'k', 0, 0, 0, 12,                      //
          0x00, 0x90, 60,   100,                                   //
          0x64, 0x80, 60,   0,                                     //
          0x00, 0xFF, 0x2F, 0x00};
}

class Win32MediaPlayer : public ::testing::Test {
 protected:
  platform::Win32Platform sys;
  gui::Win32Backend backend;
  gui::Application app{sys, backend, "Test"};
};

TEST_F(Win32MediaPlayer, AMissingFileRaisesWithTheSystemsNumberAndText) {
  gui::TMediaPlayer player(app);
  EXPECT_EQ(player.Mode(), TMPModes::mpStopped) << "no device: neither not ready nor playing";
  EXPECT_NE(player.Error(), 0u);
  player.FileName = "C:\\no such folder\\canyon.mid";
  std::string raised;
  try {
    player.Open();
  } catch (const gui::EMCIDeviceError& e) {
    raised = e.what();
  }
  EXPECT_EQ(player.Error(), 275u);
  EXPECT_EQ(raised, player.ErrorMessage());
  EXPECT_EQ("Error " + std::to_string(player.Error()) + ": " + player.ErrorMessage(),
            "Error 275: Cannot find the specified file. Make sure the path and filename are "
            "correct.");
  EXPECT_FALSE(player.IsOpen());
}

TEST_F(Win32MediaPlayer, AStoppedPlaysNotificationReachesThePlayersWindow) {
  const std::string path =
      MakeContractFile(contract::UniqueName("player") + ".mid", HalfSecondMidi());
  auto player = std::make_unique<gui::TMediaPlayer>(app);
  player->FileName = path;
  ASSERT_NO_THROW(player->Open());
  player->Play();
  EXPECT_EQ(player->Error(), 0u);
  EXPECT_EQ(player->Mode(), TMPModes::mpPlaying);
  player->Stop();
  EXPECT_EQ(player->Error(), 0u);
  EXPECT_EQ(player->Mode(), TMPModes::mpStopped);
  for (int i = 0; i < 50 && player->NotifyCount() == 0; ++i) {
    ::Sleep(10);
    app.ProcessMessages();
  }
  EXPECT_EQ(player->NotifyCount(), 1);
  EXPECT_EQ(player->NotifyValue(), gui::TMPNotifyValues::nvAborted);

  // The player going closes its device.
  const std::uint32_t device = player->DeviceID();
  player->Play();
  player.reset();
  platform::MciStatusParms status;
  status.dwItem = platform::mci::kStatusMode;
  EXPECT_NE(sys.mciSendCommandA(device, platform::mci::kStatus,
                                platform::mci::kWait | platform::mci::kStatusItem, status),
            0u);
}

}  // namespace
