// Entry point of every test executable: the application object exists for the
// whole run, as it does in the program.
#include <gtest/gtest.h>

#include <cstdio>

#include "classlib/Forms.h"
#include "skin/forms/Startup.h"

int main(int argc, char** argv)
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    testing::InitGoogleTest(&argc, argv);
    InitApplication();
    InitSkinLibrary();
    int rc = RUN_ALL_TESTS();
    DoneSkinLibrary();
    DoneApplication();
    // CTest looks for this line: a run that ends early (a killed Wine server
    // exits with 0) must not count as passed.
    std::printf("TALVERA-TESTS-COMPLETE rc=%d\n", rc);
    std::fflush(stdout);
    return rc;
}
