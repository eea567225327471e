#include <gtest/gtest.h>

#include <string>

#include "tests/contract/ContractPlatform.h"
#include "tests/contract/ContractSupport.h"

namespace {

namespace error = platform::error;

class MutexContract : public ::testing::Test {
 protected:
  void SetUp() override {
    p = MakeContractPlatform();
    name = contract::UniqueName("TavrinContract-");
  }

  std::unique_ptr<platform::Platform> p;
  std::string name;
};

TEST_F(MutexContract, TheFirstCreatorSucceedsAndAnotherProcessFindsItExisting) {
  const platform::Handle mine = p->CreateMutexA(false, name);
  EXPECT_NE(mine, 0u);
  EXPECT_EQ(p->GetLastError(), error::kSuccess);

  auto second = MakeSecondProcess();
  const platform::Handle theirs = second->CreateMutexA(false, name);
  EXPECT_NE(theirs, 0u) << "an existing mutex still gives a usable handle";
  EXPECT_EQ(second->GetLastError(), error::kAlreadyExists);
}

TEST_F(MutexContract, CreatingAFreshNameClearsAnEarlierAlreadyExists) {
  ASSERT_NE(p->CreateMutexA(false, name), 0u);
  ASSERT_NE(p->CreateMutexA(false, name), 0u);
  EXPECT_EQ(p->GetLastError(), error::kAlreadyExists) << "also within one process";

  EXPECT_NE(p->CreateMutexA(false, name + "-other"), 0u);
  EXPECT_EQ(p->GetLastError(), error::kSuccess);
}

TEST_F(MutexContract, TheNameLivesWhileAnyProcessHoldsItAndIsFreeAfterAllHaveEnded) {
  auto first = MakeSecondProcess();
  auto second = MakeSecondProcess();
  ASSERT_NE(first->CreateMutexA(true, name), 0u);
  EXPECT_EQ(first->GetLastError(), error::kSuccess);
  ASSERT_NE(second->CreateMutexA(false, name), 0u);
  EXPECT_EQ(second->GetLastError(), error::kAlreadyExists);

  first.reset();  // the creator ends; the second process still has a handle
  {
    auto third = MakeSecondProcess();
    ASSERT_NE(third->CreateMutexA(false, name), 0u);
    EXPECT_EQ(third->GetLastError(), error::kAlreadyExists);
  }

  second.reset();  // the last holder ends
  ASSERT_NE(p->CreateMutexA(false, name), 0u);
  EXPECT_EQ(p->GetLastError(), error::kSuccess);
}

TEST_F(MutexContract, NamesAreCaseSensitive) {
  ASSERT_NE(p->CreateMutexA(false, name + "-Case"), 0u);
  ASSERT_EQ(p->GetLastError(), error::kSuccess);
  auto second = MakeSecondProcess();
  ASSERT_NE(second->CreateMutexA(false, name + "-CASE"), 0u);
  EXPECT_EQ(second->GetLastError(), error::kSuccess);
}

}  // namespace
