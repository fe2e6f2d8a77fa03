// Hostile files and settings: damaged profile files, language files, PNG
// pictures and movies, registry values of the wrong type or of a megabyte,
// and the movie player's or the picture library's DLL missing. The program
// must start (or refuse the way it is meant to), every key must bring up a
// display that ends, and no message box may appear.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "RelyHarness.h"
#include "settings/Config.h"

using namespace rely;
using testsupport::WaitUntil;

namespace {

constexpr DWORD kClockSetting = kClockItem; // the clock's id in a profile record
constexpr char kProfileKeyPath[] = "Software\\Orva\\Ravelo Profile";
constexpr char kHostileProfile[] = "RelyHostile";
constexpr size_t kMegabyte = 1024 * 1024;
// Where the sibling programs' installers leave their install markers.
const char* const kMarkerKeys[] = {"Software\\Orva\\Ravelo Apex", "Software\\Orva\\Kelvo-6 Engine"};

// Records of a profile file: filler ids, and the clock at position clockAt
// (none when clockAt >= count).
std::vector<std::pair<DWORD, DWORD>> Records(DWORD count, DWORD clockAt, DWORD clockStep) {
    std::vector<std::pair<DWORD, DWORD>> records;
    records.reserve(count);
    for (DWORD i = 0; i < count; ++i)
        records.emplace_back(i == clockAt ? kClockSetting : 0x01000000u + (i % 4096), i);
    if (clockAt < count)
        records[clockAt].second = clockStep;
    return records;
}

std::string RandomBytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random() & 0xFF);
    return bytes;
}

// The movie of the display started last.
std::string LastMovie(const PlayerLog& log) {
    const DisplaySequence sequence = log.Sequence();
    return sequence.starts.empty() ? std::string() : sequence.starts.back();
}

class HostileFiles : public StagedTest {
protected:
    // A copy of the program folder that a case may damage.
    std::string CopyOfProgram(const std::string& name) {
        const std::string folder = suite_->Folder() + name + "\\";
        if (!CopyTree(testsupport::DistFolder(), folder))
            return std::string();
        return folder;
    }

    // Each key brings up a display that ends, with no message box; returns
    // the movie the last key showed.
    std::string Keys(std::initializer_list<LONG> keys, const std::string& when, bool withLog = true) {
        for (LONG key : keys) {
            EXPECT_TRUE(KeyShowsDisplay(program_, withLog ? &log_ : nullptr, key)) << when << ", key " << key;
            if (!program_.MessageBoxes().empty()) {
                ADD_FAILURE() << when << ", key " << key << ": \""
                              << testsupport::WindowText(program_.MessageBoxes().front()) << "\"";
                break;
            }
        }
        return withLog ? LastMovie(log_) : std::string();
    }
};

} // namespace

// Profile C bound to a file of its own and the default profile both
// damaged in every way a file can be: the program reads no clock from them
// and shows the profile display or the below-default warning.
TEST_F(HostileFiles, DamagedProfileFiles) {
    // The folder the program reads, made if missing.
    const std::string folder = ::ProfilesFolder();
    ASSERT_FALSE(folder.empty());
    CreateDirectoryA((folder + "Default").c_str(), nullptr);
    SavedFile savedDefault(folder + "Default\\Default.oc");
    SavedFile savedHostile(folder + kHostileProfile + ".oc");
    std::vector<std::unique_ptr<SavedValue>> bindings;
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        bindings.push_back(std::make_unique<SavedValue>(root, kProfileKeyPath, "RRProfileCIndex"));
        ASSERT_TRUE(bindings.back()->SetDword(999)); // beyond the firmware's list: the file counts
        bindings.push_back(std::make_unique<SavedValue>(root, kProfileKeyPath, "RRProfileCName"));
        ASSERT_TRUE(bindings.back()->SetString(kHostileProfile));
    }

    const std::string good = ProfileFileBytes(1, 3, Records(3, 1, 8));
    const std::vector<std::pair<const char*, std::string>> damaged = {
        {"empty", std::string()},
        {"cut inside the header", good.substr(0, 7)},
        {"cut inside the records", good.substr(0, 12 + 8 + 5)},
        {"version 2", ProfileFileBytes(2, 3, Records(3, 1, 8))},
        {"count 0xFFFFFFFF", ProfileFileBytes(1, 0xFFFFFFFFu, Records(64, 1, 8))},
        {"count larger than the records", ProfileFileBytes(1, 100000, Records(10, 20, 8))},
        {"100 000 records without a clock", ProfileFileBytes(1, 100000, Records(100000, 100000, 0))},
        {"noise", RandomBytes(4096, 7)},
    };

    StartProgram();
    for (const auto& file : damaged) {
        ASSERT_TRUE(WriteTextFile(folder + "Default\\Default.oc", file.second));
        ASSERT_TRUE(WriteTextFile(folder + kHostileProfile + ".oc", file.second));
        ASSERT_TRUE(ResetFirmware(suite_->Files()));
        const std::string movie = Keys({kKeyProfileC}, file.first);
        EXPECT_TRUE(movie == "Warning" || movie == "RaveloProfileOn" || movie == "RaveloProfileOff")
            << file.first << ": " << movie;
        if (HasFatalFailure() || !program_.Running())
            return;
    }

    // 100 000 good records with the clock in the last one are read to the
    // end: a default at step 8 and profile C at step 4 is below the default.
    ASSERT_TRUE(ResetFirmware(suite_->Files()));
    ASSERT_TRUE(WriteTextFile(folder + "Default\\Default.oc", ProfileFileBytes(1, 100000, Records(100000, 99999, 8))));
    ASSERT_TRUE(
        WriteTextFile(folder + kHostileProfile + ".oc", ProfileFileBytes(1, 100000, Records(100000, 99999, 4))));
    EXPECT_EQ("Warning", Keys({kKeyProfileC}, "large files, C below the default"));
    EXPECT_EQ(ProgramText("OcWarn"), log_.LastArgument("Warning", "changeContent"));
    // And profile C at step 12 is above it: applied.
    ASSERT_TRUE(
        WriteTextFile(folder + kHostileProfile + ".oc", ProfileFileBytes(1, 100000, Records(100000, 99999, 12))));
    EXPECT_EQ("RaveloProfileOn", Keys({kKeyProfileC}, "large files, C above the default"));

    EXPECT_TRUE(AliveAndAnswering(program_, &log_, kKeyManualMode));
}

// The language file with values of a megabyte, without its section, and
// made of noise; the language index made of noise. The displays come up
// with texts cut to what the movie commands hold.
TEST_F(HostileFiles, DamagedLanguageFiles) {
    const std::string folder = CopyOfProgram("language");
    ASSERT_FALSE(folder.empty());
    const std::string english = folder + "LangFiles\\English\\English.ini";
    const std::string original = ReadTextFile(english);
    ASSERT_FALSE(original.empty());

    std::string huge = "[Translations]\r\n";
    for (const char* key : {"Warning", "RaveloApexNotRun", "KelvoNotRun", "Auto", "OcWarn"})
        huge += std::string(key) + "=" + std::string(kMegabyte, 'W') + "\r\n";
    std::string noise = RandomBytes(64 * 1024, 11);
    const std::vector<std::pair<const char*, std::string>> damaged = {
        {"values of a megabyte", huge},
        {"no [Translations] section", "; nothing here\r\nWarning=Warning\r\n[Other]\r\nWarning=x\r\n"},
        {"noise", noise},
    };
    for (const auto& file : damaged) {
        SCOPED_TRACE(file.first);
        ASSERT_TRUE(WriteTextFile(english, file.second));
        ASSERT_TRUE(suite_->StopApex()); // key A warns "not running", with texts
        StartProgram(folder);
        log_.Clear();
        Keys({kKeyProfileA, kKeyAutoMode, kKeyTuneUp}, file.first);
        // The warning's texts fit the commands the movie takes.
        const std::string label = log_.LastArgument("Warning", "changeLabel");
        const std::string content = log_.LastArgument("Warning", "changeContent");
        EXPECT_LT(label.size(), 256u) << file.first;
        EXPECT_LT(content.size(), 256u) << file.first;
        if (file.second == huge) {
            EXPECT_FALSE(content.empty());
            EXPECT_EQ(std::string::npos, content.find_first_not_of('W')) << content;
        }
        EXPECT_TRUE(AliveAndAnswering(program_, &log_, kKeyManualMode));
        EXPECT_TRUE(program_.Quit());
        ASSERT_TRUE(suite_->StartApex());
    }

    // The language index itself made of noise: the program falls back to
    // its default language.
    ASSERT_TRUE(WriteTextFile(english, original));
    ASSERT_TRUE(WriteTextFile(folder + "LangFiles\\OvMultiLang.ini", noise));
    ASSERT_TRUE(suite_->StopApex());
    StartProgram(folder);
    log_.Clear();
    Keys({kKeyProfileA}, "noise for an index");
    EXPECT_EQ(ProgramText("RaveloApexNotRun"), log_.LastArgument("Warning", "changeContent"));
    EXPECT_TRUE(AliveAndAnswering(program_, &log_, kKeyManualMode));
}

// Registry values the program reads, of the wrong type or of a megabyte:
// the profile bindings, the sibling programs' install markers, the engine's
// thresholds and its calibration flag.
TEST_F(HostileFiles, RegistryValuesOfTheWrongTypeOrSize) {
    const std::string megabyteText(kMegabyte, 'R');
    const std::string megabyteBinary = RandomBytes(kMegabyte, 3);
    std::vector<std::unique_ptr<SavedValue>> saved;
    auto set = [&saved](HKEY root, const char* path, const char* name, DWORD type, const std::string& data) {
        saved.push_back(std::make_unique<SavedValue>(root, path, name));
        return saved.back()->Set(type, data.data(), static_cast<DWORD>(data.size()));
    };
    const std::string text = megabyteText + '\0';
    const std::string word("\x01\x00\x00\x00", 4);
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        ASSERT_TRUE(set(root, kProfileKeyPath, "RRProfileAIndex", REG_SZ, std::string("0\0", 2)));
        ASSERT_TRUE(set(root, kProfileKeyPath, "RRProfileAName", REG_DWORD, word));
        ASSERT_TRUE(set(root, kProfileKeyPath, "RRProfileBIndex", REG_BINARY, megabyteBinary));
        ASSERT_TRUE(set(root, kProfileKeyPath, "RRProfileBName", REG_SZ, text));
        ASSERT_TRUE(set(root, kProfileKeyPath, "RRProfileCIndex", REG_DWORD, std::string("\x07", 1)));
        ASSERT_TRUE(set(root, kProfileKeyPath, "RRProfileCName", REG_BINARY, megabyteBinary));
    }
    ASSERT_TRUE(set(HKEY_LOCAL_MACHINE, "Software\\Orva\\Drivo3", "Threshold1", REG_BINARY, megabyteBinary));
    ASSERT_TRUE(set(HKEY_LOCAL_MACHINE, "Software\\Orva\\Drivo3", "Threshold2", REG_SZ, text));
    ASSERT_TRUE(set(HKEY_CURRENT_USER, "Software\\Orva\\Drivo3\\Advance", "CalibrationNeeded", REG_SZ, text));

    StartProgram();
    Keys({kKeyProfileA, kKeyProfileB, kKeyProfileC, kKeyManualMode, kKeyAutoMode, kKeyTuneUp}, "odd bindings");

    // The install markers the program checks before it talks to a sibling.
    for (const char* product : kMarkerKeys)
        ASSERT_TRUE(set(HKEY_LOCAL_MACHINE, product, "CaptionName", REG_SZ, text));
    Keys({kKeyProfileA, kKeyManualMode, kKeyTuneUp}, "megabyte markers");
    for (const char* product : kMarkerKeys)
        ASSERT_TRUE(set(HKEY_LOCAL_MACHINE, product, "CaptionName", REG_BINARY, megabyteBinary));
    Keys({kKeyProfileA, kKeyManualMode, kKeyTuneUp}, "binary markers");
    EXPECT_TRUE(AliveAndAnswering(program_, &log_, kKeyManualMode));
}

// Pictures that are corrupt, cut short or claim 100 000 x 100 000 pixels:
// the program starts and shows its displays without them.
TEST_F(HostileFiles, DamagedPictures) {
    const std::string folder = CopyOfProgram("pictures");
    ASSERT_FALSE(folder.empty());
    const std::string status = folder + "Resource\\turbo_mode.png";
    const std::string background = folder + "Resource\\bg_smoke01.png";
    const std::string statusPng = ReadTextFile(status);
    const std::string backgroundPng = ReadTextFile(background);
    ASSERT_GT(statusPng.size(), 100u);
    ASSERT_GT(backgroundPng.size(), 100u);

    const std::vector<std::pair<const char*, std::pair<std::string, std::string>>> damaged = {
        {"corrupt", {CorruptPng(statusPng), CorruptPng(backgroundPng)}},
        {"cut short", {TruncatedPng(statusPng, statusPng.size() / 2), TruncatedPng(backgroundPng, 40)}},
        {"100000 x 100000",
         {PngClaimingSize(statusPng, 100000, 100000), PngClaimingSize(backgroundPng, 100000, 100000)}},
        {"noise", {RandomBytes(5000, 1), RandomBytes(70000, 2)}},
    };
    for (const auto& files : damaged) {
        SCOPED_TRACE(files.first);
        ASSERT_TRUE(WriteTextFile(status, files.second.first));
        ASSERT_TRUE(WriteTextFile(background, files.second.second));
        StartProgram(folder);
        log_.Clear();
        Keys({kKeyProfileA, kKeyManualMode, kKeyTuneUp}, files.first);
        EXPECT_TRUE(AliveAndAnswering(program_, &log_, kKeyAutoMode));
        EXPECT_TRUE(program_.Quit());
    }
}

// Movies missing or made of noise: the display of that kind still ends and
// the others still play.
TEST_F(HostileFiles, MissingAndGarbageMovies) {
    const std::string folder = CopyOfProgram("movies");
    ASSERT_FALSE(folder.empty());
    ASSERT_TRUE(DeleteFileA((folder + "Resource\\KelvoManual.swf").c_str()));
    ASSERT_TRUE(WriteTextFile(folder + "Resource\\OCTuning.swf", RandomBytes(20000, 5)));
    ASSERT_TRUE(WriteTextFile(folder + "Resource\\Warning.swf", std::string()));
    StartProgram(folder);
    Keys({kKeyManualMode, kKeyTuneUp, kKeyTuneDown, kKeyAutoMode}, "damaged movies", false);
    ASSERT_TRUE(suite_->StopApex());
    Keys({kKeyProfileA}, "damaged warning movie", false);
    EXPECT_TRUE(AliveAndAnswering(program_, nullptr, kKeyAutoMode));
}

// The movie player's DLL or the picture library missing from the folder.
TEST_F(HostileFiles, PlayerOrPictureLibraryMissing) {
    for (const char* library : {"flashobj.dll", "pngio.dll"}) {
        SCOPED_TRACE(library);
        const std::string folder = CopyOfProgram(std::string("without-") + library);
        ASSERT_FALSE(folder.empty());
        ASSERT_TRUE(DeleteFileA((folder + library).c_str()));
        StartProgram(folder);
        Keys({kKeyProfileA, kKeyManualMode, kKeyAutoMode, kKeyTuneUp}, library, false);
        EXPECT_TRUE(AliveAndAnswering(program_, nullptr, kKeyManualMode));
        EXPECT_TRUE(program_.Quit());
    }
}
