// Layered windows and the flicker eliminator on real windows.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "gui/Application.h"
#include "gui/Bitmap.h"
#include "gui/Form.h"
#include "widget/Flicker.h"
#include "widget/LayeredWindow.h"
#include "win32/Handles.h"

namespace {

// ------------------------------------------------------- recording entries

struct AttributesCall {
    HWND window;
    COLORREF key;
    BYTE alpha;
    DWORD flags;
};
std::vector<AttributesCall>& AttributeCalls() {
    static std::vector<AttributesCall> calls;
    return calls;
}

BOOL WINAPI RecordAttributes(HWND window, COLORREF key, BYTE alpha, DWORD flags) {
    AttributeCalls().push_back({window, key, alpha, flags});
    return SetLayeredWindowAttributes(window, key, alpha, flags);
}

struct UpdateCall {
    HWND window;
    POINT destination;
    SIZE size;
    POINT source;
    COLORREF key;
    BLENDFUNCTION blend;
    DWORD flags;
};
std::vector<UpdateCall>& UpdateCalls() {
    static std::vector<UpdateCall> calls;
    return calls;
}

BOOL WINAPI RecordUpdate(HWND window, HDC screen, POINT* destination, SIZE* size, HDC source, POINT* sourcePoint,
                         COLORREF key, BLENDFUNCTION* blend, DWORD flags) {
    UpdateCall call{window, *destination, *size, *sourcePoint, key, *blend, flags};
    UpdateCalls().push_back(call);
    return UpdateLayeredWindow(window, screen, destination, size, source, sourcePoint, key, blend, flags);
}

// --------------------------------------------------------- a test window

// A plain top-level popup that counts its style changes.
class TestWindow {
public:
    explicit TestWindow(DWORD exStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST) {
        const HINSTANCE instance = GetModuleHandleA(nullptr);
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof(wc);
        if (!GetClassInfoExA(instance, "OsdLayeredTestWindow", &wc)) {
            wc = WNDCLASSEXA{};
            wc.cbSize = sizeof(wc);
            wc.lpfnWndProc = &TestWindow::Proc;
            wc.hInstance = instance;
            wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
            wc.lpszClassName = "OsdLayeredTestWindow";
            RegisterClassExA(&wc);
        }
        window_ = CreateWindowExA(exStyle, "OsdLayeredTestWindow", "", WS_POPUP, 40, 40, 120, 80, nullptr, nullptr,
                                  instance, this);
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~TestWindow() {
        if (window_ != nullptr) {
            SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
            DestroyWindow(window_);
        }
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND Handle() const { return window_; }
    DWORD ExStyle() const { return static_cast<DWORD>(GetWindowLongA(window_, GWL_EXSTYLE)); }
    void ShowAndValidate() {
        ShowWindow(window_, SW_SHOWNOACTIVATE);
        UpdateWindow(window_);
        ValidateRect(window_, nullptr);
    }
    bool NeedsPaint() const { return GetUpdateRect(window_, nullptr, FALSE) != FALSE; }

    int styleChanges = 0;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self != nullptr && msg == WM_STYLECHANGED && wParam == static_cast<WPARAM>(GWL_EXSTYLE))
            ++self->styleChanges;
        return DefWindowProcA(window, msg, wParam, lParam);
    }

    HWND window_ = nullptr;
};

class LayeredWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        AttributeCalls().clear();
        UpdateCalls().clear();
    }
};

// ------------------------------------------------------ LayeredWindowMaker

TEST_F(LayeredWindowTest, ApplyWithEverythingOffOnPlainWindowChangesNothing) {
    TestWindow window;
    window.ShowAndValidate();
    const DWORD before = window.ExStyle();
    LayeredWindowMaker maker(&RecordAttributes);
    EXPECT_TRUE(maker.Apply(window.Handle()));
    EXPECT_EQ(before, window.ExStyle());
    EXPECT_EQ(0, window.styleChanges);
    EXPECT_FALSE(window.NeedsPaint());
    EXPECT_TRUE(AttributeCalls().empty());
}

TEST_F(LayeredWindowTest, ApplyTwiceChangesStyleOnceButSetsAttributesBothTimes) {
    TestWindow window;
    LayeredWindowMaker maker(&RecordAttributes);
    maker.SetAlphaEnabled(true);
    maker.SetAlpha(229);
    EXPECT_TRUE(maker.Apply(window.Handle()));
    EXPECT_EQ(1, window.styleChanges);
    // Someone else changes the opacity; the second Apply puts it back.
    SetLayeredWindowAttributes(window.Handle(), 0, 17, LWA_ALPHA);
    EXPECT_TRUE(maker.Apply(window.Handle()));
    EXPECT_EQ(1, window.styleChanges);
    ASSERT_EQ(2u, AttributeCalls().size());
    for (const AttributesCall& call : AttributeCalls()) {
        EXPECT_EQ(229, call.alpha);
        EXPECT_EQ(static_cast<DWORD>(LWA_ALPHA), call.flags);
    }
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(window.Handle(), nullptr, &alpha, &flags));
    EXPECT_EQ(229, alpha);
    EXPECT_NE(0u, window.ExStyle() & WS_EX_LAYERED);
}

TEST_F(LayeredWindowTest, ColorKeyIsMaskedTo24Bits) {
    TestWindow window;
    LayeredWindowMaker maker(&RecordAttributes);
    maker.SetColorKeyEnabled(true);
    EXPECT_TRUE(maker.Apply(window.Handle()));
    ASSERT_EQ(1u, AttributeCalls().size());
    EXPECT_EQ(0xFFFFFFu, AttributeCalls()[0].key);
    EXPECT_EQ(static_cast<DWORD>(LWA_COLORKEY), AttributeCalls()[0].flags);
    maker.SetAlphaEnabled(true);
    maker.SetColorKey(0xAB123456);
    EXPECT_TRUE(maker.Apply(window.Handle()));
    EXPECT_EQ(0x123456u, AttributeCalls()[1].key);
    EXPECT_EQ(static_cast<DWORD>(LWA_COLORKEY | LWA_ALPHA), AttributeCalls()[1].flags);
}

TEST_F(LayeredWindowTest, ClickThroughAndOtherBitsSurviveAddingAndRemovingTheLayering) {
    TestWindow window(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE);
    const DWORD others = window.ExStyle() & ~kLayeredStyleMask;
    LayeredWindowMaker maker(&RecordAttributes);
    maker.SetClickThrough(true);
    maker.SetAlphaEnabled(true);
    maker.SetAlpha(128);
    ASSERT_TRUE(maker.Apply(window.Handle()));
    EXPECT_EQ(others | WS_EX_LAYERED | WS_EX_TRANSPARENT, window.ExStyle());

    window.ShowAndValidate();
    maker.SetAlphaEnabled(false);
    EXPECT_TRUE(maker.Apply(window.Handle()));
    EXPECT_EQ(others | WS_EX_TRANSPARENT, window.ExStyle());
    // Removing the layering asks for an ordinary repaint.
    EXPECT_TRUE(window.NeedsPaint());
    EXPECT_EQ(1u, AttributeCalls().size());

    // Click-through off while layered: only that bit goes.
    maker.SetAlphaEnabled(true);
    ASSERT_TRUE(maker.Apply(window.Handle()));
    maker.SetClickThrough(false);
    ASSERT_TRUE(maker.Apply(window.Handle()));
    EXPECT_EQ(others | WS_EX_LAYERED, window.ExStyle());
}

TEST_F(LayeredWindowTest, SetLayeredStyleReportsWhetherItChanged) {
    TestWindow window;
    EXPECT_TRUE(SetLayeredStyle(window.Handle(), true, false));
    EXPECT_FALSE(SetLayeredStyle(window.Handle(), true, false));
    EXPECT_TRUE(SetLayeredStyle(window.Handle(), true, true));
    EXPECT_TRUE(SetLayeredStyle(window.Handle(), false, true));
    EXPECT_EQ(3, window.styleChanges);
    EXPECT_FALSE(SetLayeredStyle(nullptr, true, true));
}

TEST_F(LayeredWindowTest, WithoutEntryPointApplyFailsAndLeavesTheWindow) {
    TestWindow window;
    LayeredWindowMaker maker(nullptr);
    EXPECT_FALSE(maker.IsEnabled());
    maker.SetAlphaEnabled(true);
    EXPECT_FALSE(maker.Apply(window.Handle()));
    EXPECT_EQ(0u, window.ExStyle() & WS_EX_LAYERED);
}

// ------------------------------------------------------ per-pixel updates

void FillBitmap(gui::Bitmap& bitmap, gui::PixelFormat format, int width, int height) {
    bitmap.SetPixelFormat(format);
    bitmap.SetSize(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = bitmap.ScanLine(y);
        for (int i = 0; i < width * bitmap.BytesPerPixel(); ++i)
            row[i] = static_cast<std::uint8_t>(0x80);
    }
}

TEST_F(LayeredWindowTest, UpdateWith32BitBitmapUsesItsAlpha) {
    TestWindow window;
    gui::Bitmap bitmap;
    FillBitmap(bitmap, gui::PixelFormat::pf32bit, 30, 20);
    TPerPixelLayeredWindowMaker maker(&RecordUpdate);
    maker.SetPerPixelAlpha(true);
    maker.SetClickThrough(true);
    maker.Update(window.Handle(), bitmap);
    ASSERT_EQ(1u, UpdateCalls().size());
    const UpdateCall& call = UpdateCalls()[0];
    EXPECT_EQ(static_cast<DWORD>(ULW_ALPHA), call.flags);
    EXPECT_EQ(AC_SRC_OVER, call.blend.BlendOp);
    EXPECT_EQ(255, call.blend.SourceConstantAlpha);
    EXPECT_EQ(AC_SRC_ALPHA, call.blend.AlphaFormat);
    EXPECT_EQ(30, call.size.cx);
    EXPECT_EQ(20, call.size.cy);
    EXPECT_EQ(0, call.source.x);
    EXPECT_EQ(0, call.source.y);
    RECT rect{};
    GetWindowRect(window.Handle(), &rect);
    EXPECT_EQ(rect.left, call.destination.x);
    EXPECT_EQ(rect.top, call.destination.y);
    EXPECT_EQ(0xFFFFFFu, call.key);
    EXPECT_EQ(static_cast<DWORD>(WS_EX_LAYERED | WS_EX_TRANSPARENT), window.ExStyle() & kLayeredStyleMask);
}

TEST_F(LayeredWindowTest, UpdateWithConstantAlphaPassesIt) {
    TestWindow window;
    gui::Bitmap bitmap;
    FillBitmap(bitmap, gui::PixelFormat::pf24bit, 16, 16);
    TPerPixelLayeredWindowMaker maker(&RecordUpdate);
    maker.SetAlphaEnabled(true);
    maker.SetAlpha(100);
    maker.Update(window.Handle(), bitmap);
    ASSERT_EQ(1u, UpdateCalls().size());
    EXPECT_EQ(static_cast<DWORD>(ULW_ALPHA), UpdateCalls()[0].flags);
    EXPECT_EQ(100, UpdateCalls()[0].blend.SourceConstantAlpha);
    // Source-has-alpha even for 24 bits.
    EXPECT_EQ(AC_SRC_ALPHA, UpdateCalls()[0].blend.AlphaFormat);
}

TEST_F(LayeredWindowTest, Update24BitPerPixelOnlyTakesColorKeyPathWhenKeyed) {
    TestWindow window;
    gui::Bitmap bitmap;
    FillBitmap(bitmap, gui::PixelFormat::pf24bit, 16, 16);
    TPerPixelLayeredWindowMaker maker(&RecordUpdate);
    maker.SetPerPixelAlpha(true);
    maker.SetColorKeyEnabled(true);
    maker.SetColorKey(0xFF00FF00);
    maker.Update(window.Handle(), bitmap);
    ASSERT_EQ(1u, UpdateCalls().size());
    EXPECT_EQ(static_cast<DWORD>(ULW_COLORKEY), UpdateCalls()[0].flags);
    EXPECT_EQ(0x00FF00u, UpdateCalls()[0].key);
    EXPECT_EQ(255, UpdateCalls()[0].blend.SourceConstantAlpha);
    EXPECT_NE(0u, window.ExStyle() & WS_EX_LAYERED);
}

TEST_F(LayeredWindowTest, Update24BitPerPixelOnlyRemovesLayeringWhenNotKeyed) {
    TestWindow window(WS_EX_TOOLWINDOW | WS_EX_LAYERED);
    gui::Bitmap bitmap;
    FillBitmap(bitmap, gui::PixelFormat::pf24bit, 16, 16);
    TPerPixelLayeredWindowMaker maker(&RecordUpdate);
    maker.SetPerPixelAlpha(true);
    maker.Update(window.Handle(), bitmap);
    EXPECT_TRUE(UpdateCalls().empty());
    EXPECT_EQ(0u, window.ExStyle() & WS_EX_LAYERED);
    EXPECT_NE(0u, window.ExStyle() & WS_EX_TOOLWINDOW);
}

TEST_F(LayeredWindowTest, UpdateWithoutBitmapOrEntryPointDoesNothing) {
    TestWindow window;
    gui::Bitmap empty;
    TPerPixelLayeredWindowMaker maker(&RecordUpdate);
    maker.SetPerPixelAlpha(true);
    maker.Update(window.Handle(), empty);
    EXPECT_TRUE(UpdateCalls().empty());
    TPerPixelLayeredWindowMaker missing(nullptr);
    gui::Bitmap bitmap;
    FillBitmap(bitmap, gui::PixelFormat::pf32bit, 8, 8);
    missing.SetPerPixelAlpha(true);
    missing.Update(window.Handle(), bitmap);
    EXPECT_EQ(0u, window.ExStyle() & WS_EX_LAYERED);
}

// -------------------------------------------------------- FlickerEliminator

constexpr UINT kProbe = WM_APP + 0x123;

class CountingForm : public gui::Form {
public:
    int erases = 0;
    int probes = 0;
    int paints = 0;

protected:
    void CreateParams(gui::CreateParams& params) override {
        gui::Form::CreateParams(params);
        params.ClassName = "OsdFlickerTestForm";
        params.Style = WS_POPUP;
    }
    void WndProc(gui::Message& message) override {
        if (message.Msg == WM_ERASEBKGND)
            ++erases;
        if (message.Msg == WM_PAINT)
            ++paints;
        if (message.Msg == kProbe) {
            ++probes;
            message.Result = 77;
            return;
        }
        gui::Form::WndProc(message);
    }
};

CountingForm& TestForm() {
    static CountingForm* const form = gui::Application::Instance().CreateForm<CountingForm>();
    return *form;
}

LRESULT Erase(gui::Form& form) {
    const win32::WindowDC dc(form.Handle());
    return SendMessageA(form.Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.Get()), 0);
}

TEST(FlickerEliminator, EraseIsAnsweredOneAndNeverReachesTheForm) {
    CountingForm& form = TestForm();
    FlickerEliminator eliminator;
    ASSERT_TRUE(eliminator.Attach(&form));
    EXPECT_EQ(&form, eliminator.Control());
    EXPECT_EQ(1, Erase(form));
    EXPECT_EQ(0, form.erases);
    // Everything else still arrives.
    EXPECT_EQ(77, SendMessageA(form.Handle(), kProbe, 0, 0));
    EXPECT_EQ(1, form.probes);
    form.Show();
    InvalidateRect(form.Handle(), nullptr, TRUE);
    UpdateWindow(form.Handle());
    EXPECT_GE(form.paints, 1);
    EXPECT_EQ(0, form.erases);
    form.Hide();
    EXPECT_EQ(&form, eliminator.Detach());
    form.erases = form.probes = form.paints = 0;
}

TEST(FlickerEliminator, DetachRestoresTheFormsOwnProcedure) {
    CountingForm& form = TestForm();
    const gui::WndMethod before = form.WindowProc;
    FlickerEliminator eliminator;
    ASSERT_TRUE(eliminator.Attach(&form));
    EXPECT_NE(before, form.WindowProc);
    EXPECT_EQ(&form, eliminator.Detach());
    EXPECT_EQ(before, form.WindowProc);
    EXPECT_EQ(nullptr, eliminator.Control());
    Erase(form);
    EXPECT_EQ(1, form.erases);
    EXPECT_EQ(77, SendMessageA(form.Handle(), kProbe, 0, 0));
    form.erases = form.probes = 0;
}

TEST(FlickerEliminator, DetachTwiceReturnsNullAndChangesNothing) {
    CountingForm& form = TestForm();
    FlickerEliminator eliminator;
    EXPECT_EQ(nullptr, eliminator.Detach());
    ASSERT_TRUE(eliminator.Attach(&form));
    EXPECT_EQ(&form, eliminator.Detach());
    const gui::WndMethod restored = form.WindowProc;
    EXPECT_EQ(nullptr, eliminator.Detach());
    EXPECT_EQ(restored, form.WindowProc);
}

TEST(FlickerEliminator, DestructorDetaches) {
    CountingForm& form = TestForm();
    const gui::WndMethod before = form.WindowProc;
    {
        FlickerEliminator eliminator;
        ASSERT_TRUE(eliminator.Attach(&form));
    }
    EXPECT_EQ(before, form.WindowProc);
}

#ifdef NDEBUG
TEST(FlickerEliminator, SecondAttachIsRefusedWithoutHookingItself) {
    CountingForm& form = TestForm();
    FlickerEliminator eliminator;
    ASSERT_TRUE(eliminator.Attach(&form));
    const gui::WndMethod hooked = form.WindowProc;
    EXPECT_FALSE(eliminator.Attach(&form));
    EXPECT_EQ(hooked, form.WindowProc);
    // A message still ends (no hook calling itself) and reaches the form.
    EXPECT_EQ(77, SendMessageA(form.Handle(), kProbe, 0, 0));
    eliminator.Detach();
    form.probes = 0;
}
#endif

} // namespace
