// Language tables: every text shown on the OSD is looked up by key in INI
// files under "LangFiles" beside the program. The language comes from the
// system default language id through the index file; a missing text falls
// back to English, then to "Error 737". Nothing is cached, so edits to the
// files show at the next lookup.
#pragma once
#include <windows.h>

#include <string>

#include "win32/ProcessWide.h"

class OvMultiLang : public win32::ProcessWide<OvMultiLang> {
    friend class win32::ProcessWide<OvMultiLang>;

public:
    // Default of every lookup and marker of a missing entry.
    static constexpr char kMissingText[] = "Error 737";

    std::string GetText(const std::string& key) const;
    std::string GetLanguageName() const;
    std::string GetLanguageFilePath() const;
    // Program folder + "LangFiles\English\".
    std::string GetEnglishFolder() const;
    // The text of key in section "Translations" of file, or "Error 737".
    std::string ReadTranslation(const std::string& file, const std::string& key) const;

    // The value's low `digits` hexadecimal digits in upper case, most
    // significant first (0x0C0A, 4 gives "0C0A").
    static std::string HexDigits(unsigned value, unsigned digits);

    // Where the language id and the program folder come from; null restores
    // GetSystemDefaultLangID and the executable's folder. Meant for tests.
    using LangIdSource = LANGID (*)();
    using FolderSource = std::string (*)();
    static void SetLangIdSource(LangIdSource source);
    static void SetFolderSource(FolderSource source);

private:
    OvMultiLang() = default;
    std::string LangFilesFolder() const;
};
