// Text between the program (UTF-8) and the system's wide calls (UTF-16).
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <string_view>

namespace platform {

// The program's text is UTF-8 (the manifest's code page), and the exe's own
// path is UTF-8 on every system (GetModuleFileNameA below). A system before
// Windows 10 1903 ignores the manifest's code page and gives the ...A calls
// its own, in which a name read from the registry or a field then comes:
// text that is not UTF-8 is taken in that code page, as an ...A call would.
inline std::wstring WideOf(std::string_view text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  UINT codePage = CP_UTF8;
  int n = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
  if (n <= 0) {
    codePage = CP_ACP;
    n = ::MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
  }
  std::wstring wide(static_cast<std::size_t>(std::max(n, 0)), L'\0');
  if (n > 0) ::MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), n);
  return wide;
}

inline std::string Utf8Of(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int length = static_cast<int>(wide.size());
  const int n =
      ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(std::max(n, 0)), '\0');
  if (n > 0)
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, text.data(), n, nullptr, nullptr);
  return text;
}

}  // namespace platform
