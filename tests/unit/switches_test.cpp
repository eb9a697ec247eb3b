#include "deploy/switches.h"

#include <gtest/gtest.h>

using yv::deploy::ParseSwitches;
using yv::deploy::Refusal;
using yv::deploy::Switches;

TEST(Switches, WhatALineSaysOrTheSwitchItRefuses) {
  EXPECT_TRUE(yv::deploy::IsSwitchLine(" \t/S"));
  EXPECT_FALSE(yv::deploy::IsSwitchLine("C:\\kv58 /S"));
  EXPECT_FALSE(yv::deploy::IsSwitchLine("\"/S\""));

  const auto all = ParseSwitches(
      "/s /Dir=\"C:\\Program Files (x86)\\Delvrin\\\" /GROUP=\"证券 分析\" /components=0,2,2 /USER= "
      "/Company=\"Orvanet 分行\" /CARD=NONE /AllUsers /NORUN /LOG=\"D:\\logs\\setup log.txt\"");
  ASSERT_TRUE(std::holds_alternative<Switches>(all));
  const Switches& s = std::get<Switches>(all);
  EXPECT_TRUE(s.silent && s.allUsers && s.noRun);
  EXPECT_EQ(s.dir, "C:\\Program Files (x86)\\Delvrin");
  EXPECT_EQ(s.group, "证券 分析");
  EXPECT_EQ(s.components, (std::vector<int>{0, 2, 2}));
  EXPECT_EQ(s.user, "");
  EXPECT_EQ(s.company, "Orvanet 分行");
  EXPECT_EQ(s.card, yv::deploy::kNoCard);
  EXPECT_EQ(s.log, "D:\\logs\\setup log.txt");
  const Switches bare = std::get<Switches>(ParseSwitches("/CARD=12"));
  EXPECT_FALSE(bare.silent || bare.dir || bare.group || bare.components || bare.log);
  EXPECT_EQ(bare.card, 12);

  const struct {
    const char* line;
    const char* refused;
  } kRefused[] = {
      {"/S /X", "/X"},
      {"/S /S", "/S"},
      {"/s=1", "/s=1"},
      {"/DIR", "/DIR"},
      {"/DIR=kv58", "/DIR=kv58"},
      {"/DIR=C:\\a\\..\\b", "/DIR=C:\\a\\..\\b"},
      {"/DIR=C:\\", "/DIR=C:\\"},
      {"/DIR=C:\\a<b", "/DIR=C:\\a<b"},
      {"/GROUP=", "/GROUP="},
      {"/GROUP=a\\b", "/GROUP=a\\b"},
      {"/GROUP=con", "/GROUP=con"},
      {"/GROUP=a?", "/GROUP=a?"},
      {"/COMPONENTS=", "/COMPONENTS="},
      {"/COMPONENTS=0,,1", "/COMPONENTS=0,,1"},
      {"/COMPONENTS=5", "/COMPONENTS=5"},
      {"/COMPONENTS=-1", "/COMPONENTS=-1"},
      {"/CARD=x", "/CARD=x"},
      {"/LOG=", "/LOG="},
      {"/S \"/DIR=C:\\a", "/S \"/DIR=C:\\a"},
      {"S", "S"},
  };
  for (const auto& c : kRefused) {
    const auto parsed = ParseSwitches(c.line);
    ASSERT_TRUE(std::holds_alternative<Refusal>(parsed)) << c.line;
    EXPECT_EQ(std::get<Refusal>(parsed).switchText, c.refused) << c.line;
    EXPECT_EQ(std::get<Refusal>(parsed).silent, std::string_view(c.line).rfind("/S ", 0) == 0) << c.line;
  }
  // A group name of 203 bytes still names an uninstall entry; one more does not.
  EXPECT_TRUE(std::holds_alternative<Switches>(ParseSwitches("/GROUP=" + std::string(203, 'g'))));
  EXPECT_TRUE(std::holds_alternative<Refusal>(ParseSwitches("/GROUP=" + std::string(204, 'g'))));
}
