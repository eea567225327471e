#include "core/Hotkeys.h"

#include <cstdio>
#include <vector>

using namespace platform;

namespace {

constexpr std::uint32_t kFlagBits = kHotkeyfShift | kHotkeyfControl | kHotkeyfAlt | kHotkeyfExt;

std::string KeyName(std::uint32_t vk) {
  if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) return std::string(1, char(vk));
  if (vk >= kVkF1 && vk < kVkF1 + 24) return "F" + std::to_string(vk - kVkF1 + 1);
  switch (vk) {
    case kVkSpace: return "Space";
    case kVkLeft: return "Left";
    case kVkUp: return "Up";
    case kVkRight: return "Right";
    case kVkDown: return "Down";
    case 0x21: return "Page Up";
    case 0x22: return "Page Down";
    case 0x23: return "End";
    case 0x24: return "Home";
    case 0x2D: return "Insert";
    case 0x2E: return "Delete";
    default: break;
  }
  if (vk >= 0x60 && vk <= 0x69) return "Num " + std::to_string(vk - 0x60);
  char hex[16];
  std::snprintf(hex, sizeof hex, "Key %02X", vk);
  return hex;
}

}  // namespace

std::string HotkeyValueName(std::size_t slot) {
  return std::string("Hotkey ") + static_cast<char>('B' + slot);
}

bool UsableHotkey(std::uint32_t word) {
  return (word & 0xFF) != 0 && (word >> 8 & ~kFlagBits) == 0;
}

std::string HotkeyText(std::uint32_t word) {
  if (!UsableHotkey(word)) return {};
  const std::uint32_t flags = word >> 8;
  std::string text;
  if (flags & kHotkeyfControl) text += "Ctrl+";
  if (flags & kHotkeyfAlt) text += "Alt+";
  if (flags & kHotkeyfShift) text += "Shift+";
  return text + KeyName(word & 0xFF);
}

std::string EffectName(std::int32_t code) {
  static constexpr const char* kNames[] = {"Mark",
                                           "Reveal",
                                           "Line",
                                           "Zoom",
                                           "Pen",
                                           "Spot Light",
                                           "Laser Beam",
                                           "Rectangle",
                                           "Magnifier",
                                           "Horizontal Scroll",
                                           "Vertical Scroll",
                                           "Execute Program",
                                           "Break Time",
                                           "Play Sound",
                                           "Cursor Reset"};
  if (code < 0 || code >= static_cast<std::int32_t>(std::size(kNames))) return {};
  return kNames[code];
}

std::string HotkeyTrouble(const HotkeyRegistrations& registrations, const HotkeyTable& table,
                          std::size_t maxLength) {
  std::vector<std::string> taken, failed;
  for (std::size_t slot = 0; slot < table.size(); ++slot) {
    const long e = registrations.Error(slot);
    if (e == error::kHotkeyAlreadyRegistered)
      taken.push_back(HotkeyText(table[slot]));
    else if (e > 0)
      failed.push_back(HotkeyText(table[slot]));
  }
  const auto list = [](const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) out += (out.empty() ? "" : ", ") + n;
    return out;
  };
  std::string text;
  if (!taken.empty())
    text = list(taken) +
           (taken.size() == 1 ? " taken by another program" : " taken by other programs");
  if (!failed.empty()) text += (text.empty() ? "" : "; ") + list(failed) + " not available";
  if (text.size() <= maxLength) return text;
  // Too long to name them all: how many.
  text = std::to_string(taken.size() + failed.size()) + " shortcuts not available";
  return text.size() <= maxLength ? text : std::string();
}

std::optional<std::size_t> HotkeyRegistrations::SlotOf(WParam id) {
  if (id < 1 || id > HotkeyTable{}.size()) return std::nullopt;
  return static_cast<std::size_t>(id - 1);
}

void HotkeyRegistrations::Apply(Hwnd hwnd, const HotkeyTable& table) {
  Unregister();
  hwnd_ = hwnd;
  table_ = table;
  suspended_ = false;
  Register();
}

void HotkeyRegistrations::Suspend() {
  if (suspended_) return;
  suspended_ = true;
  Unregister();
}

void HotkeyRegistrations::Resume() {
  if (!suspended_) return;
  suspended_ = false;
  Register();
}

void HotkeyRegistrations::Register() {
  for (std::size_t slot = 0; slot < table_.size(); ++slot) {
    errors_[slot] = 0;
    const std::uint32_t word = table_[slot];
    if (!UsableHotkey(word)) continue;
    bool duplicate = false;
    for (std::size_t before = 0; before < slot; ++before) duplicate |= table_[before] == word;
    if (duplicate) {
      errors_[slot] = kDuplicate;
      continue;
    }
    // The control's flags are not RegisterHotKey's: Shift and Alt trade
    // places, and the extended-key flag has no part in a shortcut. A key
    // held down counts once.
    const std::uint32_t flags = word >> 8;
    std::uint32_t modifiers = kModNoRepeat;
    if (flags & kHotkeyfShift) modifiers |= kModShift;
    if (flags & kHotkeyfControl) modifiers |= kModControl;
    if (flags & kHotkeyfAlt) modifiers |= kModAlt;
    held_[slot] = sys_.RegisterHotKey(hwnd_, static_cast<int>(slot + 1), modifiers, word & 0xFF);
    if (!held_[slot]) errors_[slot] = sys_.GetLastError();
  }
}

void HotkeyRegistrations::Unregister() {
  for (std::size_t slot = 0; slot < held_.size(); ++slot) {
    if (!held_[slot]) continue;
    // Gone already only with the window, which took its shortcuts along.
    [[maybe_unused]] const bool released = sys_.UnregisterHotKey(hwnd_, static_cast<int>(slot + 1));
    held_[slot] = false;
  }
}
