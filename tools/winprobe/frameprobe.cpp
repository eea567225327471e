// frameprobe: times the overlay's frames from inside Wine, for
// scripts/bench-frames.sh (figures, not a test).
//
//   frameprobe <port> <key> <class> <shows> <moves> <x> <y> <dx> <dy> [drag|anchor|click]
//
// Each show: the pointer is put at (x, y); the function key is written into
// the port (wired to the program's), and the probe times how long until the
// overlay window of <class> is visible ("shown") and until the screen's
// pixels first change ("drawn": the tool's first frame, which differs from
// the frozen picture; a tool whose first frame is that picture changes
// nothing until it is used). Then <moves> pointer moves, each injected as
// system input (SendInput, what the program's own device input is), along
// a zigzag: x steps by dx, y alternates between y and y + dy, so every move
// goes somewhere new. Each move is timed until the screen around its
// target or around the move before's (48 by 48 pixels from 16 above and
// left of each) shows other pixels than just before it: the frame the move
// presents has reached the screen. (Reveal and Line present on each move
// the picture the move before prepared, so theirs changes at the move
// before's place.) "drag" holds the left button over the moves, "anchor"
// clicks once at (x / 2, y / 2) first, where the band is anchored, "click"
// makes each move a move and a click. The same key closes
// the overlay again.
//
// The screen is read through the desktop window's device context, the way
// the program takes its own picture of it. One line per show, then one
// summary line: medians and the 90th percentile, in milliseconds.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tools/winprobe/ProbeTiming.h"

namespace {

using probe::NowMs;
using probe::Quantile;
using probe::Region;
using probe::Until;

bool Visible(const char* cls) {
  HWND h = FindWindowA(cls, nullptr);
  return h && IsWindowVisible(h);
}

void Input(DWORD flags, int x = 0, int y = 0) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  if (flags & MOUSEEVENTF_ABSOLUTE) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    // The centre of the pixel, so that the system's rounding lands on it.
    in.mi.dx = static_cast<LONG>((x * 65536LL + 32768) / w);
    in.mi.dy = static_cast<LONG>((y * 65536LL + 32768) / h);
  }
  SendInput(1, &in, sizeof in);
}

void MoveTo(int x, int y) { Input(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x, y); }
void Click() {
  Input(MOUSEEVENTF_LEFTDOWN);
  Input(MOUSEEVENTF_LEFTUP);
}

int Usage() {
  std::fputs(
      "usage: frameprobe <port> <key> <class> <shows> <moves> <x> <y> <dx> <dy> "
      "[drag|anchor|click]\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  if (argc < 10) return Usage();
  const char* portName = argv[1];
  const char key = argv[2][0];
  const char* cls = argv[3];
  const int shows = std::atoi(argv[4]), moves = std::atoi(argv[5]);
  const int x0 = std::atoi(argv[6]), y0 = std::atoi(argv[7]);
  const int dx = std::atoi(argv[8]), dy = std::atoi(argv[9]);
  const std::string how = argc > 10 ? argv[10] : "";
  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);

  HANDLE port = CreateFileA(portName, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (port == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "frameprobe: cannot open %s (error %lu)\n", portName, GetLastError());
    return 1;
  }
  const unsigned char packet[3] = {0xC0, static_cast<unsigned char>(0x80 + key), 0x80};
  auto sendKey = [&] {
    DWORD put = 0;
    return WriteFile(port, packet, 3, &put, nullptr) && put == 3;
  };

  // Where the first frame is looked for: the rows around the pointer, which
  // every tool that draws at once changes (the cover's edge, the bar, the
  // dot, the lens, the dimmed screen, the enlarged view).
  Region whole(0, std::clamp(y0 - 40, 0, sh - 80), sw, 80);
  std::vector<double> shownMs, drawnMs, frameMs;
  int frameTimeouts = 0;
  for (int s = 0; s < shows; ++s) {
    SetCursorPos(x0, y0);
    Sleep(300);
    const std::vector<std::uint32_t> before = whole.Read();
    const double t0 = NowMs();
    if (!sendKey()) break;
    const double shown = Until(t0, 5000, [&] { return Visible(cls); });
    const double drawn = Until(t0, 1500, [&] { return whole.Read() != before; });
    if (shown >= 0) shownMs.push_back(shown);
    if (drawn >= 0) drawnMs.push_back(drawn);
    Sleep(200);  // the first frame and the nudge after the show are done

    if (how == "anchor") {
      // The band's corner away from every move's target.
      MoveTo(x0 / 2, y0 / 2);
      Click();
      Sleep(100);
    }
    if (how == "drag") {
      Input(MOUSEEVENTF_LEFTDOWN);
      Sleep(50);
    }
    std::vector<double> mine;
    int timeouts = 0;
    std::string unseenAt;  // the moves after which nothing changed
    auto box = [&](int x, int y) {
      return std::make_unique<Region>(std::clamp(x - 16, 0, sw - 48),
                                      std::clamp(y - 16, 0, sh - 48), 48, 48);
    };
    int px = x0, py = y0;
    for (int i = 1; i <= moves; ++i) {
      const int x = std::clamp(x0 + i * dx, 0, sw - 1);
      const int y = std::clamp(i % 2 ? y0 + dy : y0, 0, sh - 1);
      // Around the target and around the move before: Reveal and Line show
      // on each move the picture the move before prepared.
      const std::unique_ptr<Region> at = box(x, y), before = box(px, py);
      const std::vector<std::uint32_t> was = at->Read(), wasBefore = before->Read();
      const double t1 = NowMs();
      MoveTo(x, y);
      if (how == "click") Click();
      const double got =
          Until(t1, 1000, [&] { return at->Read() != was || before->Read() != wasBefore; });
      if (got >= 0)
        mine.push_back(got);
      else
        ++timeouts, unseenAt += " " + std::to_string(i);
      px = x;
      py = y;
      Sleep(40 + (i * 37) % 60);  // moves at a presenter's pace, at every phase
    }
    if (how == "drag") Input(MOUSEEVENTF_LEFTUP);
    frameMs.insert(frameMs.end(), mine.begin(), mine.end());
    frameTimeouts += timeouts;
    std::printf("show %d: shown=%.1f drawn=%.1f frames=%zu median=%.1f max=%.1f unseen=%d%s\n",
                s + 1, shown, drawn, mine.size(), Quantile(mine, 0.5),
                mine.empty() ? -1 : *std::max_element(mine.begin(), mine.end()), timeouts,
                unseenAt.empty() ? "" : (" (move" + unseenAt + ")").c_str());
    std::fflush(stdout);

    sendKey();
    Until(NowMs(), 5000, [&] { return !Visible(cls); });
    Sleep(500);  // the palette comes back
  }
  CloseHandle(port);
  std::printf(
      "summary: shows=%zu shown_median=%.1f drawn_median=%.1f frames=%zu frame_median=%.1f "
      "frame_p90=%.1f unseen=%d\n",
      shownMs.size(), Quantile(shownMs, 0.5), Quantile(drawnMs, 0.5), frameMs.size(),
      Quantile(frameMs, 0.5), Quantile(frameMs, 0.9), frameTimeouts);
  return frameMs.empty() ? 1 : 0;
}
