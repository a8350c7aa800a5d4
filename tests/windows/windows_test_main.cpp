// The Windows tests' entry: GoogleTest's options, and --jobs-file=PATH for the list of jobs that
// bits_fixture.exe created.
#include <cwchar>
#include <string>

#include <gtest/gtest.h>

#include "wine_test_support.h"

int wmain(int argc, wchar_t** argv) {
  testing::InitGoogleTest(&argc, argv);
  const std::wstring option = L"--jobs-file=";
  for (int i = 1; i < argc; ++i) {
    if (std::wcsncmp(argv[i], option.c_str(), option.size()) == 0) {
      FixtureJobsPath() = argv[i] + option.size();
    }
  }
  return RUN_ALL_TESTS();
}
