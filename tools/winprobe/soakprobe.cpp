// soakprobe: drives the running program through many overlay shows from
// inside Wine and watches that nothing builds up, for scripts/soak.sh
// (figures, and a verdict; not part of the test command).
//
//   soakprobe <port> <shows> <packets-per-show> <keys> [baseline-after]
//
// <port> is wired to the program's; <keys> are the function keys to cycle
// through, one show each ("BCDEFGHIJK": the ten overlay effects bound to
// them). Each show writes the key, waits for the overlay, then writes
// <packets-per-show> packets as the receiver sends them (a few packets a
// write, a few milliseconds apart): a left drag, plain moves and a right
// click. Every move is undone by the next, so the pointer ends where the
// show started it, and the probe checks that it does. The same key closes
// the overlay again.
//
// After show [baseline-after] (default 50) and at the end it reads the
// program's process: private bytes, working set, its windows (top-level
// and children) and, where the system counts them, GDI and USER objects. It
// exits 1 when the program has gone, an overlay did not show or close, the
// pointer ended elsewhere than the packets say, the private bytes (under
// Wine, which does not report them for another process: the working set)
// grew by 1 MiB or more, or the window count changed.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "tools/winprobe/ProbeTiming.h"

// After windows.h, whose types it uses.
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using probe::NowMs;

// Whether pred came to hold within limitMs.
template <class Pred>
bool Until(double limitMs, Pred pred) {
  return probe::Until(NowMs(), limitMs, pred) >= 0;
}

bool Visible(const char* cls) {
  HWND h = FindWindowA(cls, nullptr);
  return h && IsWindowVisible(h);
}

struct Stats {
  SIZE_T privateBytes = 0, workingSet = 0;
  int windows = 0;
  DWORD gdi = 0, user = 0;
};

struct WindowCount {
  DWORD pid;
  int n = 0;
};

BOOL CALLBACK CountChild(HWND, LPARAM p) {
  ++reinterpret_cast<WindowCount*>(p)->n;
  return TRUE;
}

BOOL CALLBACK CountTop(HWND h, LPARAM p) {
  auto* c = reinterpret_cast<WindowCount*>(p);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  if (pid != c->pid) return TRUE;
  ++c->n;
  EnumChildWindows(h, CountChild, p);
  return TRUE;
}

Stats Read(HANDLE process, DWORD pid) {
  Stats s;
  PROCESS_MEMORY_COUNTERS_EX m{};
  m.cb = sizeof m;
  if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&m), sizeof m)) {
    s.privateBytes = m.PrivateUsage;
    s.workingSet = m.WorkingSetSize;
  }
  WindowCount c{pid};
  EnumWindows(CountTop, reinterpret_cast<LPARAM>(&c));
  s.windows = c.n;
  s.gdi = GetGuiResources(process, GR_GDIOBJECTS);
  s.user = GetGuiResources(process, GR_USEROBJECTS);
  return s;
}

void Print(const char* what, int shows, const Stats& s) {
  std::printf("%s: shows=%d private_kib=%llu working_set_kib=%llu windows=%d gdi=%lu user=%lu\n",
              what, shows, static_cast<unsigned long long>(s.privateBytes / 1024),
              static_cast<unsigned long long>(s.workingSet / 1024), s.windows, s.gdi, s.user);
  std::fflush(stdout);
}

// One packet as it goes on the wire: p0 carries the buttons and the high
// bits of the movement, each byte plus 128.
void Packet(std::vector<unsigned char>& out, int dx, int dy, bool left, bool right) {
  const auto ux = static_cast<unsigned char>(dx), uy = static_cast<unsigned char>(dy);
  const unsigned char p0 =
      0x40 | (left ? 0x20 : 0) | (right ? 0x10 : 0) | ((uy >> 6) << 2) | (ux >> 6);
  out.push_back(static_cast<unsigned char>(p0 + 0x80));
  out.push_back(static_cast<unsigned char>((ux & 0x3F) + 0x80));
  out.push_back(static_cast<unsigned char>((uy & 0x3F) + 0x80));
}

// The packets of one show. Moves come in pairs that cancel, so the pointer
// ends where it started; a button's press packet and the packet that lets
// it go move nothing.
std::vector<unsigned char> ShowPackets(int count) {
  std::vector<unsigned char> out;
  const unsigned char leftPress[3] = {0xEC, 0x80, 0xBF}, rightPress[3] = {0xDC, 0x80, 0xBF};
  out.insert(out.end(), leftPress, leftPress + 3);
  int n = 1;
  const int drag = count / 3;
  for (; n + 1 < drag; n += 2) {
    Packet(out, 7, 3, true, false);
    Packet(out, -7, -3, true, false);
  }
  Packet(out, 0, 0, false, false);  // lets the left button go
  ++n;
  for (; n + 3 < count; n += 2) {
    Packet(out, -5, 9, false, false);
    Packet(out, 5, -9, false, false);
  }
  out.insert(out.end(), rightPress, rightPress + 3);
  ++n;
  for (; n < count; ++n) Packet(out, 0, 0, false, false);  // the first lets it go
  return out;
}

int Usage() {
  std::fputs("usage: soakprobe <port> <shows> <packets-per-show> <keys> [baseline-after]\n",
             stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  if (argc < 5) return Usage();
  const char* portName = argv[1];
  const int shows = std::atoi(argv[2]);
  const int perShow = std::atoi(argv[3]);
  const std::string keys = argv[4];
  const int baselineAfter = argc > 5 ? std::atoi(argv[5]) : 50;
  if (shows < 1 || perShow < 8 || keys.empty()) return Usage();

  HWND main = FindWindowA("TForm_Main", "Tavrin");
  DWORD pid = 0;
  if (main) GetWindowThreadProcessId(main, &pid);
  HANDLE process =
      pid ? OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, pid)
          : nullptr;
  if (!process) {
    std::fprintf(stderr, "soakprobe: the program's window or process was not found\n");
    return 1;
  }
  HANDLE port = CreateFileA(portName, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (port == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "soakprobe: cannot open %s (error %lu)\n", portName, GetLastError());
    return 1;
  }
  auto write = [&](const unsigned char* bytes, std::size_t size) {
    DWORD put = 0;
    return WriteFile(port, bytes, static_cast<DWORD>(size), &put, nullptr) && put == size;
  };
  auto key = [&](char k) {
    const unsigned char packet[3] = {0xC0, static_cast<unsigned char>(0x80 + k), 0x80};
    return write(packet, 3);
  };

  const std::vector<unsigned char> packets = ShowPackets(perShow);
  // The pointer is put in the middle once: every show's moves cancel, so it
  // starts each show there. (Set from here before each show, it could race
  // the program's own reading of it for the show's nudge.)
  const POINT start{GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2};
  SetCursorPos(start.x, start.y);
  Sleep(200);
  Stats baseline, end;
  int missedShow = 0, missedClose = 0, offTarget = 0, done = 0;
  long long sent = 0;
  const double t0 = NowMs();
  for (int s = 0; s < shows; ++s) {
    if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0) break;
    const char k = keys[static_cast<std::size_t>(s) % keys.size()];
    if (!key(k)) break;
    if (!Until(5000, [] { return Visible("TForm_Draw"); })) {
      ++missedShow;
      std::printf("show %d (key %c): the overlay did not show\n", s + 1, k);
      continue;
    }
    // A few packets a write, a few milliseconds apart, as the receiver
    // sends them.
    for (std::size_t at = 0; at < packets.size(); at += 3 * 8) {
      write(packets.data() + at, std::min<std::size_t>(3 * 8, packets.size() - at));
      Sleep(4);
    }
    sent += perShow;
    POINT p{};
    if (!Until(3000, [&] { return GetCursorPos(&p) && p.x == start.x && p.y == start.y; })) {
      ++offTarget;
      std::printf("show %d (key %c): the pointer is at %ld,%ld, not %ld,%ld\n", s + 1, k, p.x, p.y,
                  start.x, start.y);
    }
    key(k);
    if (!Until(5000, [] { return !Visible("TForm_Draw"); })) {
      ++missedClose;
      std::printf("show %d (key %c): the overlay did not close\n", s + 1, k);
    }
    // The close's pauses and the palette's return are over before the next.
    Until(2000, [&] { return IsWindowVisible(main) != FALSE; });
    ++done;
    if (done == baselineAfter) {
      baseline = Read(process, pid);
      Print("baseline", done, baseline);
    }
    if (done % 50 == 0) {
      std::printf("progress: shows=%d packets=%lld seconds=%.0f\n", done, sent,
                  (NowMs() - t0) / 1000);
      std::fflush(stdout);
    }
  }
  const bool alive = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  end = Read(process, pid);
  Print("end", done, end);
  // Wine reports no private bytes for another process, only its working set.
  const bool havePrivate = baseline.privateBytes != 0 && end.privateBytes != 0;
  const long long growth =
      havePrivate
          ? static_cast<long long>(end.privateBytes) - static_cast<long long>(baseline.privateBytes)
          : static_cast<long long>(end.workingSet) - static_cast<long long>(baseline.workingSet);
  std::printf(
      "summary: shows=%d packets=%lld seconds=%.0f alive=%d missed_shows=%d missed_closes=%d "
      "pointer_off=%d %s_growth_kib=%lld window_change=%d\n",
      done, sent, (NowMs() - t0) / 1000, alive ? 1 : 0, missedShow, missedClose, offTarget,
      havePrivate ? "private" : "working_set", growth / 1024, end.windows - baseline.windows);
  CloseHandle(port);
  CloseHandle(process);
  const bool ok = alive && done == shows && missedShow == 0 && missedClose == 0 && offTarget == 0 &&
                  done >= baselineAfter && growth < 1024 * 1024 && end.windows == baseline.windows;
  std::printf("%s\n", ok ? "soak: nothing built up" : "soak: FAILED");
  return ok ? 0 : 1;
}
