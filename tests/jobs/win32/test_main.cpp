// Runs the tests, or, started with a child-role switch by a test, plays that role: a second
// process is what Wine needs to enforce a share mode, and what a test can kill mid-run.
#include <gtest/gtest.h>

#include "tests/support/processes.h"

int main(int argc, char** argv) {
    if (const auto exitCode = zel::test::playChildRole(argc, argv)) {
        return *exitCode;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
