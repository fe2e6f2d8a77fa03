// The program's firmware item parsing: an item description package as the
// firmware library hands it over, walked through the library's element
// functions (here the firmware simulator's, which build and read the same
// packages) and converted as the displays convert it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "AcpiPackage.h"
#include "orva/BiosItem.h"

// The library side: the simulator's package functions, a silent message
// box, and no firmware to read values from.
namespace bios {
void* FirstElement(void* package) { return ovacpi::FirstElement(package); }
std::uint32_t ElementCount(void* package) { return ovacpi::ElementCount(package); }
void* NextElement(void* element) { return ovacpi::NextElement(element); }
void* ElementData(void* element) { return ovacpi::ElementData(element); }
void ShowMessage(const char*, const char*) {}
} // namespace bios
bool ReadItem(std::uint32_t, std::int32_t&) { return false; }
bool ReadItem(std::uint32_t, long&) { return false; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Every buffer the library fills is 4096 bytes.
    if (size > ovacpi::kBufferLimit)
        return 0;
    // The description in the iterator's library buffer; the id in its first
    // element picks the item's class.
    std::unique_ptr<unsigned char[]> description(new unsigned char[bios::kPackageBufferSize]());
    std::memcpy(description.get(), data, size);
    std::uint32_t id = 0;
    {
        PackageCursor cursor(bios::FirstElement(description.get()), description.get(), description.get() + size);
        cursor.ReadInt(id);
    }
    std::unique_ptr<BiosItem> item = NewItemForId(id);
    item->Load(description.get(), static_cast<std::uint32_t>(size));
    description.reset(); // the item works on its own copy

    item->Element3();
    item->IsClass8();
    const std::uint32_t count = item->Count();
    // The displays walk every index up to Count, and tuning steps beyond it
    // in both directions.
    const std::uint32_t probes[] = {0u, 1u, count - 1u, count, count + 1u, 0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu};
    for (std::uint32_t i = 0; i < count && i < 64; ++i)
        item->IndexToString(i);
    for (const std::uint32_t index : probes) {
        item->IndexToString(index);
        if (bios::KindOf(id) != bios::kKindList && bios::KindOf(id) != bios::kKindSwitch) {
            item->IndexToValue(index);
            std::int32_t numerator = 0;
            std::int32_t denominator = 0;
            item->IndexToRational(index, numerator, denominator);
        }
    }
    return 0;
}
