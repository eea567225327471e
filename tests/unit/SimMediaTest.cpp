// The simulated machine's media, shell and version services where a test
// needs more than the contract suite can show: sounds of any length on the
// manual clock, tempo changes, an idle program woken by a sound's end, the
// shell's result for a missing name and failure injection. On the exact
// clock: the lengths are the model's own, to the millisecond.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/memory/SimProcess.h"
#include "platform/memory/SimSystem.h"

namespace {

using namespace platform;
using platform::memory::SimSystem;

std::uint32_t Open(memory::SimProcess& p, const std::string& file) {
  MciOpenParms open;
  open.lpstrElementName = file;
  EXPECT_EQ(p.mciSendCommandA(0, mci::kOpen, mci::kWait | mci::kOpenElement, open), 0u) << file;
  return open.wDeviceID;
}

std::uintptr_t Status(memory::SimProcess& p, std::uint32_t device, std::uint32_t item) {
  MciStatusParms s;
  s.dwItem = item;
  EXPECT_EQ(p.mciSendCommandA(device, mci::kStatus, mci::kWait | mci::kStatusItem, s), 0u);
  return s.dwReturn;
}

std::vector<std::uint8_t> Chunk(const char* tag, std::vector<std::uint8_t> body) {
  std::vector<std::uint8_t> c(tag, tag + 4);
  const auto n = static_cast<std::uint32_t>(body.size());
  c.insert(c.end(), {static_cast<std::uint8_t>(n >> 24), static_cast<std::uint8_t>(n >> 16),
                     static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)});
  c.insert(c.end(), body.begin(), body.end());
  return c;
}

// Format 1, 96 ticks a quarter note: a tempo track (half a second a quarter
// note, a full second after the first quarter note) and a note track of two
// quarter notes whose note-off uses running status.
std::vector<std::uint8_t> TwoTempoMidi() {
  std::vector<std::uint8_t> file = Chunk("MThd", {0, 1, 0, 2, 0, 96});
  const auto tempo = Chunk("MTrk", {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,  //
                                    0x60, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40,  //
                                    0x00, 0xFF, 0x2F, 0x00});
  const auto notes = Chunk("MTrk", {0x00, 0x90, 60, 100,  //
                                    0x81, 0x40, 60, 0,    // 192 ticks later
                                    0x00, 0xFF, 0x2F, 0x00});
  file.insert(file.end(), tempo.begin(), tempo.end());
  file.insert(file.end(), notes.begin(), notes.end());
  return file;
}

TEST(SimulatedMedia, TempoChangesAnywhereInTheFileSetTheLength) {
  SimSystem sys;
  auto p = sys.StartProcess();
  sys.AddFile("two.mid", TwoTempoMidi());
  const std::uint32_t id = Open(*p, "two.mid");
  EXPECT_EQ(Status(*p, id, mci::kStatusLength), 1500u) << "500 ms, then 1000 ms";
}

TEST(SimulatedMedia, DamagedFilesFailToOpenAndNeverCrash) {
  SimSystem sys;
  auto p = sys.StartProcess();
  const std::vector<std::uint8_t> good = TwoTempoMidi();
  // Every cut of a good file, and the good file with each byte spoiled.
  for (std::size_t n = 0; n < good.size(); ++n) {
    sys.AddFile("cut.mid", {good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n)});
    MciOpenParms open;
    open.lpstrElementName = "cut.mid";
    const std::uint32_t rc =
        p->mciSendCommandA(0, mci::kOpen, mci::kWait | mci::kOpenElement, open);
    if (rc == 0) {
      MciGenericParms close;
      p->mciSendCommandA(open.wDeviceID, mci::kClose, mci::kWait, close);
    } else {
      EXPECT_EQ(rc, 296u) << n;
    }
  }
  for (std::size_t i = 0; i < good.size(); ++i) {
    std::vector<std::uint8_t> bad = good;
    bad[i] ^= 0xFF;
    sys.AddFile("bad.mid", bad);
    sys.AddFile("bad.wav", bad);
    for (const char* name : {"bad.mid", "bad.wav"}) {
      MciOpenParms open;
      open.lpstrElementName = name;
      if (p->mciSendCommandA(0, mci::kOpen, mci::kWait | mci::kOpenElement, open) == 0) {
        MciGenericParms close;
        p->mciSendCommandA(open.wDeviceID, mci::kClose, mci::kWait, close);
      }
    }
  }
  // A wave whose data chunk claims more than the file holds plays what is there.
  std::vector<std::uint8_t> wave{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
  wave.insert(wave.end(), {'f',  'm',  't', ' ', 16, 0, 0, 0,    // sizes are little-endian
                           1,    0,    1,   0,                   // PCM, mono
                           0x40, 0x1F, 0,   0,                   // 8000 samples a second
                           0x40, 0x1F, 0,   0,   1,  0, 8, 0});  // 8000 bytes a second
  wave.insert(wave.end(), {'d', 'a', 't', 'a', 0xFF, 0xFF, 0xFF, 0x7F});
  wave.insert(wave.end(), 800, 0x80);  // 100 ms at 8000 bytes a second
  sys.AddFile("short.wav", wave);
  EXPECT_EQ(Status(*p, Open(*p, "short.wav"), mci::kStatusLength), 100u);
}

TEST(SimulatedMedia, AnIdleProgramIsWokenByTheEndOfItsSound) {
  SimSystem sys;
  auto p = sys.StartProcess();
  p->SetIdleTimeBudget(10'000);
  sys.AddSoundFile("tune.mid", 700);
  WindowParams params;
  params.className = "TCallback";
  params.messageOnly = true;
  const Hwnd window = p->CreateWindowExA(params, [&](Hwnd h, std::uint32_t m, WParam w, LParam l) {
    return p->DefWindowProcA(h, m, w, l);
  });
  const std::uint32_t id = Open(*p, "tune.mid");
  MciPlayParms play;
  play.dwCallback = window;
  ASSERT_EQ(p->mciSendCommandA(id, mci::kPlay, mci::kNotify, play), 0u);
  ASSERT_TRUE(p->WaitMessage());
  EXPECT_EQ(sys.Now(), 700u) << "the clock went straight to the sound's end";
  Msg m;
  ASSERT_TRUE(p->PeekMessageW(&m, 0, kPmRemove));
  EXPECT_EQ(m.hwnd, window);
  EXPECT_EQ(m.message, mci::kMmMciNotify);
  EXPECT_EQ(m.wParam, mci::kNotifySuccessful);
  EXPECT_EQ(static_cast<std::uint32_t>(m.lParam), id);
  EXPECT_FALSE(p->WaitMessage()) << "nothing more can arrive";
}

TEST(SimulatedMedia, AProcessSeesOnlyItsOwnDevicesAndTheirSoundsEndWithIt) {
  SimSystem sys;
  auto first = sys.StartProcess();
  auto second = sys.StartProcess();
  sys.AddSoundFile("a.wav", 5000);
  const std::uint32_t id = Open(*first, "a.wav");
  MciPlayParms play;
  ASSERT_EQ(first->mciSendCommandA(id, mci::kPlay, mci::kNotify, play), 0u);
  MciGenericParms stop;
  EXPECT_EQ(second->mciSendCommandA(id, mci::kStop, mci::kWait, stop), mci::kErrInvalidDeviceId);
  EXPECT_EQ(sys.AudibleSounds(), std::vector<std::string>{"a.wav"});
  first.reset();
  EXPECT_TRUE(sys.AudibleSounds().empty());
}

TEST(SimulatedMedia, PlayRangesOutsideTheFileAreRefused) {
  SimSystem sys;
  auto p = sys.StartProcess();
  sys.AddSoundFile("a.wav", 1000);
  const std::uint32_t id = Open(*p, "a.wav");
  MciPlayParms play;
  play.dwFrom = 200;
  play.dwTo = 1001;
  EXPECT_EQ(p->mciSendCommandA(id, mci::kPlay, mci::kFrom | mci::kTo, play), 282u);
  play.dwTo = 300;
  EXPECT_EQ(p->mciSendCommandA(id, mci::kPlay, mci::kFrom | mci::kTo, play), 0u);
  p->Sleep(99);
  EXPECT_EQ(Status(*p, id, mci::kStatusMode), mci::kModePlay);
  p->Sleep(1);
  EXPECT_EQ(Status(*p, id, mci::kStatusMode), mci::kModeStop);
  EXPECT_EQ(Status(*p, id, mci::kStatusPosition), 300u);
}

TEST(SimulatedShell, MissingNamesGetTheResultATestChoosesAndAddressesOpen) {
  SimSystem sys;
  auto p = sys.StartProcess();
  sys.AddFile("C:\\Tools\\show.exe", {'M', 'Z'});
  EXPECT_GT(p->ShellExecuteA(0, "open", "c:\\tools\\SHOW.EXE", "", "", kSwShowNormal), 32);
  EXPECT_GT(p->ShellExecuteA(0, "open", "C:\\Tools\\show", "", "", kSwShowNormal), 32);
  EXPECT_GT(p->ShellExecuteA(0, "open", "http://example.org/", "", "", kSwShowNormal), 32);
  EXPECT_EQ(p->ShellExecuteA(0, "open", "C:\\Tools\\gone.exe", "", "", kSwShowNormal),
            kSeErrFileNotFound);
  EXPECT_EQ(p->ShellExecuteA(0, "open", "", "", "", kSwShowNormal), kSeErrFileNotFound);
  sys.SetShellMissingFileResult(kSeErrNoAssoc);
  EXPECT_EQ(p->ShellExecuteA(0, "open", "C:\\Tools\\gone.exe", "", "", kSwShowNormal),
            kSeErrNoAssoc);
  ASSERT_EQ(sys.ShellExecutes().size(), 6u);
  EXPECT_EQ(sys.ShellExecutes()[0].verb, "open");
  EXPECT_EQ(sys.ShellExecutes()[0].showCmd, kSwShowNormal);
}

TEST(SimulatedVersion, EitherRecordSizeCanBeMadeToFail) {
  SimSystem sys;
  auto p = sys.StartProcess();
  sys.SetVersion({4, 0, 1381, kVerPlatformWin32Nt});
  sys.FailVersionQuery(kOsVersionInfoExSize, error::kInvalidParameter);
  OsVersionInfo extended;
  EXPECT_FALSE(p->GetVersionExA(&extended));
  EXPECT_EQ(p->GetLastError(), error::kInvalidParameter);
  OsVersionInfo basic;
  basic.dwOSVersionInfoSize = kOsVersionInfoSize;
  ASSERT_TRUE(p->GetVersionExA(&basic)) << "an old system takes only the basic record";
  EXPECT_EQ(basic.dwMajorVersion, 4u);
  EXPECT_EQ(basic.dwBuildNumber, 1381u);

  sys.FailVersionQuery(kOsVersionInfoSize, error::kInvalidParameter);
  EXPECT_FALSE(p->GetVersionExA(&basic));
  sys.FailVersionQuery(kOsVersionInfoExSize, 0);
  EXPECT_TRUE(p->GetVersionExA(&extended));
  EXPECT_EQ(extended.dwOSVersionInfoSize, kOsVersionInfoExSize);
}

}  // namespace
