// showprobe: times how soon an overlay effect's first frame, and the
// screen as it was after its close, reach the screen, from inside Wine on
// one clock, for scripts/bench-show.sh (figures, not a test).
//
//   showprobe <port> <key> <shows> changes|still [class]
//
// Each show: the pointer is put in the middle of the screen, the key's
// packet is written into the port (wired to the reader's), and the probe
// reads the screen through the desktop's device context every millisecond
// or so until the first frame is there:
//   changes  two bands of the screen (around the pointer, and near the top)
//            show other pixels than before the key: the frame differs from
//            the screen (a dimmed or enlarged view, a cover, a bar, a dot,
//            a lens, a field);
//   still    the frame is the frozen picture itself, which no read of the
//            screen can tell from the screen: the window of <class> shown
//            stands for it (Wine maps it on X about a millisecond later).
// After a pause the same key again closes the effect; the screen is as it
// was when both bands read as before the key (still: the window hidden).
//
// One line per show, then: summary: shows=N frame_median= frame_p90=
// close_median= close_p90= (ms).
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tools/winprobe/ProbeTiming.h"

namespace {

using probe::NowMs;
using probe::Quantile;
using probe::Region;
using probe::Until;

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  if (argc < 5) {
    std::fputs("usage: showprobe <port> <key> <shows> changes|still [class]\n", stderr);
    return 2;
  }
  const char key = argv[2][0];
  const int shows = std::atoi(argv[3]);
  const bool still = std::strcmp(argv[4], "still") == 0;
  const char* cls = argc > 5 ? argv[5] : "TForm_Draw";
  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  HANDLE port = CreateFileA(argv[1], GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (port == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "showprobe: cannot open %s (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  const unsigned char packet[3] = {0xC0, static_cast<unsigned char>(0x80 + key), 0x80};
  auto sendKey = [&] {
    DWORD put = 0;
    return WriteFile(port, packet, 3, &put, nullptr) && put == 3;
  };
  const int x0 = sw / 2, y0 = sh / 2;
  Region nearPointer(0, y0 - 20, sw, 40), nearTop(0, 60, sw, 20);

  std::vector<double> frames, closes;
  for (int s = 0; s < shows; ++s) {
    SetCursorPos(x0, y0);
    Sleep(400);
    const std::vector<std::uint32_t> a = nearPointer.Read(), b = nearTop.Read();
    const auto changed = [&] { return nearPointer.Read() != a || nearTop.Read() != b; };
    const auto covered = [&] {
      HWND h = FindWindowA(cls, nullptr);
      return h && IsWindowVisible(h);
    };
    double t0 = NowMs();
    if (!sendKey()) break;
    const double frame = Until(t0, 5000, [&] { return still ? covered() : changed(); });
    if (frame >= 0) frames.push_back(frame);
    Sleep(400);
    t0 = NowMs();
    sendKey();
    const double close = Until(t0, 5000, [&] { return still ? !covered() : !changed(); });
    if (close >= 0) closes.push_back(close);
    std::printf("show %d: frame=%.1f close=%.1f\n", s + 1, frame, close);
    std::fflush(stdout);
    Sleep(300);
  }
  CloseHandle(port);
  std::printf(
      "summary: shows=%zu frame_median=%.1f frame_p90=%.1f close_median=%.1f close_p90=%.1f\n",
      frames.size(), Quantile(frames, 0.5), Quantile(frames, 0.9), Quantile(closes, 0.5),
      Quantile(closes, 0.9));
  return frames.empty() ? 1 : 0;
}
