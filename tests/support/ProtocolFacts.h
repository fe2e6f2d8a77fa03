// What the program, the system service, the sibling programs and the
// firmware say to each other, for the tests and the bench. Where one of the
// program's headers is the home of a fact it is included and the fact taken
// from there; what only the tests need to know is stated here, once.
#pragma once
#include <windows.h>

#include <string>

#include "actions/Director.h"     // the remote's key codes kKeyProfileA (144) .. kKeyTuneDown (150)
#include "app/Main.h"             // the program's identity kProgramIdentity
#include "app/ServiceMessages.h"  // the service's messages kServiceQuit, kServiceRemoteKey ...
#include "settings/ProfileFile.h" // the clock's setting id in profile files
#include "suite/KelvoEngine.h"    // the engine's messages 1055-1059 and its firmware items
#include "suite/OcEngine.h"       // the overclocking program's messages 1060/1061, ActiveProfileItem
#include "suite/SiblingLink.h"    // the suite's mark kSuiteMark (0x55)

namespace facts {

// The program's windows by class, and the main window's caption.
constexpr char kMainClass[] = "TMainForm";
constexpr char kMainCaption[] = "Ravelo Remote";
constexpr char kApplicationClass[] = "TApplication";
constexpr char kOsdClass[] = "TFlashOsdForm";
constexpr char kStatusClass[] = "TStatusForm";
constexpr char kMessageBoxClass[] = "#32770";
// The stand-in player's window, one per movie, captioned with the movie's name.
constexpr char kPlayerClass[] = "RaveloFlashPlayer";
constexpr int kMovieCount = 6;

// Firmware items: the clock (its id is also the clock's setting id in
// profile records), the engine's mode item, the active-profile mark and the
// auto-mode switch.
constexpr DWORD kClockItem = profile::kClockSetting;
constexpr DWORD kModeItem = 0x0B000001;
constexpr DWORD kActiveProfileItem = ActiveProfileItem;
constexpr DWORD kAutoSwitchItem = kAutoModeItem;

// The shipped languages: folder and file name in LangFiles, the locale a
// test run sets (LC_ALL), the language Windows then reports and its ANSI
// code page, the one the language file is written in. The per-language test
// runs (tests/e2e/CMakeLists.txt) read their names and locales from here.
struct Language {
    const char* name;
    const char* locale;
    LANGID id;
    UINT codePage;
};
inline constexpr Language kLanguages[] = {
    {"English", "en_US", 0x0409, 1252},
    {"German", "de_DE", 0x0407, 1252},
    {"French", "fr_FR", 0x040C, 1252},
    {"Spanish", "es_ES", 0x0C0A, 1252},
    {"Italian", "it_IT", 0x0410, 1252},
    {"PortugueseBrazil", "pt_BR", 0x0416, 1252},
    {"Polish", "pl_PL", 0x0415, 1250},
    {"Russian", "ru_RU", 0x0419, 1251},
    {"Japanese", "ja_JP", 0x0411, 932},
    {"ChineseSimplified", "zh_CN", 0x0804, 936},
    {"ChineseTraditional", "zh_TW", 0x0404, 950},
};

// The row of a language by its name, or null.
inline const Language* FindLanguage(const std::string& name) {
    for (const Language& language : kLanguages)
        if (name == language.name)
            return &language;
    return nullptr;
}

// The row of the language Windows reports for this process, or null.
inline const Language* SystemLanguage() {
    for (const Language& language : kLanguages)
        if (language.id == GetSystemDefaultLangID())
            return &language;
    return nullptr;
}

} // namespace facts
