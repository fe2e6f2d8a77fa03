// The GUI framework's contracts that the program leans on: bound calls,
// replaceable window procedures, timers, the synchronised call, bitmaps,
// the file-open error and exceptions raised inside message handlers.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "gui/Application.h"
#include "gui/Bitmap.h"
#include "gui/BoundCall.h"
#include "gui/Exceptions.h"
#include "gui/FileStream.h"
#include "gui/Form.h"
#include "gui/Image.h"
#include "gui/Resample.h"
#include "gui/Thread.h"
#include "gui/Timer.h"
#include "win32/Handles.h"

namespace {

struct Counter {
    int calls = 0;
    int last = 0;
    void Add(int value) {
        ++calls;
        last = value;
    }
};

constexpr UINT kThrowMessage = WM_APP + 17;
constexpr UINT kProbeMessage = WM_APP + 18;

class ProbeForm : public gui::Form {
public:
    int probes = 0;
    int hooked = 0;
    gui::WndMethod saved;

    void Hook(gui::Message& message) {
        if (message.Msg == kProbeMessage)
            ++hooked;
        saved(message);
    }

protected:
    void CreateParams(gui::CreateParams& params) override {
        gui::Form::CreateParams(params);
        params.ClassName = "TProbeForm";
        params.Caption = "ProbeForm";
    }
    void WndProc(gui::Message& message) override {
        if (message.Msg == kThrowMessage)
            throw gui::Exception("raised in a handler");
        if (message.Msg == kProbeMessage) {
            ++probes;
            message.Result = 42;
            return;
        }
        gui::Form::WndProc(message);
    }
};

class GuiTest : public ::testing::Test {
protected:
    void SetUp() override { gui::Application::Instance().Initialize(); }
};

} // namespace

TEST(BoundCallTest, EmptyCallsNothingAndBoundCallsItsObject) {
    gui::BoundCall<int> empty;
    EXPECT_FALSE(empty);
    empty(5); // harmless

    Counter a, b;
    auto callA = gui::BoundCall<int>::Of<Counter, &Counter::Add>(&a);
    auto callB = gui::BoundCall<int>::Of<Counter, &Counter::Add>(&b);
    ASSERT_TRUE(callA);
    callA(7);
    EXPECT_EQ(1, a.calls);
    EXPECT_EQ(7, a.last);
    EXPECT_EQ(0, b.calls);
    EXPECT_NE(callA, callB);
    EXPECT_EQ(callA, (gui::BoundCall<int>::Of<Counter, &Counter::Add>(&a)));
}

TEST_F(GuiTest, FormIsAttachedToItsWindowAndHiddenUntilShown) {
    ProbeForm form;
    form.CreateHandle();
    ASSERT_NE(nullptr, form.Handle());
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(42, SendMessageA(form.Handle(), kProbeMessage, 0, 0));
    EXPECT_EQ(1, form.probes);
    // Owned by the application window, so no taskbar button of its own.
    EXPECT_EQ(gui::Application::Instance().Handle(), GetWindow(form.Handle(), GW_OWNER));
}

TEST_F(GuiTest, ReplacedWindowProcedureSeesMessagesFirstAndCanBeRestored) {
    ProbeForm form;
    form.CreateHandle();
    form.saved = form.WindowProc;
    form.WindowProc = gui::WndMethod::Of<ProbeForm, &ProbeForm::Hook>(&form);
    EXPECT_EQ(42, SendMessageA(form.Handle(), kProbeMessage, 0, 0));
    EXPECT_EQ(1, form.hooked);
    EXPECT_EQ(1, form.probes);
    form.WindowProc = form.saved;
    SendMessageA(form.Handle(), kProbeMessage, 0, 0);
    EXPECT_EQ(1, form.hooked);
    EXPECT_EQ(2, form.probes);
}

TEST_F(GuiTest, WindowIsGoneWhenTheFormIsDestroyed) {
    HWND handle = nullptr;
    {
        ProbeForm form;
        form.CreateHandle();
        handle = form.Handle();
        ASSERT_TRUE(IsWindow(handle));
    }
    EXPECT_FALSE(IsWindow(handle));
}

TEST_F(GuiTest, ExceptionInHandlerIsRaisedAgainByTheMessageLoop) {
    ProbeForm form;
    form.CreateHandle();
    PostMessageA(form.Handle(), kThrowMessage, 0, 0);
    EXPECT_THROW(gui::Application::Instance().ProcessMessages(), gui::Exception);
    // The window survives and the next loop runs clean.
    PostMessageA(form.Handle(), kProbeMessage, 0, 0);
    EXPECT_NO_THROW(gui::Application::Instance().ProcessMessages());
    EXPECT_EQ(1, form.probes);
}

TEST_F(GuiTest, TimerFiresThroughTheMessageLoopOnlyWhileEnabled) {
    gui::Timer timer(20, false);
    int ticks = 0;
    timer.OnTimer = [&] { ++ticks; };
    // A second timer of the same period shows when the first would have fired.
    gui::Timer witness(20, true);
    int witnessed = 0;
    witness.OnTimer = [&] { ++witnessed; };
    ASSERT_TRUE(testsupport::WaitUntil([&] { return witnessed >= 3; }));
    EXPECT_EQ(0, ticks);
    timer.SetEnabled(true);
    EXPECT_TRUE(testsupport::WaitUntil([&] { return ticks >= 3; }));
    timer.SetEnabled(false);
    const int stopped = ticks;
    witnessed = 0;
    ASSERT_TRUE(testsupport::WaitUntil([&] { return witnessed >= 3; }));
    EXPECT_EQ(stopped, ticks);
}

namespace {
class SyncThread : public gui::Thread {
public:
    SyncThread(std::atomic<DWORD>& ranOn, std::atomic<bool>& destroyed) : ranOn_(ranOn), destroyed_(destroyed) {}
    ~SyncThread() override { destroyed_ = true; }

protected:
    void Execute() override {
        Synchronize([this] { ranOn_ = GetCurrentThreadId(); });
    }

private:
    std::atomic<DWORD>& ranOn_;
    std::atomic<bool>& destroyed_;
};
} // namespace

TEST_F(GuiTest, SynchronizedCallRunsOnTheGuiThreadAndDetachedThreadFreesItself) {
    std::atomic<DWORD> ranOn{0};
    std::atomic<bool> destroyed{false};
    gui::Thread::StartDetached(std::make_unique<SyncThread>(ranOn, destroyed));
    // The call can only run while this (GUI) thread pumps messages.
    ASSERT_TRUE(testsupport::WaitUntil([&] { return destroyed.load(); }));
    EXPECT_EQ(GetCurrentThreadId(), ranOn.load());
}

namespace {
// Hands an error over to the GUI thread once a message box of this process
// is up, so the hand-over is served inside the box's modal loop.
class FailingHandOverUnderABox : public gui::Thread {
protected:
    void Execute() override {
        testsupport::WaitUntil([] { return testsupport::FindWindowOfProcess(GetCurrentProcessId(), "#32770"); });
        Synchronize([] { throw gui::Exception("raised in a hand-over"); });
    }
};
} // namespace

// As the program's entry runs them: the message loop, and for an error
// that ends it, the exception display. The error comes from a worker's
// hand-over served while a message box is up (as a conversion message's
// is); the error ends that box with the loop. The exception display stays
// until the user closes it; then the process ends with exit code 0.
TEST_F(GuiTest, ExceptionDisplayStaysUntilClosed) {
    if (testsupport::InTestChild()) {
        gui::Application& app = gui::Application::Instance();
        app.ShowMainForm = false;
        app.Title = "Exception display";
        app.CreateForm<ProbeForm>();
        app.ShowMessageLater("A conversion message", "Conversion", MB_OK);
        gui::Thread::StartDetached(std::make_unique<FailingHandOverUnderABox>());
        try {
            app.Run();
            ADD_FAILURE() << "the loop ended without the error";
        } catch (const gui::Exception& error) {
            app.ShowException(error);
        }
        return;
    }
    testsupport::ChildProcess child;
    ASSERT_TRUE(testsupport::StartCurrentTestAlone(child));
    HWND box = nullptr;
    testsupport::WaitUntil(
        [&] {
            box = testsupport::FindWindowOfProcess(child.Id(), "#32770", "Exception display");
            return box != nullptr || !child.Running();
        },
        30000);
    ASSERT_NE(nullptr, box) << "no exception display stayed; the process ended with " << child.ExitCode();
    // Nothing but the user closes it.
    testsupport::PumpFor(1000);
    ASSERT_TRUE(IsWindow(box)) << "the exception display went away by itself";
    EXPECT_TRUE(child.Running());
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(child.Wait(30000));
    EXPECT_EQ(0u, child.ExitCode());
}

namespace {
// The caption of every message box this thread opens, taken when the box
// has set itself up.
std::vector<std::string>& OpenedBoxes() {
    static std::vector<std::string> boxes;
    return boxes;
}

LRESULT CALLBACK RecordBox(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_INITDIALOG && testsupport::WindowClass(call->hwnd) == "#32770")
        OpenedBoxes().push_back(testsupport::WindowText(call->hwnd));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
} // namespace

// Two message boxes wait their turn, and the quit request comes between
// them: it is handled inside the first box's modal loop, which ends with
// the program. The second box is never shown.
TEST_F(GuiTest, NoMessageBoxOnceQuitIsHandled) {
    if (testsupport::InTestChild()) {
        gui::Application& app = gui::Application::Instance();
        app.ShowMainForm = false;
        ProbeForm* main = app.CreateForm<ProbeForm>();
        const HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, &RecordBox, nullptr, GetCurrentThreadId());
        ASSERT_NE(nullptr, hook);
        app.ShowMessageLater("The first message", "First", MB_OK);
        PostMessageA(main->Handle(), WM_CLOSE, 0, 0);
        app.ShowMessageLater("The second message", "Second", MB_OK);
        app.Run();
        UnhookWindowsHookEx(hook);
        EXPECT_EQ(std::vector<std::string>{"First"}, OpenedBoxes());
        return;
    }
    testsupport::ChildProcess child;
    ASSERT_TRUE(testsupport::StartCurrentTestAlone(child));
    ASSERT_TRUE(child.Wait(30000));
    EXPECT_EQ(0u, child.ExitCode()) << "the test failed in its own process (output above)";
}

TEST(BitmapTest, FormatsRowsAndConversion) {
    gui::Bitmap bitmap;
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_EQ(nullptr, bitmap.ScanLine(0));
    bitmap.SetPixelFormat(gui::PixelFormat::pf24bit);
    bitmap.SetSize(5, 3);
    ASSERT_FALSE(bitmap.Empty());
    EXPECT_EQ(16, bitmap.Stride()); // 15 bytes padded to 4
    EXPECT_EQ(nullptr, bitmap.ScanLine(3));
    EXPECT_EQ(nullptr, bitmap.ScanLine(-1));
    bitmap.ScanLine(2)[4 * 3 + 0] = 10; // blue of the last pixel, bottom row
    bitmap.ScanLine(2)[4 * 3 + 1] = 20;
    bitmap.ScanLine(2)[4 * 3 + 2] = 30;

    bitmap.SetPixelFormat(gui::PixelFormat::pf32bit);
    EXPECT_EQ(20, bitmap.Stride());
    const std::uint8_t* pixel = bitmap.ScanLine(2) + 4 * 4;
    EXPECT_EQ(10, pixel[0]);
    EXPECT_EQ(20, pixel[1]);
    EXPECT_EQ(30, pixel[2]);
    EXPECT_EQ(255, pixel[3]); // 24-bit pixels become opaque

    BITMAP info{};
    ASSERT_NE(0, GetObjectA(bitmap.Handle(), sizeof(info), &info));
    EXPECT_EQ(5, info.bmWidth);
    EXPECT_EQ(3, info.bmHeight);
    EXPECT_EQ(32, info.bmBitsPixel);

    gui::Bitmap copy;
    copy.Assign(bitmap);
    EXPECT_EQ(gui::PixelFormat::pf32bit, copy.Format());
    EXPECT_EQ(0, std::memcmp(copy.ScanLine(2), bitmap.ScanLine(2), 20));
    EXPECT_NE(copy.ScanLine(0), bitmap.ScanLine(0));
}

// Assign shares the pixels; whichever bitmap changes first, by any path,
// must leave what the others show as it was.
TEST(BitmapTest, AssignedBitmapsChangeApart) {
    const auto fill = [](gui::Bitmap& bitmap, std::uint8_t value) {
        for (int y = 0; y < bitmap.Height(); ++y)
            std::memset(bitmap.ScanLine(y), value, static_cast<size_t>(bitmap.Stride()));
    };
    const auto holds = [](const gui::Bitmap& bitmap, std::uint8_t value) {
        if (bitmap.Empty())
            return false;
        for (int y = 0; y < bitmap.Height(); ++y)
            for (int x = 0; x < bitmap.Width() * bitmap.BytesPerPixel(); ++x)
                if (bitmap.ScanLine(y)[x] != value)
                    return false;
        return true;
    };
    gui::Bitmap source;
    source.SetPixelFormat(gui::PixelFormat::pf32bit);
    source.SetSize(6, 4);
    fill(source, 7);

    gui::Bitmap a;
    gui::Bitmap b;
    gui::Bitmap c;
    gui::Bitmap d;
    gui::Bitmap e;
    for (gui::Bitmap* copy : {&a, &b, &c, &d, &e})
        copy->Assign(source);

    fill(a, 1);      // a writer among sharers
    fill(source, 9); // the source writes while four others still share
    EXPECT_TRUE(holds(a, 1));
    EXPECT_TRUE(holds(source, 9));
    EXPECT_TRUE(holds(b, 7));

    b.SetSize(3, 2);
    c.SetPixelFormat(gui::PixelFormat::pf24bit);
    d.Clear();
    EXPECT_TRUE(holds(b, 7));
    EXPECT_EQ(3, b.Width());
    EXPECT_TRUE(holds(c, 7));
    EXPECT_TRUE(d.Empty());
    EXPECT_TRUE(holds(e, 7));
    EXPECT_EQ(6, e.Width());
    EXPECT_EQ(gui::PixelFormat::pf32bit, e.Format());

    // Drawing through the handle, as painting does.
    b.Assign(e);
    win32::MemoryDC dc;
    ASSERT_TRUE(dc);
    {
        win32::SelectObjectScope select(dc.Get(), b.DrawingHandle());
        const RECT all{0, 0, 6, 4};
        win32::GdiObject<HBRUSH> brush(CreateSolidBrush(RGB(3, 3, 3)));
        FillRect(dc.Get(), &all, brush.Get());
    }
    GdiFlush();
    EXPECT_EQ(3, b.ScanLine(3)[5 * 4]);
    EXPECT_TRUE(holds(e, 7));
}

// A stretched picture assigned from a bitmap that changes later still
// shows what it was given.
TEST(ImageTest, StretchedPictureKeepsItsPixelsAndColours) {
    constexpr int kWidth = 23;
    constexpr int kHeight = 17;
    constexpr int kOutWidth = 61;
    constexpr int kOutHeight = 40;
    gui::Bitmap source;
    source.SetPixelFormat(gui::PixelFormat::pf32bit);
    source.SetSize(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            std::uint8_t* pixel = source.ScanLine(y) + x * 4;
            pixel[0] = static_cast<std::uint8_t>(x * 11);
            pixel[1] = static_cast<std::uint8_t>(y * 15);
            pixel[2] = static_cast<std::uint8_t>((x * y) & 0xFF);
            pixel[3] = static_cast<std::uint8_t>(180 + x);
        }
    gui::Bitmap original;
    original.SetPixelFormat(gui::PixelFormat::pf32bit);
    original.SetSize(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
        std::memcpy(original.ScanLine(y), source.ScanLine(y), static_cast<size_t>(source.Stride()));

    ProbeForm form;
    gui::Image image(form);
    image.SetStretch(true);
    image.SetBounds(0, 0, kOutWidth, kOutHeight);
    image.Picture().SetPixelFormat(gui::PixelFormat::pf32bit);
    image.Picture().Assign(source);
    for (int y = 0; y < kHeight; ++y)
        std::memset(source.ScanLine(y), 0xEE, static_cast<size_t>(source.Stride()));

    gui::Bitmap painted;
    gui::Bitmap expected;
    for (gui::Bitmap* target : {&painted, &expected}) {
        target->SetPixelFormat(gui::PixelFormat::pf32bit);
        target->SetSize(kOutWidth, kOutHeight);
    }
    win32::MemoryDC dc;
    ASSERT_TRUE(dc);
    {
        win32::SelectObjectScope select(dc.Get(), painted.DrawingHandle());
        image.Paint(dc.Get());
        image.Paint(dc.Get()); // the second paint copies the kept stretch
    }
    gui::StretchBilinear(original.ScanLine(0), gui::PixelLayout{kWidth, kHeight, original.Stride()},
                         expected.ScanLine(0), gui::PixelLayout{kOutWidth, kOutHeight, expected.Stride()}, 4);
    GdiFlush();
    int differing = 0;
    for (int y = 0; y < kOutHeight; ++y)
        for (int x = 0; x < kOutWidth; ++x)
            for (int channel = 0; channel < 3; ++channel)
                differing += painted.ScanLine(y)[x * 4 + channel] != expected.ScanLine(y)[x * 4 + channel] ? 1 : 0;
    EXPECT_EQ(0, differing);
    EXPECT_NE(0xEE, painted.ScanLine(0)[0]);
}

// The stretch samples at pixel centres and clamps at the edges: a
// two-pixel ramp doubled, a ramp halved, one pixel spread, at 24 and 32 bits.
TEST(ImageTest, StretchMixesTheNearestPixelsAtTheirCentres) {
    struct Case {
        std::vector<std::uint8_t> source;
        int width;
        int height;
        int outWidth;
        int outHeight;
        std::vector<std::uint8_t> expected; // first channel of each pixel
    };
    const Case cases[] = {
        {{0, 255}, 2, 1, 4, 1, {0, 64, 191, 255}},
        {{0, 255}, 1, 2, 1, 4, {0, 64, 191, 255}},
        {{0, 100, 200, 250}, 4, 1, 2, 1, {50, 225}},
        {{77}, 1, 1, 3, 2, {77, 77, 77, 77, 77, 77}},
    };
    for (int bytes : {3, 4}) {
        for (const Case& c : cases) {
            const int stride = c.width * bytes + 3;
            std::vector<std::uint8_t> from(static_cast<size_t>(stride * c.height), 0);
            for (int i = 0; i < c.width * c.height; ++i)
                for (int channel = 0; channel < bytes; ++channel)
                    from[static_cast<size_t>((i / c.width) * stride + (i % c.width) * bytes + channel)] =
                        c.source[static_cast<size_t>(i)];
            const int outStride = c.outWidth * bytes;
            std::vector<std::uint8_t> to(static_cast<size_t>(outStride * c.outHeight), 0xEE);
            gui::StretchBilinear(from.data(), gui::PixelLayout{c.width, c.height, stride}, to.data(),
                                 gui::PixelLayout{c.outWidth, c.outHeight, outStride}, bytes);
            std::vector<std::uint8_t> got;
            for (int i = 0; i < c.outWidth * c.outHeight; ++i)
                for (int channel = 0; channel < bytes; ++channel)
                    if (channel == 0)
                        got.push_back(to[static_cast<size_t>(i * bytes)]);
                    else
                        EXPECT_EQ(to[static_cast<size_t>(i * bytes)], to[static_cast<size_t>(i * bytes + channel)]);
            EXPECT_EQ(c.expected, got) << c.width << "x" << c.height << " to " << c.outWidth << "x" << c.outHeight
                                       << " at " << bytes * 8 << " bits";
        }
    }
}

TEST(FileStreamTest, MissingFileRaisesTheFileOpenErrorWithItsName) {
    try {
        gui::FileStream stream("C:\\no\\such\\folder\\turbo_mode.png");
        FAIL() << "no exception";
    } catch (const gui::EFOpenError& error) {
        EXPECT_EQ("C:\\no\\such\\folder\\turbo_mode.png", error.FileName());
        EXPECT_NE(std::string::npos, std::string(error.what()).find("turbo_mode.png"));
    }
}

TEST(FileStreamTest, ReadsAFileInFull) {
    testsupport::TempFolder temp;
    const std::string path = temp.Path() + "data.bin";
    ASSERT_TRUE(testsupport::WriteTextFile(path, "0123456789"));
    gui::FileStream stream(path);
    EXPECT_EQ(10u, stream.Size());
    char buffer[16] = {};
    EXPECT_EQ(10u, stream.Read(buffer, sizeof(buffer)));
    EXPECT_STREQ("0123456789", buffer);
    EXPECT_EQ(0u, stream.Read(buffer, sizeof(buffer)));
}
