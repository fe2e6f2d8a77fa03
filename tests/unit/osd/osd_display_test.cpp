// The OSD with the stand-in movie player (flashobj.dll beside this program,
// short test movies in its Resource folder): the display scripts
// (osd_scripts_test.cpp) run with it, and the library is the one beside the
// program. The player's own behaviour is flashobj_player_test.cpp's, the
// form's and the players' places and visibility osd_form_test.cpp's.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>

#include "OsdHarness.h"
#include "osd/TransFlash.h"

namespace {

TEST(StandInPlayerTest, LibraryComesFromBesideTheProgram) {
    const HMODULE library = GetModuleHandleA("flashobj.dll");
    ASSERT_NE(nullptr, library);
    char path[MAX_PATH] = {};
    GetModuleFileNameA(library, path, MAX_PATH);
    EXPECT_EQ(0, lstrcmpiA((osdtest::ExeFolder() + "flashobj.dll").c_str(), path)) << path;
    EXPECT_TRUE(FlashLibrary::Instance().Loaded());
}

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    SetDllDirectoryA("");
    if (!osdtest::StartOsd()) {
        std::fprintf(stderr, "the OSD form could not be created\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
