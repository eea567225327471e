// The Windows program: the real platform and the real window backend.
#include "app/Entry.h"
#include "gui/win32/Win32Backend.h"
#include "platform/win32/Win32Platform.h"

int main() {
  platform::Win32Platform platform;
  gui::Win32Backend backend;
  return RunTavrin(platform, backend);
}
