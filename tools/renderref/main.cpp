// renderref: what the program shows on the simulated machine for a given
// screen and a given use of the pointer, as the reference the end-to-end
// tests hold the real program's screenshots to.
//
//   tavrin-renderref SCREEN.ppm SCRIPT OUTDIR
//
// SCREEN is the picture the desktop shows (binary PPM, its size the
// screen's). The program starts on it with the default settings and its
// port on COM2; the script then drives it, one command a line ('#' starts
// a comment):
//   place X Y        the pointer to (X, Y) without any input, as a helper
//                    program outside puts it
//   send SCRIPT      the virtual receiver's script (its own syntax, ';'
//                    between commands), written into COM2 as the receiver
//                    writes it, pauses included; the clock then runs until
//                    the program has read and handled every byte
//   wait MS          the clock runs on
//   escape           the Escape key pressed and let go at the window in
//                    front, then 500 ms of the clock
//   set NAME VALUE   a setting of the key as a number (before the first
//                    send: the program reads the key when it starts)
//   shot NAME        OUTDIR/NAME.ppm: the screen as the user sees it now
// Exit status: 0 done, 1 a bad script or file, 2 usage.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "tests/support/ProgramHarness.h"
#include "tools/receiver/Receiver.h"

namespace {

using testing_support::ProgramHarness;
using testing_support::SimSystem;

bool ReadPpm(const std::string& path, gui::Bitmap& out) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int w = 0, h = 0, max = 0;
  if (!(in >> magic >> w >> h >> max) || magic != "P6" || max != 255 || w < 1 || h < 1 ||
      w > 8192 || h > 8192)
    return false;
  in.get();  // the one blank after the header
  std::string bytes(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3, '\0');
  if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) return false;
  out = gui::Bitmap(w, h);
  std::size_t i = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x, i += 3)
      out.SetPixel(
          x, y,
          gui::Rgb(static_cast<unsigned char>(bytes[i]), static_cast<unsigned char>(bytes[i + 1]),
                   static_cast<unsigned char>(bytes[i + 2])));
  return true;
}

bool WritePpm(const std::string& path, const gui::Bitmap& b) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << b.Width() << ' ' << b.Height() << "\n255\n";
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(b.Width()) * static_cast<std::size_t>(b.Height()) * 3);
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const gui::Color c = b.Pixel(x, y);
      bytes += static_cast<char>(gui::RedOf(c));
      bytes += static_cast<char>(gui::GreenOf(c));
      bytes += static_cast<char>(gui::BlueOf(c));
    }
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

class Machine {
 public:
  explicit Machine(const gui::Bitmap& screen) : sys(screen.Width(), screen.Height()) {
    sys.Wallpaper() = screen;
    port = &sys.AddSerialPort("COM2");
    testing_support::WriteDefaultKey(sys);
  }

  void Start() {
    if (h) return;
    h = std::make_unique<ProgramHarness>(sys);
    h->process->SetIdleTimeBudget(600'000);
    h->Start();
    Run(200);
  }
  // Handles what comes due, in steps of a millisecond.
  void Run(std::uint64_t ms) {
    const std::uint64_t end = sys.Now() + ms;
    while (sys.Now() < end) {
      h->app.ProcessMessages();
      sys.Advance(1);
    }
    h->app.ProcessMessages();
  }
  // The receiver's writes at their times; then the clock runs until the
  // port is read empty and a few polls more have handled what came.
  bool Send(const std::string& script, std::string& error) {
    receiver::Encoder encoder;  // a new receiver each time, as each test step starts one
    const receiver::ScriptResult r = receiver::CompileScript(script, encoder);
    if (r.error) {
      error = "line " + std::to_string(r.error->line) + ": " + r.error->message;
      return false;
    }
    std::uint64_t at = sys.Now();
    for (const receiver::Write& w : r.writes) {
      port->FeedAt(at, w.bytes);
      at += static_cast<std::uint64_t>(w.pauseAfterMs);
    }
    if (at > sys.Now()) Run(at - sys.Now());
    for (int i = 0; i < 100 && (port->Scheduled() > 0 || port->Queued() > 0); ++i) Run(50);
    Run(300);
    return true;
  }

  SimSystem sys;
  platform::memory::SimSerialPort* port = nullptr;
  std::unique_ptr<ProgramHarness> h;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s SCREEN.ppm SCRIPT OUTDIR\n", argv[0]);
    return 2;
  }
  gui::Bitmap screen;
  if (!ReadPpm(argv[1], screen)) {
    std::fprintf(stderr, "renderref: %s is no binary PPM picture of 255 levels\n", argv[1]);
    return 1;
  }
  std::ifstream scriptFile(argv[2]);
  if (!scriptFile) {
    std::fprintf(stderr, "renderref: cannot read %s\n", argv[2]);
    return 1;
  }
  const std::string outDir = argv[3];
  Machine m(screen);

  std::string line;
  int number = 0;
  while (std::getline(scriptFile, line)) {
    ++number;
    if (const auto hash = line.find('#'); hash != std::string::npos && line.rfind("send", 0) != 0)
      line.erase(hash);
    std::istringstream words(line);
    std::string command;
    if (!(words >> command)) continue;
    auto bad = [&](const std::string& why) {
      std::fprintf(stderr, "renderref: %s line %d: %s\n", argv[2], number, why.c_str());
      return 1;
    };
    if (command == "place") {
      int x = 0, y = 0;
      if (!(words >> x >> y)) return bad("place needs X Y");
      m.sys.PlaceCursor({x, y});
    } else if (command == "set") {
      std::string name;
      long long value = 0;
      if (!(words >> std::quoted(name) >> value)) return bad("set needs NAME VALUE");
      if (m.h) return bad("set comes before the program starts");
      m.sys.SetDword(testing_support::kKey, name, static_cast<std::uint32_t>(value));
    } else if (command == "send") {
      m.Start();
      std::string rest;
      std::getline(words, rest);
      std::string error;
      if (!m.Send(rest, error)) return bad(error);
    } else if (command == "escape") {
      m.Start();
      m.h->PressKey(gui::kVkEscape);
      m.Run(500);
    } else if (command == "wait") {
      long long ms = -1;
      if (!(words >> ms) || ms < 0 || ms > 600'000) return bad("wait needs 0..600000 ms");
      m.Start();
      m.Run(static_cast<std::uint64_t>(ms));
    } else if (command == "shot") {
      std::string name;
      if (!(words >> name)) return bad("shot needs a name");
      m.Start();
      const std::string path = outDir + "/" + name + ".ppm";
      if (!WritePpm(path, m.sys.Screen())) return bad("cannot write " + path);
    } else {
      return bad("unknown command '" + command + "'");
    }
  }
  return 0;
}
