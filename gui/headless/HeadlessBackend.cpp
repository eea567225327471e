#include "gui/headless/HeadlessBackend.h"

namespace gui {

IRect HeadlessBackend::PresentFrame(platform::Hwnd hwnd, const Bitmap& frame) {
  ++presentCount;
  auto* w = process_.System().Window(hwnd);
  if (!w) return {};
  w->frame = frame;
  w->needsPaint = false;
  return frame.Bounds();
}

int HeadlessBackend::MessageBox(platform::Hwnd owner, std::string_view text,
                                std::string_view caption, std::uint32_t flags) {
  boxes_.push_back({owner, std::string(text), std::string(caption), flags});
  return answerBox ? answerBox(boxes_.back()) : kIdOk;
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
  // The system's buffer holds the name and its terminating zero.
  choice.fileName = fileAnswers.front().substr(0, kMaxFileName - 1);
  fileAnswers.pop_front();
  return true;
}

}  // namespace gui
