#include <gtest/gtest.h>

#include "tests/contract/ContractPlatform.h"

namespace {

using platform::Point;

class CursorContract : public ::testing::Test {
 protected:
  void SetUp() override {
    p = MakeContractPlatform();
    width = p->GetSystemMetrics(platform::kSmCxScreen);
    height = p->GetSystemMetrics(platform::kSmCyScreen);
    ASSERT_GT(width, 0);
    ASSERT_GT(height, 0);
  }

  Point MoveTo(int x, int y) {
    EXPECT_TRUE(p->SetCursorPos(x, y));
    Point at{-1, -1};
    EXPECT_TRUE(p->GetCursorPos(&at));
    return at;
  }

  std::unique_ptr<platform::Platform> p;
  int width = 0;
  int height = 0;
};

TEST_F(CursorContract, GetCursorPosReturnsWhereSetCursorPosPutIt) {
  EXPECT_EQ(MoveTo(10, 20), (Point{10, 20}));
  EXPECT_EQ(MoveTo(width / 2, height / 3), (Point{width / 2, height / 3}));
  EXPECT_EQ(MoveTo(0, 0), (Point{0, 0}));
  EXPECT_EQ(MoveTo(width - 1, height - 1), (Point{width - 1, height - 1}));
}

TEST_F(CursorContract, PositionsOffTheScreenAreClippedToItsEdge) {
  EXPECT_EQ(MoveTo(-50, -70), (Point{0, 0}));
  EXPECT_EQ(MoveTo(width + 100, height + 100), (Point{width - 1, height - 1}));
  EXPECT_EQ(MoveTo(width, 10), (Point{width - 1, 10}));
  EXPECT_EQ(MoveTo(10, -1), (Point{10, 0}));
}

}  // namespace
