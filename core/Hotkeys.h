// Keyboard shortcuts for the device's eleven keys: each slot may have a
// system-wide shortcut that does what the slot's key does on the pointer.
//
// A shortcut is kept as the system's hot-key control holds it: the virtual
// key in the low byte and HOTKEYF_ flags (Shift 1, Ctrl 2, Alt 4, extended
// key 8) in the next; 0 is none. In the registry it is the DWORD "Hotkey B"
// .. "Hotkey L" (the slot's key letter); an absent value keeps the default,
// and a value with bits the control cannot make is no shortcut.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/Platform.h"

using HotkeyTable = std::array<std::uint32_t, 11>;

// Ctrl+Alt+Shift with F1 .. F11 for the keys B .. L: an F key types no
// character on any keyboard layout and has the same virtual key on all of
// them; Ctrl+Alt is AltGr on many layouts, which with an F key types
// nothing either; and no common program binds F keys with all three
// modifiers (office programs bind Ctrl+Shift and Ctrl+Alt with F keys,
// browsers Ctrl and Shift with them). F12 is the debugger's.
inline constexpr std::uint32_t kDefaultHotkeyModifiers =
    platform::kHotkeyfControl | platform::kHotkeyfAlt | platform::kHotkeyfShift;
inline constexpr HotkeyTable kDefaultHotkeys = [] {
  HotkeyTable t{};
  for (std::size_t i = 0; i < t.size(); ++i)
    t[i] = (kDefaultHotkeyModifiers << 8) | (platform::kVkF1 + static_cast<std::uint32_t>(i));
  return t;
}();

// "Hotkey B" for slot 0 .. "Hotkey L" for slot 10.
std::string HotkeyValueName(std::size_t slot);
// Whether the word is a shortcut the control can make: a key, and no bits
// above the four flags.
bool UsableHotkey(std::uint32_t word);
// As the user reads it: "Ctrl+Alt+Shift+F1"; empty for none.
std::string HotkeyText(std::uint32_t word);
// The name of an effect code as the dialogs show it ("Spot Light"); empty
// for a code outside the effects.
std::string EffectName(std::int32_t code);

class HotkeyRegistrations;
// What keeps shortcuts of the table from working, in the words of the
// tray's tip ("Ctrl+Alt+Shift+F5 taken by another program"), at most
// maxLength characters; empty when every one works.
std::string HotkeyTrouble(const HotkeyRegistrations& registrations, const HotkeyTable& table,
                          std::size_t maxLength);

// The shortcuts registered for one window: slot n as id n + 1. Every change
// unregisters what the window held first, so a shortcut moved from one slot
// to another never meets itself.
class HotkeyRegistrations {
 public:
  explicit HotkeyRegistrations(platform::Platform& sys) : sys_(sys) {}
  HotkeyRegistrations(const HotkeyRegistrations&) = delete;
  HotkeyRegistrations& operator=(const HotkeyRegistrations&) = delete;

  // Registers the table's usable shortcuts on hwnd (ending a suspension). A
  // shortcut another slot before it already has is not registered.
  void Apply(platform::Hwnd hwnd, const HotkeyTable& table);
  // Gives every shortcut back to the system, until Resume registers the
  // table of the last Apply again: while the user types a shortcut into a
  // hot-key control, the one the program holds must reach the control.
  void Suspend();
  void Resume();
  bool Suspended() const { return suspended_; }

  // Why the slot's shortcut is not registered: 0 when it is (or there is
  // none), the system's error (ERROR_HOTKEY_ALREADY_REGISTERED: another
  // program holds it), or kDuplicate when an earlier slot has it.
  static constexpr long kDuplicate = -1;
  long Error(std::size_t slot) const { return errors_[slot]; }
  // The slot whose shortcut WM_HOTKEY's wParam names, if any.
  static std::optional<std::size_t> SlotOf(platform::WParam id);

 private:
  void Register();
  void Unregister();

  platform::Platform& sys_;
  platform::Hwnd hwnd_ = 0;
  HotkeyTable table_{};
  std::array<bool, 11> held_{};
  std::array<long, 11> errors_{};
  bool suspended_ = false;
};
