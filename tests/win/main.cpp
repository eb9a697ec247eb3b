// Entry of the Windows test program: the forms layer is initialised once, as setup.exe does.
#include <gtest/gtest.h>
#include <windows.h>

#include "ui/application.h"

int main(int argc, char** argv) {
  yv::ui::InitializeApplication(GetModuleHandleW(nullptr));
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
