// Entry of the Windows test program: the forms layer is initialised once, as setup.exe does.
#include <gtest/gtest.h>
#include <windows.h>

#include "ui/application.h"
#include "win_test_support.h"

int main(int argc, char** argv) {
  yv::ui::InitializeApplication(GetModuleHandleW(nullptr));
  yv::ui::SetMessageBoxResponder(yv::test::UnscriptedBoxes());
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
