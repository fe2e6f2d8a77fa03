#include "suite/SiblingLink.h"

#include "orva/BiosInterface.h"
#include "orva/OvAcpi.h"
#include "system/WinRegistry.h"

namespace suite {

namespace {

constexpr char kDefaultRegistryBase[] = "Software\\Orva\\";
constexpr char kMarkerValue[] = "CaptionName";
constexpr char kWindowClass[] = "TMainForm";

std::string& Base() {
    static std::string* const base = new std::string(kDefaultRegistryBase);
    return *base;
}

} // namespace

const std::string& RegistryBase() { return Base(); }

void SetRegistryBase(const std::string& base) { Base() = base.empty() ? std::string(kDefaultRegistryBase) : base; }

bool IsInstalled(const char* product) {
    RegAccessor marker;
    std::string caption;
    return marker.Open(HKEY_LOCAL_MACHINE, RegistryBase() + product, true) && marker.ReadString(kMarkerValue, caption);
}

HWND FindMainWindow(const char* caption) { return FindWindowA(kWindowClass, caption); }

FirmwareItemCache::FirmwareItemCache(DWORD group, DWORD itemNumber) : group_(group), itemNumber_(itemNumber) {}

FirmwareItemCache::~FirmwareItemCache() = default;

const BiosItem* FirmwareItemCache::Get() {
    if (looked_)
        return item_.get();
    looked_ = true;
    AcpiInit();
    BiosItemIterator items;
    if (!items.Open(group_))
        return nullptr;
    for (; !items.IsDone(); items.Next()) {
        std::unique_ptr<BiosItem> item = items.CreateItem();
        if (item != nullptr && bios::NumberOf(item->Id()) == itemNumber_) {
            item_ = std::move(item);
            break;
        }
    }
    items.Close();
    return item_.get();
}

void FirmwareItemCache::Forget() {
    looked_ = false;
    item_.reset();
}

} // namespace suite
