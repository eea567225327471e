#include "core/SerialPorts.h"

#include <algorithm>
#include <cctype>
#include <map>

using namespace platform;

namespace {

bool SameLetters(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

// A string value's text: up to its first zero, which a value may or may not
// carry.
std::string_view ValueText(const std::uint8_t* data, std::uint32_t size) {
  const std::string_view raw(reinterpret_cast<const char*>(data), size);
  return raw.substr(0, raw.find('\0'));
}

// n written in decimal without a leading zero, 1 to kLastPortNumber; 0 for
// anything else.
int PortNumberOf(std::string_view digits) {
  if (digits.empty() || digits.size() > 3 || digits[0] == '0') return 0;
  int n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    n = n * 10 + (c - '0');
  }
  return n <= kLastPortNumber ? n : 0;
}

// Serial drivers name their ports in capitals ("COM5"); the text is the
// system's, not the user's, so its case does not matter.
int PortNameNumber(std::string_view text) {
  if (text.size() < 3 || !SameLetters(text.substr(0, 3), "COM")) return 0;
  return PortNumberOf(text.substr(3));
}

std::vector<int> MapNumbers(Platform& sys) {
  std::vector<int> numbers;
  HKey key = 0;
  if (sys.RegOpenKeyExA(kHkeyLocalMachine, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, kKeyRead, &key) !=
      error::kSuccess)
    return numbers;
  // A map holds a few entries; the bound only keeps a broken one finite.
  for (std::uint32_t i = 0; i < 4 * kLastPortNumber; ++i) {
    char name[256];
    std::uint32_t nameSize = sizeof name;
    std::uint32_t type = 0;
    std::uint8_t data[64];
    std::uint32_t dataSize = sizeof data;
    const long rc = sys.RegEnumValueA(key, i, name, &nameSize, &type, data, &dataSize);
    if (rc == error::kNoMoreItems) break;
    // An entry too long to be a port name is no port of ours.
    if (rc != error::kSuccess || type != kRegSz) continue;
    if (const int n = PortNameNumber(ValueText(data, dataSize))) numbers.push_back(n);
  }
  sys.RegCloseKey(key);
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  return numbers;
}

// The friendly names of the present ports' device records, by port number.
std::map<int, std::string> FriendlyNames(Platform& sys) {
  std::map<int, std::string> names;
  const Handle set = sys.SetupDiGetClassDevsA(kGuidDevClassPorts, kDigcfPresent);
  if (set == kInvalidHandleValue) return names;
  SpDevinfoData device;
  for (std::uint32_t i = 0; i < 4 * kLastPortNumber && sys.SetupDiEnumDeviceInfo(set, i, &device);
       ++i) {
    const HKey key = sys.SetupDiOpenDevRegKey(set, device, kDicsFlagGlobal, 0, kDiregDev, kKeyRead);
    if (key == kInvalidHandleValue) continue;
    std::uint8_t portName[64];
    std::uint32_t size = sizeof portName;
    std::uint32_t type = 0;
    const bool read =
        sys.RegQueryValueExA(key, "PortName", &type, portName, &size) == error::kSuccess &&
        type == kRegSz;
    sys.RegCloseKey(key);
    // Parallel ports are of the same class ("LPT1").
    const int number = read ? PortNameNumber(ValueText(portName, size)) : 0;
    if (number == 0) continue;
    std::uint8_t text[256];
    std::uint32_t required = 0;
    if (!sys.SetupDiGetDeviceRegistryPropertyA(set, device, kSpdrpFriendlyName, &type, text,
                                               sizeof text, &required) ||
        type != kRegSz)
      continue;
    std::string friendly(ValueText(text, std::min<std::uint32_t>(required, sizeof text)));
    // The system names a port's device "<what it is> (COMn)"; the menu puts
    // the port first.
    const std::string suffix = " (COM" + std::to_string(number) + ")";
    if (friendly.size() >= suffix.size() &&
        SameLetters(std::string_view(friendly).substr(friendly.size() - suffix.size()), suffix))
      friendly.resize(friendly.size() - suffix.size());
    if (!friendly.empty()) names.emplace(number, friendly);
  }
  sys.SetupDiDestroyDeviceInfoList(set);
  return names;
}

}  // namespace

int PortNumberFor(std::string_view comPortName) {
  // The setting is the program's own text: its case is exact.
  const int n = comPortName.starts_with("Com") ? PortNumberOf(comPortName.substr(3)) : 0;
  return n == 1 || n >= 3 ? n : 2;
}

std::string PortSettingText(int number) { return "Com" + std::to_string(number); }

std::vector<PresentPort> PresentSerialPorts(Platform& sys) {
  std::vector<PresentPort> ports;
  const std::vector<int> numbers = MapNumbers(sys);
  if (numbers.empty()) return ports;
  const std::map<int, std::string> names = FriendlyNames(sys);
  for (int n : numbers) {
    auto it = names.find(n);
    ports.push_back({n, it == names.end() ? std::string() : it->second});
  }
  return ports;
}

std::string PortCaption(const PresentPort& port) {
  std::string caption = "COM" + std::to_string(port.number);
  if (!port.friendlyName.empty()) caption += " (" + port.friendlyName + ")";
  return caption;
}
