#include <gtest/gtest.h>

#include <string>

#include "fakes.h"
#include "settings/autostart.h"

namespace lumvo::testing {
namespace {

const std::string kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const std::string kStartup = "C:\\Users\\陈\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup";
const std::string kLink = kStartup + "\\Lumvo自动校时.lnk";

TEST(StartupFolderPathTest, ReadsTheValueByItsTypeUnderTheShellFoldersKey) {
  const struct {
    const char* name;
    RegistryText stored;
    std::string expected;
  } cases[] = {
      {"plain text as stored", {RegistryText::kString, kStartup}, kStartup},
      {"plain text is not expanded", {RegistryText::kString, "%APPDATA%\\Startup"}, "%APPDATA%\\Startup"},
      {"expandable text expanded", {RegistryText::kExpandString, "%APPDATA%\\Startup"}, "D:\\漫游\\Startup"},
      {"another type", {RegistryText::kOther, "C:\\x"}, ""},
      {"missing", {RegistryText::kMissing, ""}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeShell shell;
    shell.environment["APPDATA"] = "D:\\漫游";
    if (c.stored.type != RegistryText::kMissing) shell.registry[kShellFolders + "|Startup"] = c.stored;
    EXPECT_EQ(StartupFolderPath(shell, "Startup"), c.expected);
  }
}

TEST(StartupFolderPathTest, SplitsTheNameAtItsLastBackslash) {
  FakeShell shell;
  shell.registry[kShellFolders + "\\Sub|Startup"] = {RegistryText::kString, "E:\\S"};
  EXPECT_EQ(StartupFolderPath(shell, "Sub\\Startup"), "E:\\S");
}

TEST(CreateShortcutTest, AddsTheLinkExtensionOnlyToAPathWithoutAnyDot) {
  const struct {
    const char* given;
    const char* saved;
  } cases[] = {{"C:\\S\\name", "C:\\S\\name.lnk"},
               {"C:\\S\\name.lnk", "C:\\S\\name.lnk"},
               {"C:\\S\\name.url", "C:\\S\\name.url"},
               {"C:\\john.doe\\name", "C:\\john.doe\\name"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.given);
    FakeShell shell;
    EXPECT_TRUE(CreateShortcut(shell, c.given, "C:\\P\\a.exe", "d", "auto", "C:\\P"));
    ASSERT_EQ(shell.files.size(), 1u);
    EXPECT_EQ(shell.files.begin()->first, c.saved);
  }
}

TEST(CreateShortcutTest, AnswersWhetherTheFileWasSaved) {
  FakeShell shell;
  shell.linkSaves = false;
  EXPECT_FALSE(CreateShortcut(shell, "C:\\S\\name.lnk", "C:\\P\\a.exe", "d", "auto", "C:\\P"));
}

class AutoStartTest : public ::testing::Test {
 protected:
  FakeProgram f;

  void SetUp() override {
    f.shell.registry[kShellFolders + "|Startup"] = {RegistryText::kString, kStartup};
    f.ui.focus = Ctl::组合框1;
  }
  void Click() {
    f.ui.SetChecked(Ctl::选择框_开机后自动启动, !f.ui.Checked(Ctl::选择框_开机后自动启动));
    OnAutoStartClick(f.p);
  }
  bool Checked() { return f.ui.Checked(Ctl::选择框_开机后自动启动); }
};

const char* const kThisProgramsLink =
    "target=C:\\Tools\\Lumvo\\LumvoTime.exe;args=auto;dir=C:\\Tools\\Lumvo;desc=可以自动校时。";

TEST_F(AutoStartTest, CheckingWritesTheShortcutToThisProgram) {
  f.shell.files[kLink] = "target=D:\\Old\\LumvoTime.exe;args=auto;dir=D:\\Old;desc=可以自动校时。";
  f.ui.SetChecked(Ctl::选择框_开机后自动启动, false);  // an older copy's link, not yet seen by this run
  Click();
  EXPECT_EQ(f.shell.files[kLink], kThisProgramsLink);
  EXPECT_EQ(f.shell.files.size(), 1u);
  EXPECT_TRUE(Checked());
  EXPECT_EQ(f.ui.focus, Ctl::图形按钮_获取时间);
}

TEST_F(AutoStartTest, ClearingDeletesTheShortcut) {
  Click();
  f.ui.focus = Ctl::组合框1;
  Click();
  EXPECT_TRUE(f.shell.files.empty());
  EXPECT_FALSE(Checked());
  EXPECT_EQ(f.ui.focus, Ctl::图形按钮_获取时间);
}

TEST_F(AutoStartTest, TheBoxFollowsTheFileWhenSavingOrDeletingFails) {
  f.shell.linkSaves = false;
  Click();
  EXPECT_FALSE(Checked()) << "no shortcut was written";

  f.shell.files[kLink] = kThisProgramsLink;  // write-protected
  f.shell.deletes = false;
  f.ui.SetChecked(Ctl::选择框_开机后自动启动, true);
  Click();
  EXPECT_TRUE(Checked()) << "the shortcut is still there";
  EXPECT_EQ(f.ui.focus, Ctl::图形按钮_获取时间);
}

TEST_F(AutoStartTest, ExpandableStartupValueIsExpandedBeforeUse) {
  f.shell.registry[kShellFolders + "|Startup"] = {RegistryText::kExpandString, "%APPDATA%\\Startup"};
  f.shell.environment["APPDATA"] = "D:\\R";
  Click();
  EXPECT_EQ(f.shell.files.count("D:\\R\\Startup\\Lumvo自动校时.lnk"), 1u);
  EXPECT_TRUE(Checked());
}

// Without a Startup folder nothing would start the program at log-on: no stray shortcut in the root of
// the drive, and the box does not claim the option is on.
TEST_F(AutoStartTest, UnreadableStartupFolderWritesNothingAndLeavesTheBoxClear) {
  f.shell.registry.clear();
  EXPECT_EQ(AutoStartLinkPath(f.shell), "");
  Click();
  EXPECT_TRUE(f.shell.files.empty());
  EXPECT_FALSE(Checked());
  EXPECT_EQ(f.ui.focus, Ctl::图形按钮_获取时间);

  f.shell.files["\\Lumvo自动校时.lnk"] = "left by someone";
  RefreshAutoStartBox(f.p);
  EXPECT_FALSE(Checked());
}

TEST_F(AutoStartTest, RefreshShowsWhetherTheFileExistsNow) {
  RefreshAutoStartBox(f.p);
  EXPECT_FALSE(Checked());
  f.shell.files[kLink] = "made by another program";
  RefreshAutoStartBox(f.p);
  EXPECT_TRUE(Checked());
  // The folder is read afresh each time: a moved Startup folder no longer holds the link.
  f.shell.registry[kShellFolders + "|Startup"] = {RegistryText::kString, "E:\\Elsewhere"};
  RefreshAutoStartBox(f.p);
  EXPECT_FALSE(Checked());
}

}  // namespace
}  // namespace lumvo::testing
