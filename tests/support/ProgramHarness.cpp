#include "tests/support/ProgramHarness.h"

namespace testing_support {

using namespace platform;

void WriteDefaultKey(SimSystem& sys) {
  auto p = sys.StartProcess();
  SettingsStore store(*p);
  TSettings s;
  SlotTable slots = kDefaultSlots;
  store.Load(s, slots);
}

void ProgramHarness::Click(Hwnd hwnd, int x, int y, bool right) {
  Rect r;
  process->GetWindowRect(hwnd, &r);
  process->SetCursorPos(r.left + x, r.top + y);
  process->mouse_event(right ? kMouseEventRightDown : kMouseEventLeftDown, 0, 0, 0);
  process->mouse_event(right ? kMouseEventRightUp : kMouseEventLeftUp, 0, 0, 0);
  app.ProcessMessages();
}

void ProgramHarness::ClickScreen(Point at) {
  process->SetCursorPos(at.x, at.y);
  process->mouse_event(kMouseEventLeftDown, 0, 0, 0);
  process->mouse_event(kMouseEventLeftUp, 0, 0, 0);
}

Point ProgramHarness::Middle(Hwnd hwnd) {
  Rect r;
  process->GetWindowRect(hwnd, &r);
  return {r.left + r.Width() / 2, r.top + r.Height() / 2};
}

std::shared_ptr<ProgramHarness::BoxClick> ProgramHarness::ClickNextBoxOk() {
  auto click = std::make_shared<BoxClick>();
  ui.whileBoxUp = [this, click](const gui::MessageBoxCall& box) {
    if (click->boxes++ > 0) return ui.AnswerBox(gui::kIdOk);
    const Point ok = Middle(box.okButton);
    click->atOk = process->WindowFromPoint(ok);
    ClickScreen(ok);
  };
  return click;
}

void ProgramHarness::PressKey(std::uint8_t vk, bool ctrl) {
  constexpr std::uint8_t kVkControl = 0x11;
  if (ctrl) process->keybd_event(kVkControl, 0, 0);
  process->keybd_event(vk, 0, 0);
  // The handler reads the modifier state as it is when the key is handled.
  app.ProcessMessages();
  process->keybd_event(vk, 0, kKeyEventKeyUp);
  if (ctrl) process->keybd_event(kVkControl, 0, kKeyEventKeyUp);
  app.ProcessMessages();
}

}  // namespace testing_support
