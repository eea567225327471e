// The benchmark on the simulated system: the drawing code alone, with a
// screen the size of the one asked for (default 1920x1080).
#include <cstdlib>

#include "platform/memory/SimProcess.h"
#include "platform/memory/SimSystem.h"
#include "tools/gdibench/GdiBench.h"

int main(int argc, char** argv) {
  const int w = argc > 1 ? std::atoi(argv[1]) : 1920;
  const int h = argc > 2 ? std::atoi(argv[2]) : 1080;
  const int n = argc > 3 ? std::atoi(argv[3]) : 50;
  if (w <= 0 || h <= 0 || n <= 0) return 2;
  platform::memory::SimSystem sys(w, h);
  auto p = sys.StartProcess();
  return gdibench::Run(*p, n);
}
