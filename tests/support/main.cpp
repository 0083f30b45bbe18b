// The test program: the lab network stands in for the computers, and the lab's ntlanman.dll for the
// system's select-computer dialog, before any test runs.
#include <gtest/gtest.h>
#include <windows.h>

#include "lab/lab.h"
#include "tests/support/harness.h"

int main(int argc, char **argv)
{
    InstallLabNetwork();
    SetDllDirectoryA(LabDllFolder().c_str());
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
