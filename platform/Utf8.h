// The program's text is UTF-8: the process's code page, as its manifest
// declares it, so every ...A call of the system takes and gives UTF-8. A
// character is one to four bytes; lengths the user reads ("at most 254
// characters") count characters, and a text is only ever cut between two.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Whether the byte continues a character begun before it.
inline constexpr bool IsUtf8Continuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The characters of text: every byte that begins one (a stray continuation
// byte, which no character begins, counts with the one before it).
inline std::size_t Utf8Length(std::string_view text) {
  std::size_t n = 0;
  for (const char c : text) n += IsUtf8Continuation(c) ? 0 : 1;
  return n;
}

// The first count characters of text, never part of one.
inline std::string_view Utf8Prefix(std::string_view text, std::size_t count) {
  std::size_t at = 0;
  for (std::size_t seen = 0; at < text.size(); ++at) {
    if (IsUtf8Continuation(text[at])) continue;
    if (seen++ == count) break;
  }
  return text.substr(0, at);
}

// Text with every byte that is not part of a well-formed UTF-8 sequence
// replaced by U+FFFD, as the system's conversion to its own UTF-16 does.
inline std::string Utf8Repaired(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    std::size_t len = 0;
    unsigned char lo = 0x80, hi = 0xBF;  // the second byte's range
    if (b < 0x80) {
      len = 1;
    } else if (b >= 0xC2 && b <= 0xDF) {
      len = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
      len = 3;
      if (b == 0xE0) lo = 0xA0;  // no overlong forms
      if (b == 0xED) hi = 0x9F;  // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
      len = 4;
      if (b == 0xF0) lo = 0x90;
      if (b == 0xF4) hi = 0x8F;  // nothing past U+10FFFF
    }
    std::size_t good = len ? 1 : 0;
    while (good > 0 && good < len && i + good < text.size()) {
      const auto c = static_cast<unsigned char>(text[i + good]);
      if (good == 1 ? (c < lo || c > hi) : !IsUtf8Continuation(text[i + good])) break;
      ++good;
    }
    if (len && good == len) {
      out.append(text.substr(i, len));
      i += len;
    } else {
      // The broken sequence's bytes so far stand for one replacement.
      out.append("\xEF\xBF\xBD");
      i += good ? good : 1;
    }
  }
  return out;
}

}  // namespace platform
