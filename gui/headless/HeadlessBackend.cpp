#include "gui/headless/HeadlessBackend.h"

#include "platform/Utf8.h"

namespace gui {

IRect HeadlessBackend::PresentFrame(platform::Hwnd hwnd, const Bitmap& frame) {
  ++presentCount;
  auto* w = process_.System().Window(hwnd);
  if (!w) return {};
  w->frame = frame;
  w->needsPaint = false;
  return frame.Bounds();
}

IRect HeadlessBackend::PaintArea(platform::Hwnd hwnd) {
  const auto* w = process_.System().Window(hwnd);
  if (!w || !w->needsPaint) return {};
  return {0, 0, w->rect.Width(), w->rect.Height()};
}

void HeadlessBackend::PaintThrough(platform::Hwnd hwnd, const std::function<void()>& draw) {
  draw();
  if (auto* w = process_.System().Window(hwnd)) w->needsPaint = false;
}

namespace {
// The box's size and its OK button's place in it.
constexpr int kBoxWidth = 320, kBoxHeight = 120;
constexpr int kButtonWidth = 75, kButtonHeight = 23;
constexpr int kButtonLeft = (kBoxWidth - kButtonWidth) / 2, kButtonTop = kBoxHeight - 38;
// How often the test's user may be asked before a box counts as forgotten.
constexpr int kMaxUserTurns = 1'000'000;
}  // namespace

int HeadlessBackend::MessageBox(platform::Hwnd owner, std::string_view text,
                                std::string_view caption, std::uint32_t flags) {
  using namespace platform;
  boxes_.push_back({owner, std::string(text), std::string(caption), flags});
  const std::size_t index = boxes_.size() - 1;
  std::optional<int> answer;

  // The system's box: a dialog window in the middle of the screen, with the
  // default OK button, in front and with the keyboard focus.
  WindowParams params;
  params.className = "#32770";
  params.caption = caption.empty() ? "Error" : std::string(caption);
  params.width = kBoxWidth;
  params.height = kBoxHeight;
  params.left = (process_.GetSystemMetrics(kSmCxScreen) - kBoxWidth) / 2;
  params.top = (process_.GetSystemMetrics(kSmCyScreen) - kBoxHeight) / 2;
  params.owner = owner;
  const Hwnd box = process_.CreateWindowExA(
      params, [this, &answer](Hwnd h, std::uint32_t m, WParam w, LParam l) -> LResult {
        if ((m == msg::kCommand && (w & 0xFFFF) == kIdOk) || m == msg::kClose) {
          if (!answer) answer = kIdOk;
          return 0;
        }
        return process_.DefWindowProcA(h, m, w, l);
      });
  WindowParams button;
  button.className = "Button";
  button.caption = "OK";
  button.parent = box;
  button.id = kIdOk;
  button.style = kWsChild | kWsVisible | kWsTabStop | ctl::kBsDefPushButton;
  button.left = kButtonLeft;
  button.top = kButtonTop;
  button.width = kButtonWidth;
  button.height = kButtonHeight;
  const Hwnd ok = process_.CreateWindowExA(button, {});
  boxes_[index].window = box;
  boxes_[index].okButton = ok;

  const Hwnd foreground = process_.GetForegroundWindow();
  const Hwnd focus = process_.GetFocus();
  // The owner takes no input while its box is up.
  const bool ownerWasDisabled = owner && process_.EnableWindow(owner, false);
  process_.ShowWindow(box, kSwShow);
  process_.SetFocus(ok);
  answers_.push_back(&answer);

  struct Close {
    HeadlessBackend& b;
    Hwnd box, owner, foreground, focus;
    bool ownerWasDisabled;
    ~Close() {
      b.answers_.pop_back();
      b.process_.DestroyWindow(box);
      if (owner && !ownerWasDisabled) b.process_.EnableWindow(owner, true);
      if (foreground && b.process_.IsWindowVisible(foreground))
        b.process_.SetForegroundWindow(foreground);
      if (focus && b.process_.IsWindow(focus)) b.process_.SetFocus(focus);
    }
  } close{*this, box, owner, foreground, focus, ownerWasDisabled};

  const auto inBox = [&](Hwnd h) { return h == box || h == ok; };
  int turns = 0;
  while (!answer) {
    Msg m;
    if (process_.PeekMessageW(&m, 0, kPmRemove)) {
      if (m.message == msg::kQuit) {
        // The loop ends, and the request stays for the loop outside.
        process_.PostQuitMessage(static_cast<int>(m.wParam));
        break;
      }
      // Enter and Esc answer a box whose only button is OK.
      if (m.message == msg::kKeyDown && inBox(m.hwnd) &&
          (m.wParam == kVkReturn || m.wParam == kVkEscape)) {
        answer = kIdOk;
        break;
      }
      if (!process_.IsDialogMessageW(box, m)) process_.DispatchMessageW(m);
      continue;
    }
    // (A copy: the user's turn may open another box.)
    const MessageBoxCall call = boxes_[index];
    if (!whileBoxUp) {
      answer = answerBox ? answerBox(call) : kIdOk;
      break;
    }
    if (++turns > kMaxUserTurns) throw MessageBoxNeverAnswered{std::string(text)};
    whileBoxUp(call);
  }
  return answer.value_or(kIdOk);
}

void HeadlessBackend::AnswerBox(int id) {
  if (!answers_.empty()) *answers_.back() = id;
}

int HeadlessBackend::TrackPopupMenu(const std::vector<MenuEntry>& entries, std::int32_t x,
                                    std::int32_t y, std::uint32_t flags, platform::Hwnd owner) {
  popups_.push_back({entries, x, y, flags, owner, process_.GetForegroundWindow()});
  return answerMenu ? answerMenu(popups_.back()) : 0;
}

platform::HIcon HeadlessBackend::CreateIcon(const MaskedImage& image) {
  return process_.System().AddIcon(image);
}

void HeadlessBackend::DestroyIcon(platform::HIcon icon) { process_.System().RemoveIcon(icon); }

bool HeadlessBackend::KeyPressed(int virtualKey) {
  return process_.System().KeyIsDown(static_cast<std::uint8_t>(virtualKey));
}

int HeadlessBackend::FindEntry(const std::vector<MenuEntry>& entries, std::string_view caption) {
  for (const MenuEntry& e : entries) {
    if (e.separator) continue;
    const std::string_view text = std::string_view(e.text).substr(0, e.text.find('\t'));
    if (text == caption) return e.id;
    if (int id = FindEntry(e.children, caption)) return id;
  }
  return 0;
}

void HeadlessBackend::ChooseInMenus(std::string caption) {
  answerMenu = [caption = std::move(caption)](const PopupMenuCall& call) {
    return FindEntry(call.entries, caption);
  };
}

HeadlessBackend::ModalBox::ModalBox(platform::memory::SimProcess& process, platform::Hwnd owner)
    : process_(process),
      owner_(owner),
      enableAgain_(owner && process.IsWindow(owner) && !process.EnableWindow(owner, false)) {
  platform::WindowParams params;
  params.className = "#32770";
  params.owner = owner;
  const auto* o = process.System().Window(owner);
  params.topmost = o && o->topmost;
  params.left = o ? o->rect.left + 20 : 0;
  params.top = o ? o->rect.top + 20 : 0;
  params.width = 200;
  params.height = 120;
  box_ = process.CreateWindowExA(params, {});
  if (box_) process.ShowWindow(box_, platform::kSwShow);
}

HeadlessBackend::ModalBox::~ModalBox() {
  if (enableAgain_) process_.EnableWindow(owner_, true);
  if (!box_ || !process_.IsWindow(box_)) return;
  // The owner comes back to the front before the box goes, so the front
  // passes to nothing else meanwhile.
  const bool inFront = process_.GetForegroundWindow() == box_;
  if (inFront && owner_ && process_.IsWindowVisible(owner_)) process_.SetForegroundWindow(owner_);
  process_.DestroyWindow(box_);
}

bool HeadlessBackend::ChooseColor(platform::Hwnd owner, ColorChoice& choice) {
  const ModalBox box(process_, owner);
  colorChoosers.push_back(choice);
  chooserOwners.push_back(owner);
  if (whileChooserUp) whileChooserUp();
  if (colorAnswers.empty()) return false;
  choice.color = colorAnswers.front();
  colorAnswers.pop_front();
  return true;
}

bool HeadlessBackend::GetOpenFileName(platform::Hwnd owner, FileChoice& choice) {
  const ModalBox box(process_, owner);
  fileChoosers.push_back(choice);
  chooserOwners.push_back(owner);
  if (whileChooserUp) whileChooserUp();
  if (fileAnswers.empty()) return false;
  // A path holds at most kMaxFileName - 1 characters, whatever their bytes.
  choice.fileName = std::string(platform::Utf8Prefix(fileAnswers.front(), kMaxFileName - 1));
  fileAnswers.pop_front();
  return true;
}

}  // namespace gui
