#include "osd/TransFlash.h"

#include <cstring>
#include <memory>

namespace {

template <class F>
F EntryAs(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// The player list owns the players; it and they live until the process ends.
std::vector<std::unique_ptr<TTransFlash>>& PlayerList() {
    static auto* const players = new std::vector<std::unique_ptr<TTransFlash>>();
    return *players;
}

} // namespace

bool FlashLibrary::Load() {
    if (Loaded())
        return true;
    const HMODULE module = LoadLibraryA("flashobj.dll");
    if (module == nullptr)
        return false;
    FlashEntryPoints entries;
    entries.create = EntryAs<FlashCreateFunc>(module, "flash_create");
    entries.setCallback = EntryAs<FlashSetCallbackFunc>(module, "flash_setFlashCallCallbackFunc");
    entries.callFunction = EntryAs<FlashCallFunctionFunc>(module, "flash_callFunction");
    entries.play = EntryAs<FlashPlayFunc>(module, "flash_play");
    entries.stop = EntryAs<FlashStopFunc>(module, "flash_stop");
    if (!entries.Complete()) {
        // A library we cannot drive is no library: no player is created.
        FreeLibrary(module);
        return false;
    }
    module_ = module;
    entries_ = entries;
    return true;
}

void FlashLibrary::UseEntryPoints(const FlashEntryPoints& entries) {
    entries_ = entries.Complete() ? entries : FlashEntryPoints();
}

TTransFlash& TTransFlash::Create(HWND parent, const std::wstring& moviePath) {
    std::unique_ptr<TTransFlash> player(new TTransFlash());
    player->parentWindow_ = parent;
    FlashLibrary& library = FlashLibrary::Instance();
    if (library.Load())
        player->playerWindow_ = library.Entries().create(parent, moviePath.c_str());
    TTransFlash& created = *player;
    PlayerList().push_back(std::move(player));
    return created;
}

void TTransFlash::SetOffset(int x, int y) {
    offsetX_ = x;
    offsetY_ = y;
    if (playerWindow_ == nullptr)
        return;
    RECT parent{};
    GetWindowRect(parentWindow_, &parent);
    SetWindowPos(playerWindow_, nullptr, parent.left + x, parent.top + y, 0, 0, kFlashMoveFlags);
}

void TTransFlash::SetSize(int width, int height) {
    width_ = width;
    height_ = height;
    if (playerWindow_ != nullptr)
        SetWindowPos(playerWindow_, nullptr, 0, 0, width, height, kFlashSizeFlags);
}

void TTransFlash::SetBounds(int x, int y, int width, int height) {
    SetOffset(x, y);
    SetSize(width, height);
}

void TTransFlash::SetVisible(bool visible) {
    visible_ = visible;
    Apply();
}

void TTransFlash::Apply() {
    if (playerWindow_ == nullptr)
        return;
    const UINT show = (!groupHidden_ && visible_) ? SWP_SHOWWINDOW : SWP_HIDEWINDOW;
    SetWindowPos(playerWindow_, nullptr, 0, 0, 0, 0, kFlashKeepFlags | show);
}

void TTransFlash::SetCallback(FlashCallFunc callback) {
    const FlashEntryPoints& entries = FlashLibrary::Instance().Entries();
    if (playerWindow_ != nullptr && entries.setCallback != nullptr)
        entries.setCallback(playerWindow_, callback);
}

void TTransFlash::Call(const std::wstring& request) {
    const FlashEntryPoints& entries = FlashLibrary::Instance().Entries();
    if (playerWindow_ == nullptr || entries.callFunction == nullptr)
        return;
    FlashRequest record{};
    record.request = request.c_str();
    entries.callFunction(playerWindow_, record);
}

void TTransFlash::HideAll() {
    for (const std::unique_ptr<TTransFlash>& player : PlayerList()) {
        player->groupHidden_ = true;
        player->Apply();
    }
}

void TTransFlash::ShowAll() {
    for (const std::unique_ptr<TTransFlash>& player : PlayerList()) {
        player->groupHidden_ = false;
        player->Apply();
    }
}

const std::vector<std::unique_ptr<TTransFlash>>& TTransFlash::Players() { return PlayerList(); }

text::LeadBytes SystemLeadBytes(UINT codePage) {
    CPINFO info{};
    if (!GetCPInfo(codePage, &info))
        return text::LeadBytes();
    return text::LeadBytes::FromRanges(info.LeadByte, MAX_LEADBYTES);
}

size_t FitTextLength(const char* text, size_t maxBytes, UINT codePage) {
    return text::FitTextLength(text, maxBytes, SystemLeadBytes(codePage));
}

std::string FormatTextCommand(const char* format, const char* text, size_t bufferSize, UINT codePage) {
    return text::FormatTextCommand(format, text, bufferSize, SystemLeadBytes(codePage));
}

std::string FormatNumberCommand(const char* format, long number) { return text::FormatNumberCommand(format, number); }

std::wstring CommandToWide(const std::string& command, UINT codePage) {
    if (command.empty())
        return std::wstring();
    const int size = static_cast<int>(command.size());
    const int length = MultiByteToWideChar(codePage, 0, command.data(), size, nullptr, 0);
    if (length <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, command.data(), size, &wide[0], length);
    return wide;
}
