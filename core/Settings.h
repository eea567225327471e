// The program's settings: the shared in-memory record, the slot table, and
// the store that keeps them in the current user's registry.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/Hotkeys.h"
#include "platform/Platform.h"
#include "platform/Utf8.h"
#include "raster/Bitmap.h"

inline constexpr char kSettingsKey[] = "SOFTWARE\\Omvale Tavrin 2.0.8";
inline constexpr char kVersionText[] = " 2.0.8";  // the blank in front is part of it
inline constexpr char kDefaultSoundName[] = "canyon.mid";
// What the Execute Program effect opens until the user picks something else.
inline constexpr char kDefaultExecuteName[] = "https://tavrin.omvale.example/";
// Longest text a name field holds, in characters (a name in UTF-8 takes up
// to four bytes for each); longer stored texts are cut to it.
inline constexpr std::size_t kTextCapacity = 254;

using SlotTable = std::array<std::int32_t, 11>;
inline constexpr SlotTable kDefaultSlots = {0, 1, 2, 11, 4, 5, 13, 7, 8, 3, 6};

struct TSettings {
  std::int32_t MarkChoice = 0;
  gui::Color RevealColor = 0xFF0000;
  std::int32_t RevealStyle = 0;
  gui::Color LineColor = 0xFF0000;
  std::int32_t LineStyle = 0;
  std::int32_t ZoomFactor = 2;
  std::int32_t SpotLightStyle = 0;
  gui::Color LaserBeamColor = 0x0000FF;
  std::int32_t LaserBeamSize = 1;
  gui::Color RectangleColor = 0x0000FF;
  std::string ComPortName = "Com2";
  std::string SoundName;
  std::string BreakSound;
  std::string ExecuteName;
  gui::Color BreakFontColor = 0x80FF80;
  gui::Color BreakBackColor = 0x000080;
  std::int32_t BreakMinutes = 10;
  // Never stored: every run starts with these.
  gui::Color PenColor = 0x0000FF;
  std::int32_t PenSize = 1;
  std::int32_t SpotLightWidth = 200;
  std::int32_t SpotLightHeight = 200;
  // The keyboard's shortcuts for the device's keys (core/Hotkeys.h).
  HotkeyTable Hotkeys = kDefaultHotkeys;
};

// Values are loaded as stored; these are the guards for where they are used.
// A zoom factor below 2 would divide the screen by zero or enlarge nothing.
inline std::int32_t UsableZoomFactor(std::int32_t stored) { return stored < 2 ? 2 : stored; }
// Index into a table of n entries, or nothing for an outside value.
inline std::optional<std::size_t> TableIndex(std::int32_t value, std::size_t n) {
  if (value < 0 || static_cast<std::size_t>(value) >= n) return std::nullopt;
  return static_cast<std::size_t>(value);
}
// A name as a text field of the record holds it: cut to its capacity,
// between two characters.
inline std::string BoundedName(std::string_view text) {
  return std::string(platform::Utf8Prefix(text, kTextCapacity));
}

// Each operation makes its own registry accessor, opens the key, reads or
// writes, and closes it again. Read and write failures raise
// gui::RegistryError with the accessor's message.
class SettingsStore {
 public:
  explicit SettingsStore(platform::RegistryOps& registry) : registry_(registry) {}

  // Fills settings and slots from the key, or creates the key with every
  // default. Stops at the first integer that cannot be read.
  void Load(TSettings& settings, SlotTable& slots);
  // The persisted settings except the port.
  void SaveSettings(const TSettings& settings);
  void SaveSlots(const SlotTable& slots);
  // Only into an existing key: without one, the choice holds for this run.
  void SavePort(std::string_view portName);
  // "Hotkey B" .. "Hotkey L".
  void SaveHotkeys(const HotkeyTable& hotkeys);

 private:
  platform::RegistryOps& registry_;
};
