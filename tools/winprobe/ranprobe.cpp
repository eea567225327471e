// ranprobe: the program an end-to-end test names as "Execute Name". It
// appends one line to "<its own path>.ran" and ends, so the test sees that it
// was started, how often, and in which folder.
#include <windows.h>

#include <cstdio>

int main() {
  char self[MAX_PATH] = {};
  char dir[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  GetCurrentDirectoryA(MAX_PATH, dir);
  char out[MAX_PATH + 8];
  std::snprintf(out, sizeof out, "%s.ran", self);
  FILE* f = std::fopen(out, "a");
  if (!f) return 1;
  std::fprintf(f, "ran dir=%s\n", dir);
  std::fclose(f);
  return 0;
}
