// The shipped language files: the index names only files that exist, every
// file has every text of the English one, and each decodes cleanly in the
// Windows code page its first line declares (and only in a code page that
// fits the language).
#include <gtest/gtest.h>

#include <windows.h>

#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ProtocolFacts.h"
#include "TestSupport.h"

namespace {

std::string LangFolder() { return testsupport::SourceFolder() + "resources\\LangFiles\\"; }

using testsupport::Lines;

using testsupport::IniSection;

UINT DeclaredCodePage(const std::string& text) {
    const std::string first = Lines(text).empty() ? std::string() : Lines(text)[0];
    const size_t at = first.find("code page ");
    return at == std::string::npos ? 0 : static_cast<UINT>(std::stoul(first.substr(at + 10)));
}

bool DecodesCleanly(const std::string& bytes, UINT codePage) {
    if (bytes.empty())
        return true;
    const int wide =
        MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (wide <= 0)
        return false;
    std::wstring text(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), &text[0], wide);
    // And back to the very same bytes: no character was replaced.
    BOOL lossy = FALSE;
    const int narrow = WideCharToMultiByte(codePage, 0, text.data(), wide, nullptr, 0, nullptr, &lossy);
    std::string back(static_cast<size_t>(narrow), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), wide, &back[0], narrow, nullptr, &lossy);
    return !lossy && back == bytes;
}

std::map<std::string, std::string> Index() {
    return IniSection(testsupport::ReadTextFile(LangFolder() + "OvMultiLang.ini"), "Languages");
}

} // namespace

TEST(LanguageIndexTest, EntriesAreWellFormedAndNameShippedFiles) {
    const auto index = Index();
    ASSERT_GE(index.size(), 20u);
    for (const auto& [id, name] : index) {
        EXPECT_TRUE(id.size() == 2 || id.size() == 4) << id;
        for (char c : id)
            EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(c)) || (c >= 'A' && c <= 'F')) << id;
        const std::string file = LangFolder() + name + "\\" + name + ".ini";
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(file.c_str())) << id << " -> " << file;
    }
    // Both forms for the languages shipped, e.g. the full and the primary id.
    for (const char* id : {"0409", "09", "0407", "07", "0419", "19", "0411", "11", "0804", "04", "0404", "0416", "16",
                           "0415", "15", "0410", "10"})
        EXPECT_EQ(1u, index.count(id)) << id;
    EXPECT_EQ("ChineseTraditional", index.at("0404"));
    EXPECT_EQ("ChineseSimplified", index.at("04"));
}

TEST(LanguageFilesTest, EveryFileHasEveryTextAndDecodesInItsCodePage) {
    const std::string english = testsupport::ReadTextFile(LangFolder() + "English\\English.ini");
    const auto keys = IniSection(english, "Translations");
    ASSERT_EQ(15u, keys.size());
    std::set<std::string> names;
    for (const auto& entry : Index())
        names.insert(entry.second);
    ASSERT_EQ(std::size(facts::kLanguages), names.size());
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string bytes = testsupport::ReadTextFile(LangFolder() + name + "\\" + name + ".ini");
        ASSERT_FALSE(bytes.empty());
        const UINT codePage = DeclaredCodePage(bytes);
        // Only the code page the language is shipped in.
        const facts::Language* language = facts::FindLanguage(name);
        ASSERT_NE(nullptr, language);
        EXPECT_EQ(language->codePage, codePage);
        EXPECT_TRUE(DecodesCleanly(bytes, codePage));
        const auto texts = IniSection(bytes, "Translations");
        for (const auto& key : keys) {
            ASSERT_EQ(1u, texts.count(key.first)) << key.first;
            EXPECT_FALSE(texts.at(key.first).empty()) << key.first;
        }
        EXPECT_EQ(keys.size(), texts.size());
    }
}

// The non-Western files really are in their code pages, not in UTF-8:
// UTF-8 bytes of Cyrillic would also "decode" in 1251, but as other letters.
TEST(LanguageFilesTest, NonWesternTextsReadBackAsTheirLetters) {
    struct Probe {
        const char* name;
        const wchar_t* warning;
    };
    for (const Probe& probe :
         {Probe{"Russian", L"\x0412\x043d\x0438\x043c\x0430\x043d\x0438\x0435"}, Probe{"Japanese", L"\x8b66\x544a"},
          Probe{"ChineseSimplified", L"\x8b66\x544a"}, Probe{"ChineseTraditional", L"\x8b66\x544a"}}) {
        const std::string bytes = testsupport::ReadTextFile(LangFolder() + probe.name + "\\" + probe.name + ".ini");
        const std::string value = IniSection(bytes, "Translations")["Warning"];
        wchar_t wide[64] = {};
        MultiByteToWideChar(facts::FindLanguage(probe.name)->codePage, 0, value.c_str(), -1, wide, 64);
        EXPECT_STREQ(probe.warning, wide) << probe.name;
    }
}
