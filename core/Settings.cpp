#include "core/Settings.h"

#include "gui/Registry.h"

namespace {

std::string SlotName(std::size_t slot) { return std::to_string(slot); }

// The integers of the record, in the order the key is read and written.
// Colours are unsigned in memory and DWORDs in the key; both are 32 bits.
struct IntegerValue {
  const char* name;
  std::int32_t (*get)(const TSettings&);
  void (*set)(TSettings&, std::int32_t);
};

#define TAVRIN_INT(name, field)                                                           \
  IntegerValue {                                                                          \
    name, [](const TSettings& s) { return static_cast<std::int32_t>(s.field); },          \
        [](TSettings& s, std::int32_t v) { s.field = static_cast<decltype(s.field)>(v); } \
  }

const IntegerValue kLeadingIntegers[] = {
    TAVRIN_INT("Mark Choice", MarkChoice),
    TAVRIN_INT("Reveal Color", RevealColor),
    TAVRIN_INT("Reveal Style", RevealStyle),
    TAVRIN_INT("Line Color", LineColor),
    TAVRIN_INT("Line Style", LineStyle),
    TAVRIN_INT("ZoomX", ZoomFactor),
    TAVRIN_INT("Spot Light Style", SpotLightStyle),
    TAVRIN_INT("Laser Beam Color", LaserBeamColor),
    TAVRIN_INT("Laser Beam Size", LaserBeamSize),
    TAVRIN_INT("Rectangle Color", RectangleColor),
};

const IntegerValue kBreakIntegers[] = {
    TAVRIN_INT("Break Font Color", BreakFontColor), TAVRIN_INT("Break Back Color", BreakBackColor),
    TAVRIN_INT("Break Time ", BreakMinutes),  // the trailing blank is part of the name
};
#undef TAVRIN_INT

void WriteIntegers(gui::Registry& reg, const TSettings& s) {
  for (const auto& v : kLeadingIntegers) reg.WriteInteger(v.name, v.get(s));
  for (const auto& v : kBreakIntegers) reg.WriteInteger(v.name, v.get(s));
}

// Values an earlier version never wrote: an absent one keeps its default,
// and one that is no DWORD or holds bits the hot-key control cannot make is
// no shortcut, without stopping the load.
void ReadHotkeys(gui::Registry& reg, HotkeyTable& hotkeys) {
  for (std::size_t slot = 0; slot < hotkeys.size(); ++slot) {
    const std::string name = HotkeyValueName(slot);
    if (!reg.ValueExists(name)) continue;
    std::uint32_t word = 0;
    try {
      word = static_cast<std::uint32_t>(reg.ReadInteger(name));
    } catch (const gui::RegistryError&) {
      word = 0;
    }
    hotkeys[slot] = UsableHotkey(word) ? word : 0;
  }
}

void WriteSlots(gui::Registry& reg, const SlotTable& slots) {
  for (std::size_t i = 0; i < slots.size(); ++i) reg.WriteInteger(SlotName(i), slots[i]);
}

}  // namespace

void SettingsStore::Load(TSettings& s, SlotTable& slots) {
  gui::Registry reg(registry_);
  if (reg.OpenKey(kSettingsKey, false)) {
    for (std::size_t i = 0; i < slots.size(); ++i) slots[i] = reg.ReadInteger(SlotName(i));
    for (const auto& v : kLeadingIntegers) v.set(s, reg.ReadInteger(v.name));
    s.ComPortName = BoundedName(reg.ReadString("Com Port"));
    s.SoundName = BoundedName(reg.ReadString("SoundName"));
    s.BreakSound = BoundedName(reg.ReadString("BreakSound"));
    s.ExecuteName = BoundedName(reg.ReadString("Execute Name"));
    for (const auto& v : kBreakIntegers) v.set(s, reg.ReadInteger(v.name));
    ReadHotkeys(reg, s.Hotkeys);
    return;
  }
  if (!reg.OpenKey(kSettingsKey, true)) return;  // nothing written; the names stay empty
  WriteIntegers(reg, s);
  s.SoundName = kDefaultSoundName;
  reg.WriteString("SoundName", s.SoundName);
  s.BreakSound = kDefaultSoundName;
  reg.WriteString("BreakSound", s.BreakSound);
  s.ExecuteName = kDefaultExecuteName;
  reg.WriteString("Execute Name", s.ExecuteName);
  reg.WriteString("Com Port", s.ComPortName);
  reg.WriteString("Version", kVersionText);
  WriteSlots(reg, slots);
}

void SettingsStore::SaveSettings(const TSettings& s) {
  gui::Registry reg(registry_);
  if (!reg.OpenKey(kSettingsKey, true)) return;
  WriteIntegers(reg, s);
  reg.WriteString("SoundName", s.SoundName);
  reg.WriteString("BreakSound", s.BreakSound);
  reg.WriteString("Execute Name", s.ExecuteName);
  reg.WriteString("Version", kVersionText);
}

void SettingsStore::SaveSlots(const SlotTable& slots) {
  gui::Registry reg(registry_);
  if (!reg.OpenKey(kSettingsKey, true)) return;
  WriteSlots(reg, slots);
}

void SettingsStore::SavePort(std::string_view portName) {
  gui::Registry reg(registry_);
  if (!reg.OpenKey(kSettingsKey, false)) return;
  reg.WriteString("Com Port", portName);
}

void SettingsStore::SaveHotkeys(const HotkeyTable& hotkeys) {
  gui::Registry reg(registry_);
  if (!reg.OpenKey(kSettingsKey, true)) return;
  for (std::size_t slot = 0; slot < hotkeys.size(); ++slot)
    reg.WriteInteger(HotkeyValueName(slot), static_cast<std::int32_t>(hotkeys[slot]));
}
