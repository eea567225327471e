// The system's own controls on a form: text fields, editable drop-down lists,
// push buttons, radio buttons, the up-down and the page control's tabs.
//
// Unlike the windowless controls of Form.h, each of these is a child window
// of the system's class ("EDIT", "COMBOBOX", "BUTTON", "msctls_updown32",
// "SysTabControl32"), so Tab and arrow navigation, the clipboard in text
// fields, typing into a list and the system's look are the system's. The
// wrappers keep the properties the program reads and writes, send the
// system's messages, and turn the notifications the form receives into
// their events. A wrapper may be made before its form's window exists; its
// window is made with the form's, and what was set before is given to it then.
//
// Their form is a DialogForm: it routes WM_COMMAND, WM_NOTIFY and WM_VSCROLL
// to the wrapper whose window sent them, and the application's message loop
// gives it the keyboard navigation of a dialog (IsDialogMessageW).
//
// Group boxes and the pages' bodies draw no system window: a group box's
// frame and a page's body lie under windowless pictures and labels of the
// form, which a child window would cover. They are drawn by the framework
// in the system's look; the radio buttons of one group box form one group of
// the system's, and a page shows and hides what stands on it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "gui/Form.h"
#include "platform/Platform.h"
#include "raster/Bitmap.h"

namespace gui {

class DialogForm;
class TGroupBox;
class TTabSheet;
class TPageControl;

// A font the system makes for its controls. height is the character height
// in pixels (the cell less the internal leading).
struct ControlFont {
  std::string face = "MS Sans Serif";
  int height = 11;
  bool bold = false;
  friend bool operator==(const ControlFont&, const ControlFont&) = default;
};

// The part shared by every system control: a child window of its form.
class WinControl {
 public:
  WinControl(DialogForm& owner, std::string name, IRect bounds);
  virtual ~WinControl();  // destroys its window
  WinControl(const WinControl&) = delete;
  WinControl& operator=(const WinControl&) = delete;

  const std::string& Name() const { return name_; }
  DialogForm& Owner() const { return owner_; }
  // The control's window; 0 until the form's window exists.
  platform::Hwnd Handle() const { return handle_; }
  // The control's id among its form's children (WM_COMMAND's low word).
  int Id() const { return id_; }

  int Left() const { return bounds_.left; }
  int Top() const { return bounds_.top; }
  int Width() const { return bounds_.Width(); }
  int Height() const { return bounds_.Height(); }
  const IRect& BoundsRect() const { return bounds_; }
  void SetBounds(int left, int top, int width, int height);

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // Whether Tab stops at the control (WS_TABSTOP).
  bool TabStop() const { return tabStop_; }
  // Gives the control the keyboard focus; Focused tells whether it has it
  // (for a drop-down list: its text part has it).
  void SetFocus();
  bool Focused() const;

  const ControlFont& Font() const { return font_; }
  void SetFont(const ControlFont& font);

  // The page this control stands on (null: on the form itself).
  TTabSheet* Page() const { return page_; }

 protected:
  // The system class and styles of the window to make (the framework adds
  // WS_CHILD, WS_VISIBLE, WS_TABSTOP and WS_DISABLED as the properties say).
  struct WindowKind {
    std::string className;
    std::uint32_t style = 0;
    std::string text;
  };
  virtual WindowKind Kind() const = 0;
  // The window has just been made: give it the state set before.
  virtual void Created() {}
  // Notifications from the control's window to the form.
  virtual void Command(std::uint16_t /*code*/) {}
  virtual platform::LResult Notify(const platform::NmHdr& /*header*/, platform::LParam /*lParam*/) {
    return 0;
  }
  virtual void Scroll(std::uint16_t /*code*/, std::int16_t /*position*/) {}

  platform::Platform& Sys() const;
  platform::LResult Send(std::uint32_t message, platform::WParam wParam = 0,
                         platform::LParam lParam = 0) const;
  // The window's text as the system holds it (the kept text before the
  // window exists).
  std::string WindowText() const;
  void PutWindowText(std::string_view text);
  // Makes the window when the form's exists (each kind's constructor calls
  // it, once its Kind is in place).
  void MakeWindow();
  bool tabStop_ = true;
  std::string text_;  // the text before the window exists

 private:
  friend class DialogForm;
  friend class TTabSheet;
  void ApplyVisible();

  DialogForm& owner_;
  std::string name_;
  IRect bounds_;
  int id_ = 0;
  platform::Hwnd handle_ = 0;
  bool visible_ = true;
  bool enabled_ = true;
  ControlFont font_;
  platform::HGdiObj fontHandle_ = 0;
  TTabSheet* page_ = nullptr;
};

// A one-line text field ("EDIT"). OnChange runs after every change of its
// text: the user's typing and pasting, and a text the program sets.
class TEdit : public WinControl {
 public:
  TEdit(DialogForm& owner, std::string name, IRect bounds);
  std::string Text() const { return WindowText(); }
  void SetText(std::string_view text) { PutWindowText(text); }
  // The most characters the user can type (0: the system's limit).
  void SetMaxLength(int length);
  NotifyEvent OnChange;

 protected:
  WindowKind Kind() const override;
  void Created() override;
  void Command(std::uint16_t code) override;

 private:
  int maxLength_ = 0;
};

// An editable drop-down list ("COMBOBOX", CBS_DROPDOWN). ItemIndex is the
// chosen item, -1 when none is (also after the user typed into the text
// part). OnChange runs when the user chooses an item or edits the text, not
// when the program sets ItemIndex or Text.
class TComboBox : public WinControl {
 public:
  TComboBox(DialogForm& owner, std::string name, IRect bounds);
  const std::vector<std::string>& Items() const { return items_; }
  void SetItems(std::vector<std::string> items);
  void AddItem(std::string_view item);
  int ItemIndex() const;
  // An index outside the items chooses none and empties the text.
  void SetItemIndex(int index);
  std::string Text() const { return WindowText(); }
  void SetText(std::string_view text) { PutWindowText(text); }
  NotifyEvent OnChange;

 protected:
  WindowKind Kind() const override;
  void Created() override;
  void Command(std::uint16_t code) override;

 private:
  std::vector<std::string> items_;
  int index_ = -1;  // before the window exists
};

// A push button ("BUTTON", BS_PUSHBUTTON). OnClick runs when the user
// clicks it or presses Space on it.
//
// With a glyph it shows a picture instead of its caption: the window is made
// with BS_ICON and given an icon of the glyph (BM_SETIMAGE), which the
// system draws centred, the mask leaving the button's own face around it.
// The glyph is set before the form's window is made, as the style is fixed
// then.
class TButton : public WinControl {
 public:
  TButton(DialogForm& owner, std::string name, IRect bounds, std::string caption = {});
  ~TButton() override;
  std::string Caption() const { return WindowText(); }
  void SetCaption(std::string_view caption) { PutWindowText(caption); }
  void SetGlyph(const MaskedImage& glyph);
  // The icon made of the glyph (0: none), and the one the window holds.
  platform::HIcon GlyphIcon() const { return icon_; }
  platform::HIcon ShownImage() const;
  NotifyEvent OnClick;

 protected:
  WindowKind Kind() const override;
  void Created() override;
  void Command(std::uint16_t code) override;

 private:
  platform::HIcon icon_ = 0;
};

// A radio button ("BUTTON", BS_AUTORADIOBUTTON). The radio buttons of one
// group box (or, without one, those on the same page of the form) form a
// group: a click checks the one clicked and unchecks the rest, and the
// arrow keys move the check within the group. OnClick runs for the user's
// click (and an arrow key's move); SetChecked does not run it. SetChecked
// (true) unchecks the others of the group, as a click would.
class TRadioButton : public WinControl {
 public:
  TRadioButton(DialogForm& owner, std::string name, IRect bounds, std::string caption = {},
               TGroupBox* group = nullptr);
  std::string Caption() const { return WindowText(); }
  void SetCaption(std::string_view caption) { PutWindowText(caption); }
  bool Checked() const;
  void SetChecked(bool checked);
  TGroupBox* Group() const { return group_; }
  NotifyEvent OnClick;

 protected:
  WindowKind Kind() const override;
  void Created() override;
  void Command(std::uint16_t code) override;

 private:
  friend class DialogForm;
  TGroupBox* group_;
  bool checked_ = false;  // before the window exists
};

// A group box: an etched frame with its caption at the top left, drawn by
// the framework (see the top of this file). Its radio buttons name it.
class TGroupBox : public Control {
 public:
  TGroupBox(DialogForm& owner, std::string name, IRect bounds, std::string caption = {});
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  void Paint(Bitmap& frame) const override;

 private:
  std::string caption_;
};

enum class UpDownButton { Up, Down };

// An up-down ("msctls_updown32", vertical, not linked to a field). An arrow
// moves Position by one within Min..Max, wrapping past the ends only with
// Wrap; OnClick then runs with the arrow, after the position moved (also
// at an end, where it stays).
class TUpDown : public WinControl {
 public:
  TUpDown(DialogForm& owner, std::string name, IRect bounds);
  int Min() const { return min_; }
  int Max() const { return max_; }
  void SetRange(int min, int max);
  int Position() const;
  // Kept within Min..Max, as the system keeps it.
  void SetPosition(int position);
  bool Wrap() const { return wrap_; }
  void SetWrap(bool wrap);  // before the window is made
  std::function<void(UpDownButton)> OnClick;

 protected:
  WindowKind Kind() const override;
  void Created() override;
  platform::LResult Notify(const platform::NmHdr& header, platform::LParam lParam) override;
  void Scroll(std::uint16_t code, std::int16_t position) override;

 private:
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;  // before the window exists
  bool wrap_ = false;
  int lastDelta_ = 0;
};

// The page control: a row of tabs ("SysTabControl32") over a body that the
// framework draws, and one TTabSheet per tab, in the order they are made.
// Choosing a tab (the user's click, or the arrow keys on the tabs) shows
// that sheet's controls and hides the others'; so does SetActivePage.
class TPageControl : public Control {
 public:
  TPageControl(DialogForm& owner, std::string name, IRect bounds);
  ~TPageControl() override;
  const std::vector<TTabSheet*>& Pages() const { return pages_; }
  TTabSheet* ActivePage() const;
  int ActivePageIndex() const { return active_; }
  void SetActivePage(TTabSheet& page);
  void SetActivePageIndex(int index);
  // The height of the row of tabs; the body lies below it.
  int TabHeight() const { return tabHeight_; }
  // The body's inner area (form coordinates), where a sheet's controls go.
  IRect PageArea() const;
  NotifyEvent OnChange;  // after the user chose another tab
  void Paint(Bitmap& frame) const override;

 private:
  friend class TTabSheet;
  friend class DialogForm;
  class Tabs;
  void AddPage(TTabSheet* page);
  void ShowActive();
  void UserChose(int index);

  std::vector<TTabSheet*> pages_;
  int active_ = 0;
  int tabHeight_ = 21;
  std::unique_ptr<Tabs> tabs_;
};

// One page of a page control: its tab's caption and the controls that
// stand on it, windowed and windowless.
class TTabSheet {
 public:
  TTabSheet(TPageControl& pages, std::string name, std::string caption);
  TTabSheet(const TTabSheet&) = delete;
  TTabSheet& operator=(const TTabSheet&) = delete;
  const std::string& Name() const { return name_; }
  const std::string& Caption() const { return caption_; }
  TPageControl& PageControl() const { return pages_; }
  int PageIndex() const { return index_; }
  // The top-left corner of the page's inner area (form coordinates).
  int OriginX() const { return pages_.PageArea().left; }
  int OriginY() const { return pages_.PageArea().top; }
  // Puts a control on this page: it is visible only while the page is.
  void Add(WinControl& control);
  void Add(Control& control);
  bool Showing() const { return pages_.ActivePage() == this; }

 private:
  friend class TPageControl;
  void Apply(bool showing);

  TPageControl& pages_;
  std::string name_;
  std::string caption_;
  int index_ = 0;
  std::vector<WinControl*> windowed_;
  std::vector<Control*> windowless_;
};

// A form that holds system controls. It makes their windows with its own,
// routes their notifications to them, and is a dialog to the message loop:
// Tab and Shift+Tab move the focus across the controls that take it, in the
// order they were made, and the arrow keys move within a radio group. As the
// system's dialogs do, it gives the keyboard back to the control that had it
// when the form comes to the front again (after a box it owned, say).
class DialogForm : public Form {
 public:
  DialogForm(Application& app, FormDesign design);
  ~DialogForm() override;

  const std::vector<WinControl*>& WinControls() const { return winControls_; }
  WinControl* FindWinControl(platform::Hwnd hwnd) const;
  // The font given to controls made from now on.
  ControlFont defaultFont;

 protected:
  platform::LResult WndProc(std::uint32_t message, platform::WParam wParam,
                            platform::LParam lParam) override;
  void ScaleChanged() override;

 private:
  friend class WinControl;
  friend class TRadioButton;
  void Register(WinControl* control);
  void Unregister(WinControl* control);
  void MakeWindows();
  platform::HGdiObj FontHandle(const ControlFont& font);
  // The brush a check or radio button fills its background with: the face
  // the framework paints the pages and the form in, not the system's own
  // (which under a light theme stands out as a box round each button).
  platform::HGdiObj BackgroundBrush();
  // Whether the control begins a group of the system's (WS_GROUP): all but
  // a radio button that follows one of its own group.
  bool StartsGroup(const WinControl* control) const;

  // Whether the window is one of the form's controls or a part of one.
  bool HoldsWindow(platform::Hwnd hwnd) const;

  std::vector<WinControl*> winControls_;
  // The control that had the keyboard when the form last went to the back.
  platform::Hwnd savedFocus_ = 0;
  int nextId_ = 100;  // ids 1 and 2 are the dialog keys' IDOK and IDCANCEL
  struct MadeFont {
    ControlFont font;
    platform::HGdiObj handle = 0;
  };
  std::vector<MadeFont> fonts_;
  platform::HGdiObj background_ = 0;
};

// The system's hot-key control ("msctls_hotkey32"): it shows a key
// combination and takes the one the user presses while it has the focus.
// Hotkey is the control's word (the virtual key in the low byte, HOTKEYF_
// flags in the high byte; 0 for none). OnChange runs when the user changes
// it (also for each modifier pressed on the way), not when the program sets
// it.
class THotKey : public WinControl {
 public:
  THotKey(DialogForm& owner, std::string name, IRect bounds);
  std::uint16_t Hotkey() const;
  void SetHotkey(std::uint16_t word);
  NotifyEvent OnChange;

 protected:
  WindowKind Kind() const override;
  void Created() override;
  void Command(std::uint16_t code) override;

 private:
  std::uint16_t word_ = 0;  // before the window exists
};

}  // namespace gui
