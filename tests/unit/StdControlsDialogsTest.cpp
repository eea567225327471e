// The colour and file choosers on the headless backend: what they open
// with, a cancel that keeps what was there, the system's filter string, and
// the window they belong to.
#include <gtest/gtest.h>

#include "gui/Application.h"
#include "gui/CommonDialogs.h"
#include "gui/Form.h"
#include "gui/headless/HeadlessBackend.h"
#include "platform/memory/SimProcess.h"
#include "platform/memory/SimSystem.h"

namespace {

class ChooserTest : public ::testing::Test {
 protected:
  ChooserTest() : process(sys.StartProcess()), ui(*process), app(*process, ui, "Test") {
    app.CreateForm(
        form, gui::FormDesign{
                  .className = "Owner", .caption = "Owner", .clientWidth = 90, .clientHeight = 60});
  }
  platform::memory::SimSystem sys;
  std::unique_ptr<platform::memory::SimProcess> process;
  gui::HeadlessBackend ui;
  gui::Application app;
  gui::Form* form = nullptr;
};

TEST(SystemFilter, BarsBecomeZerosAndTwoEndIt) {
  using namespace std::string_literals;
  EXPECT_EQ(gui::SystemFilter("*.exe|*.exe"), "*.exe\0*.exe\0\0"s);
  EXPECT_EQ(gui::SystemFilter("*.mid|*.mid|*.wav|*.wav"), "*.mid\0*.mid\0*.wav\0*.wav\0\0"s);
  EXPECT_EQ(gui::SystemFilter(""), "");
}

TEST_F(ChooserTest, ACancelledColourChooserKeepsItsColourAConfirmedOneTakesTheChoice) {
  gui::TColorDialog dialog(*form);
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(dialog.color, gui::kBlack) << "no answer is a cancel";
  ui.colorAnswers.push_back(0x00123456);
  EXPECT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.color, 0x00123456u);
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(dialog.color, 0x00123456u);
  ASSERT_EQ(ui.colorChoosers.size(), 3u);
  EXPECT_EQ(ui.colorChoosers[2].color, 0x00123456u) << "it opens with the last confirmed";
}

TEST_F(ChooserTest, TheFileChooserOpensWithItsNameAndFilterAndCutsALongChoice) {
  gui::TOpenDialog dialog(*form);
  dialog.fileName = "  ";
  dialog.filter = "*.exe|*.exe";
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(dialog.fileName, "  ");
  ASSERT_EQ(ui.fileChoosers.size(), 1u);
  EXPECT_EQ(ui.fileChoosers[0].fileName, "  ");
  EXPECT_EQ(ui.fileChoosers[0].filter, std::string("*.exe\0*.exe\0\0", 13));

  ui.fileAnswers.push_back("C:\\" + std::string(400, 'a') + ".wav");
  EXPECT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.fileName.size(), gui::kMaxFileName - 1);
  // Counted in characters, not bytes, and none of them cut.
  std::string cyrillic = "C:\\";
  for (int i = 0; i < 300; ++i) cyrillic += "\u0436";
  ui.fileAnswers.push_back(cyrillic);
  EXPECT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.fileName, cyrillic.substr(0, 3 + 2 * (gui::kMaxFileName - 4)));
}

// A chooser opened from a form on the screen stands above it and keeps it
// disabled while it is up; from a hidden form it belongs to the
// application's window.
TEST_F(ChooserTest, AChooserBelongsToItsFormWhileTheFormShowsAndKeepsItDisabledMeanwhile) {
  gui::TColorDialog colour(*form);
  gui::TOpenDialog file(*form);
  form->Show();
  std::vector<bool> enabledWhileUp;
  ui.whileChooserUp = [&] { enabledWhileUp.push_back(process->IsWindowEnabled(form->Handle())); };
  colour.Execute();
  file.Execute();
  EXPECT_EQ(ui.chooserOwners, (std::vector<platform::Hwnd>{form->Handle(), form->Handle()}));
  EXPECT_EQ(enabledWhileUp, (std::vector<bool>{false, false}));
  EXPECT_TRUE(process->IsWindowEnabled(form->Handle())) << "enabled again as the chooser closes";

  form->Hide();
  colour.Execute();
  EXPECT_EQ(ui.chooserOwners.back(), app.Handle());
  EXPECT_TRUE(process->IsWindowEnabled(form->Handle()));
}

}  // namespace
