#include "gui/Registry.h"

#include <algorithm>
#include <vector>

namespace gui {

using namespace platform;

namespace {
std::string Quoted(const char* format, std::string_view name) {
  std::string text(format);
  text.replace(text.find("%s"), 2, name);
  return text;
}
[[noreturn]] void FailGet(std::string_view name) {
  throw RegistryError(Quoted("Failed to get data for '%s'", name));
}
[[noreturn]] void FailType(std::string_view name) {
  throw RegistryError(Quoted("Invalid data type for '%s'", name));
}
[[noreturn]] void FailSet(std::string_view name) {
  throw RegistryError(Quoted("Failed to set data for '%s'", name));
}
}  // namespace

bool Registry::OpenKey(std::string_view key, bool canCreate) {
  CloseKey();
  HKey h = 0;
  long rc;
  if (canCreate) {
    std::uint32_t disposition = 0;
    rc = ops_.RegCreateKeyExA(kHkeyCurrentUser, key, kRegOptionNonVolatile, kKeyAllAccess, &h,
                              &disposition);
  } else {
    rc = ops_.RegOpenKeyExA(kHkeyCurrentUser, key, 0, kKeyAllAccess, &h);
  }
  if (rc != error::kSuccess) return false;
  key_ = h;
  return true;
}

void Registry::CloseKey() {
  if (key_) ops_.RegCloseKey(key_);
  key_ = 0;
}

std::int32_t Registry::ReadInteger(std::string_view name) {
  // The value is asked for into a four-byte buffer: anything larger comes
  // back as "more data" and counts as unreadable, before its type is seen.
  std::uint8_t buffer[4] = {};
  std::uint32_t type = kRegNone;
  std::uint32_t size = sizeof buffer;
  if (ops_.RegQueryValueExA(key_, name, &type, buffer, &size) != error::kSuccess) FailGet(name);
  if (type != kRegDword) FailType(name);
  std::uint32_t v =
      static_cast<std::uint32_t>(buffer[0]) | (static_cast<std::uint32_t>(buffer[1]) << 8) |
      (static_cast<std::uint32_t>(buffer[2]) << 16) | (static_cast<std::uint32_t>(buffer[3]) << 24);
  return static_cast<std::int32_t>(v);
}

std::string Registry::ReadString(std::string_view name) {
  std::uint32_t type = kRegNone;
  std::uint32_t size = 0;
  if (ops_.RegQueryValueExA(key_, name, &type, nullptr, &size) != error::kSuccess || size == 0)
    return {};
  // The system keeps strings in UTF-16 and converts them to the process's
  // code page as it copies them; the size it names without a buffer may be
  // short of the UTF-8 one, and the value may change in between: a buffer
  // too small is told the size it needs, and asked again.
  std::vector<std::uint8_t> buffer;
  long rc = error::kMoreData;
  for (int attempt = 0; attempt < 4 && rc == error::kMoreData; ++attempt) {
    buffer.resize(std::max<std::size_t>(size, buffer.size() + 1));
    size = static_cast<std::uint32_t>(buffer.size());
    rc = ops_.RegQueryValueExA(key_, name, &type, buffer.data(), &size);
  }
  if (rc != error::kSuccess) FailGet(name);
  if (type != kRegSz && type != kRegExpandSz) FailType(name);
  std::string text(buffer.begin(), buffer.begin() + std::min<std::size_t>(size, buffer.size()));
  if (auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
  return text;
}

void Registry::WriteInteger(std::string_view name, std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                 static_cast<std::uint8_t>(v >> 16),
                                 static_cast<std::uint8_t>(v >> 24)};
  if (ops_.RegSetValueExA(key_, name, kRegDword, bytes, 4) != error::kSuccess) FailSet(name);
}

void Registry::WriteString(std::string_view name, std::string_view value) {
  std::vector<std::uint8_t> bytes(value.begin(), value.end());
  bytes.push_back(0);
  if (ops_.RegSetValueExA(key_, name, kRegSz, bytes.data(),
                          static_cast<std::uint32_t>(bytes.size())) != error::kSuccess)
    FailSet(name);
}

bool Registry::ValueExists(std::string_view name) {
  std::uint32_t type = 0;
  return ops_.RegQueryValueExA(key_, name, &type, nullptr, nullptr) == error::kSuccess;
}

}  // namespace gui
