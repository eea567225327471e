#include "gui/Menu.h"

#include "gui/Application.h"

namespace gui {

std::string ShortCut::Text() const {
  if (Empty()) return {};
  std::string s;
  if (ctrl) s += "Ctrl+";
  if (shift) s += "Shift+";
  if (alt) s += "Alt+";
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9'))
    s += static_cast<char>(key);
  else
    s.append(1, '#').append(std::to_string(key));
  return s;
}

MenuItem::MenuItem(std::string name, std::string caption_, ShortCut shortcut_)
    : caption(std::move(caption_)), shortcut(shortcut_), name_(std::move(name)) {}

void MenuItem::Click() {
  if (enabled && OnClick) OnClick();
}

MenuItem* MenuItem::FindShortCut(const ShortCut& pressed) {
  if (!shortcut.Empty() && enabled && shortcut.key == pressed.key &&
      shortcut.ctrl == pressed.ctrl && shortcut.shift == pressed.shift &&
      shortcut.alt == pressed.alt)
    return this;
  for (MenuItem* child : items)
    if (MenuItem* found = child->FindShortCut(pressed)) return found;
  return nullptr;
}

PopupMenu::PopupMenu(Form& owner, std::string name) : owner_(owner), name_(std::move(name)) {}

namespace {

// A text the menu shows as it is: '&' doubled, since the menu takes a
// single one as the mark of an access key (after the tab too), and no tab
// or control character, which would cut or move it.
std::string Shown(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) continue;
    if (c == '&') out += '&';
    out += c;
  }
  return out;
}

void Collect(const std::vector<MenuItem*>& items, std::vector<MenuEntry>& out,
             std::vector<MenuItem*>* byId) {
  for (MenuItem* item : items) {
    if (!item->visible) continue;
    MenuEntry e;
    if (item->IsSeparator()) {
      e.separator = true;
    } else {
      if (byId) {
        byId->push_back(item);
        e.id = static_cast<int>(byId->size());
      }
      e.text = item->caption;
      if (!item->shortcut.Empty()) e.text += "\t" + item->shortcut.Text();
      if (item->shortcut.Empty() && !item->shortcutText.empty())
        e.text += "\t" + Shown(item->shortcutText);
      e.checked = item->checked;
      e.enabled = item->enabled;
      Collect(item->items, e.children, byId);
    }
    out.push_back(std::move(e));
  }
}

}  // namespace

std::vector<MenuEntry> PopupMenu::Entries() const {
  std::vector<MenuEntry> out;
  std::vector<MenuItem*> byId;
  Collect(items, out, &byId);
  return out;
}

void PopupMenu::Popup(int x, int y) {
  if (OnPopup) owner_.App().Guard([&] { OnPopup(); });
  std::vector<MenuEntry> entries;
  std::vector<MenuItem*> byId;
  Collect(items, entries, &byId);
  static constexpr std::uint32_t kAlign[] = {kTpmLeftAlign, kTpmCenterAlign, kTpmRightAlign};
  const std::uint32_t flags = kAlign[static_cast<int>(alignment)] | kTpmRightButton;
  const int chosen = owner_.App().Ui().TrackPopupMenu(entries, x, y, flags, owner_.Handle());
  if (chosen <= 0 || chosen > static_cast<int>(byId.size())) return;
  MenuItem* item = byId[static_cast<std::size_t>(chosen - 1)];
  // A submenu's own entry is not a command.
  if (item->items.empty()) owner_.App().Guard([&] { item->Click(); });
}

MenuItem* PopupMenu::FindShortCut(const ShortCut& pressed) {
  for (MenuItem* item : items)
    if (MenuItem* found = item->FindShortCut(pressed)) return found;
  return nullptr;
}

}  // namespace gui
