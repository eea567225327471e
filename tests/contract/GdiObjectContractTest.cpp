// Deleting a drawing object that a device context still holds: the delete
// succeeds, the object stays in the context, and it goes as the context lets
// it go (selected out, or the context deleted); after that the handle names
// nothing. The platform's drawing (both builds draw through it) is held to
// the system's own objects where the system has them.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/contract/ContractPlatform.h"

namespace {

using Kind = ContractGdi::Kind;

// The platform's drawing objects behind the same small interface.
class PlatformGdi final : public ContractGdi {
 public:
  PlatformGdi() : p_(MakeContractPlatform()) {}
  std::uintptr_t CreateMemoryDc() override { return p_->CreateCompatibleDC(0); }
  bool DeleteDc(std::uintptr_t dc) override { return p_->DeleteDC(dc); }
  std::uintptr_t Create(Kind kind) override {
    if (kind == Kind::Bitmap) {
      const platform::Hdc dc = p_->CreateCompatibleDC(0);
      const platform::HGdiObj made = p_->CreateCompatibleBitmap(dc, 8, 8);
      p_->DeleteDC(dc);
      return made;
    }
    if (kind == Kind::Pen) return p_->CreatePen(platform::kPsSolid, 1, 0x0000FF);
    const std::uint8_t rows[16] = {0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0,
                                   0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0};
    const platform::HGdiObj pattern = p_->CreateBitmap(8, 8, 1, 1, rows);
    const platform::HGdiObj made = p_->CreatePatternBrush(pattern);
    p_->DeleteObject(pattern);
    return made;
  }
  std::uintptr_t Select(std::uintptr_t dc, std::uintptr_t object) override {
    return p_->SelectObject(dc, object);
  }
  bool Delete(std::uintptr_t object) override { return p_->DeleteObject(object); }

 private:
  std::unique_ptr<platform::Platform> p_;
};

struct Case {
  bool system;  // the system's own objects, else the platform's
  Kind kind;
};

class GdiObjectContract : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    if (GetParam().system) {
      gdi = MakeSystemGdi();
      if (!gdi) GTEST_SKIP() << "no drawing objects of the system's besides the platform's";
    } else {
      gdi = std::make_unique<PlatformGdi>();
    }
  }
  std::unique_ptr<ContractGdi> gdi;
};

TEST_P(GdiObjectContract, ASelectedObjectIsDeletedOnceItsContextLetsItGo) {
  // Selected out again.
  std::uintptr_t dc = gdi->CreateMemoryDc();
  std::uintptr_t object = gdi->Create(GetParam().kind);
  ASSERT_NE(dc, 0u);
  ASSERT_NE(object, 0u);
  const std::uintptr_t old = gdi->Select(dc, object);
  ASSERT_NE(old, 0u);
  EXPECT_TRUE(gdi->Delete(object)) << "the delete is taken";
  EXPECT_EQ(gdi->Select(dc, old), object) << "still the context's until it lets it go";
  EXPECT_FALSE(gdi->Delete(object)) << "gone once let go";
  EXPECT_TRUE(gdi->DeleteDc(dc));

  // Its context deleted.
  dc = gdi->CreateMemoryDc();
  object = gdi->Create(GetParam().kind);
  ASSERT_NE(gdi->Select(dc, object), 0u);
  EXPECT_TRUE(gdi->Delete(object));
  EXPECT_TRUE(gdi->DeleteDc(dc));
  EXPECT_FALSE(gdi->Delete(object)) << "gone with its context";
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  static const char* const kinds[] = {"Bitmap", "Pen", "Brush"};
  return std::string(info.param.system ? "System" : "Platform") +
         kinds[static_cast<int>(info.param.kind)];
}

INSTANTIATE_TEST_SUITE_P(BitmapPenBrush, GdiObjectContract,
                         ::testing::Values(Case{false, Kind::Bitmap}, Case{false, Kind::Pen},
                                           Case{false, Kind::Brush}, Case{true, Kind::Bitmap},
                                           Case{true, Kind::Pen}, Case{true, Kind::Brush}),
                         CaseName);

}  // namespace
