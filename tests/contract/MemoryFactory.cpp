// The contract suite's platform natively: a simulated machine per test, and
// processes on it.
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/memory/SimProcess.h"
#include "platform/memory/SimSystem.h"
#include "tests/contract/ContractPlatform.h"

namespace {
// Machines outlive the processes started on them; older ones are kept until
// the suite ends in case a test still holds one of their processes.
std::vector<std::unique_ptr<platform::memory::SimSystem>>& Machines() {
  static std::vector<std::unique_ptr<platform::memory::SimSystem>> machines;
  return machines;
}

std::unique_ptr<platform::Platform> Start() {
  auto process = Machines().back()->StartProcess();
  // A pump that waits for a due timer moves the simulated clock to it.
  process->SetIdleTimeBudget(60'000);
  return process;
}
}  // namespace

std::unique_ptr<platform::Platform> MakeContractPlatform() {
  Machines().push_back(std::make_unique<platform::memory::SimSystem>());
  // Windows' clock, where Wine's is exact: the suite holds the program to
  // the harsher one.
  Machines().back()->UseClock(platform::memory::SimSystem::Clock::Windows);
  // The screen's scale the suite runs at, as the Wine suite's prefix sets it.
  if (const char* dpi = std::getenv("TAVRIN_CONTRACT_DPI"))
    Machines().back()->SetDpi(static_cast<std::uint32_t>(std::atoi(dpi)));
  return Start();
}

bool RunningUnderWine() { return false; }

std::unique_ptr<ContractGdi> MakeSystemGdi() { return nullptr; }

bool ChangeScreenSize(int width, int height) {
  if (Machines().empty()) return false;
  Machines().back()->SetScreenSize(width, height);
  return true;
}

bool ArrangeMonitors(const std::vector<platform::Rect>& layout,
                     const std::vector<std::uint32_t>& dpis) {
  if (Machines().empty() || layout.empty()) return false;
  std::vector<platform::memory::SimMonitor> monitors;
  for (std::size_t i = 0; i < layout.size(); ++i)
    monitors.push_back({layout[i], layout[i], false, i < dpis.size() ? dpis[i] : 0});
  Machines().back()->SetMonitors(std::move(monitors));
  return true;
}

bool TypeLetters(const std::string& text) {
  if (Machines().empty()) return false;
  Machines().back()->TypeText(text);
  return true;
}

bool ChangeSystemColor(int index, std::uint32_t colour) {
  if (Machines().empty()) return false;
  Machines().back()->SetSysColor(index, colour);
  return true;
}

std::unique_ptr<platform::Platform> MakeSecondProcess() {
  if (Machines().empty()) Machines().push_back(std::make_unique<platform::memory::SimSystem>());
  return Start();
}

namespace {
class SimHungWindow final : public ContractHungWindow {
 public:
  SimHungWindow() : process_(Machines().back()->StartProcess()) {
    platform::WindowParams params;
    params.className = "Hung";
    params.caption = "Hung";
    hwnd_ = process_->CreateWindowExA(params, {});
    process_->StopTakingMessages();
  }
  platform::Hwnd Handle() const override { return hwnd_; }

 private:
  std::unique_ptr<platform::memory::SimProcess> process_;
  platform::Hwnd hwnd_ = 0;
};
}  // namespace

std::unique_ptr<ContractHungWindow> MakeHungWindow() {
  if (Machines().empty()) Machines().push_back(std::make_unique<platform::memory::SimSystem>());
  return std::make_unique<SimHungWindow>();
}

std::string MakeContractFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
  if (Machines().empty()) Machines().push_back(std::make_unique<platform::memory::SimSystem>());
  const std::string path = "C:\\contract\\" + name;
  Machines().back()->AddFile(path, bytes);
  return path;
}

bool WriteUtf16String(const std::string& keyPath, const std::string& name,
                      const std::u16string& text) {
  if (Machines().empty()) return false;
  std::string utf8;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size())
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    if (c < 0x80) {
      utf8 += static_cast<char>(c);
    } else if (c < 0x800) {
      utf8 += static_cast<char>(0xC0 | c >> 6);
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      utf8 += static_cast<char>(0xE0 | c >> 12);
      utf8 += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      utf8 += static_cast<char>(0xF0 | c >> 18);
      utf8 += static_cast<char>(0x80 | (c >> 12 & 0x3F));
      utf8 += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  // The simulated registry holds what the system's UTF-16 reads as in the
  // program's code page, UTF-8.
  Machines().back()->SetString(keyPath, name, utf8);
  return true;
}

ContractProgram ExistingProgram() { return {MakeContractFile("probe.exe", {'M', 'Z'}), ""}; }

namespace {
class SimSerialDevice final : public ContractSerialDevice {
 public:
  explicit SimSerialDevice(platform::memory::SimSerialPort& port) : port_(port) {}
  std::string Path() const override { return "\\\\.\\" + port_.name; }
  bool Send(const std::vector<std::uint8_t>& bytes) override {
    port_.Feed(bytes);
    return true;
  }
  bool Vanish() override {
    port_.Vanish();
    return true;
  }
  bool Return() override {
    port_.Return();
    return true;
  }

 private:
  platform::memory::SimSerialPort& port_;
};
}  // namespace

std::unique_ptr<ContractSerialDevice> MakeSerialDevice(int number) {
  if (Machines().empty() || number < 1 || number > 9) return nullptr;
  // Under Wine every port of the suite is a pty, which has no modem lines.
  return std::make_unique<SimSerialDevice>(Machines().back()->AddSerialPort(
      "COM" + std::to_string(number), {.listed = number <= 2, .watchesLines = false}));
}

namespace {
class SimPortRecord final : public ContractPortRecord {
 public:
  explicit SimPortRecord(platform::memory::SimSerialPort& port) : port_(port) {}
  bool Remove() override {
    port_.Vanish();
    return true;
  }

 private:
  platform::memory::SimSerialPort& port_;
};
}  // namespace

std::unique_ptr<ContractPortRecord> MakePortRecord(int number, const std::string& friendlyName) {
  if (Machines().empty()) return nullptr;
  platform::memory::SimSystem& sys = *Machines().back();
  const std::string name = "COM" + std::to_string(number);
  if (sys.SerialPort(name)) return nullptr;
  return std::make_unique<SimPortRecord>(
      sys.AddSerialPort(name, {.listed = false, .friendlyName = friendlyName}));
}
