// Entry point of the native test executables. The Windows ones print a marker
// for CTest; natively the exit code is enough, as the sanitizers end a run
// with a non-zero code on every finding.
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
