// Every test process runs in a folder of its own: ctest runs the cases of one
// executable side by side, and the log file, saves and settings that the code
// writes by relative name must never be shared between them.
#include <gtest/gtest.h>
#include <unistd.h>

#include "support/TestSupport.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testsupport::TempDir dir;
    if (::chdir(dir.str().c_str()) != 0) return 2;
    return RUN_ALL_TESTS();
}
