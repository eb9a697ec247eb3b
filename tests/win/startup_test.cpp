// Start-up against real files, a sandboxed machine registry and scripted message boxes.
#include <gtest/gtest.h>

#include "app/startup.h"
#include "text/cp936.h"
#include "win_test_support.h"
#include "wizard/install_state.h"

using yv::app::PrepareInstallState;
using yv::app::StartupOutcome;
using yv::test::MessageBoxScript;
using yv::test::RegistrySandbox;
using yv::test::ScratchDir;
using yv::wizard::gInstall;

namespace {

using yv::test::kAppPaths;
const char kProductKey[] = "SOFTWARE\\Orvanet\\Delvrin证券分析系统\\3.0";

class Startup : public testing::Test {
 protected:
  void SetUp() override { gInstall = yv::wizard::InstallState{}; }
  // A medium folder with setup.ini and the named description files.
  void Medium(const std::string& setupIni, std::initializer_list<const char*> descriptions) {
    medium.Write("setup.ini", setupIni);
    for (const char* name : descriptions) medium.Write(name, "[info]\r\ntitle=T\r\n");
  }
  // An earlier installation registered under App Paths, with its settings file.
  std::string Installed(const char* fourToSix) {
    std::string dir = installed.Path();
    registry.SetString(kAppPaths, "Path", dir + "\\");
    if (fourToSix) installed.Write("cfg\\system.dft", std::string("[PARAMETER]\r\nFourToSix=") + fourToSix + "\r\n");
    return dir;
  }
  ScratchDir medium;
  ScratchDir installed;
  RegistrySandbox registry;
};

TEST_F(Startup, WithoutSetupIniEndsSilently) {
  MessageBoxScript boxes;
  medium.Write("install.ini", "[info]\r\n");
  EXPECT_EQ(PrepareInstallState(medium.Path(), ""), StartupOutcome::Quit);
  EXPECT_EQ(yv::app::RunSetup(medium.Path(), ""), 0);
  EXPECT_TRUE(boxes.Calls().empty());
}

TEST_F(Startup, EmptySetupIniGivesDefaultsAndAFreshInstallation) {
  Medium("", {"install.ini", "install6.ini"});
  ASSERT_EQ(PrepareInstallState(medium.Path() + "\\", ""), StartupOutcome::Run);
  EXPECT_EQ(gInstall.SourceDir, medium.Path());
  EXPECT_EQ(gInstall.MainProgram, "dravkp.exe");
  EXPECT_EQ(gInstall.ProductName, "Yorvane");
  EXPECT_TRUE(gInstall.FreshInstall);
  EXPECT_FALSE(gInstall.UpgradeMode);
  EXPECT_EQ(gInstall.InstallDir, "");
  EXPECT_EQ(gInstall.DescFileName, "\\install.ini");
  EXPECT_EQ(gInstall.DescFilePath, medium.Path() + "\\install.ini");
}

TEST_F(Startup, FreshInstallationFallsBackToInstall6) {
  Medium("[info]\r\n", {"install6.ini"});
  ASSERT_EQ(PrepareInstallState(medium.Path(), ""), StartupOutcome::Run);
  EXPECT_EQ(gInstall.DescFileName, "\\install6.ini");
  EXPECT_EQ(gInstall.DescFilePath, medium.Path() + "\\install6.ini");
}

TEST_F(Startup, EarlierInstallationIsFoundWithItsUserAndSettings) {
  Medium("[info]\r\nname=dravkp.exe\r\n", {"install.ini", "install6.ini"});
  std::string dir = Installed(nullptr);  // no system.dft: FourToSix counts as 1
  registry.SetString(kProductKey, "Name", "张三");
  registry.SetString(kProductKey, "Company", "公司");
  ASSERT_EQ(PrepareInstallState(medium.Path(), ""), StartupOutcome::Run);
  EXPECT_EQ(gInstall.InstallDir, dir);  // trailing backslash removed
  EXPECT_FALSE(gInstall.FreshInstall);
  EXPECT_EQ(gInstall.UserName, "张三");
  EXPECT_EQ(gInstall.CompanyName, "公司");
  EXPECT_EQ(gInstall.DescFileName, "\\install6.ini");
}

TEST_F(Startup, FourToSixOtherThanOneChoosesInstallIni) {
  Medium("", {"install.ini", "install6.ini"});
  Installed("0");
  ASSERT_EQ(PrepareInstallState(medium.Path(), ""), StartupOutcome::Run);
  EXPECT_EQ(gInstall.DescFileName, "\\install.ini");
  EXPECT_EQ(gInstall.UserName, "");  // no product key: both stay empty
}

TEST_F(Startup, EarlierInstallationWithOnlyInstallIniIsRefused) {
  Medium("", {"install.ini"});
  Installed(nullptr);
  EXPECT_EQ(PrepareInstallState(medium.Path(), ""), StartupOutcome::BadDescription);
  MessageBoxScript boxes;
  EXPECT_EQ(yv::app::RunSetup(medium.Path(), ""), 0);
  ASSERT_EQ(boxes.Calls().size(), 1u);
  EXPECT_EQ(boxes.Calls()[0].text, "安装文件不正确！");
  EXPECT_EQ(boxes.Calls()[0].caption, "Setup");
  EXPECT_EQ(boxes.Calls()[0].style, 0u);
}

TEST_F(Startup, EmptyRegisteredPathChangesNothing) {
  Medium("", {"install.ini"});
  registry.SetString(kAppPaths, "Path", "");
  ASSERT_EQ(PrepareInstallState(medium.Path(), ""), StartupOutcome::Run);
  EXPECT_TRUE(gInstall.FreshInstall);
  EXPECT_EQ(gInstall.InstallDir, "");
}

TEST_F(Startup, OtherProductsLookNothingUp) {
  Medium("[info]\r\nproduct=Other\r\n", {"install.ini"});
  Installed("0");
  ASSERT_EQ(PrepareInstallState(medium.Path(), ""), StartupOutcome::Run);
  EXPECT_EQ(gInstall.ProductName, "Other");
  EXPECT_TRUE(gInstall.FreshInstall);
  EXPECT_EQ(gInstall.InstallDir, "");
  EXPECT_EQ(gInstall.DescFileName, "\\install.ini");
}

TEST_F(Startup, CommandLineSelectsUpgradeVerbatimAndKeepsTheRegisteredSettingsChoice) {
  Medium("", {"install.ini", "install6.ini"});
  Installed("0");
  ASSERT_EQ(PrepareInstallState(medium.Path(), "\"D:\\dravk\"  "), StartupOutcome::Run);
  EXPECT_TRUE(gInstall.UpgradeMode);
  EXPECT_EQ(gInstall.InstallDir, "\"D:\\dravk\"  ");
  EXPECT_FALSE(gInstall.FreshInstall);
  EXPECT_EQ(gInstall.DescFileName, "\\install.ini");
}

TEST_F(Startup, CommandLineTailTakesWhatFollowsTheProgramName) {
  using yv::app::CommandLineTail;
  EXPECT_EQ(CommandLineTail(L"setup.exe C:\\dravk"), L"C:\\dravk");
  EXPECT_EQ(CommandLineTail(L"\"C:\\a b\\setup.exe\" \t \"D:\\x y\" "), L"\"D:\\x y\" ");
  EXPECT_EQ(CommandLineTail(L"setup.exe    "), L"");
  EXPECT_EQ(CommandLineTail(L"\"setup.exe\""), L"");
  EXPECT_EQ(CommandLineTail(L"setup.exe"), L"");
}

TEST_F(Startup, OverlongValuesNeverOverflow) {
  Medium(std::string("[info]\r\nname=") + std::string(204, 'p') + "\r\n", {"install.ini"});
  // A registered path over 255 bytes cannot be read: the installation counts as fresh.
  registry.SetString(std::string("SoftWare\\Microsoft\\Windows\\CurrentVersion\\App Paths\\") + std::string(204, 'p'),
                     "Path", "C:\\x");
  registry.SetString(kAppPaths, "Path", std::string(256, 'd'));
  ASSERT_EQ(PrepareInstallState(medium.Path(), ""), StartupOutcome::Run);
  EXPECT_TRUE(gInstall.FreshInstall);  // the name is too long for the key: no lookup
  EXPECT_EQ(gInstall.InstallDir, "");

  gInstall = yv::wizard::InstallState{};
  medium.Write("setup.ini", "");
  ASSERT_EQ(PrepareInstallState(medium.Path(), ""), StartupOutcome::Run);
  EXPECT_TRUE(gInstall.FreshInstall);  // the registered path is too long to read
}

TEST_F(Startup, MediumFolderTooDeepForItsFileNamesIsReported) {
  // Counted in GBK bytes: 120 double-byte characters are 240 bytes, yet a short path
  // for the system (under MAX_PATH characters).
  std::string level;
  for (int i = 0; i < 60; ++i) level += "深";
  std::string deep = medium.Folder(level + "\\" + level);
  ASSERT_GT(deep.size() + 13, 255u);
  ASSERT_LT(yv::text::ToWide(deep).size(), 200u);
  medium.Write(deep.substr(medium.Path().size() + 1) + "\\setup.ini", "");
  MessageBoxScript boxes;
  EXPECT_EQ(yv::app::RunSetup(deep, ""), 0);
  ASSERT_EQ(boxes.Calls().size(), 1u);
  EXPECT_EQ(boxes.Calls()[0].text, "安装文件不正确！");
}

}  // namespace
