// Media control as the player relies on it: the device is picked by the
// file, a missing file fails to open with the system's number and text, a
// sound plays for its length and then reads stopped while its device stays
// open, and the play's notification reaches the callback window. (After a
// failure the output fields of the parameter records mean nothing: the
// system may write to them.)
//
// The Wine test prefix has no audio driver: a MIDI file reads playing there
// but never moves on, and a wave file reads stopped at once, so a sound
// that ends by itself is shown natively only.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/contract/ContractPlatform.h"
#include "tests/contract/ContractSupport.h"

namespace {

using namespace platform;

void Be(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void Le(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void Vlq(std::vector<std::uint8_t>& out, std::uint32_t v) {
  std::vector<std::uint8_t> rev{static_cast<std::uint8_t>(v & 0x7F)};
  while (v >>= 7) rev.push_back(static_cast<std::uint8_t>(0x80 | (v & 0x7F)));
  out.insert(out.end(), rev.rbegin(), rev.rend());
}

// One note of lengthMs (a multiple of 5) at the standard tempo of 120
// quarter notes a minute and 100 ticks a quarter note: 5 ms a tick. (Wine's
// sequencer leaves tempo changes out of the length it reports, so the file
// has none; the simulated one follows them.)
std::vector<std::uint8_t> MidiFile(std::uint32_t lengthMs) {
  std::vector<std::uint8_t> track;
  Vlq(track, 0);
  track.insert(track.end(), {0x90, 60, 100});
  Vlq(track, lengthMs / 5);
  track.insert(track.end(), {0x80, 60, 0});
  Vlq(track, 0);
  track.insert(track.end(), {0xFF, 0x2F, 0x00});
  std::vector<std::uint8_t> file{'M', 'T', 'h', 'd'};
  Be(file, 6, 4);
  Be(file, 0, 2);    // format 0
  Be(file, 1, 2);    // one track
  Be(file, 100, 2);  // ticks a quarter note
  file.insert(file.end(), {'M', 'T', 'r', 'k'});
  Be(file, static_cast<std::uint32_t>(track.size()), 4);
  file.insert(file.end(), track.begin(), track.end());
  return file;
}

// 8-bit mono at 8000 samples a second: 8 bytes a millisecond.
std::vector<std::uint8_t> WaveFile(std::uint32_t lengthMs) {
  const std::uint32_t data = lengthMs * 8;
  std::vector<std::uint8_t> file{'R', 'I', 'F', 'F'};
  Le(file, 36 + data, 4);
  file.insert(file.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Le(file, 16, 4);
  Le(file, 1, 2);     // PCM
  Le(file, 1, 2);     // mono
  Le(file, 8000, 4);  // samples a second
  Le(file, 8000, 4);  // bytes a second
  Le(file, 1, 2);     // block
  Le(file, 8, 2);     // bits
  file.insert(file.end(), {'d', 'a', 't', 'a'});
  Le(file, data, 4);
  file.insert(file.end(), data, 0x80);
  return file;
}

std::uint32_t Open(Platform& p, const std::string& path, std::uint32_t* device) {
  MciOpenParms open;
  open.lpstrElementName = path;
  const std::uint32_t rc = p.mciSendCommandA(0, mci::kOpen, mci::kWait | mci::kOpenElement, open);
  *device = rc == 0 ? open.wDeviceID : 0;
  return rc;
}

std::uint32_t Status(Platform& p, std::uint32_t device, std::uint32_t item, std::uintptr_t* out) {
  MciStatusParms status;
  status.dwItem = item;
  const std::uint32_t rc =
      p.mciSendCommandA(device, mci::kStatus, mci::kWait | mci::kStatusItem, status);
  *out = status.dwReturn;
  return rc;
}

std::uint32_t Close(Platform& p, std::uint32_t device) {
  MciGenericParms close;
  return p.mciSendCommandA(device, mci::kClose, mci::kWait, close);
}

std::string ErrorText(Platform& p, std::uint32_t error) {
  char text[4096] = "unchanged";
  if (!p.mciGetErrorStringA(error, text, sizeof text)) return "<none>";
  return text;
}

TEST(SoundContract, MissingFileFailsToOpenWithItsNumberAndText) {
  auto p = MakeContractPlatform();
  MciOpenParms open;
  open.lpstrElementName = "C:\\no such folder\\nothing here.mid";
  EXPECT_EQ(p->mciSendCommandA(0, mci::kOpen, mci::kWait | mci::kOpenElement, open),
            mci::kErrFileNotFound);
  EXPECT_EQ(ErrorText(*p, mci::kErrFileNotFound),
            "Cannot find the specified file. Make sure the path and filename are correct.");
}

TEST(SoundContract, ErrorTextsAndNumbersWithoutOne) {
  auto p = MakeContractPlatform();
  EXPECT_EQ(ErrorText(*p, mci::kErrInvalidDeviceId),
            "Invalid MCI device ID. Use the ID returned when opening the MCI device.");
  for (std::uint32_t none : {0u, 1u, 255u, 100000u})
    EXPECT_EQ(ErrorText(*p, none), "<none>") << none;
  char tiny[1] = {'x'};
  EXPECT_FALSE(p->mciGetErrorStringA(mci::kErrFileNotFound, tiny, 0)) << "no room at all";
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

// The player asks for the mode before anything was opened: device 0.
TEST(SoundContract, StatusOfDeviceZeroFails) {
  auto p = MakeContractPlatform();
  std::uintptr_t mode = 0;
  EXPECT_EQ(Status(*p, 0, mci::kStatusMode, &mode), mci::kErrInvalidDeviceId);
}

TEST(SoundContract, FilesNoDeviceCanPlayFailToOpen) {
  auto p = MakeContractPlatform();
  std::uint32_t device = 0;
  const std::string text = MakeContractFile(contract::UniqueName("notes") + ".txt", {'h', 'i'});
  const std::uint32_t unknownKind = Open(*p, text, &device);
  EXPECT_EQ(unknownKind, 281u) << ErrorText(*p, unknownKind);
  const std::string broken =
      MakeContractFile(contract::UniqueName("broken") + ".mid", {'n', 'o', 't', ' ', 'M', 'I'});
  const std::uint32_t badContent = Open(*p, broken, &device);
  EXPECT_EQ(badContent, 296u) << ErrorText(*p, badContent);
}

TEST(SoundContract, AMidiFileOpensStoppedWithItsLengthAndPlaysAtOnce) {
  auto p = MakeContractPlatform();
  const std::string path = MakeContractFile(contract::UniqueName("tune") + ".mid", MidiFile(400));
  std::uint32_t device = 0;
  ASSERT_EQ(Open(*p, path, &device), 0u);
  std::uintptr_t value = 0;
  EXPECT_EQ(Status(*p, device, mci::kStatusMode, &value), 0u);
  EXPECT_EQ(value, mci::kModeStop);
  EXPECT_EQ(Status(*p, device, mci::kStatusLength, &value), 0u);
  EXPECT_EQ(value, 400u);
  EXPECT_EQ(Status(*p, device, mci::kStatusPosition, &value), 0u);
  EXPECT_EQ(value, 0u);

  MciPlayParms play;
  ASSERT_EQ(p->mciSendCommandA(device, mci::kPlay, mci::kNotify, play), 0u);
  EXPECT_EQ(Status(*p, device, mci::kStatusMode, &value), 0u) << "play returned at once";
  EXPECT_EQ(value, mci::kModePlay);
  EXPECT_EQ(Close(*p, device), 0u);
  EXPECT_NE(Status(*p, device, mci::kStatusMode, &value), 0u) << "closed";
}

TEST(SoundContract, AMidiFilePlaysForItsLengthThenReadsStoppedWhileStillOpen) {
#ifdef _WIN32
  GTEST_SKIP() << "the Wine test prefix has no audio driver: its sequencer reads playing at "
                  "position 0 for ever, so no sound there ever ends";
#endif
  auto p = MakeContractPlatform();
  const std::string path = MakeContractFile(contract::UniqueName("tune") + ".mid", MidiFile(400));
  std::uint32_t device = 0;
  ASSERT_EQ(Open(*p, path, &device), 0u);
  contract::LoggingWindow callback(*p, contract::Popup("Sound"));
  MciPlayParms play;
  play.dwCallback = callback.hwnd();
  const std::uint32_t started = p->GetTickCount();
  ASSERT_EQ(p->mciSendCommandA(device, mci::kPlay, mci::kNotify, play), 0u);

  std::uintptr_t value = 0;
  std::uint32_t ended = 0;
  for (int i = 0; i < 60 && callback.Count(mci::kMmMciNotify) == 0; ++i) {
    p->Sleep(20);
    contract::PumpPending(*p);
    if (!ended && Status(*p, device, mci::kStatusMode, &value) == 0 && value == mci::kModeStop)
      ended = p->GetTickCount();
  }
  ASSERT_EQ(callback.Count(mci::kMmMciNotify), 1);
  EXPECT_EQ(callback.Count(mci::kMmMciNotify, mci::kNotifySuccessful), 1);
  for (const Msg& m : callback.log()) {
    if (m.message == mci::kMmMciNotify) {
      EXPECT_EQ(static_cast<std::uint32_t>(m.lParam), device);
    }
  }
  ASSERT_NE(ended, 0u);
  EXPECT_GE(ended - started, 400u) << "it played for its length";
  EXPECT_LE(ended - started, 500u);
  EXPECT_EQ(Status(*p, device, mci::kStatusMode, &value), 0u) << "still open";
  EXPECT_EQ(value, mci::kModeStop);
  EXPECT_EQ(Status(*p, device, mci::kStatusPosition, &value), 0u);
  EXPECT_EQ(value, 400u) << "at its end";
  EXPECT_EQ(Close(*p, device), 0u);
}

TEST(SoundContract, StopAbortsThePlaysNotification) {
  auto p = MakeContractPlatform();
  const std::string path = MakeContractFile(contract::UniqueName("long") + ".mid", MidiFile(3000));
  std::uint32_t device = 0;
  ASSERT_EQ(Open(*p, path, &device), 0u);
  contract::LoggingWindow callback(*p, contract::Popup("Sound"));
  MciPlayParms play;
  play.dwCallback = callback.hwnd();
  ASSERT_EQ(p->mciSendCommandA(device, mci::kPlay, mci::kNotify, play), 0u);
  p->Sleep(50);
  MciGenericParms stop;
  EXPECT_EQ(p->mciSendCommandA(device, mci::kStop, mci::kWait, stop), 0u);
  std::uintptr_t mode = 0;
  EXPECT_EQ(Status(*p, device, mci::kStatusMode, &mode), 0u);
  EXPECT_EQ(mode, mci::kModeStop);
  for (int i = 0; i < 10; ++i) {
    p->Sleep(20);
    contract::PumpPending(*p);
  }
  EXPECT_EQ(callback.Count(mci::kMmMciNotify), 1);
  EXPECT_EQ(callback.Count(mci::kMmMciNotify, mci::kNotifyAborted), 1);
  EXPECT_EQ(Close(*p, device), 0u);
}

TEST(SoundContract, AWaveFileOpensWithItsLengthAndPlays) {
  auto p = MakeContractPlatform();
  const std::string path = MakeContractFile(contract::UniqueName("bell") + ".wav", WaveFile(250));
  std::uint32_t device = 0;
  ASSERT_EQ(Open(*p, path, &device), 0u);
  std::uintptr_t value = 0;
  EXPECT_EQ(Status(*p, device, mci::kStatusLength, &value), 0u);
  EXPECT_EQ(value, 250u);
  MciPlayParms play;
  EXPECT_EQ(p->mciSendCommandA(device, mci::kPlay, mci::kNotify, play), 0u);
  EXPECT_EQ(Close(*p, device), 0u);
}

}  // namespace
