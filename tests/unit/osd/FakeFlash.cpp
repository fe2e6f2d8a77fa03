#include "FakeFlash.h"

namespace fakeflash {

namespace {

constexpr char kFakeClass[] = "FakeFlashPlayer";

LRESULT CALLBACK FakeWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, msg, wParam, lParam);
}

HWND WINAPI FakeCreate(HWND parent, const WCHAR* moviePath) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!GetClassInfoExA(instance, kFakeClass, &wc)) {
        wc = WNDCLASSEXA{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &FakeWndProc;
        wc.hInstance = instance;
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(DKGRAY_BRUSH));
        wc.lpszClassName = kFakeClass;
        RegisterClassExA(&wc);
    }
    const HWND window = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kFakeClass, "", WS_POPUP, 0, 0, 10, 10,
                                        parent, nullptr, instance, nullptr);
    Player player;
    player.window = window;
    player.parent = parent;
    player.path = moviePath != nullptr ? moviePath : L"";
    Players().push_back(player);
    return window;
}

DWORD WINAPI FakeSetCallback(HWND window, FlashCallFunc callback) {
    if (Player* player = Find(window))
        player->callback = callback;
    return 0;
}

DWORD WINAPI FakeCallFunction(HWND window, FlashRequest request) {
    if (Player* player = Find(window)) {
        player->requests.push_back(request.request != nullptr ? request.request : L"<null>");
        player->requestRecordSize = sizeof(request);
    }
    return 0;
}

DWORD WINAPI FakePlay(HWND) { return 0; }
DWORD WINAPI FakeStop(HWND) { return 0; }

} // namespace

void Install() {
    FlashEntryPoints entries;
    entries.create = &FakeCreate;
    entries.setCallback = &FakeSetCallback;
    entries.callFunction = &FakeCallFunction;
    entries.play = &FakePlay;
    entries.stop = &FakeStop;
    FlashLibrary::Instance().UseEntryPoints(entries);
}

std::vector<Player>& Players() {
    static auto* const players = new std::vector<Player>();
    return *players;
}

Player* Find(HWND window) {
    for (Player& player : Players()) {
        if (player.window == window && window != nullptr)
            return &player;
    }
    return nullptr;
}

void CallBack(HWND window) {
    Player* player = Find(window);
    if (player != nullptr && player->callback != nullptr)
        player->callback(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(window)), 2, 0, 0);
}

void ClearRequests() {
    for (Player& player : Players())
        player.requests.clear();
}

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

} // namespace fakeflash
