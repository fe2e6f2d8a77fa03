#include "VirtualRemote.h"

#include <string>
#include <utility>

#include "ClientRegistry.h"
#include "ServiceProtocol.h"

namespace proto = RemoteServiceProtocol;

namespace {

constexpr char kClassName[] = "RaveloVirtualRemote";

// Button ids: the seven keys use their key codes, so the handler needs no table.
constexpr int kFirstKey = 144;
constexpr int kLastKey = 150;
constexpr int kResumeId = 200;
constexpr int kQuitId = 201;

// Layout in pixels of the client area.
constexpr int kMargin = 10;
constexpr int kGroupWidth = 260;
constexpr int kGroupHeight = 58;
constexpr int kGroupGap = 6;
constexpr int kButtonHeight = 26;
constexpr int kButtonTop = 22; // below the group caption
constexpr int kInner = 10;     // button inset inside a group
constexpr int kStatusHeight = 64;

struct Row {
    const char* caption = nullptr;
    struct Button {
        int id = 0;
        const char* text = nullptr;
    } buttons[3];
    int count = 0;
};

const Row kRows[] = {
    {"Overclocking profiles", {{144, "&A"}, {145, "&B"}, {146, "&C"}}, 3},
    {"Kelvo Engine", {{147, "&Manual mode"}, {148, "A&uto mode"}, {0, nullptr}}, 2},
    {"Clock tuning", {{149, "Tune u&p"}, {150, "Tune &down"}, {0, nullptr}}, 2},
    {"Service", {{kResumeId, "&Resume"}, {kQuitId, "&Quit"}, {0, nullptr}}, 2},
};
constexpr int kRowCount = sizeof kRows / sizeof kRows[0];

HWND MakeChild(HWND parent, const char* className, const char* text, DWORD style, int x, int y, int width, int height,
               int id) {
    HWND child = CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
    if (child != nullptr) {
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    }
    return child;
}

std::string Plural(size_t count) {
    if (count == 0)
        return "No client registered";
    return std::to_string(count) + (count == 1 ? " client registered" : " clients registered");
}

} // namespace

VirtualRemote::VirtualRemote(ClientRegistry& registry, std::function<void()> onClose)
    : registry_(registry), onClose_(std::move(onClose)) {}

VirtualRemote::~VirtualRemote() {
    if (window_ != nullptr)
        DestroyWindow(window_);
    if (classRegistered_)
        UnregisterClassA(kClassName, GetModuleHandleA(nullptr));
}

bool VirtualRemote::Create(int showCommand) {
    if (window_ != nullptr)
        return true;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &VirtualRemote::Procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    if (RegisterClassA(&windowClass) == 0)
        return false;
    classRegistered_ = true;

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    const DWORD exStyle = WS_EX_CONTROLPARENT;
    RECT area{0, 0, kMargin * 2 + kGroupWidth, kMargin * 2 + kRowCount * (kGroupHeight + kGroupGap) + kStatusHeight};
    AdjustWindowRectEx(&area, style, FALSE, exStyle);
    window_ = CreateWindowExA(exStyle, kClassName, "Ravelo Virtual Remote", style, CW_USEDEFAULT, CW_USEDEFAULT,
                              area.right - area.left, area.bottom - area.top, nullptr, nullptr,
                              GetModuleHandleA(nullptr), this);
    if (window_ == nullptr)
        return false;
    CreateControls();
    Refresh();
    ShowWindow(window_, showCommand);
    UpdateWindow(window_);
    return true;
}

void VirtualRemote::CreateControls() {
    int top = kMargin;
    for (const Row& row : kRows) {
        MakeChild(window_, "BUTTON", row.caption, BS_GROUPBOX, kMargin, top, kGroupWidth, kGroupHeight, -1);
        const int usable = kGroupWidth - 2 * kInner;
        const int gap = 8;
        const int width = (usable - (row.count - 1) * gap) / row.count;
        for (int i = 0; i < row.count; ++i) {
            DWORD style = BS_PUSHBUTTON | WS_TABSTOP;
            if (i == 0)
                style |= WS_GROUP;
            MakeChild(window_, "BUTTON", row.buttons[i].text, style, kMargin + kInner + i * (width + gap),
                      top + kButtonTop, width, kButtonHeight, row.buttons[i].id);
        }
        top += kGroupHeight + kGroupGap;
    }
    clientsLabel_ = MakeChild(window_, "STATIC", "", SS_LEFT, kMargin, top + 2, kGroupWidth, 16, -1);
    actionLabel_ = MakeChild(window_, "STATIC", "", SS_LEFT, kMargin, top + 20, kGroupWidth, kStatusHeight - 24, -1);
}

void VirtualRemote::Refresh() {
    if (window_ == nullptr)
        return;
    SetWindowTextA(clientsLabel_, Plural(registry_.ClientCount()).c_str());
    SetWindowTextA(actionLabel_, registry_.LastAction().c_str());
}

bool VirtualRemote::PreTranslate(MSG* message) {
    return window_ != nullptr && IsDialogMessageA(window_, message) != FALSE;
}

void VirtualRemote::OnButton(int id) {
    if (id >= kFirstKey && id <= kLastKey) {
        registry_.Post(proto::kRemoteKeyMessage, proto::kMark, id);
    } else if (id == kResumeId) {
        registry_.Resume();
    } else if (id == kQuitId) {
        registry_.Quit();
    }
    Refresh();
}

LRESULT CALLBACK VirtualRemote::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        return DefWindowProcA(window, message, wParam, lParam);
    }
    auto* self = reinterpret_cast<VirtualRemote*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr)
        return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            self->OnButton(LOWORD(wParam));
            return 0;
        }
        break;
    case WM_CLOSE:
        if (self->onClose_)
            self->onClose_();
        return 0;
    case WM_DESTROY:
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
