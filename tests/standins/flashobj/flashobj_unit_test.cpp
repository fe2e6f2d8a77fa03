// The player's parts without windows: the request parser against the
// program's command texts and hostile input, the movie file parser against
// the six shipped movies and malformed files, the time line's call-back
// points, and the canvas.
#include <cmath>
#include <gtest/gtest.h>

#include <string>

#include <windows.h>

#include "Canvas.h"
#include "InvokeRequest.h"
#include "MovieTimeline.h"
#include "SceneFile.h"
#include "SceneRenderer.h"
#include "TestSupport.h"

using namespace flashobj;

namespace {

// The program's command texts, with their single placeholder filled in.
std::wstring Invoke(const std::wstring& name, const std::wstring& argument) {
    return L"<invoke name=\"" + name + L"\" returntype=\"xml\"><arguments><string>" + argument +
           L"</string></arguments></invoke>";
}
std::wstring External(const std::wstring& argument) { return Invoke(L"externalCommand", argument); }

std::string SourceFile(const std::string& relative) { return testsupport::SourceFolder() + relative; }
using testsupport::ReadTextFile;

// ---------------------------------------------------------------- requests

TEST(InvokeRequest, ProgramCommandTextsParse) {
    Command c = ParseInvokeRequest(Invoke(L"changeLabel", L"Profile A On 4200MHz"));
    EXPECT_EQ(CommandType::ChangeLabel, c.type);
    EXPECT_EQ(L"Profile A On 4200MHz", c.text);

    c = ParseInvokeRequest(Invoke(L"changeContent", L"Start it first."));
    EXPECT_EQ(CommandType::ChangeContent, c.type);
    EXPECT_EQ(L"Start it first.", c.text);

    c = ParseInvokeRequest(External(L"show"));
    EXPECT_EQ(CommandType::Show, c.type);
    EXPECT_FALSE(c.hasNumber);

    c = ParseInvokeRequest(External(L"end"));
    EXPECT_EQ(CommandType::End, c.type);
    EXPECT_FALSE(c.hasNumber);

    c = ParseInvokeRequest(External(L"show 2"));
    EXPECT_EQ(CommandType::Show, c.type);
    EXPECT_TRUE(c.hasNumber);
    EXPECT_EQ(2, c.number);

    c = ParseInvokeRequest(External(L"play 3"));
    EXPECT_EQ(CommandType::Play, c.type);
    EXPECT_EQ(3, c.number);

    c = ParseInvokeRequest(External(L"End -1"));
    EXPECT_EQ(CommandType::End, c.type);
    EXPECT_TRUE(c.hasNumber);
    EXPECT_EQ(-1, c.number);

    EXPECT_EQ(CommandType::In, ParseInvokeRequest(External(L"in")).type);
    EXPECT_EQ(CommandType::Out, ParseInvokeRequest(External(L"out")).type);

    c = ParseInvokeRequest(Invoke(L"set2Digit", L"133"));
    EXPECT_EQ(CommandType::SetDigits, c.type);
    EXPECT_EQ(133, c.number);
    EXPECT_EQ(-7, ParseInvokeRequest(Invoke(L"set2Digit", L"-7")).number);
}

TEST(InvokeRequest, UnescapedTextArrivesVerbatim) {
    Command c = ParseInvokeRequest(Invoke(L"changeLabel", L"R&D <fast> \"profile\" & more"));
    EXPECT_EQ(CommandType::ChangeLabel, c.type);
    EXPECT_EQ(L"R&D <fast> \"profile\" & more", c.text);

    // Even the closing tags inside the text: the argument runs to the last one.
    c = ParseInvokeRequest(Invoke(L"changeContent", L"a</string>b</arguments>c"));
    EXPECT_EQ(CommandType::ChangeContent, c.type);
    EXPECT_EQ(L"a</string>b</arguments>c", c.text);

    c = ParseInvokeRequest(Invoke(L"changeLabel", L""));
    EXPECT_EQ(CommandType::ChangeLabel, c.type);
    EXPECT_EQ(L"", c.text);

    c = ParseInvokeRequest(Invoke(L"changeLabel", L"  padded  "));
    EXPECT_EQ(L"  padded  ", c.text);
}

TEST(InvokeRequest, LongTextIsCutNotOverflowed) {
    std::wstring text(kMaxTextLength + 500, L'x');
    Command c = ParseInvokeRequest(Invoke(L"changeLabel", text));
    EXPECT_EQ(CommandType::ChangeLabel, c.type);
    EXPECT_EQ(kMaxTextLength, c.text.size());

    // A surrogate pair straddling the cut is dropped whole.
    std::wstring pair(kMaxTextLength - 1, L'y');
    pair += L"\xD83D\xDE00tail";
    c = ParseInvokeRequest(Invoke(L"changeLabel", pair));
    EXPECT_EQ(kMaxTextLength - 1, c.text.size());

    std::wstring huge = Invoke(L"changeLabel", std::wstring(kMaxRequestLength, L'z'));
    EXPECT_EQ(CommandType::None, ParseInvokeRequest(huge).type);
    EXPECT_EQ(CommandType::None, ParseInvokeRequest(huge.c_str()).type);
}

TEST(InvokeRequest, TolerantOfLayoutAndCase) {
    EXPECT_EQ(CommandType::Show,
              ParseInvokeRequest(L"  <invoke  returntype='xml' name='externalCommand' >\r\n <arguments> "
                                 L"<string> show </string> </arguments>\n</invoke>\n")
                  .type);
    EXPECT_EQ(CommandType::End, ParseInvokeRequest(External(L"END")).type);
    EXPECT_EQ(CommandType::End, ParseInvokeRequest(External(L"end 2")).type);
    EXPECT_EQ(CommandType::SetDigits,
              ParseInvokeRequest(L"<invoke name=\"set2Digit\" returntype=\"xml\"><arguments><number>5</number>"
                                 L"</arguments></invoke>")
                  .type);
}

TEST(InvokeRequest, MalformedRequestsAreNotCommands) {
    const wchar_t* bad[] = {
        L"",
        L"   ",
        L"show",
        L"<invoke>",
        L"<invoke name=\"externalCommand\" returntype=\"xml\"><arguments><string>show</string></arguments>",
        L"<invoke name=\"externalCommand\" returntype=\"xml\"><arguments><string>show</arguments></invoke>",
        L"<invoke name=\"externalCommand\" returntype=\"xml\"><arguments><string>show</string></arguments></invoke>x",
        L"<invoke name=\"externalCommand\" returntype=\"xml\"><string>show</string></invoke>",
        L"<invoke name=\"externalCommand returntype=\"xml\"><arguments><string>show</string></arguments></invoke>",
        L"<invoke returntype=\"xml\"><arguments><string>show</string></arguments></invoke>",
        L"<invokeX name=\"externalCommand\"><arguments><string>show</string></arguments></invoke>",
        L"<invoke name=\"\"><arguments><string>show</string></arguments></invoke>",
        L"<invoke name=\"gotoAndPlay\" returntype=\"xml\"><arguments><string>5</string></arguments></invoke>",
        L"<invoke name=\"ChangeLabel\" returntype=\"xml\"><arguments><string>x</string></arguments></invoke>",
        L"<invoke name=\"externalCommand\"><arguments><string></string></arguments></invoke>",
        L"<invoke name=\"externalCommand\"><arguments><string>dance</string></arguments></invoke>",
        L"<invoke name=\"externalCommand\"><arguments><string>play</string></arguments></invoke>",
        L"<invoke name=\"externalCommand\"><arguments><string>show abc</string></arguments></invoke>",
        L"<invoke name=\"externalCommand\"><arguments><string>show 1 2</string></arguments></invoke>",
        L"<invoke name=\"externalCommand\"><arguments><string>show 99999999999</string></arguments></invoke>",
        L"<invoke name=\"externalCommand\"><arguments><string>in 3</string></arguments></invoke>",
        L"<invoke name=\"set2Digit\"><arguments><string>12a</string></arguments></invoke>",
        L"<invoke name=\"set2Digit\"><arguments><string></string></arguments></invoke>",
        L"<invoke name=\"set2Digit\"><arguments><string>2147483648</string></arguments></invoke>",
        L"\xFFFF\xD800<<<>>>&&&",
    };
    for (size_t i = 0; i < sizeof(bad) / sizeof(bad[0]); ++i) {
        EXPECT_EQ(CommandType::None, ParseInvokeRequest(bad[i]).type) << "request index " << i;
    }
    EXPECT_EQ(CommandType::None, ParseInvokeRequest(static_cast<const WCHAR*>(nullptr)).type);
}

TEST(InvokeRequest, Int32Bounds) {
    int v = 0;
    EXPECT_TRUE(ParseInt32(L"2147483647", v));
    EXPECT_EQ(2147483647, v);
    EXPECT_TRUE(ParseInt32(L"-2147483648", v));
    EXPECT_EQ(-2147483647 - 1, v);
    EXPECT_FALSE(ParseInt32(L"2147483648", v));
    EXPECT_FALSE(ParseInt32(L"-", v));
    EXPECT_FALSE(ParseInt32(L"+", v));
    EXPECT_FALSE(ParseInt32(L"1 2", v));
    EXPECT_TRUE(ParseInt32(L" +12 ", v));
    EXPECT_EQ(12, v);
}

// ---------------------------------------------------------------- movie files

struct MovieRow {
    const char* file;
    int width, height;
    bool callbackIntro;
};

// The movie table of the OSD: names, sizes, and which movies report their intro.
const MovieRow kMovies[] = {
    {"RaveloProfileOn.swf", 400, 650, true}, {"RaveloProfileOff.swf", 400, 650, true},
    {"KelvoAuto.swf", 400, 650, false},      {"KelvoManual.swf", 750, 650, false},
    {"OCTuning.swf", 550, 400, true},        {"Warning.swf", 400, 650, false},
};

TEST(SceneFile, ShippedMoviesAreCompleteScenes) {
    for (const MovieRow& row : kMovies) {
        SCOPED_TRACE(row.file);
        const std::string text = ReadTextFile(SourceFile(std::string("resources\\Resource\\") + row.file));
        ASSERT_FALSE(text.empty());
        const Scene scene = ParseScene(text);
        EXPECT_TRUE(scene.loaded);
        EXPECT_EQ(0, scene.badLines);
        EXPECT_EQ(row.width, scene.width);
        EXPECT_EQ(row.height, scene.height);
        EXPECT_EQ(row.callbackIntro, scene.callbackIntro);
        EXPECT_TRUE(scene.callbackOutro);
        EXPECT_GE(scene.introMs, 100);
        EXPECT_LE(scene.introMs, 1000);
        EXPECT_GE(scene.outroMs, 100);
        EXPECT_LE(scene.outroMs, 1000);
        EXPECT_GE(scene.elements.size(), 3u);

        // The missing-file stand-in keeps the same call-back points.
        const Scene empty = EmptySceneFor(MovieNameFromPath(row.file));
        EXPECT_EQ(scene.callbackIntro, empty.callbackIntro);
        EXPECT_EQ(scene.callbackOutro, empty.callbackOutro);
    }
}

TEST(SceneFile, ShippedMoviesShowWhatTheProgramSends) {
    auto uses = [](const char* file, const char* field) {
        const Scene scene = ParseScene(ReadTextFile(SourceFile(std::string("resources\\Resource\\") + file)));
        for (const SceneElement& e : scene.elements) {
            if (e.text.find(field) != std::string::npos)
                return true;
        }
        return false;
    };
    EXPECT_TRUE(uses("RaveloProfileOn.swf", "{label}"));
    EXPECT_TRUE(uses("RaveloProfileOff.swf", "{label}"));
    EXPECT_TRUE(uses("KelvoAuto.swf", "{label}"));
    EXPECT_TRUE(uses("Warning.swf", "{label}"));
    EXPECT_TRUE(uses("Warning.swf", "{content}"));
    EXPECT_TRUE(uses("KelvoManual.swf", "{level}"));
    EXPECT_TRUE(uses("OCTuning.swf", "{value}"));
}

TEST(SceneFile, HeaderDecidesWhetherItIsAScene) {
    EXPECT_FALSE(ParseScene("").loaded);
    EXPECT_FALSE(ParseScene("size 10 10\n").loaded);
    EXPECT_FALSE(ParseScene("ravelo-scene 2\n").loaded);
    EXPECT_FALSE(ParseScene("ravelo-scene\n").loaded);
    EXPECT_FALSE(ParseScene(std::string("FWS\x09\x00\x01\x02\x03", 8)).loaded); // a real Flash file
    const Scene s = ParseScene("\xEF\xBB\xBF# comment\r\n\r\nravelo-scene 1\r\nsize 20 30\r\n");
    EXPECT_TRUE(s.loaded);
    EXPECT_EQ(20, s.width);
    EXPECT_EQ(30, s.height);
    EXPECT_FALSE(s.callbackIntro); // a scene states its own call-backs
    EXPECT_FALSE(s.callbackOutro);
}

TEST(SceneFile, SettingsAndElements) {
    const Scene s = ParseScene(
        "ravelo-scene 1\n"
        "size 300 200\n"
        "intro 250 zoom\n"
        "outro 150 sink\n"
        "change 90\n"
        "distance 12\n"
        "callback intro\n"
        "callback outro\n"
        "panel x=1 y=2 w=30 h=40 radius=5 fill=#102030 fill2=#40506070 border=#FFFFFF80 border-width=2\n"
        "text x=0 y=0 w=100 h=20 text=\"Hello {label}\" font=\"Tahoma|Arial\" size=18 min-size=9 weight=bold "
        "align=left valign=top wrap=yes color=#FF0000 unit=MHz unit-size=9\n"
        "levels x=0 y=0 w=100 h=50 count=4 gap=6 on=#00FF00 off=#FFFFFF20 labels=\"0|1|2|3\"\n"
        "polygon points=\"0,0 10,0 5,8\" fill=#FFFFFF\n"
        "ring cx=5 cy=5 r=4 width=1 gap=60 gap-at=0 fill=#FFFFFF\n"
        "circle cx=5 cy=5 r=4 fill=#FFFFFF\n");
    ASSERT_TRUE(s.loaded);
    EXPECT_EQ(0, s.badLines);
    EXPECT_EQ(250, s.introMs);
    EXPECT_EQ(Effect::Zoom, s.introEffect);
    EXPECT_EQ(150, s.outroMs);
    EXPECT_EQ(Effect::Sink, s.outroEffect);
    EXPECT_EQ(90, s.changeMs);
    EXPECT_TRUE(s.callbackIntro);
    EXPECT_TRUE(s.callbackOutro);
    ASSERT_EQ(6u, s.elements.size());
    const SceneElement& panel = s.elements[0];
    EXPECT_EQ(ElementType::Panel, panel.type);
    EXPECT_EQ(0x10, panel.fill.r);
    EXPECT_EQ(0xFF, panel.fill.a);
    EXPECT_TRUE(panel.hasFill2);
    EXPECT_EQ(0x70, panel.fill2.a);
    const SceneElement& text = s.elements[1];
    EXPECT_EQ("Hello {label}", text.text);
    EXPECT_EQ("Tahoma|Arial", text.font);
    EXPECT_EQ(700, text.weight);
    EXPECT_EQ(Align::Left, text.align);
    EXPECT_TRUE(text.wrap);
    EXPECT_EQ("MHz", text.unit);
    const SceneElement& levels = s.elements[2];
    EXPECT_EQ(4, levels.count);
    ASSERT_EQ(4u, levels.labels.size());
    EXPECT_EQ("3", levels.labels[3]);
    EXPECT_EQ(3u, s.elements[3].points.size());
}

TEST(SceneFile, MalformedLinesAreSkippedAndCounted) {
    const Scene s = ParseScene("ravelo-scene 1\n"
                               "size 0 10\n"      // zero width
                               "size 10\n"        // missing height
                               "intro -5\n"       // negative
                               "intro 100 spin\n" // unknown effect
                               "intro 999999\n"   // far too long
                               "callback sometimes\n"
                               "panel x=1 y=2 w=3 h=4 fill=#12345\n"       // bad colour
                               "panel x=1 y=2 w=-3 h=4\n"                  // negative size
                               "panel x=abc\n"                             // not a number
                               "panel x=1 x=2\n"                           // said twice
                               "panel colour=#FFFFFF\n"                    // unknown key
                               "text text=\"unterminated\n"                // open quote
                               "polygon points=\"0,0 1,1\" fill=#FFFFFF\n" // two points
                               "levels count=99\n"                         // too many steps
                               "sparkle x=1\n"                             // unknown element
                               "panel x=1 y=1 w=2 h=2 fill=#FFFFFF\n");    // the one good line
    EXPECT_TRUE(s.loaded);
    EXPECT_EQ(15, s.badLines);
    EXPECT_EQ(1u, s.elements.size());
    EXPECT_EQ(400, s.width); // defaults untouched by the bad lines
    EXPECT_EQ(200, s.introMs);
}

TEST(SceneFile, BoundsOnSizeAndCount) {
    std::string many = "ravelo-scene 1\n";
    for (int i = 0; i < 500; ++i)
        many += "panel x=1 y=1 w=2 h=2 fill=#FFFFFF\n";
    const Scene capped = ParseScene(many);
    EXPECT_EQ(kMaxSceneElements, capped.elements.size());
    EXPECT_EQ(500 - static_cast<int>(kMaxSceneElements), capped.badLines);

    EXPECT_FALSE(ParseScene("ravelo-scene 1\n" + std::string(kMaxSceneFileSize, '#')).loaded);

    const Scene longLine = ParseScene("ravelo-scene 1\ntext text=\"" + std::string(5000, 'a') + "\"\n");
    EXPECT_EQ(1, longLine.badLines);
    EXPECT_TRUE(longLine.elements.empty());

    const Scene clamped = ParseScene("ravelo-scene 1\npanel x=1e30 y=-1e30 w=5 h=5 fill=#FFFFFF\n");
    ASSERT_EQ(1u, clamped.elements.size());
    EXPECT_LE(clamped.elements[0].x, 10000.0f);
    EXPECT_GE(clamped.elements[0].y, -10000.0f);

    const Scene nan = ParseScene("ravelo-scene 1\npanel x=nan w=inf\n");
    EXPECT_EQ(1, nan.badLines);
}

TEST(SceneFile, MissingOrUnreadableFilesGiveTheEmptyMovie) {
    Scene s = LoadSceneFile("Z:\\no\\such\\folder\\RaveloProfileOn.swf", "RaveloProfileOn");
    EXPECT_FALSE(s.loaded);
    EXPECT_TRUE(s.elements.empty());
    EXPECT_TRUE(s.callbackIntro);
    EXPECT_TRUE(s.callbackOutro);
    EXPECT_GT(s.introMs, 0);
    EXPECT_LE(s.introMs, 500);

    s = LoadSceneFile("", "KelvoAuto");
    EXPECT_FALSE(s.loaded);
    EXPECT_FALSE(s.callbackIntro);
    EXPECT_TRUE(s.callbackOutro);

    // A folder is not a movie.
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    s = LoadSceneFile(temp, "OCTuning");
    EXPECT_FALSE(s.loaded);
    EXPECT_TRUE(s.callbackIntro);

    EXPECT_TRUE(EmptySceneFor("octuning").callbackIntro);
    EXPECT_TRUE(EmptySceneFor("RaveloProfileOff").callbackIntro);
    EXPECT_FALSE(EmptySceneFor("KelvoManual").callbackIntro);
    EXPECT_FALSE(EmptySceneFor("Warning").callbackIntro);
    EXPECT_FALSE(EmptySceneFor("SomethingElse").callbackIntro);
    EXPECT_TRUE(EmptySceneFor("SomethingElse").callbackOutro);
}

TEST(SceneFile, PathsAsTheProgramFormsThem) {
    EXPECT_EQ("C:\\Tools\\Resource\\Warning.swf", NormalisePath("C:\\Tools\\//Resource//Warning.swf"));
    EXPECT_EQ("\\\\server\\share\\a.swf", NormalisePath("\\\\server\\\\share//a.swf"));
    EXPECT_EQ("Warning", MovieNameFromPath("C:\\Tools\\//Resource//Warning.swf"));
    EXPECT_EQ("OCTuning", MovieNameFromPath("OCTuning.swf"));
    EXPECT_EQ("noext", MovieNameFromPath("a/b/noext"));
    EXPECT_EQ("", MovieNameFromPath(""));
}

TEST(SceneFile, Colours) {
    Rgba c;
    EXPECT_TRUE(ParseColor("#A0B0C0", c));
    EXPECT_EQ(0xA0, c.r);
    EXPECT_EQ(0xFF, c.a);
    EXPECT_TRUE(ParseColor("#01020304", c));
    EXPECT_EQ(0x04, c.a);
    EXPECT_FALSE(ParseColor("A0B0C0", c));
    EXPECT_FALSE(ParseColor("#A0B0C", c));
    EXPECT_FALSE(ParseColor("#GG0000", c));
    EXPECT_FALSE(ParseColor("#", c));
}

// ---------------------------------------------------------------- time line

Command Cmd(CommandType type, bool hasNumber = false, int number = 0) {
    Command c;
    c.type = type;
    c.hasNumber = hasNumber;
    c.number = number;
    return c;
}

TimelineConfig Config(bool intro, bool outro) {
    TimelineConfig c;
    c.introMs = 300;
    c.outroMs = 200;
    c.changeMs = 100;
    c.callbackIntro = intro;
    c.callbackOutro = outro;
    return c;
}

TEST(Timeline, ProfileCallsBackAfterIntroAndAfterOutroOnly) {
    MovieTimeline t(Config(true, true));
    t.Apply(Cmd(CommandType::Show), 1000);
    EXPECT_EQ(TimelineEvent::None, t.Advance(1000).event);
    EXPECT_EQ(TimelineEvent::None, t.Advance(1299).event);
    EXPECT_TRUE(t.NeedsTicks(1299));
    EXPECT_EQ(TimelineEvent::IntroPlayed, t.Advance(1300).event);
    EXPECT_EQ(TimelineEvent::None, t.Advance(1301).event);
    EXPECT_EQ(TimelineEvent::None, t.Advance(5000).event);
    EXPECT_FALSE(t.NeedsTicks(5000));
    EXPECT_EQ(Entry::Shown, t.entry());

    t.Apply(Cmd(CommandType::End), 5000);
    EXPECT_EQ(TimelineEvent::None, t.Advance(5199).event);
    EXPECT_EQ(TimelineEvent::OutroFinished, t.Advance(5200).event);
    EXPECT_EQ(TimelineEvent::None, t.Advance(9000).event);
    EXPECT_EQ(Entry::Ended, t.entry());
    EXPECT_EQ(0.0, t.Visibility(9000));
}

TEST(Timeline, CaptionWithoutIntroPointCallsBackOnceAtTheEnd) {
    MovieTimeline t(Config(false, true));
    t.Apply(Cmd(CommandType::Show), 0);
    for (int ms = 0; ms <= 3000; ms += 10)
        EXPECT_EQ(TimelineEvent::None, t.Advance(ms).event);
    t.Apply(Cmd(CommandType::End), 3000);
    int events = 0;
    for (int ms = 3000; ms <= 6000; ms += 10)
        events += t.Advance(ms).event == TimelineEvent::OutroFinished;
    EXPECT_EQ(1, events);
}

TEST(Timeline, EventsComeOnlyFromAdvance) {
    // A zero-length part still ends only at the next Advance, never inside Apply.
    TimelineConfig c = Config(true, true);
    c.introMs = 0;
    c.outroMs = 0;
    MovieTimeline t(c);
    t.Apply(Cmd(CommandType::In), 10);
    EXPECT_EQ(Entry::Intro, t.entry());
    EXPECT_TRUE(t.NeedsTicks(10));
    EXPECT_EQ(TimelineEvent::IntroPlayed, t.Advance(10).event);
    t.Apply(Cmd(CommandType::Out), 10);
    EXPECT_EQ(TimelineEvent::OutroFinished, t.Advance(10).event);
}

TEST(Timeline, DigitsDuringTheIntroKeepItsCallBack) {
    MovieTimeline t(Config(true, true));
    t.Apply(Cmd(CommandType::SetDigits, true, 133), 0); // preset while hidden: no animation
    EXPECT_FALSE(t.NeedsTicks(0));
    EXPECT_EQ(133, t.value());
    t.Apply(Cmd(CommandType::In), 100);
    t.Apply(Cmd(CommandType::SetDigits, true, 134), 150);
    EXPECT_EQ(134, t.value());
    EXPECT_EQ(133, t.previousValue());
    EXPECT_LT(t.ValueProgress(150), 1.0);
    EXPECT_EQ(TimelineEvent::IntroPlayed, t.Advance(400).event);
    t.Apply(Cmd(CommandType::Out), 1000);
    EXPECT_EQ(TimelineEvent::OutroFinished, t.Advance(1200).event);
}

TEST(Timeline, EndDuringTheIntroReplacesItsCallBack) {
    MovieTimeline t(Config(true, true));
    t.Apply(Cmd(CommandType::Show), 0);
    t.Advance(100);
    const double shown = t.Visibility(100);
    EXPECT_GT(shown, 0.0);
    EXPECT_LT(shown, 1.0);
    t.Apply(Cmd(CommandType::End), 100);
    EXPECT_NEAR(shown, t.Visibility(100), 1e-9); // the outro starts from where the intro was
    int intro = 0, outro = 0;
    for (int ms = 100; ms <= 2000; ms += 5) {
        const TimelineEvent e = t.Advance(ms).event;
        intro += e == TimelineEvent::IntroPlayed;
        outro += e == TimelineEvent::OutroFinished;
    }
    EXPECT_EQ(0, intro);
    EXPECT_EQ(1, outro);
}

TEST(Timeline, EndWhileNeverShownStillCallsBack) {
    MovieTimeline t(Config(false, true));
    t.Apply(Cmd(CommandType::End), 0);
    EXPECT_EQ(0.0, t.Visibility(50));
    EXPECT_EQ(TimelineEvent::OutroFinished, t.Advance(200).event);
}

TEST(Timeline, LevelsAndTheirNumbers) {
    MovieTimeline t(Config(false, true));
    t.Apply(Cmd(CommandType::Show, true, 2), 0);
    EXPECT_EQ(2, t.level());
    EXPECT_EQ(2, t.previousLevel());
    t.Advance(300);
    t.Apply(Cmd(CommandType::Play, true, 3), 1000);
    EXPECT_EQ(3, t.level());
    EXPECT_EQ(2, t.previousLevel());
    EXPECT_TRUE(t.NeedsTicks(1050));
    EXPECT_FALSE(t.NeedsTicks(1100));
    t.Apply(Cmd(CommandType::End, true, -1), 2000);
    EXPECT_EQ(-1, t.level());
    const TimelineStep step = t.Advance(2200);
    EXPECT_EQ(TimelineEvent::OutroFinished, step.event);
    EXPECT_EQ(-1, step.number);
}

TEST(Timeline, NextDueMomentIsTheNearestEndOfAPartOrChange) {
    MovieTimeline t(Config(true, true));
    EXPECT_LT(t.MsUntilDue(0), 0.0); // nothing moves
    t.Apply(Cmd(CommandType::Show, true, 1), 1000);
    const struct {
        double now;
        double due;
    } intro[] = {{1000, 300}, {1290.5, 9.5}, {1300, 0}, {1400, 0}};
    for (const auto& row : intro)
        EXPECT_DOUBLE_EQ(row.due, t.MsUntilDue(row.now)) << row.now;
    t.Apply(Cmd(CommandType::Play, true, 2), 1250); // the level comes to rest after the intro's end
    EXPECT_DOUBLE_EQ(50, t.MsUntilDue(1250));
    t.Advance(1300);
    EXPECT_DOUBLE_EQ(50, t.MsUntilDue(1300));
    EXPECT_LT(t.MsUntilDue(1350), 0.0);
    t.Apply(Cmd(CommandType::SetDigits, true, 7), 2000);
    t.Apply(Cmd(CommandType::End), 2050); // the digits come to rest before the outro's end
    EXPECT_DOUBLE_EQ(50, t.MsUntilDue(2050));
    EXPECT_DOUBLE_EQ(150, t.MsUntilDue(2100));
    EXPECT_EQ(TimelineEvent::OutroFinished, t.Advance(2250).event);
    EXPECT_LT(t.MsUntilDue(2250), 0.0);
}

TEST(Timeline, TicksLandOnTheDueMomentWithinTheTimerMinimum) {
    const struct {
        double untilDue;
        unsigned delay;
    } rows[] = {
        {-1, 0},    {0, 10},  {3.2, 10}, // under the system's minimum: still a tick, the earliest there is
        {11.3, 12}, {16, 16}, {17, 10},  // 17: no pair of ticks of 10 to 16 ms makes it
        {22, 12},   {26, 16}, {34, 14},  {380, 16}, {1e9, 16},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.delay, TickDelayMs(row.untilDue, 16, 10)) << row.untilDue;
    // Followed tick by tick, every due moment from 20 ms on is met exactly,
    // with every tick 10 to 16 ms after the last.
    for (double due = 20; due <= 400; due += 0.25) {
        double left = std::ceil(due);
        while (left > 0) {
            const unsigned delay = TickDelayMs(left, 16, 10);
            ASSERT_GE(delay, 10u) << due;
            ASSERT_LE(delay, 16u) << due;
            left -= delay;
        }
        EXPECT_EQ(0.0, left) << due;
    }
}

TEST(Timeline, TextsAreKept) {
    MovieTimeline t(Config(false, true));
    Command label = Cmd(CommandType::ChangeLabel);
    label.text = L"Title";
    Command content = Cmd(CommandType::ChangeContent);
    content.text = L"Body";
    t.Apply(label, 0);
    t.Apply(content, 0);
    EXPECT_EQ(L"Title", t.label());
    EXPECT_EQ(L"Body", t.content());
    EXPECT_FALSE(t.NeedsTicks(0));
}

// ---------------------------------------------------------------- drawing

bool PremultipliedEverywhere(const Canvas& c) {
    for (uint32_t p : c.pixels()) {
        const uint32_t a = p >> 24;
        if (((p >> 16) & 0xFF) > a || ((p >> 8) & 0xFF) > a || (p & 0xFF) > a)
            return false;
    }
    return true;
}

TEST(Canvas, RoundRectCoversInsideAndSmoothsTheEdge) {
    Canvas c(100, 60);
    EXPECT_TRUE(c.IsEmpty());
    c.FillRoundRect(10.3f, 10, 80, 40, 12, Rgba{255, 0, 0, 255}, Rgba{0, 0, 255, 255});
    EXPECT_EQ(0xFFu, c.Pixel(50, 30) >> 24);
    EXPECT_EQ(0u, c.Pixel(2, 2) >> 24);
    EXPECT_EQ(0u, c.Pixel(11, 11) >> 24);        // cut off by the rounded corner
    const uint32_t edge = c.Pixel(10, 30) >> 24; // 0.7 of the pixel covered
    EXPECT_GT(edge, 0u);
    EXPECT_LT(edge, 255u);
    // The gradient runs from red at the top to blue at the bottom.
    EXPECT_GT((c.Pixel(50, 12) >> 16) & 0xFF, c.Pixel(50, 12) & 0xFF);
    EXPECT_LT((c.Pixel(50, 48) >> 16) & 0xFF, c.Pixel(50, 48) & 0xFF);
    EXPECT_TRUE(PremultipliedEverywhere(c));
}

TEST(Canvas, TranslucentLayersStayPremultiplied) {
    Canvas c(64, 64);
    c.SoftRoundRect(8, 8, 48, 48, 10, 12, Rgba{0, 0, 0, 160});
    c.FillCircle(32, 32, 20, Rgba{61, 220, 132, 46}, Rgba{61, 220, 132, 20});
    c.StrokeRing(32, 32, 14, 4, 70, 0, Rgba{107, 245, 168, 255});
    c.FillPolygon({{32, 4}, {60, 56}, {4, 56}}, Rgba{255, 209, 102, 128}, Rgba{245, 158, 11, 128});
    EXPECT_TRUE(PremultipliedEverywhere(c));
    // The ring's gap at the top is open, its bottom closed.
    EXPECT_LT(c.Pixel(32, 18) >> 24, c.Pixel(32, 46) >> 24);
}

TEST(Canvas, EverythingIsClipped) {
    Canvas c(16, 16);
    c.FillRoundRect(-100, -100, 400, 400, 5, Rgba{1, 2, 3, 255}, Rgba{1, 2, 3, 255});
    c.FillPolygon({{-50, -50}, {80, -10}, {0, 90}}, Rgba{9, 9, 9, 255}, Rgba{9, 9, 9, 255});
    const uint8_t mask[4] = {255, 255, 255, 255};
    c.BlendMask(-1, -1, mask, 2, 2, 2, 1, Rgba{255, 255, 255, 255});
    c.BlendMask(15, 15, mask, 2, 2, 2, 1, Rgba{255, 255, 255, 255});
    c.BlendMask(100, 100, mask, 2, 2, 2, 1, Rgba{255, 255, 255, 255});
    c.BlendMask(0, 0, nullptr, 2, 2, 2, 1, Rgba{255, 255, 255, 255});
    EXPECT_EQ(0xFFFFFFFFu, c.Pixel(0, 0));
    EXPECT_EQ(0xFFFFFFFFu, c.Pixel(15, 15));
    EXPECT_EQ(0u, c.Pixel(-1, 3));
    EXPECT_EQ(0u, c.Pixel(3, 16));

    Canvas huge(100000, -5);
    EXPECT_LE(huge.width(), 8192);
    EXPECT_EQ(0, huge.height());
    EXPECT_TRUE(huge.pixels().empty());
}

TEST(Canvas, ComposeScalesAndFades) {
    Canvas src(10, 10);
    src.FillRoundRect(0, 0, 10, 10, 0, Rgba{255, 255, 255, 255}, Rgba{255, 255, 255, 255});
    Canvas dst(40, 40);
    dst.Compose(src, 2.0f, 5, 5, 0.5f);
    EXPECT_EQ(0u, dst.Pixel(4, 4) >> 24);
    EXPECT_NEAR(128.0, static_cast<double>(dst.Pixel(15, 15) >> 24), 2.0);
    EXPECT_NEAR(128.0, static_cast<double>(dst.Pixel(22, 22) >> 24), 2.0);
    EXPECT_EQ(0u, dst.Pixel(26, 26) >> 24);
    EXPECT_TRUE(PremultipliedEverywhere(dst));
}

// A rise or sink moves the movie by fractions of a pixel at scale 1: the
// frame must be the bilinear mix of the source, wherever it is composed
// (at 511/512 of a pixel the rounded weights would add up to 257).
TEST(Canvas, ComposeByFractionsOfAPixelMixesNeighbours) {
    Canvas src(12, 9);
    src.FillRoundRect(1, 1, 10, 7, 2, Rgba{250, 40, 90, 255}, Rgba{20, 200, 160, 128});
    for (const Point shift : {Point{3.4f, 0}, Point{0, 5.75f}, Point{-2.5f, 2.25f}, Point{2, 3.998046875f}}) {
        Canvas dst(20, 20);
        dst.Compose(src, 1.0f, shift.x, shift.y, 0.8f);
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 20; ++x) {
                const float u = x - shift.x, v = y - shift.y;
                const int iu = static_cast<int>(std::floor(u)), iv = static_cast<int>(std::floor(v));
                const float fu = u - iu, fv = v - iv;
                auto at = [&src](int i, int j) { return i < 0 || j < 0 || i >= 12 || j >= 9 ? 0u : src.Pixel(i, j); };
                for (int shiftBits = 0; shiftBits < 32; shiftBits += 8) {
                    auto c = [&](int i, int j) { return static_cast<float>((at(i, j) >> shiftBits) & 0xFF); };
                    const float expected = ((c(iu, iv) * (1 - fu) + c(iu + 1, iv) * fu) * (1 - fv) +
                                            (c(iu, iv + 1) * (1 - fu) + c(iu + 1, iv + 1) * fu) * fv) *
                                           0.8f;
                    ASSERT_NEAR(expected, static_cast<float>((dst.Pixel(x, y) >> shiftBits) & 0xFF), 1.5f)
                        << "pixel " << x << "," << y << " shifted by " << shift.x << "," << shift.y;
                }
            }
        }
        EXPECT_TRUE(PremultipliedEverywhere(dst));
    }
}

TEST(SceneText, FieldsAreFilledAndOthersKept) {
    EXPECT_EQ("Mode 3 of A&B <x>", ExpandFields("Mode {level} of {label}", "A&B <x>", "", 3, 0));
    EXPECT_EQ("-1", ExpandFields("{level}", "", "", -1, 0));
    EXPECT_EQ("133 MHz", ExpandFields("{value} MHz", "", "", 0, 133));
    EXPECT_EQ("{unknown} {open", ExpandFields("{unknown} {open", "", "", 0, 0));
    EXPECT_EQ("body", ExpandFields("{content}", "", "body", 0, 0));
    // A label that itself looks like a field is not expanded again.
    EXPECT_EQ("{value}", ExpandFields("{label}", "{value}", "", 0, 7));
}

TEST(SceneRendererTest, DrawsNothingWhileHiddenAndTheCardWhenShown) {
    const Scene scene = ParseScene(ReadTextFile(SourceFile("resources\\Resource\\RaveloProfileOn.swf")));
    ASSERT_TRUE(scene.loaded);
    SceneRenderer renderer(scene);
    Canvas out(scene.width, scene.height);
    RenderInputs in;
    in.label = "Profile A On 4200MHz";
    in.entry = Entry::Hidden;
    in.visibility = 0;
    renderer.Render(in, out);
    EXPECT_TRUE(out.IsEmpty());

    in.entry = Entry::Shown;
    in.visibility = 1;
    renderer.Render(in, out);
    EXPECT_FALSE(out.IsEmpty());
    EXPECT_GE(out.Pixel(200, 218) >> 24, 0xE0u);
    EXPECT_TRUE(PremultipliedEverywhere(out));

    // Half-way through the fade the card is about half as opaque.
    in.entry = Entry::Outro;
    in.visibility = 0.5;
    renderer.Render(in, out);
    const uint32_t a = out.Pixel(200, 340) >> 24;
    EXPECT_GT(a, 0x60u);
    EXPECT_LT(a, 0xA0u);

    // Drawn over the last frame, clearing only what that one drew, a frame
    // is the same as one drawn afresh (the intro rises from lower down).
    Canvas reused(scene.width, scene.height), fresh(scene.width, scene.height);
    RECT drawn{}, last{};
    in.entry = Entry::Intro;
    in.visibility = 0.4;
    renderer.Render(in, reused, &last);
    in.entry = Entry::Shown;
    in.visibility = 1;
    renderer.Render(in, reused, &drawn, &last);
    renderer.Render(in, fresh);
    EXPECT_TRUE(reused.pixels() == fresh.pixels());
    EXPECT_GT(last.bottom, drawn.bottom);

    // A window of another size gets the movie scaled to fit, centred.
    Canvas small(200, 325);
    in.entry = Entry::Shown;
    in.visibility = 1;
    renderer.Render(in, small);
    EXPECT_GE(small.Pixel(100, 109) >> 24, 0xE0u);
    EXPECT_EQ(0u, small.Pixel(5, 5) >> 24);
}

} // namespace
