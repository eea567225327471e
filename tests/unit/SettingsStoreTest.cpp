// The settings store against the simulated registry: what a first run
// writes and in which order, how a damaged key stops the load, and what
// each save touches.
#include <gtest/gtest.h>

#include "core/Settings.h"
#include "gui/Registry.h"
#include "platform/memory/SimProcess.h"
#include "platform/memory/SimSystem.h"

namespace {

using platform::kRegBinary;
using platform::kRegDword;
using platform::kRegExpandSz;
using platform::kRegSz;
using platform::memory::SimSystem;

class SettingsStoreTest : public ::testing::Test {
 protected:
  SettingsStoreTest() : process(sys.StartProcess()), store(*process) {}

  void FirstRun() {
    store.Load(settings, slots);
    sys.ClearRegistryWrites();
  }
  // Loads into fresh defaults; returns the accessor's message, or "" if none.
  std::string LoadError() {
    settings = {};
    slots = kDefaultSlots;
    try {
      store.Load(settings, slots);
    } catch (const gui::RegistryError& e) {
      return e.what();
    }
    return "";
  }
  std::vector<std::string> WrittenNames() const {
    std::vector<std::string> names;
    for (const auto& w : sys.RegistryWrites()) names.push_back(w.valueName);
    return names;
  }

  SimSystem sys;
  std::unique_ptr<platform::memory::SimProcess> process;
  SettingsStore store;
  TSettings settings;
  SlotTable slots = kDefaultSlots;
};

const std::vector<std::string> kFirstRunOrder = {"Mark Choice",
                                                 "Reveal Color",
                                                 "Reveal Style",
                                                 "Line Color",
                                                 "Line Style",
                                                 "ZoomX",
                                                 "Spot Light Style",
                                                 "Laser Beam Color",
                                                 "Laser Beam Size",
                                                 "Rectangle Color",
                                                 "Break Font Color",
                                                 "Break Back Color",
                                                 "Break Time ",
                                                 "SoundName",
                                                 "BreakSound",
                                                 "Execute Name",
                                                 "Com Port",
                                                 "Version",
                                                 "0",
                                                 "1",
                                                 "2",
                                                 "3",
                                                 "4",
                                                 "5",
                                                 "6",
                                                 "7",
                                                 "8",
                                                 "9",
                                                 "10"};

TEST_F(SettingsStoreTest, FirstRunCreatesTheKeyWithEveryDefaultInOrder) {
  store.Load(settings, slots);

  EXPECT_EQ(WrittenNames(), kFirstRunOrder);
  EXPECT_EQ(sys.ValueNames(kSettingsKey), kFirstRunOrder);
  const std::pair<const char*, std::uint32_t> dwords[] = {{"Mark Choice", 0},
                                                          {"Reveal Color", 0xFF0000},
                                                          {"Reveal Style", 0},
                                                          {"Line Color", 0xFF0000},
                                                          {"Line Style", 0},
                                                          {"ZoomX", 2},
                                                          {"Spot Light Style", 0},
                                                          {"Laser Beam Color", 0x0000FF},
                                                          {"Laser Beam Size", 1},
                                                          {"Rectangle Color", 0x0000FF},
                                                          {"Break Font Color", 0x80FF80},
                                                          {"Break Back Color", 0x000080},
                                                          {"Break Time ", 10}};
  for (auto [name, value] : dwords) EXPECT_EQ(sys.Dword(kSettingsKey, name), value) << name;
  const std::uint32_t defaultSlots[] = {0, 1, 2, 11, 4, 5, 13, 7, 8, 3, 6};
  for (int i = 0; i < 11; ++i)
    EXPECT_EQ(sys.Dword(kSettingsKey, std::to_string(i)), defaultSlots[i]);
  EXPECT_EQ(sys.String(kSettingsKey, "SoundName"), "canyon.mid");
  EXPECT_EQ(sys.String(kSettingsKey, "BreakSound"), "canyon.mid");
  EXPECT_EQ(sys.String(kSettingsKey, "Execute Name"), kDefaultExecuteName);
  EXPECT_EQ(sys.String(kSettingsKey, "Com Port"), "Com2");
  EXPECT_EQ(sys.String(kSettingsKey, "Version"), " 2.0.8");
  // No stray spelling without the blank.
  EXPECT_EQ(sys.Value(kSettingsKey, "Break Time"), nullptr);

  EXPECT_EQ(settings.SoundName, "canyon.mid");
  EXPECT_EQ(settings.BreakSound, "canyon.mid");
  EXPECT_EQ(settings.ExecuteName, kDefaultExecuteName);
  EXPECT_EQ(settings.ComPortName, "Com2");
}

TEST_F(SettingsStoreTest, ExistingKeyIsReadAsStoredWithoutRangeChecks) {
  FirstRun();
  sys.SetDword(kSettingsKey, "ZoomX", 0);
  sys.SetDword(kSettingsKey, "Mark Choice", 7);
  sys.SetDword(kSettingsKey, "Break Time ", 250);
  sys.SetDword(kSettingsKey, "3", 12);
  sys.SetDword(kSettingsKey, "Line Color", 0xFFFFFFFF);
  sys.SetString(kSettingsKey, "Execute Name", "%WINDIR%\\notepad.exe", kRegExpandSz);

  EXPECT_EQ(LoadError(), "");
  EXPECT_EQ(settings.ZoomFactor, 0);
  EXPECT_EQ(settings.MarkChoice, 7);
  EXPECT_EQ(settings.BreakMinutes, 250);
  EXPECT_EQ(slots[3], 12);
  EXPECT_EQ(settings.LineColor, 0xFFFFFFFFu);
  EXPECT_EQ(settings.ExecuteName, "%WINDIR%\\notepad.exe");
  EXPECT_TRUE(sys.RegistryWrites().empty()) << "a load of an existing key writes nothing";
}

TEST_F(SettingsStoreTest, DamagedIntegerStopsTheLoadThere) {
  FirstRun();
  sys.SetDword(kSettingsKey, "Mark Choice", 2);
  sys.SetDword(kSettingsKey, "Laser Beam Size", 3);  // after the damage: must keep its default
  sys.SetString(kSettingsKey, "SoundName", "ding.wav");

  sys.DeleteValue(kSettingsKey, "ZoomX");
  EXPECT_EQ(LoadError(), "Failed to get data for 'ZoomX'");
  EXPECT_EQ(settings.MarkChoice, 2) << "values before the damage keep what was loaded";
  EXPECT_EQ(settings.LaserBeamSize, 1) << "values after it keep their defaults";
  EXPECT_EQ(settings.SoundName, "") << "strings come after ZoomX and are not reached";

  struct Case {
    const char* what;
    std::uint32_t type;
    std::vector<std::uint8_t> data;
    const char* message;
  };
  const Case cases[] = {
      {"a string", kRegSz, {'2', 0}, "Invalid data type for 'ZoomX'"},
      {"four binary bytes", kRegBinary, {2, 0, 0, 0}, "Invalid data type for 'ZoomX'"},
      {"eight binary bytes",
       kRegBinary,
       {2, 0, 0, 0, 0, 0, 0, 0},
       "Failed to get data for 'ZoomX'"},
      {"a two-byte DWORD", kRegDword, {2, 0}, ""},
      {"a long string", kRegSz, {'1', '2', '3', '4', 0}, "Failed to get data for 'ZoomX'"},
  };
  for (const Case& c : cases) {
    sys.SetValue(kSettingsKey, "ZoomX", c.type, c.data);
    EXPECT_EQ(LoadError(), c.message) << c.what;
  }
}

TEST_F(SettingsStoreTest, BreakTimeWithoutTheTrailingBlankCountsAsMissing) {
  FirstRun();
  sys.DeleteValue(kSettingsKey, "Break Time ");
  sys.SetDword(kSettingsKey, "Break Time", 5);
  EXPECT_EQ(LoadError(), "Failed to get data for 'Break Time '");
  EXPECT_EQ(settings.BreakMinutes, 10);
  EXPECT_EQ(settings.ExecuteName, kDefaultExecuteName) << "everything before it was loaded";
}

TEST_F(SettingsStoreTest, ValueNamesAreCaseInsensitive) {
  FirstRun();
  sys.DeleteValue(kSettingsKey, "ZoomX");
  sys.SetDword(kSettingsKey, "ZOOMX", 6);
  EXPECT_EQ(LoadError(), "");
  EXPECT_EQ(settings.ZoomFactor, 6);
}

TEST_F(SettingsStoreTest, StringsAbsentWrongTypedTooLongOrWithNul) {
  FirstRun();
  sys.DeleteValue(kSettingsKey, "Com Port");
  sys.DeleteValue(kSettingsKey, "SoundName");
  EXPECT_EQ(LoadError(), "");
  EXPECT_EQ(settings.ComPortName, "") << "an absent port name selects the second port";
  EXPECT_EQ(settings.SoundName, "");
  EXPECT_FALSE(sys.Value(kSettingsKey, "Com Port")) << "the load does not recreate it";

  sys.SetString(kSettingsKey, "BreakSound", std::string(1000, 'x'));
  sys.SetValue(kSettingsKey, "SoundName", kRegSz, {'a', '.', 'w', 'a', 'v', 0, 'z', 0});
  EXPECT_EQ(LoadError(), "");
  EXPECT_EQ(settings.BreakSound, std::string(kTextCapacity, 'x'));
  EXPECT_EQ(settings.SoundName, "a.wav");

  sys.SetDword(kSettingsKey, "Execute Name", 1);
  EXPECT_EQ(LoadError(), "Invalid data type for 'Execute Name'");
  sys.SetValue(kSettingsKey, "Execute Name", kRegBinary, {});
  EXPECT_EQ(LoadError(), "") << "an empty value of any type reads as empty text";
  EXPECT_EQ(settings.ExecuteName, "");
}

// Each text field has its own copy: a cut that covers one field can miss
// another, so every field is fed a text longer than it holds, one at a time,
// with the others at lengths either side of the bound. The bound counts
// characters, here of two bytes each.
TEST_F(SettingsStoreTest, EveryLongTextIsCutAtTheCapacity) {
  FirstRun();
  const std::pair<const char*, std::string TSettings::*> fields[] = {
      {"SoundName", &TSettings::SoundName},
      {"BreakSound", &TSettings::BreakSound},
      {"Execute Name", &TSettings::ExecuteName}};
  const std::string full(kTextCapacity, 'y');
  const auto letters = [](std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += "\u0436";
    return s;
  };
  for (const auto& cut : fields) {
    for (const auto& other : fields) {
      if (&other != &cut) sys.SetString(kSettingsKey, other.first, full);
    }
    for (std::size_t len :
         {kTextCapacity - 1, kTextCapacity, kTextCapacity + 1, std::size_t{1000}}) {
      sys.SetString(kSettingsKey, cut.first, letters(len));
      EXPECT_EQ(LoadError(), "") << cut.first;
      EXPECT_EQ(settings.*cut.second, letters(std::min(len, kTextCapacity)))
          << cut.first << " stored with " << len << " characters";
      for (const auto& other : fields) {
        if (&other != &cut) {
          EXPECT_EQ(settings.*other.second, full) << other.first;
        }
      }
    }
  }
}

TEST_F(SettingsStoreTest, FailingWriteAbandonsTheRestOfTheSave) {
  sys.FailValueWrite("Reveal Style");
  EXPECT_EQ(LoadError(), "Failed to set data for 'Reveal Style'");
  EXPECT_EQ(WrittenNames(), (std::vector<std::string>{"Mark Choice", "Reveal Color"}));

  sys.ClearRegistryWrites();
  settings.ZoomFactor = 8;
  EXPECT_THROW(store.SaveSettings(settings), gui::RegistryError);
  EXPECT_EQ(WrittenNames(), (std::vector<std::string>{"Mark Choice", "Reveal Color"}));
}

TEST_F(SettingsStoreTest, KeyThatCannotBeCreatedLeavesDefaultsAndEmptyNames) {
  sys.FailCreateKey(kSettingsKey);
  EXPECT_EQ(LoadError(), "");
  EXPECT_FALSE(sys.KeyExists(kSettingsKey));
  EXPECT_TRUE(sys.RegistryWrites().empty());
  EXPECT_EQ(settings.SoundName, "");
  EXPECT_EQ(settings.BreakSound, "");
  EXPECT_EQ(settings.ExecuteName, "");
  EXPECT_EQ(settings.ComPortName, "Com2");
  EXPECT_EQ(settings.ZoomFactor, 2);
}

TEST_F(SettingsStoreTest, SaveSettingsWritesEverythingButThePortInOrder) {
  FirstRun();
  settings.LineColor = 0x00FF00;  // as a tool's click would have left it
  settings.BreakMinutes = 99;
  settings.SoundName = "ding.wav";
  settings.ComPortName = "Com1";
  store.SaveSettings(settings);
  EXPECT_EQ(WrittenNames(),
            (std::vector<std::string>{"Mark Choice", "Reveal Color", "Reveal Style", "Line Color",
                                      "Line Style", "ZoomX", "Spot Light Style", "Laser Beam Color",
                                      "Laser Beam Size", "Rectangle Color", "Break Font Color",
                                      "Break Back Color", "Break Time ", "SoundName", "BreakSound",
                                      "Execute Name", "Version"}));
  EXPECT_EQ(sys.Dword(kSettingsKey, "Line Color"), 0x00FF00u);
  EXPECT_EQ(sys.Dword(kSettingsKey, "Break Time "), 99u);
  EXPECT_EQ(sys.String(kSettingsKey, "SoundName"), "ding.wav");
  EXPECT_EQ(sys.String(kSettingsKey, "Com Port"), "Com2");
}

TEST_F(SettingsStoreTest, SavePortOnlyIntoAnExistingKey) {
  store.SavePort("Com1");
  EXPECT_FALSE(sys.KeyExists(kSettingsKey));
  FirstRun();
  store.SavePort("Com1");
  EXPECT_EQ(sys.String(kSettingsKey, "Com Port"), "Com1");
  EXPECT_EQ(WrittenNames(), (std::vector<std::string>{"Com Port"}));
}

TEST_F(SettingsStoreTest, SaveSlotsCreatesTheKeyAndWritesElevenValues) {
  slots[4] = 12;
  store.SaveSlots(slots);
  EXPECT_EQ(WrittenNames(),
            (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}));
  EXPECT_EQ(sys.Dword(kSettingsKey, "4"), 12u);
}

TEST(SettingsGuards, ZoomAndTableIndexes) {
  EXPECT_EQ(UsableZoomFactor(0), 2);
  EXPECT_EQ(UsableZoomFactor(-4), 2);
  EXPECT_EQ(UsableZoomFactor(12), 12);
  EXPECT_EQ(TableIndex(2, 3), 2u);
  EXPECT_FALSE(TableIndex(3, 3));
  EXPECT_FALSE(TableIndex(-1, 3));
}

}  // namespace
