#include "settings/OvMultiLang.h"

#include "settings/ProgramFolders.h"
#include "system/IniAccess.h"

namespace {

const char kFallbackLanguage[] = "English";

OvMultiLang::LangIdSource g_langIdSource = nullptr;
OvMultiLang::FolderSource g_folderSource = nullptr;

LANGID CurrentLangId() { return g_langIdSource ? g_langIdSource() : GetSystemDefaultLangID(); }

std::string ProgramFolder() { return g_folderSource ? g_folderSource() : ModuleFolder(); }

} // namespace

void OvMultiLang::SetLangIdSource(LangIdSource source) { g_langIdSource = source; }

void OvMultiLang::SetFolderSource(FolderSource source) { g_folderSource = source; }

std::string OvMultiLang::HexDigits(unsigned value, unsigned digits) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text(digits, '0');
    for (unsigned i = digits; i > 0; --i) {
        text[i - 1] = kDigits[value & 0xFu];
        value >>= 4;
    }
    return text;
}

std::string OvMultiLang::LangFilesFolder() const { return ProgramFolder() + "LangFiles\\"; }

std::string OvMultiLang::GetText(const std::string& key) const {
    std::string text = ReadTranslation(GetLanguageFilePath(), key);
    if (text == kMissingText)
        text = ReadTranslation(GetEnglishFolder() + "English.ini", key);
    return text;
}

std::string OvMultiLang::GetLanguageName() const {
    const unsigned id = CurrentLangId();
    IniAccessor index;
    index.Open(LangFilesFolder() + "OvMultiLang.ini"); // a failed open reads as defaults
    std::string name;
    index.ReadString("Languages", HexDigits(id, 4).c_str(), kMissingText, name);
    if (name == kMissingText)
        index.ReadString("Languages", HexDigits(id & 0x3FFu, 2).c_str(), kMissingText, name);
    if (name == kMissingText)
        return kFallbackLanguage;
    return name;
}

std::string OvMultiLang::GetLanguageFilePath() const {
    const std::string name = GetLanguageName();
    return LangFilesFolder() + name + "\\" + name + ".ini";
}

std::string OvMultiLang::GetEnglishFolder() const { return LangFilesFolder() + kFallbackLanguage + "\\"; }

std::string OvMultiLang::ReadTranslation(const std::string& file, const std::string& key) const {
    IniAccessor ini;
    if (!ini.Open(file))
        return kMissingText;
    std::string text;
    ini.ReadString("Translations", key.c_str(), kMissingText, text);
    ini.Close();
    return text;
}
