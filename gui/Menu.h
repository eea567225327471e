// Popup menus: items with captions, access keys, shortcuts and check marks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gui/Backend.h"
#include "gui/Form.h"

namespace gui {

struct ShortCut {
  std::uint16_t key = 0;  // virtual key; 0 for none
  bool ctrl = false;
  bool shift = false;
  bool alt = false;
  bool Empty() const { return key == 0; }
  std::string Text() const;  // "Ctrl+M"
  static ShortCut Ctrl(char letter) { return {static_cast<std::uint16_t>(letter), true}; }
};

class MenuItem {
 public:
  MenuItem(std::string name, std::string caption, ShortCut shortcut = {});
  MenuItem(const MenuItem&) = delete;
  MenuItem& operator=(const MenuItem&) = delete;

  const std::string& Name() const { return name_; }
  bool IsSeparator() const { return caption == "-"; }
  void Add(MenuItem& child) { items.push_back(&child); }
  void Click();
  // The item, or one below it, whose shortcut this is.
  MenuItem* FindShortCut(const ShortCut& pressed);

  std::string caption;
  ShortCut shortcut;
  // A shortcut that works outside the menu (a system-wide one), shown
  // where the menu shows its own, which the menu does not act on. Shown as
  // it is: an '&' in it marks no access key.
  std::string shortcutText;
  bool checked = false;
  bool enabled = true;
  bool visible = true;
  std::vector<MenuItem*> items;
  NotifyEvent OnClick;

 private:
  std::string name_;
};

enum class PopupAlignment { Left, Center, Right };

class PopupMenu {
 public:
  PopupMenu(Form& owner, std::string name);
  PopupMenu(const PopupMenu&) = delete;
  PopupMenu& operator=(const PopupMenu&) = delete;

  const std::string& Name() const { return name_; }
  void Add(MenuItem& item) { items.push_back(&item); }
  // Shows the menu at the screen point, owned by the owner form's window, and
  // runs the chosen item's click handler.
  void Popup(int x, int y);
  MenuItem* FindShortCut(const ShortCut& pressed);
  // The menu as the system is given it.
  std::vector<MenuEntry> Entries() const;

  PopupAlignment alignment = PopupAlignment::Left;
  std::vector<MenuItem*> items;
  // Runs each time the menu opens, before its items are read: the place to
  // bring items that follow the system up to date.
  NotifyEvent OnPopup;

 private:
  Form& owner_;
  std::string name_;
};

}  // namespace gui
