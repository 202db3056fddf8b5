// Entry point of every test executable: the application object exists for the
// whole run, as it does in the program.
#include <gtest/gtest.h>

#include "classlib/Forms.h"

int main(int argc, char** argv)
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    testing::InitGoogleTest(&argc, argv);
    InitApplication();
    int rc = RUN_ALL_TESTS();
    DoneApplication();
    return rc;
}
