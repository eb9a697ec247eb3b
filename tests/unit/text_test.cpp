#include <gtest/gtest.h>

#include "text/gbk.h"

using namespace yv::text;

// "誠" is D5 5C in GBK: its trail byte is a backslash. "猀" ends in the letter 'A'.
static const std::string kCheng = "\xD5\x5C";
static const std::string kTrailA = "\xAA\x41";

TEST(Gbk, ScansStepOverDoubleByteCharacters) {
  EXPECT_EQ(FindChar("C:" + kCheng + "x", '\\'), std::string::npos);
  EXPECT_EQ(FindChar("C:" + kCheng + "\\x", '\\'), 4u);
  EXPECT_EQ(FindLastChar("a\\b" + kCheng, '\\'), 1u);
  EXPECT_EQ(FindText("x" + kTrailA + "A", "A"), 3u);
  EXPECT_EQ(FindText("ab.vrkcd", ".vrk"), 2u);
  // A lead byte at the very end, or before a byte that is no trail byte, stands alone.
  EXPECT_EQ(CharLength("a\xD5", 1), 1u);
  EXPECT_EQ(FindChar("\xD2=v", '='), 1u);
  EXPECT_EQ(FindChar("\xD2\x7F=", '='), 2u);
  EXPECT_EQ(CharLength("\xD2\x40", 0), 2u);
}

TEST(Gbk, TrailingBackslashOnlyWhenItIsARealOne) {
  EXPECT_TRUE(EndsWithBackslash("D:\\dravk\\"));
  EXPECT_FALSE(EndsWithBackslash("D:\\" + kCheng));
  EXPECT_EQ(WithoutTrailingBackslash("D:\\dravk\\"), "D:\\dravk");
  EXPECT_EQ(WithoutTrailingBackslash("D:\\dravk\\\\"), "D:\\dravk\\");
  EXPECT_EQ(WithoutTrailingBackslash("D:\\" + kCheng), "D:\\" + kCheng);
  EXPECT_EQ(WithoutTrailingBackslash("C:\\"), "C:");
  EXPECT_EQ(WithoutTrailingBackslash(""), "");
}

TEST(Gbk, CaseFoldingTouchesOnlySingleByteLetters) {
  EXPECT_EQ(ToLowerAscii("ABC" + kTrailA + "Z"), "abc" + kTrailA + "z");
  EXPECT_EQ(ToUpperAscii("info" + kTrailA), "INFO" + kTrailA);
  EXPECT_TRUE(EqualsIgnoreCase("Info" + kTrailA, "iNFO" + kTrailA));
  EXPECT_FALSE(EqualsIgnoreCase(kTrailA, "\xAA\x61"));  // trail 'A' is not trail 'a'
  EXPECT_FALSE(EqualsIgnoreCase("abc", "abcd"));
}

TEST(Gbk, TrimsBlanksAndTabsOnly) {
  EXPECT_EQ(TrimBlanks(" \t a b \t"), "a b");
  EXPECT_EQ(TrimBlanks("   "), "");
  EXPECT_EQ(TrimLeadingBlanks("  \"x\"  "), "\"x\"  ");
}

TEST(Gbk, BoundedCompositionRefusesInsteadOfCutting) {
  EXPECT_EQ(JoinBounded(9, {"C:\\kv58", "\\"}), std::optional<std::string>("C:\\kv58\\"));
  EXPECT_EQ(JoinBounded(8, {"C:\\kv58", "\\x"}), std::nullopt);
  std::string exact(255, 'a');
  EXPECT_EQ(JoinBounded(kPathLimit, {exact}), exact);
  EXPECT_EQ(JoinBounded(kPathLimit, {exact, "b"}), std::nullopt);
  EXPECT_EQ(FormatBounded(255, "%s\\%s", {"C:\\a", "b.txt"}), std::optional<std::string>("C:\\a\\b.txt"));
  EXPECT_EQ(FormatBounded(255, "100%% %s", {"x"}), std::optional<std::string>("100% x"));
  EXPECT_EQ(FormatBounded(4, "%s\\%s", {"ab", "cd"}), std::nullopt);
  EXPECT_EQ(FormatBounded(255, "%s %s", {"only-one"}), std::nullopt);
}
