// tavrin-receiver: plays the pointer's packets into a serial port or pty, so
// Tavrin can be driven without the hardware.
//
//   tavrin-receiver --port PATH -e 'move 10 0; click'   a script given inline
//   tavrin-receiver --port PATH -f FILE                 a script file ('-': stdin)
//   tavrin-receiver --port PATH -i                      keys of this terminal
//   tavrin-receiver --hex -e SCRIPT                     print the writes instead
//
// PATH is the device end of the port Tavrin listens on (a pty's other side,
// or a real serial port at 9600 8N1). TAVRIN_RECEIVER_PORT stands in for
// --port. Exit status: 0 done, 1 the port failed, 2 bad usage or script.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

#include "tools/receiver/Receiver.h"

namespace {

using receiver::WirePacket;
using receiver::Write;

volatile std::sig_atomic_t stopRequested = 0;
void OnSignal(int) { stopRequested = 1; }

int Usage() {
  std::fputs(
      "usage: tavrin-receiver [--port PATH] (-e SCRIPT | -f FILE | -i) [--hex]\n"
      "  --port PATH  the device end of the port (default: $TAVRIN_RECEIVER_PORT)\n"
      "  -e SCRIPT    run the script text (';' or newlines between commands)\n"
      "  -f FILE      run a script file, '-' for standard input\n"
      "  -i           interactive: this terminal's keys drive the pointer\n"
      "  --hex        print each write as hex instead of sending it\n"
      "script commands: move DX DY, press|release left|right, click [left|right],\n"
      "  drag DX DY, key B..L|0..10, startmenu, minimise|restore, pause MS, raw HEX...\n",
      stderr);
  return 2;
}

class Port {
 public:
  bool Open(const std::string& path) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_NOCTTY);
    if (fd_ < 0) {
      std::fprintf(stderr, "tavrin-receiver: cannot open %s: %s\n", path.c_str(),
                   std::strerror(errno));
      return false;
    }
    // A terminal would otherwise translate bytes on their way out (a 0x0a
    // would grow a 0x0d); a real port also needs the receiver's line.
    if (::isatty(fd_)) {
      termios t{};
      if (::tcgetattr(fd_, &t) == 0) {
        ::cfmakeraw(&t);
        ::cfsetispeed(&t, B9600);
        ::cfsetospeed(&t, B9600);
        ::tcsetattr(fd_, TCSANOW, &t);
      }
    }
    return true;
  }
  ~Port() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool Send(const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        std::fprintf(stderr, "tavrin-receiver: write failed: %s\n", std::strerror(errno));
        return false;
      }
      done += static_cast<std::size_t>(n);
    }
    return true;
  }

 private:
  int fd_ = -1;
};

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  std::string s;
  char b[4];
  for (std::uint8_t v : bytes) {
    std::snprintf(b, sizeof b, s.empty() ? "%02x" : " %02x", v);
    s += b;
  }
  return s;
}

void SleepMs(int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!stopRequested && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_until(
        std::min(end, std::chrono::steady_clock::now() + std::chrono::milliseconds(50)));
  }
}

int PlayScript(const std::string& text, Port* port) {
  receiver::Encoder encoder;
  const auto result = receiver::CompileScript(text, encoder);
  if (result.error) {
    std::fprintf(stderr, "tavrin-receiver: line %d: %s\n", result.error->line,
                 result.error->message.c_str());
    return 2;
  }
  for (const Write& w : result.writes) {
    if (stopRequested) break;
    if (!w.bytes.empty()) {
      if (!port) {
        std::printf("%s\n", Hex(w.bytes).c_str());
      } else if (!port->Send(w.bytes)) {
        return 1;
      }
    }
    if (!port && w.pauseAfterMs > 0) {
      std::printf("pause %d\n", w.pauseAfterMs);
    } else {
      SleepMs(w.pauseAfterMs);
    }
  }
  std::fflush(stdout);
  return 0;
}

class RawTerminal {
 public:
  bool Enter() {
    if (!::isatty(STDIN_FILENO) || ::tcgetattr(STDIN_FILENO, &saved_) != 0) return false;
    termios t = saved_;
    ::cfmakeraw(&t);
    t.c_oflag |= OPOST | ONLCR;  // keep "\n" meaning a new line on the screen
    active_ = ::tcsetattr(STDIN_FILENO, TCSANOW, &t) == 0;
    return active_;
  }
  ~RawTerminal() {
    if (active_) ::tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
  }

 private:
  termios saved_{};
  bool active_ = false;
};

int Interactive(Port* port) {
  RawTerminal terminal;
  if (!terminal.Enter()) {
    std::fputs("tavrin-receiver: -i needs a terminal on standard input\n", stderr);
    return 2;
  }
  std::printf("tavrin-receiver: keys drive the pointer\n%s", receiver::KeyHelp().c_str());
  receiver::Encoder encoder;
  receiver::KeyReader reader;
  int step = receiver::kDefaultStep;
  auto status = [&] {
    std::fputs(receiver::StatusLine(step, encoder).c_str(), stdout);
    std::fflush(stdout);
  };
  status();
  bool quit = false;
  while (!quit) {
    if (stopRequested) {
      // Ends the loop the way 'q' does, so no button stays held.
      reader.Feed("q");
    } else {
      pollfd p{STDIN_FILENO, POLLIN, 0};
      const int ready = ::poll(&p, 1, 50);
      if (ready > 0) {
        char buf[64];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
          reader.Feed("q");
        } else {
          reader.Feed(std::string_view(buf, static_cast<std::size_t>(n)));
        }
      }
    }
    // A quiet terminal means a lone Escape is a key, not a sequence's start.
    for (auto key = reader.Next(); key || (key = reader.Flush()); key = reader.Next()) {
      const auto cmd = receiver::MapKey(*key);
      if (!cmd) continue;
      if (cmd->action == receiver::KeyAction::Help) {
        std::printf("\n%s", receiver::KeyHelp().c_str());
      }
      for (const WirePacket& packet : receiver::ApplyKey(*cmd, encoder, step)) {
        if (!port) {
          std::printf("%s\n", receiver::OverLine(Hex({packet.begin(), packet.end()})).c_str());
        } else if (!port->Send({packet.begin(), packet.end()})) {
          return 1;
        }
      }
      if (cmd->action == receiver::KeyAction::Quit) {
        quit = true;
        break;
      }
      status();
    }
  }
  std::printf("\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string portPath;
  if (const char* env = std::getenv("TAVRIN_RECEIVER_PORT")) portPath = env;
  std::string script;
  bool haveScript = false, interactive = false, hex = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    if (a == "--port") {
      const char* v = value();
      if (!v) return Usage();
      portPath = v;
    } else if (a == "-e") {
      const char* v = value();
      if (!v || haveScript) return Usage();
      script = v;
      haveScript = true;
    } else if (a == "-f") {
      const char* v = value();
      if (!v || haveScript) return Usage();
      std::stringstream ss;
      if (std::strcmp(v, "-") == 0) {
        ss << std::cin.rdbuf();
      } else {
        std::ifstream in(v, std::ios::binary);
        if (!in) {
          std::fprintf(stderr, "tavrin-receiver: cannot read %s\n", v);
          return 2;
        }
        ss << in.rdbuf();
      }
      script = ss.str();
      haveScript = true;
    } else if (a == "-i") {
      interactive = true;
    } else if (a == "--hex") {
      hex = true;
    } else {
      return Usage();
    }
  }
  if (haveScript == interactive) return Usage();
  if (!hex && portPath.empty()) {
    std::fputs("tavrin-receiver: no port: give --port PATH or set TAVRIN_RECEIVER_PORT\n", stderr);
    return 2;
  }
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  std::signal(SIGPIPE, SIG_IGN);  // a vanished port shows as a failed write
  Port port;
  if (!hex && !port.Open(portPath)) return 1;
  return interactive ? Interactive(hex ? nullptr : &port)
                     : PlayScript(script, hex ? nullptr : &port);
}
