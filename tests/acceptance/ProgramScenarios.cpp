// The program assembled: its windows are reached the way a person reaches
// them, from the menus and buttons of the main window.
#include "acceptance/Driver.h"
#include "acceptance/Session.h"
#include "support/gtest.h"

namespace {

class Program : public ::testing::Test {
protected:
  void SetUp() override { session::WaitForProgram(); }
};

TEST_F(Program, AboutOpensFromTheHelpMenuAndClosesWithOk) {
  drv::Screenshot("main-window");
  drv::ClickMenu({"Help1", "About1"});
  HWND about = drv::WaitWindow(u"TAboutForm");
  ASSERT_NE(about, nullptr);
  RECT r = drv::WindowRect(about);
  drv::Screenshot("about", &r);
  drv::ClickControl("TAboutForm", "PreviewButton");
  EXPECT_TRUE(drv::WaitWindowGone(u"TAboutForm"));
}

}  // namespace
