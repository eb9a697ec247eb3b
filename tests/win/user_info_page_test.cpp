// The user information page with the registry redirected: defaults, precedence and the
// product key written on Next.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "pages/user_info_page.h"
#include "win_test_support.h"
#include "winsys/registry.h"
#include "wizard/install_state.h"

using yv::test::MessageBoxScript;
using yv::test::RegistrySandbox;
using yv::wizard::gInstall;

namespace {

const char kDefaults[] = "Software\\Microsoft\\MS Setup (ACME)\\User Info";
const char kProduct[] = "SOFTWARE\\Orvanet\\Delvrin证券分析系统\\3.0";

TEST(UserInfoPage, TheStateComesBeforeTheDefaultsFieldByField) {
  struct Case {
    const char *stateName, *stateCompany;
    bool defaults;
    const char *name, *company;
  };
  const Case cases[] = {
      {"", "", true, "默认姓名", "默认公司"},
      {"张三", "", true, "张三", "默认公司"},
      {"", "公司甲", true, "默认姓名", "公司甲"},
      {"", "", false, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.stateName) + "/" + c.stateCompany);
    RegistrySandbox user(HKEY_CURRENT_USER);
    if (c.defaults) {
      user.SetString(kDefaults, "Defname", "默认姓名");
      user.SetString(kDefaults, "DefCompany", "默认公司");
    }
    gInstall = yv::wizard::InstallState{};
    gInstall.UserName = c.stateName;
    gInstall.CompanyName = c.stateCompany;
    yv::pages::TdlgStep2 page(yv::test::DirectChanges());
    EXPECT_EQ(page["Edit3"].Text(), c.name);
    EXPECT_EQ(page["Edit4"].Text(), c.company);
  }
}

TEST(UserInfoPage, NextRecordsInTheProductKeyAndTheStateBackRecordsNothing) {
  gInstall = yv::wizard::InstallState{};
  RegistrySandbox machine;
  {
    yv::pages::TdlgStep2 back(yv::test::DirectChanges());
    back["Edit3"].SetText("abandoned");
    back["Button1"].Click();
    EXPECT_EQ(back.StepDelta, -1);
    EXPECT_EQ(gInstall.UserName, "");
    EXPECT_FALSE(yv::winsys::RegistryKey(HKEY_LOCAL_MACHINE, kProduct).IsOpen());
  }
  yv::pages::TdlgStep2 page(yv::test::DirectChanges());
  page["Edit3"].SetText("李四");
  page["Edit4"].SetText("");  // empty texts are accepted and recorded
  page["Button2"].Click();
  EXPECT_EQ(page.StepDelta, 1);
  EXPECT_EQ(page.modalResult, 1);
  EXPECT_EQ(gInstall.UserName, "李四");
  EXPECT_EQ(gInstall.CompanyName, "");
  const yv::winsys::RegistryKey product(HKEY_LOCAL_MACHINE, kProduct);
  EXPECT_EQ(product.ReadString("Name"), "李四");
  EXPECT_EQ(product.ReadString("Company"), "");
}

TEST(UserInfoPage, AProductKeyThatCannotBeCreatedKeepsThePage) {
  gInstall = yv::wizard::InstallState{};
  RegistrySandbox machine(HKEY_LOCAL_MACHINE, true);
  MessageBoxScript boxes;
  yv::pages::TdlgStep2 page(yv::test::DirectChanges());
  page["Edit3"].SetText("王五");
  page["Button2"].Click();
  EXPECT_EQ(page.modalResult, 0);
  EXPECT_EQ(page.StepDelta, 0);
  EXPECT_EQ(gInstall.UserName, "");
  EXPECT_EQ(boxes.Boxes(), (std::vector<MessageBoxScript::Box>{{page.Handle(), "注册失败!", "", MB_TOPMOST}}));
}

}  // namespace
