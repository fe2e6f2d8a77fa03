// The OSD unit tests run on the GUI thread of a real application object,
// with recording players in place of the player library.
#include <gtest/gtest.h>

#include <cstdio>

#include "FakeFlash.h"
#include "OsdHarness.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    fakeflash::Install();
    if (!osdtest::StartOsd()) {
        std::fprintf(stderr, "the OSD form could not be created\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
