#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "tests/contract/ContractPlatform.h"
#include "tests/contract/ContractSupport.h"

namespace {

using platform::HKey;
using platform::kHkeyCurrentUser;
namespace error = platform::error;

constexpr const char* kParent = "Software\\TavrinContract";

class RegistryContract : public ::testing::Test {
 protected:
  void SetUp() override {
    p = MakeContractPlatform();
    root = std::string(kParent) + "\\" + contract::UniqueName("run-");
  }

  void TearDown() override {
    for (HKey k : open_) p->RegCloseKey(k);
    // Keys go deepest first: a key that still has subkeys cannot be deleted.
    std::sort(made_.begin(), made_.end(),
              [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    for (const auto& path : made_) p->RegDeleteKeyA(kHkeyCurrentUser, path);
    p->RegDeleteKeyA(kHkeyCurrentUser, root);
    p->RegDeleteKeyA(kHkeyCurrentUser, kParent);  // refused while other runs' keys remain
  }

  // Creates (or opens) root\sub and keeps the handle open until the end.
  HKey Key(const std::string& sub = "") {
    const std::string path = sub.empty() ? root : root + "\\" + sub;
    HKey k = 0;
    std::uint32_t disposition = 0;
    EXPECT_EQ(p->RegCreateKeyExA(kHkeyCurrentUser, path, platform::kRegOptionNonVolatile,
                                 platform::kKeyAllAccess, &k, &disposition),
              error::kSuccess)
        << path;
    made_.push_back(path);
    open_.push_back(k);
    return k;
  }

  long SetDword(HKey k, const std::string& name, std::uint32_t v) {
    std::uint8_t b[4];
    std::memcpy(b, &v, 4);
    return p->RegSetValueExA(k, name, platform::kRegDword, b, 4);
  }

  std::uint32_t GetDword(HKey k, const std::string& name) {
    std::uint32_t v = 0, type = 0, size = 4;
    EXPECT_EQ(p->RegQueryValueExA(k, name, &type, reinterpret_cast<std::uint8_t*>(&v), &size),
              error::kSuccess)
        << name;
    EXPECT_EQ(type, platform::kRegDword);
    return v;
  }

  std::unique_ptr<platform::Platform> p;
  std::string root;

 private:
  std::vector<std::string> made_;
  std::vector<HKey> open_;
};

TEST_F(RegistryContract, OpeningAnAbsentKeyFailsUntilCreateMakesItWithItsParents) {
  const std::string path = root + "\\Settings";
  HKey k = 0;
  EXPECT_EQ(p->RegOpenKeyExA(kHkeyCurrentUser, path, 0, platform::kKeyAllAccess, &k),
            error::kFileNotFound);

  std::uint32_t disposition = 0;
  ASSERT_EQ(p->RegCreateKeyExA(kHkeyCurrentUser, path, platform::kRegOptionNonVolatile,
                               platform::kKeyAllAccess, &k, &disposition),
            error::kSuccess);
  EXPECT_EQ(disposition, platform::kRegCreatedNewKey);
  EXPECT_NE(k, 0u);
  EXPECT_EQ(p->RegCloseKey(k), error::kSuccess);

  ASSERT_EQ(p->RegCreateKeyExA(kHkeyCurrentUser, path, platform::kRegOptionNonVolatile,
                               platform::kKeyAllAccess, &k, &disposition),
            error::kSuccess);
  EXPECT_EQ(disposition, platform::kRegOpenedExistingKey);
  EXPECT_EQ(p->RegCloseKey(k), error::kSuccess);

  // The missing parent was created on the way.
  ASSERT_EQ(p->RegOpenKeyExA(kHkeyCurrentUser, root, 0, platform::kKeyAllAccess, &k),
            error::kSuccess);
  EXPECT_EQ(p->RegCloseKey(k), error::kSuccess);

  // Key names ignore case.
  std::string upper = path;
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  ASSERT_EQ(p->RegOpenKeyExA(kHkeyCurrentUser, upper, 0, platform::kKeyAllAccess, &k),
            error::kSuccess);
  EXPECT_EQ(p->RegCloseKey(k), error::kSuccess);

  EXPECT_EQ(p->RegDeleteKeyA(kHkeyCurrentUser, path), error::kSuccess);
  EXPECT_EQ(p->RegOpenKeyExA(kHkeyCurrentUser, path, 0, platform::kKeyAllAccess, &k),
            error::kFileNotFound);
  EXPECT_EQ(p->RegDeleteKeyA(kHkeyCurrentUser, root), error::kSuccess);
}

TEST_F(RegistryContract, AKeyWithSubkeysIsNotDeleted) {
  Key("Outer\\Inner");
  EXPECT_EQ(p->RegDeleteKeyA(kHkeyCurrentUser, root + "\\Outer"), error::kAccessDenied);
  HKey k = 0;
  ASSERT_EQ(
      p->RegOpenKeyExA(kHkeyCurrentUser, root + "\\Outer\\Inner", 0, platform::kKeyAllAccess, &k),
      error::kSuccess);
  p->RegCloseKey(k);
}

TEST_F(RegistryContract, ValueNamesIgnoreCaseButATrailingBlankMakesAnotherValue) {
  const HKey k = Key();
  ASSERT_EQ(SetDword(k, "Break Time", 5), error::kSuccess);
  ASSERT_EQ(SetDword(k, "Break Time ", 7), error::kSuccess);

  EXPECT_EQ(GetDword(k, "break time"), 5u);
  EXPECT_EQ(GetDword(k, "BREAK TIME "), 7u);

  // Writing under another case replaces the same value.
  ASSERT_EQ(SetDword(k, "BREAK TIME", 9), error::kSuccess);
  EXPECT_EQ(GetDword(k, "Break Time"), 9u);
  EXPECT_EQ(GetDword(k, "Break Time "), 7u);

  EXPECT_EQ(p->RegDeleteValueA(k, "break TIME"), error::kSuccess);
  EXPECT_EQ(p->RegQueryValueExA(k, "Break Time", nullptr, nullptr, nullptr), error::kFileNotFound);
  EXPECT_EQ(GetDword(k, "Break Time "), 7u);
}

TEST_F(RegistryContract, QueryWithoutABufferReportsTypeAndSize) {
  const HKey k = Key();
  const std::uint8_t eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  ASSERT_EQ(p->RegSetValueExA(k, "Bin", platform::kRegBinary, eight, 8), error::kSuccess);
  ASSERT_EQ(p->RegSetValueExA(k, "Text", platform::kRegSz,
                              reinterpret_cast<const std::uint8_t*>("ab"), 3),
            error::kSuccess);
  ASSERT_EQ(SetDword(k, "Count", 1), error::kSuccess);

  struct Case {
    const char* name;
    std::uint32_t type;
    std::uint32_t size;
  };
  for (const Case c : {Case{"Bin", platform::kRegBinary, 8}, Case{"Text", platform::kRegSz, 3},
                       Case{"Count", platform::kRegDword, 4}}) {
    std::uint32_t type = 0, size = 0;
    EXPECT_EQ(p->RegQueryValueExA(k, c.name, &type, nullptr, &size), error::kSuccess) << c.name;
    EXPECT_EQ(type, c.type) << c.name;
    EXPECT_EQ(size, c.size) << c.name;
  }
  // With nothing to report into, the query is a bare existence check.
  EXPECT_EQ(p->RegQueryValueExA(k, "Bin", nullptr, nullptr, nullptr), error::kSuccess);
}

TEST_F(RegistryContract, AShortBufferGetsMoreDataAndTheSizeNeeded) {
  const HKey k = Key();
  const std::uint8_t eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  ASSERT_EQ(p->RegSetValueExA(k, "Bin", platform::kRegBinary, eight, 8), error::kSuccess);

  std::uint8_t buf[4] = {};
  std::uint32_t type = 0, size = sizeof buf;
  EXPECT_EQ(p->RegQueryValueExA(k, "Bin", &type, buf, &size), error::kMoreData);
  EXPECT_EQ(size, 8u);
  EXPECT_EQ(type, platform::kRegBinary);

  size = 0;
  EXPECT_EQ(p->RegQueryValueExA(k, "Bin", nullptr, buf, &size), error::kMoreData);
  EXPECT_EQ(size, 8u);

  // A buffer without a size is a caller error, not a crash.
  EXPECT_EQ(p->RegQueryValueExA(k, "Bin", nullptr, buf, nullptr), error::kInvalidParameter);
}

TEST_F(RegistryContract, ABufferLargeEnoughGetsTheDataAndItsSize) {
  const HKey k = Key();
  const std::uint8_t four[4] = {0xDE, 0xAD, 0xBE, 0xEF};
  ASSERT_EQ(p->RegSetValueExA(k, "Bin", platform::kRegBinary, four, 4), error::kSuccess);

  std::array<std::uint8_t, 4> exact{};
  std::uint32_t type = 0, size = 4;
  EXPECT_EQ(p->RegQueryValueExA(k, "Bin", &type, exact.data(), &size), error::kSuccess);
  EXPECT_EQ(type, platform::kRegBinary);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(exact, (std::array<std::uint8_t, 4>{0xDE, 0xAD, 0xBE, 0xEF}));

  std::array<std::uint8_t, 16> roomy{};
  size = 16;
  EXPECT_EQ(p->RegQueryValueExA(k, "Bin", &type, roomy.data(), &size), error::kSuccess);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(roomy[3], 0xEF);

  char text[8] = {};
  ASSERT_EQ(p->RegSetValueExA(k, "Text", platform::kRegSz,
                              reinterpret_cast<const std::uint8_t*>("ab"), 3),
            error::kSuccess);
  size = sizeof text;
  EXPECT_EQ(p->RegQueryValueExA(k, "Text", &type, reinterpret_cast<std::uint8_t*>(text), &size),
            error::kSuccess);
  EXPECT_EQ(size, 3u);
  EXPECT_STREQ(text, "ab");
}

TEST_F(RegistryContract, RewritingAValueReplacesItsTypeAndData) {
  const HKey k = Key();
  const std::uint8_t eight[8] = {};
  ASSERT_EQ(p->RegSetValueExA(k, "V", platform::kRegBinary, eight, 8), error::kSuccess);
  ASSERT_EQ(SetDword(k, "v", 42), error::kSuccess);
  std::uint32_t type = 0, size = 0;
  EXPECT_EQ(p->RegQueryValueExA(k, "V", &type, nullptr, &size), error::kSuccess);
  EXPECT_EQ(type, platform::kRegDword);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(GetDword(k, "V"), 42u);
}

TEST_F(RegistryContract, AbsentValuesAndKeysAreNotFound) {
  const HKey k = Key();
  std::uint32_t type = 0, size = 0;
  std::uint8_t buf[4];
  EXPECT_EQ(p->RegQueryValueExA(k, "Missing", &type, nullptr, &size), error::kFileNotFound);
  size = sizeof buf;
  EXPECT_EQ(p->RegQueryValueExA(k, "Missing", &type, buf, &size), error::kFileNotFound);
  EXPECT_EQ(p->RegQueryValueExA(k, "Missing", nullptr, nullptr, nullptr), error::kFileNotFound);
  EXPECT_EQ(p->RegDeleteValueA(k, "Missing"), error::kFileNotFound);
  EXPECT_EQ(p->RegDeleteKeyA(kHkeyCurrentUser, root + "\\Missing"), error::kFileNotFound);
}

// The program's code page is UTF-8: a name in any letters goes in and comes
// out whole, its size counted in UTF-8's bytes; what the system holds in
// UTF-16 (a value an earlier version wrote in its own code page) reads as
// UTF-8; bytes that are no UTF-8 are kept as U+FFFD.
TEST_F(RegistryContract, StringsAreUtf8InAndOutWhateverTheSystemHolds) {
  const HKey k = Key();
  const std::string name =
      "C:\\\u0422\u0435\u0441\u0442 \u674E\u660E\\\u0437\u0432\u0443\u043A.wav";
  ASSERT_EQ(p->RegSetValueExA(k, "Sound", platform::kRegSz,
                              reinterpret_cast<const std::uint8_t*>(name.c_str()),
                              static_cast<std::uint32_t>(name.size() + 1)),
            error::kSuccess);
  std::uint32_t type = 0, size = 0;
  ASSERT_EQ(p->RegQueryValueExA(k, "Sound", &type, nullptr, &size), error::kSuccess);
  EXPECT_EQ(size, name.size() + 1);
  std::vector<std::uint8_t> buffer(name.size() / 2);
  size = static_cast<std::uint32_t>(buffer.size());
  EXPECT_EQ(p->RegQueryValueExA(k, "Sound", &type, buffer.data(), &size), error::kMoreData);
  EXPECT_EQ(size, name.size() + 1);
  buffer.resize(size);
  ASSERT_EQ(p->RegQueryValueExA(k, "Sound", &type, buffer.data(), &size), error::kSuccess);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer.data())), name);

  ASSERT_TRUE(WriteUtf16String(root, "Older", u"D:\\\u00C9t\u00E9 \u0141ukasz\\\u00E0.mid"));
  char older[64] = {};
  size = sizeof older;
  ASSERT_EQ(p->RegQueryValueExA(k, "Older", &type, reinterpret_cast<std::uint8_t*>(older), &size),
            error::kSuccess);
  EXPECT_EQ(std::string(older), "D:\\\u00C9t\u00E9 \u0141ukasz\\\u00E0.mid");
  EXPECT_EQ(size, std::strlen(older) + 1);

  const std::uint8_t latin1[] = {'a', 0xE9, 'b', 0};  // "a\u00E9b" in another code page
  ASSERT_EQ(p->RegSetValueExA(k, "Stray", platform::kRegSz, latin1, sizeof latin1),
            error::kSuccess);
  char stray[16] = {};
  size = sizeof stray;
  ASSERT_EQ(p->RegQueryValueExA(k, "Stray", &type, reinterpret_cast<std::uint8_t*>(stray), &size),
            error::kSuccess);
  EXPECT_EQ(std::string(stray), "a\uFFFDb");
}

TEST_F(RegistryContract, AClosedKeyHandleIsRejected) {
  HKey k = 0;
  ASSERT_EQ(p->RegCreateKeyExA(kHkeyCurrentUser, root, platform::kRegOptionNonVolatile,
                               platform::kKeyAllAccess, &k, nullptr),
            error::kSuccess);
  ASSERT_EQ(p->RegCloseKey(k), error::kSuccess);
  EXPECT_EQ(SetDword(k, "Late", 1), error::kInvalidHandle);
  EXPECT_EQ(p->RegQueryValueExA(k, "Late", nullptr, nullptr, nullptr), error::kInvalidHandle);
  EXPECT_EQ(p->RegCloseKey(k), error::kInvalidHandle);
}

TEST_F(RegistryContract, OtherProcessesShareTheRegistryAndItOutlivesThem) {
  {
    auto other = MakeSecondProcess();
    HKey k = 0;
    ASSERT_EQ(other->RegCreateKeyExA(kHkeyCurrentUser, root, platform::kRegOptionNonVolatile,
                                     platform::kKeyAllAccess, &k, nullptr),
              error::kSuccess);
    std::uint8_t v[4] = {3, 0, 0, 0};
    ASSERT_EQ(other->RegSetValueExA(k, "Written Elsewhere", platform::kRegDword, v, 4),
              error::kSuccess);
    // The other process ends without closing its key.
  }
  HKey k = 0;
  std::uint32_t disposition = 0;
  ASSERT_EQ(p->RegCreateKeyExA(kHkeyCurrentUser, root, platform::kRegOptionNonVolatile,
                               platform::kKeyAllAccess, &k, &disposition),
            error::kSuccess);
  EXPECT_EQ(disposition, platform::kRegOpenedExistingKey);
  EXPECT_EQ(GetDword(k, "written elsewhere"), 3u);
  EXPECT_EQ(p->RegDeleteValueA(k, "Written Elsewhere"), error::kSuccess);
  p->RegCloseKey(k);
}

}  // namespace
