// Starts the zel.exe named on the command line, waits for its window, clicks "Quit" and
// exits 0 when it has ended with exit code 0. For the installer test, on the installed copy.
#include <cstdio>
#include <exception>

#include "tests/support/zel_driver.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: start_and_quit ZEL_EXE\n");
        return 2;
    }
    try {
        const zel::test::ZelProcess zel({}, {}, argv[1]);
        if (zel.quit() != std::optional<DWORD>(0)) {
            std::fprintf(stderr, "%s did not quit with exit code 0\n", argv[1]);
            return 1;
        }
        return 0;
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "%s\n", failure.what());
        return 1;
    }
}
