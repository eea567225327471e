// Media control as the player relies on it: a missing file fails to open with
// the system's "file not found" number and text, and commands to a device
// that was never opened fail. (After a failure the output fields of the
// parameter records mean nothing: the system may write to them.)
#include <gtest/gtest.h>

#include <string>

#include "tests/contract/ContractPlatform.h"

namespace {

using namespace platform;

TEST(SoundContract, MissingFileFailsToOpenWithItsNumberAndText) {
  auto p = MakeContractPlatform();
  MciOpenParms open;
  open.lpstrElementName = "C:\\no such folder\\nothing here.mid";
  EXPECT_EQ(p->mciSendCommandA(0, mci::kOpen, mci::kWait | mci::kOpenElement, open),
            mci::kErrFileNotFound);

  char text[4096] = "unchanged";
  ASSERT_TRUE(p->mciGetErrorStringA(mci::kErrFileNotFound, text, sizeof text));
  EXPECT_EQ(std::string(text).rfind("Cannot find the specified file.", 0), 0u) << text;
}

TEST(SoundContract, CommandsToADeviceNeverOpenedFail) {
  auto p = MakeContractPlatform();
  const std::uint32_t never = 4711;
  MciStatusParms status;
  status.dwItem = mci::kStatusMode;
  EXPECT_NE(p->mciSendCommandA(never, mci::kStatus, mci::kWait | mci::kStatusItem, status), 0u);
  MciPlayParms play;
  EXPECT_NE(p->mciSendCommandA(never, mci::kPlay, mci::kNotify, play), 0u);
  MciGenericParms generic;
  EXPECT_NE(p->mciSendCommandA(never, mci::kStop, mci::kWait, generic), 0u);
  EXPECT_NE(p->mciSendCommandA(never, mci::kClose, mci::kWait, generic), 0u);
}

}  // namespace
