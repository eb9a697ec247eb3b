// Entry of the Windows test program: the forms layer is initialised once, as setup.exe does.
#include <gtest/gtest.h>
#include <windows.h>

#include <string_view>

#include "archive/win/extract.h"
#include "ui/application.h"
#include "win_test_support.h"

int main(int argc, char** argv) {
  yv::ui::InitializeApplication(GetModuleHandleW(nullptr));
  yv::ui::SetMessageBoxResponder(yv::test::UnscriptedBoxes());
  testing::InitGoogleTest(&argc, argv);
  // --read-ahead: every archive is read and decoded on the second thread, however small,
  // so that the extraction and installation tests hold for that way too.
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--read-ahead") yv::archive::gReadAheadFrom = 0;
  }
  return RUN_ALL_TESTS();
}
