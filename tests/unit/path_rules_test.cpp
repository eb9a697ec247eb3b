#include <gtest/gtest.h>

#include <string>

#include "text/path_rules.h"

using namespace yv::text;

namespace {

// "誠" is D5 5C in GBK: its trail byte is a backslash, never a separator.
const std::string kCheng = "\xD5\x5C";

struct PathCase {
  std::string path;
  bool accepted;
};

TEST(PathRules, RelativePathsMustStayBelowTheirFolder) {
  const PathCase cases[] = {
      {"old", true},
      {"old\\", true},
      {"a\\b\\c", true},
      {"a.b", true},
      {"..a", true},
      {kCheng, true},
      {"a\\" + kCheng + "\\b", true},
      {kCheng + "..", true},
      // The folder itself, roots, drives and streams, climbing out, wildcards, empty levels.
      {"", false},
      {"\\", false},
      {".", false},
      {"\\old", false},
      {"/old", false},
      {"C:old", false},
      {"C:\\old", false},
      {"a:stream", false},
      {"..", false},
      {"a\\..", false},
      {"a\\..\\..\\b", false},
      {"a/../../b", false},
      {"...", false},
      {". .", false},
      {"a\\.\\b", false},
      {"*", false},
      {"a\\b?", false},
      {"a\\\\b", false},
      {"a\\\\", false},
      {"\\\\server\\share", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsPathBelow(c.path), c.accepted) << c.path;
}

TEST(PathRules, FullPathsMustBeRootedAndBelowTheRoot) {
  const PathCase cases[] = {
      {"C:\\kv58\\old", true},
      {"d:\\a\\", true},
      {"\\\\server\\share\\app\\old", true},
      {"C:\\" + kCheng, true},
      {"C:\\", false},
      {"C:", false},
      {"C:old", false},
      {"kv58\\old", false},
      {"\\kv58\\old", false},
      {"C:\\kv58\\..\\..", false},
      {"\\\\server\\share", false},
      {"\\\\server\\share\\", false},
      {"\\\\?\\C:\\kv58", false},
      {"\\\\.\\C:\\kv58", false},
      {"1:\\kv58", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsFullyQualifiedBelowRoot(c.path), c.accepted) << c.path;
}

}  // namespace
