// What the links to the suite's sibling programs (OcEngine, KelvoEngine)
// have in common: the installation marker, the main-window lookup, the
// registry base both read from, and a firmware item looked up once.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

class BiosItem;

// The suite's programs mark their own messages with this in wParam: the
// program sets it on every message to a sibling and checks it on every
// message from the system service.
constexpr WPARAM kSuiteMark = 0x55;

namespace suite {

// The registry folder the suite's programs keep their keys under,
// "Software\Orva\" unless a test points it at a scratch key; an empty text
// restores the default.
const std::string& RegistryBase();
void SetRegistryBase(const std::string& base);

// The installation marker HKEY_LOCAL_MACHINE\<RegistryBase><product> with a
// string "CaptionName". The key is opened with full access and created when
// missing.
bool IsInstalled(const char* product);

// A sibling's main window: class "TMainForm" with the given caption; null
// when it does not run.
HWND FindMainWindow(const char* caption);

// The first firmware item of a group with the given item number, looked up
// on first use and kept for the process (until Forget).
class FirmwareItemCache {
public:
    FirmwareItemCache(DWORD group, DWORD itemNumber);
    ~FirmwareItemCache();
    FirmwareItemCache(const FirmwareItemCache&) = delete;
    FirmwareItemCache& operator=(const FirmwareItemCache&) = delete;

    // Null when the group cannot be opened or holds no such item.
    const BiosItem* Get();
    void Forget();

private:
    const DWORD group_;
    const DWORD itemNumber_;
    bool looked_ = false;
    std::unique_ptr<BiosItem> item_;
};

} // namespace suite
