// Run with LANG and LC_ALL set to de_DE.UTF-8 (see CMakeLists.txt): the
// system language then comes from Wine, not from a seam, and the texts from
// the program folder's shipped files.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "settings/OvMultiLang.h"

namespace {

std::string g_dist;
std::string DistFolder() { return g_dist; }

TEST(LanguageEndToEnd, GermanSystemShowsGermanTexts) {
    const char* dist = std::getenv("RAVELO_DIST");
    ASSERT_TRUE(dist && *dist);
    g_dist = std::string("Z:") + dist + "/";
    for (char& c : g_dist)
        if (c == '/')
            c = '\\';
    OvMultiLang::SetFolderSource(&DistFolder);

    const LANGID id = GetSystemDefaultLangID();
    std::printf("system language 0x%04X\n", id);
    ASSERT_EQ(0x0407, id) << "the test must run with LANG=de_DE.UTF-8";

    const OvMultiLang& texts = OvMultiLang::Instance();
    const std::string warning = texts.GetText("Warning");
    const std::string notRunning = texts.GetText("RaveloApexNotRun");
    std::printf("Warning=%s\nRaveloApexNotRun=%s\n", warning.c_str(), notRunning.c_str());
    EXPECT_EQ("German", texts.GetLanguageName());
    EXPECT_EQ("Warnung", warning);
    EXPECT_EQ("Ravelo Apex l\xE4uft nicht. Bitte starten Sie es zuerst.", notRunning);
    OvMultiLang::SetFolderSource(nullptr);
}

} // namespace
