#include "PlayerHarness.h"

namespace harness {
namespace {

bool g_insideRequest = false;

// GetProcAddress gives a generic function pointer; go through void* to the real type.
template <typename T>
T Entry(HMODULE module, const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

std::wstring Widen(const std::string& s) {
    std::wstring out;
    for (char c : s)
        out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return out;
}

} // namespace

bool Library::ok() const {
    return module != nullptr && create != nullptr && setCallback != nullptr && callFunction != nullptr &&
           play != nullptr && stop != nullptr && getFrame != nullptr && getStats != nullptr;
}

const Library& Flash() {
    static Library library = [] {
        Library lib;
        lib.module = LoadLibraryA("flashobj.dll");
        if (lib.module == nullptr)
            return lib;
        lib.create = Entry<FlashCreateProc>(lib.module, "flash_create");
        lib.setCallback = Entry<FlashSetCallbackProc>(lib.module, "flash_setFlashCallCallbackFunc");
        lib.callFunction = Entry<FlashCallFunctionProc>(lib.module, "flash_callFunction");
        lib.play = Entry<FlashPlayProc>(lib.module, "flash_play");
        lib.stop = Entry<FlashStopProc>(lib.module, "flash_stop");
        lib.getFrame = Entry<FlashTestGetFrameProc>(lib.module, "flashtest_getFrame");
        lib.getStats = Entry<FlashTestGetStatsProc>(lib.module, "flashtest_getStats");
        return lib;
    }();
    return library;
}

std::vector<CallbackRecord>& Callbacks() {
    static std::vector<CallbackRecord> records;
    return records;
}

void WINAPI RecordCallback(DWORD a, DWORD b, DWORD c, DWORD d) {
    CallbackRecord r;
    r.player = a;
    r.event = b;
    r.number = c;
    r.last = d;
    r.thread = GetCurrentThreadId();
    r.insideRequest = g_insideRequest;
    r.tick = GetTickCount();
    Callbacks().push_back(r);
}

size_t CallbacksFor(HWND player) {
    size_t n = 0;
    for (const CallbackRecord& r : Callbacks()) {
        if (r.player == static_cast<DWORD>(reinterpret_cast<UINT_PTR>(player)))
            ++n;
    }
    return n;
}

DWORD SendRaw(HWND player, const WCHAR* request) {
    FlashRequest record{};
    record.request = request;
    g_insideRequest = true;
    const DWORD result = Flash().callFunction(player, record);
    g_insideRequest = false;
    return result;
}

DWORD Send(HWND player, const std::wstring& request) { return SendRaw(player, request.c_str()); }

std::wstring ChangeLabel(const std::wstring& text) {
    return L"<invoke name=\"changeLabel\" returntype=\"xml\"><arguments><string>" + text +
           L"</string></arguments></invoke>";
}

std::wstring ChangeContent(const std::wstring& text) {
    return L"<invoke name=\"changeContent\" returntype=\"xml\"><arguments><string>" + text +
           L"</string></arguments></invoke>";
}

std::wstring External(const std::wstring& argument) {
    return L"<invoke name=\"externalCommand\" returntype=\"xml\"><arguments><string>" + argument +
           L"</string></arguments></invoke>";
}

std::wstring Set2Digit(int value) {
    return L"<invoke name=\"set2Digit\" returntype=\"xml\"><arguments><string>" + std::to_wstring(value) +
           L"</string></arguments></invoke>";
}

ParentWindow::ParentWindow(bool onScreen)
    : window_(testsupport::MakeWindow(
          "FlashObjTestParent", DefWindowProcA, WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | (onScreen ? WS_EX_TOPMOST : 0),
          WS_POPUP | (onScreen ? WS_VISIBLE : 0), onScreen ? RECT{0, 0, 900, 700} : RECT{0, 0, 320, 200},
          static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)))) {}

HWND CreatePlayer(HWND parent, const std::string& windowsPath, const char* speed) {
    SetEnvironmentVariableA("FLASHOBJ_SPEED", (speed != nullptr && *speed != '\0') ? speed : nullptr);
    const std::wstring path = Widen(windowsPath);
    HWND player = Flash().create(parent, path.c_str());
    if (player != nullptr)
        Flash().setCallback(player, RecordCallback);
    return player;
}

void ShowPlayer(HWND player, int x, int y, int w, int h) {
    SetWindowPos(player, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(player, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(player, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
}

void HidePlayer(HWND player) {
    SetWindowPos(player, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_HIDEWINDOW);
}

FlashPlayerStats Stats(HWND player) {
    FlashPlayerStats stats{};
    Flash().getStats(player, &stats);
    return stats;
}

bool WaitSettled(HWND player, DWORD timeoutMs) {
    return testsupport::WaitUntil([player] { return Stats(player).timerRunning == 0; }, timeoutMs);
}

std::vector<DWORD> Frame(HWND player, int& width, int& height) {
    DWORD w = 0, h = 0;
    const DWORD count = Flash().getFrame(player, nullptr, 0, &w, &h);
    std::vector<DWORD> pixels(count);
    if (count != 0)
        Flash().getFrame(player, pixels.data(), count, &w, &h);
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return pixels;
}

std::string SourceMovie(const char* fileName) {
    return testsupport::SourceFolder() + "resources\\Resource\\" + fileName;
}

std::string TempFolder() {
    static const testsupport::TempFolder folder("flashobj");
    return folder.Path().substr(0, folder.Path().size() - 1);
}

std::string WriteTempFile(const std::string& name, const std::string& content) {
    const std::string path = TempFolder() + "\\" + name;
    testsupport::WriteTextFile(path, content);
    return path;
}

} // namespace harness
