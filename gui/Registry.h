// The registry accessor: opens a key of the current user, reads and writes
// integers and strings, and raises RegistryError with the system's wording
// when a value cannot be read or written.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/Platform.h"

namespace gui {

class RegistryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Registry {
 public:
  explicit Registry(platform::RegistryOps& ops) : ops_(ops) {}
  ~Registry() { CloseKey(); }
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;

  // Opens the key below HKEY_CURRENT_USER, creating it when allowed.
  bool OpenKey(std::string_view key, bool canCreate);
  void CloseKey();
  bool HasKey() const { return key_ != 0; }

  // A DWORD of exactly four bytes, or "Failed to get data for '%s'" (absent,
  // unreadable, larger) / "Invalid data type for '%s'" (another type).
  std::int32_t ReadInteger(std::string_view name);
  // A plain or expandable string, cut at its first NUL; an absent or empty
  // value gives "". Another type: "Invalid data type for '%s'".
  std::string ReadString(std::string_view name);
  void WriteInteger(std::string_view name, std::int32_t value);
  void WriteString(std::string_view name, std::string_view value);
  bool ValueExists(std::string_view name);

 private:
  platform::RegistryOps& ops_;
  platform::HKey key_ = 0;
};

}  // namespace gui
