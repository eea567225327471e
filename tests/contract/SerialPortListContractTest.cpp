// Where the system tells which serial ports it has: the serial-port map under
// HKEY_LOCAL_MACHINE, where every serial driver names its ports, and the
// device set-up data, where a port's device record holds the name the user
// knows it by. Under Wine the map names the suite's COM1 and COM2, and a
// test adds its own entry or record as a driver would.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/contract/ContractPlatform.h"
#include "tests/contract/ContractSupport.h"

namespace {

using platform::HKey;
using platform::kInvalidHandleValue;
namespace error = platform::error;

constexpr char kSerialComm[] = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

struct MapEntry {
  std::string name;
  std::uint32_t type = 0;
  std::string data;  // as stored, its terminating zero included
};

std::vector<MapEntry> ReadMap(platform::Platform& p) {
  HKey key = 0;
  EXPECT_EQ(p.RegOpenKeyExA(platform::kHkeyLocalMachine, kSerialComm, 0, platform::kKeyRead, &key),
            error::kSuccess);
  std::vector<MapEntry> out;
  for (std::uint32_t i = 0;; ++i) {
    char name[256];
    std::uint32_t nameSize = sizeof name;
    std::uint8_t data[64];
    std::uint32_t dataSize = sizeof data;
    MapEntry e;
    const long rc = p.RegEnumValueA(key, i, name, &nameSize, &e.type, data, &dataSize);
    if (rc == error::kNoMoreItems) break;
    EXPECT_EQ(rc, error::kSuccess) << "entry " << i;
    if (rc != error::kSuccess || i > 300) break;
    e.name.assign(name, nameSize);
    e.data.assign(reinterpret_cast<const char*>(data), dataSize);
    out.push_back(e);
  }
  p.RegCloseKey(key);
  return out;
}

bool Names(const std::vector<MapEntry>& map, const std::string& port) {
  for (const MapEntry& e : map)
    if (e.data == port + '\0') return true;
  return false;
}

TEST(SerialPortListContract, TheMapNamesEachPortOnceAndTakesADriversEntry) {
  auto p = MakeContractPlatform();
  auto com2 = MakeSerialDevice(2);
  ASSERT_NE(com2, nullptr);
  auto own = MakeSerialDevice(7);
  ASSERT_NE(own, nullptr);

  const std::vector<MapEntry> before = ReadMap(*p);
  EXPECT_TRUE(Names(before, "COM2"));
  EXPECT_FALSE(Names(before, "COM7")) << "a port the system did not find at its start";
  for (const MapEntry& e : before) EXPECT_EQ(e.type, platform::kRegSz) << e.name;

  // What a USB serial driver does when its port arrives.
  const std::string entry = "\\Device\\" + contract::UniqueName("TavrinVcp");
  HKey key = 0;
  ASSERT_EQ(p->RegCreateKeyExA(platform::kHkeyLocalMachine, kSerialComm, 0, platform::kKeyAllAccess,
                               &key, nullptr),
            error::kSuccess);
  const char port[] = "COM7";
  ASSERT_EQ(p->RegSetValueExA(key, entry, platform::kRegSz,
                              reinterpret_cast<const std::uint8_t*>(port), sizeof port),
            error::kSuccess);

  const std::vector<MapEntry> after = ReadMap(*p);
  EXPECT_EQ(after.size(), before.size() + 1);
  bool found = false;
  for (const MapEntry& e : after) {
    if (e.name != entry) continue;
    found = true;
    EXPECT_EQ(e.type, platform::kRegSz);
    EXPECT_EQ(e.data, std::string("COM7", 5));
  }
  EXPECT_TRUE(found) << entry;

  // Data that does not fit says what it needs; past the last entry nothing.
  char name[256];
  std::uint32_t nameSize = sizeof name;
  std::uint8_t small[2];
  std::uint32_t smallSize = sizeof small;
  EXPECT_EQ(p->RegEnumValueA(key, 0, name, &nameSize, nullptr, small, &smallSize),
            error::kMoreData);
  EXPECT_EQ(smallSize, after[0].data.size());
  nameSize = sizeof name;
  EXPECT_EQ(p->RegEnumValueA(key, static_cast<std::uint32_t>(after.size()), name, &nameSize,
                             nullptr, nullptr, nullptr),
            error::kNoMoreItems);

  EXPECT_EQ(p->RegDeleteValueA(key, entry), error::kSuccess);
  p->RegCloseKey(key);
  EXPECT_EQ(ReadMap(*p).size(), before.size());
}

// The present devices of the "Ports" class whose device key names port.
std::vector<platform::SpDevinfoData> DevicesOf(platform::Platform& p, platform::Handle set,
                                               const std::string& port) {
  std::vector<platform::SpDevinfoData> out;
  for (std::uint32_t i = 0; i < 1000; ++i) {
    platform::SpDevinfoData d;
    if (!p.SetupDiEnumDeviceInfo(set, i, &d)) {
      EXPECT_EQ(p.GetLastError(), error::kNoMoreItems);
      break;
    }
    EXPECT_EQ(d.ClassGuid, platform::kGuidDevClassPorts);
    const HKey key = p.SetupDiOpenDevRegKey(set, d, platform::kDicsFlagGlobal, 0,
                                            platform::kDiregDev, platform::kKeyRead);
    if (key == kInvalidHandleValue) continue;
    char name[32] = {};
    std::uint32_t size = sizeof name - 1;
    if (p.RegQueryValueExA(key, "PortName", nullptr, reinterpret_cast<std::uint8_t*>(name),
                           &size) == error::kSuccess &&
        name == port)
      out.push_back(d);
    p.RegCloseKey(key);
  }
  return out;
}

TEST(SerialPortListContract, APortsDeviceRecordGivesItsFriendlyName) {
  auto p = MakeContractPlatform();
  const std::string friendly = "Contract Serial Port (COM8)";
  auto record = MakePortRecord(8, friendly);
  ASSERT_NE(record, nullptr);

  const platform::Handle set =
      p->SetupDiGetClassDevsA(platform::kGuidDevClassPorts, platform::kDigcfPresent);
  ASSERT_NE(set, kInvalidHandleValue);
  const auto devices = DevicesOf(*p, set, "COM8");
  ASSERT_EQ(devices.size(), 1u);

  std::uint8_t small[4];
  std::uint32_t type = 0;
  std::uint32_t required = 0;
  EXPECT_FALSE(p->SetupDiGetDeviceRegistryPropertyA(set, devices[0], platform::kSpdrpFriendlyName,
                                                    &type, small, sizeof small, &required));
  EXPECT_EQ(p->GetLastError(), error::kInsufficientBuffer);
  EXPECT_EQ(required, friendly.size() + 1);

  char text[256] = {};
  ASSERT_TRUE(p->SetupDiGetDeviceRegistryPropertyA(set, devices[0], platform::kSpdrpFriendlyName,
                                                   &type, reinterpret_cast<std::uint8_t*>(text),
                                                   sizeof text, &required));
  EXPECT_EQ(type, platform::kRegSz);
  EXPECT_EQ(text, friendly);
  // A property the record does not hold.
  EXPECT_FALSE(p->SetupDiGetDeviceRegistryPropertyA(set, devices[0], 0x01 /* hardware id */, &type,
                                                    reinterpret_cast<std::uint8_t*>(text),
                                                    sizeof text, &required));
  EXPECT_TRUE(p->SetupDiDestroyDeviceInfoList(set));

  // Once the device has gone, the present ones no longer hold it.
  ASSERT_TRUE(record->Remove());
  const platform::Handle later =
      p->SetupDiGetClassDevsA(platform::kGuidDevClassPorts, platform::kDigcfPresent);
  ASSERT_NE(later, kInvalidHandleValue);
  EXPECT_TRUE(DevicesOf(*p, later, "COM8").empty());
  EXPECT_TRUE(p->SetupDiDestroyDeviceInfoList(later));
}

}  // namespace
