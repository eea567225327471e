// ranprobe: the program an end-to-end test names as "Execute Name". It
// appends one line to "<its own path>.ran" and ends, so the test sees that it
// was started, how often, and in which folder. Its path and folder are read
// and written in UTF-16, so a folder named in any letters works; the line
// gives the folder in UTF-8.
#include <windows.h>

#include <cstdio>
#include <string>

int main() {
  wchar_t self[MAX_PATH] = {};
  wchar_t dir[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  GetCurrentDirectoryW(MAX_PATH, dir);
  char dirUtf8[4 * MAX_PATH] = {};
  WideCharToMultiByte(CP_UTF8, 0, dir, -1, dirUtf8, sizeof dirUtf8, nullptr, nullptr);
  const std::wstring out = std::wstring(self) + L".ran";
  FILE* f = _wfopen(out.c_str(), L"a");
  if (!f) return 1;
  std::fprintf(f, "ran dir=%s\n", dirUtf8);
  std::fclose(f);
  return 0;
}
