// The benchmark on the real system: the screen it runs on.
#include <cstdlib>

#include "platform/win32/Win32Platform.h"
#include "tools/gdibench/GdiBench.h"

int main(int argc, char** argv) {
  const int n = argc > 1 ? std::atoi(argv[1]) : 50;
  if (n <= 0) return 2;
  platform::Win32Platform p;
  return gdibench::Run(p, n);
}
