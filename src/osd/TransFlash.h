// The binding to the movie player library flashobj.dll, loaded at run time,
// and TTransFlash, one player window placed over the OSD form. Also the
// command texts sent to the movies: they are the wire format between the
// program and the movie files and must stay byte for byte as they are.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "osd/CommandText.h"
#include "win32/ProcessWide.h"

// The call-back the players make; its four arguments are not read.
typedef void(WINAPI* FlashCallFunc)(DWORD, DWORD, DWORD, DWORD);

// Passed by value; only the request pointer is filled in.
struct FlashRequest {
    DWORD unused0;
    DWORD unused1;
    const WCHAR* request;
    DWORD unused3;
};

typedef HWND(WINAPI* FlashCreateFunc)(HWND parent, const WCHAR* moviePath);
typedef DWORD(WINAPI* FlashSetCallbackFunc)(HWND player, FlashCallFunc callback);
typedef DWORD(WINAPI* FlashCallFunctionFunc)(HWND player, FlashRequest request);
typedef DWORD(WINAPI* FlashPlayFunc)(HWND player);
typedef DWORD(WINAPI* FlashStopFunc)(HWND player);

// The five entry points, all set or all null.
struct FlashEntryPoints {
    FlashCreateFunc create = nullptr;
    FlashSetCallbackFunc setCallback = nullptr;
    FlashCallFunctionFunc callFunction = nullptr;
    FlashPlayFunc play = nullptr;
    FlashStopFunc stop = nullptr;

    bool Complete() const {
        return create != nullptr && setCallback != nullptr && callFunction != nullptr && play != nullptr &&
               stop != nullptr;
    }
};

// The process-wide library binding: loaded on the first player creation,
// never freed.
class FlashLibrary : public win32::ProcessWide<FlashLibrary> {
    friend class win32::ProcessWide<FlashLibrary>;

public:
    // Loads "flashobj.dll" through the normal library search unless it is
    // loaded. A library that is missing, or lacks any of the five entry
    // points, counts as not loaded and is tried again next time.
    bool Load();
    bool Loaded() const { return entries_.Complete(); }
    const FlashEntryPoints& Entries() const { return entries_; }

    // Uses the given entry points instead of the library (tools and tests).
    void UseEntryPoints(const FlashEntryPoints& entries);

private:
    FlashLibrary() = default;
    HMODULE module_ = nullptr;
    FlashEntryPoints entries_;
};

// One player window. Its place is kept relative to the parent's window
// rectangle; it is on screen only when its own visible flag is on and the
// group is not hidden.
class TTransFlash {
public:
    // Loads the library if needed, creates the player for the movie and
    // appends it to the player list, which owns it for the rest of the
    // process. Without the library the player has no window: every window
    // call on it does nothing.
    static TTransFlash& Create(HWND parent, const std::wstring& moviePath);

    TTransFlash(const TTransFlash&) = delete;
    TTransFlash& operator=(const TTransFlash&) = delete;

    void SetOffset(int x, int y);
    void SetSize(int width, int height);
    void SetBounds(int x, int y, int width, int height);
    void SetVisible(bool visible);
    // One positioning call that shows or hides the player by the two flags.
    void Apply();
    void SetCallback(FlashCallFunc callback);
    // Sends one request to the movie; the result is not used.
    void Call(const std::wstring& request);

    // Hide or show every player of the list, in creation order.
    static void HideAll();
    static void ShowAll();
    static const std::vector<std::unique_ptr<TTransFlash>>& Players();

    HWND PlayerWindow() const { return playerWindow_; }
    HWND ParentWindow() const { return parentWindow_; }
    bool HasPlayer() const { return playerWindow_ != nullptr; }
    int OffsetX() const { return offsetX_; }
    int OffsetY() const { return offsetY_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Visible() const { return visible_; }
    bool GroupHidden() const { return groupHidden_; }
    bool OnScreen() const { return visible_ && !groupHidden_; }

private:
    TTransFlash() = default;

    HWND playerWindow_ = nullptr;
    HWND parentWindow_ = nullptr;
    int offsetX_ = 0;
    int offsetY_ = 0;
    int width_ = 0;
    int height_ = 0;
    bool groupHidden_ = false;
    bool visible_ = false;
};

// Positioning flags of the player window calls. Every call also carries
// SWP_NOACTIVATE: without it showing (or moving) a player makes it the
// active window and takes the keyboard from the user's program, which an
// on-screen display must never do.
constexpr UINT kFlashMoveFlags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;              // 0x15
constexpr UINT kFlashSizeFlags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;              // 0x16
constexpr UINT kFlashKeepFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE; // 0x17

// The lead bytes of a code page as the system defines them.
text::LeadBytes SystemLeadBytes(UINT codePage);
// The longest prefix of text (bytes of the code page) that fits into
// maxBytes without splitting a double-byte character. A lead byte with no
// trail byte after it is dropped.
size_t FitTextLength(const char* text, size_t maxBytes, UINT codePage = CP_ACP);

// Formats a command with a text argument into a buffer of bufferSize bytes
// (terminator included), cutting the text at a whole character so that the
// command stays complete.
std::string FormatTextCommand(const char* format, const char* text, size_t bufferSize, UINT codePage = CP_ACP);
// Formats a command with a number argument.
std::string FormatNumberCommand(const char* format, long number);
// Converts a command from the system code page to UTF-16.
std::wstring CommandToWide(const std::string& command, UINT codePage = CP_ACP);
