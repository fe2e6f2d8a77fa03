#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "TestSupport.h"
#include "settings/OvMultiLang.h"

namespace {

using testsupport::MakeFolder;
using testsupport::TempFolder;
using testsupport::WriteTextFile;

// The seams read these.
LANGID g_langId = 0x0409;
std::string g_folder;
LANGID TestLangId() { return g_langId; }
std::string TestFolder() { return g_folder; }

const std::string kEnglishIni = "[Translations]\r\n"
                                "Warning=Warning\r\n"
                                "ProfileAOn=Profile A On\r\n"
                                "OnlyEnglish=From English\r\n"
                                "Auto=Auto\r\n";

class LangTest : public ::testing::Test {
protected:
    LangTest() : dir_("lang") {}
    void SetUp() override {
        g_folder = dir_.Path();
        g_langId = 0x0409;
        OvMultiLang::SetLangIdSource(&TestLangId);
        OvMultiLang::SetFolderSource(&TestFolder);
        ASSERT_TRUE(MakeFolder(Lang()));
        ASSERT_TRUE(MakeFolder(Lang() + "English"));
        ASSERT_TRUE(WriteTextFile(Lang() + "English\\English.ini", kEnglishIni));
    }
    void TearDown() override {
        OvMultiLang::SetLangIdSource(nullptr);
        OvMultiLang::SetFolderSource(nullptr);
    }
    std::string Lang() const { return dir_.Path() + "LangFiles\\"; }
    void WriteIndex(const std::string& entries) {
        ASSERT_TRUE(WriteTextFile(Lang() + "OvMultiLang.ini", "[Languages]\r\n" + entries));
    }
    void WriteLanguage(const std::string& name, const std::string& entries) {
        MakeFolder(Lang() + name);
        ASSERT_TRUE(WriteTextFile(Lang() + name + "\\" + name + ".ini", "[Translations]\r\n" + entries));
    }
    const OvMultiLang& Texts() const { return OvMultiLang::Instance(); }

    TempFolder dir_;
};

TEST(LangHex, DigitsAreUpperCaseAndCutToTheCount) {
    EXPECT_EQ("0409", OvMultiLang::HexDigits(0x0409, 4));
    EXPECT_EQ("0C0A", OvMultiLang::HexDigits(0x0C0A, 4));
    EXPECT_EQ("09", OvMultiLang::HexDigits(0x0409 & 0x3FF, 2));
    EXPECT_EQ("2345", OvMultiLang::HexDigits(0x12345, 4));
    EXPECT_EQ("FF", OvMultiLang::HexDigits(0x3FF, 2));
}

TEST_F(LangTest, FourDigitEntryChoosesTheLanguageFile) {
    WriteIndex("0407=Deutsch\r\n07=Falsch\r\n");
    WriteLanguage("Deutsch", "Warning=Warnung\r\nAuto=Automatik\r\n");
    g_langId = 0x0407;
    EXPECT_EQ("Deutsch", Texts().GetLanguageName());
    EXPECT_EQ(Lang() + "Deutsch\\Deutsch.ini", Texts().GetLanguageFilePath());
    EXPECT_EQ(Lang() + "English\\", Texts().GetEnglishFolder());
    EXPECT_EQ("Warnung", Texts().GetText("Warning"));
    EXPECT_EQ("Automatik", Texts().GetText("Auto"));
}

TEST_F(LangTest, TwoDigitEntryWhenTheFullIdIsMissing) {
    WriteIndex("07=Deutsch\r\n");
    WriteLanguage("Deutsch", "Warning=Warnung\r\n");
    g_langId = 0x0807;
    EXPECT_EQ("Deutsch", Texts().GetLanguageName());
    EXPECT_EQ("Warnung", Texts().GetText("Warning"));
    // Letters in the id are written upper case.
    WriteIndex("0C0A=Castellano\r\n0A=Otro\r\n");
    g_langId = 0x0C0A;
    EXPECT_EQ("Castellano", Texts().GetLanguageName());
}

TEST_F(LangTest, NoIndexOrNoEntryGivesEnglish) {
    g_langId = 0x0407;
    EXPECT_EQ("English", Texts().GetLanguageName());
    EXPECT_EQ("Warning", Texts().GetText("Warning"));
    WriteIndex("0409=English\r\n");
    EXPECT_EQ("English", Texts().GetLanguageName());
    EXPECT_EQ("Profile A On", Texts().GetText("ProfileAOn"));
}

TEST_F(LangTest, MissingKeysFallBackToEnglishThenToTheMarker) {
    WriteIndex("0407=Deutsch\r\n");
    WriteLanguage("Deutsch", "Warning=Warnung\r\nAuto=Error 737\r\n");
    g_langId = 0x0407;
    EXPECT_EQ("From English", Texts().GetText("OnlyEnglish"));
    EXPECT_EQ("Error 737", Texts().GetText("NowhereAtAll"));
    // A language text that is exactly the marker counts as missing.
    EXPECT_EQ("Auto", Texts().GetText("Auto"));
    EXPECT_EQ("Error 737", Texts().ReadTranslation(Lang() + "Deutsch\\Deutsch.ini", "Auto"));
    EXPECT_EQ("Error 737", Texts().ReadTranslation(Lang() + "nothere.ini", "Warning"));
}

TEST_F(LangTest, LanguageWithoutFolderUsesEnglishEverywhere) {
    WriteIndex("0407=Klingonisch\r\n");
    g_langId = 0x0407;
    EXPECT_EQ("Klingonisch", Texts().GetLanguageName());
    EXPECT_EQ("Warning", Texts().GetText("Warning"));
    EXPECT_EQ("Profile A On", Texts().GetText("ProfileAOn"));
}

TEST_F(LangTest, EmptyIndexValueIsReturnedAsEmpty) {
    WriteIndex("0407=\r\n07=Deutsch\r\n");
    g_langId = 0x0407;
    EXPECT_EQ("", Texts().GetLanguageName());
    EXPECT_EQ("Warning", Texts().GetText("Warning"));
}

TEST_F(LangTest, NoEnglishFileEither) {
    ASSERT_TRUE(DeleteFileA((Lang() + "English\\English.ini").c_str()));
    EXPECT_EQ("Error 737", Texts().GetText("Warning"));
}

TEST_F(LangTest, EditsShowAtTheNextLookup) {
    WriteIndex("0407=Deutsch\r\n");
    WriteLanguage("Deutsch", "Warning=Warnung\r\n");
    g_langId = 0x0407;
    EXPECT_EQ("Warnung", Texts().GetText("Warning"));
    WriteLanguage("Deutsch", "Warning=Achtung\r\n");
    EXPECT_EQ("Achtung", Texts().GetText("Warning"));
    WriteIndex("0407=English\r\n");
    EXPECT_EQ("Warning", Texts().GetText("Warning"));
    g_langId = 0x0409;
    WriteIndex("0409=Deutsch\r\n");
    EXPECT_EQ("Achtung", Texts().GetText("Warning"));
}

// ---- The files shipped in the program folder --------------------------------

std::string DistFolder() {
    const char* dist = std::getenv("RAVELO_DIST");
    if (!dist || !*dist)
        return std::string();
    std::string path = std::string("Z:") + dist;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    if (path.back() != '\\')
        path += '\\';
    return path;
}

const char* const kTextKeys[] = {"Warning",
                                 "ProfileAOn",
                                 "ProfileBOn",
                                 "ProfileCOn",
                                 "ProfileAOff",
                                 "ProfileBOff",
                                 "ProfileCOff",
                                 "OcWarn",
                                 "RaveloApexInstall",
                                 "RaveloApexNotRun",
                                 "KelvoInstall",
                                 "KelvoNotRun",
                                 "AutoModeUnavaliable",
                                 "CalibrationNeed",
                                 "Auto"};

class ShippedLangTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_folder = DistFolder();
        ASSERT_FALSE(g_folder.empty()) << "RAVELO_DIST is not set";
        OvMultiLang::SetLangIdSource(&TestLangId);
        OvMultiLang::SetFolderSource(&TestFolder);
    }
    void TearDown() override {
        OvMultiLang::SetLangIdSource(nullptr);
        OvMultiLang::SetFolderSource(nullptr);
    }
};

TEST_F(ShippedLangTest, EveryLanguageHasEveryKey) {
    struct Case {
        LANGID id;
        const char* name;
    };
    const Case cases[] = {{0x0409, "English"},
                          {0x0809, "English"},
                          {0x0407, "German"},
                          {0x0807, "German"},
                          {0x040C, "French"},
                          {0x0C0C, "French"},
                          {0x040A, "Spanish"},
                          {0x0C0A, "Spanish"},
                          {0x0411, "Japanese"},
                          {0x0419, "Russian"},
                          {0x0404, "ChineseTraditional"},
                          {0x0804, "ChineseSimplified"},
                          {0x0413, "English"}};
    const OvMultiLang& texts = OvMultiLang::Instance();
    for (const Case& c : cases) {
        g_langId = c.id;
        EXPECT_EQ(c.name, texts.GetLanguageName()) << std::hex << c.id;
        for (const char* key : kTextKeys) {
            const std::string own = texts.ReadTranslation(texts.GetLanguageFilePath(), key);
            EXPECT_NE("Error 737", own) << c.name << " " << key;
            EXPECT_FALSE(own.empty()) << c.name << " " << key;
        }
    }
}

TEST_F(ShippedLangTest, TextsAreInTheLanguageAndItsCodePage) {
    const OvMultiLang& texts = OvMultiLang::Instance();
    g_langId = 0x0409;
    EXPECT_EQ("Profile A On", texts.GetText("ProfileAOn"));
    EXPECT_EQ("Warning", texts.GetText("Warning"));
    const std::string english = texts.GetText("RaveloApexNotRun");
    g_langId = 0x0407;
    EXPECT_EQ("Warnung", texts.GetText("Warning"));
    // Code page 1252: a-umlaut is the single byte E4.
    EXPECT_NE(std::string::npos, texts.GetText("RaveloApexNotRun").find("l\xE4uft"));
    g_langId = 0x040C;
    EXPECT_NE(std::string::npos, texts.GetText("ProfileAOn").find("activ\xE9"));
    g_langId = 0x0C0A;
    EXPECT_NE(std::string::npos, texts.GetText("RaveloApexInstall").find("est\xE1"));
    EXPECT_NE(english, texts.GetText("RaveloApexNotRun"));
}

} // namespace
