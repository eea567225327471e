// The user's colour scheme as a program meets it: a colour read by its
// index, and a change the user makes told to every top-level window.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "tests/contract/ContractPlatform.h"
#include "tests/contract/ContractSupport.h"

namespace {

using platform::Hwnd;
namespace msg = platform::msg;

TEST(SystemColorContract, AChangedSchemeIsToldToEveryTopLevelWindowHiddenOnesTooWhichReadIt) {
  auto p = MakeContractPlatform();
  const int index = platform::kColorGrayText;
  const std::uint32_t before = p->GetSysColor(index);
  EXPECT_EQ(before & 0xFF000000u, 0u) << "a colour, 0x00BBGGRR";
  EXPECT_EQ(p->GetSysColor(99), 0u) << "no colour of that index";

  std::vector<std::pair<Hwnd, std::uint32_t>> told;  // who, and the colour it read then
  const auto hear = [&](const platform::Msg& m) -> std::optional<platform::LResult> {
    if (m.message == msg::kSysColorChange) told.emplace_back(m.hwnd, p->GetSysColor(index));
    return std::nullopt;
  };
  contract::LoggingWindow shown(*p, contract::Popup("Shown"), hear);
  contract::LoggingWindow hidden(*p, contract::Popup("Hidden"), hear);
  p->ShowWindow(shown.hwnd(), platform::kSwShowNoActivate);

  // The scheme is the machine's: it is put back whatever happens here.
  struct Restore {
    int index;
    std::uint32_t colour;
    ~Restore() { ChangeSystemColor(index, colour); }
  } restore{index, before};
  const std::uint32_t dark = before == 0x202020 ? 0x303030 : 0x202020;
  ASSERT_TRUE(ChangeSystemColor(index, dark));
  contract::PumpPending(*p);
  EXPECT_EQ(p->GetSysColor(index), dark);
  std::sort(told.begin(), told.end());
  auto expected =
      std::vector<std::pair<Hwnd, std::uint32_t>>{{shown.hwnd(), dark}, {hidden.hwnd(), dark}};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(told, expected);
}

}  // namespace
