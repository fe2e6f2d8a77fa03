// The library's entry points. Every call reads the database afresh, so
// values set by another process are seen at once.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "AcpiDatabase.h"
#include "AcpiPackage.h"
#include "AcpiStore.h"
#include "orva/OvAcpi.h" // the program's view of these entry points

namespace {

using ovacpi::Database;
using ovacpi::Fault;

// How many elements a damaged package claims beyond what it holds.
constexpr uint32_t kOverflowCount = 8;

// The database, unless it cannot be read or every call is to fail.
bool Load(Database* db) { return ovacpi::LoadDatabase(db) && !db->HasGlobal(Fault::FailAll); }

uint32_t Capacity(const DWORD* size) { return std::min<uint32_t>(*size, ovacpi::kBufferLimit); }

DWORD Serve(const std::vector<ovacpi::Element>& elements, const ovacpi::PackageDamage& damage, void* buffer,
            DWORD* size) {
    uint32_t written = 0;
    if (!ovacpi::BuildPackage(elements, damage, buffer, Capacity(size), &written)) {
        *size = written; // what it would take
        return 0;
    }
    *size = written;
    return 1;
}

} // namespace

extern "C" {

DWORD WINAPI AcpiInit(void) {
    Database db;
    return Load(&db) ? 1 : 0;
}

DWORD WINAPI AcpiSetItem(DWORD id, LONG value, DWORD /*flag*/) {
    return ovacpi::StoreValue(id, static_cast<int32_t>(value)) ? 1 : 0;
}

DWORD WINAPI AcpiGetItem(DWORD id, LONG* value) {
    Database db;
    if (value == nullptr || !Load(&db))
        return 0;
    const ovacpi::Item* item = db.Find(id);
    if (item == nullptr)
        return 0;
    *value = item->value;
    return 1;
}

DWORD WINAPI AcpiListGroup(DWORD group, void* buffer, DWORD* size) {
    Database db;
    if (buffer == nullptr || size == nullptr || !Load(&db))
        return 0;
    std::vector<ovacpi::Element> entries;
    for (const ovacpi::Item& item : db.items)
        if ((item.id >> 24) == group)
            entries.push_back(ovacpi::Element::Int(item.id));
    // The firmware has no such group.
    if (entries.empty())
        return 0;
    ovacpi::PackageDamage damage;
    if (db.HasGlobal(Fault::CountOverflow))
        damage.extraCount = kOverflowCount;
    return Serve(entries, damage, buffer, size);
}

void* WINAPI AcpiFirstElement(void* package) { return ovacpi::FirstElement(package); }

DWORD WINAPI AcpiElementCount(void* package) { return ovacpi::ElementCount(package); }

void* WINAPI AcpiElementData(void* element) { return ovacpi::ElementData(element); }

void* WINAPI AcpiNextElement(void* element) { return ovacpi::NextElement(element); }

DWORD WINAPI AcpiDescribeItem(void* entryData, void* buffer, DWORD* size) {
    Database db;
    if (entryData == nullptr || buffer == nullptr || size == nullptr || !Load(&db))
        return 0;
    DWORD id = 0;
    std::memcpy(&id, entryData, sizeof id);
    const ovacpi::Item* item = db.Find(id);
    if (item == nullptr)
        return 0;
    std::vector<ovacpi::Element> elements = ovacpi::Describe(*item);
    if (db.Has(Fault::ShortPackage, id) && elements.size() > 2)
        elements.resize(2);
    ovacpi::PackageDamage damage;
    if (db.Has(Fault::CountOverflow, id))
        damage.extraCount = kOverflowCount;
    damage.unterminatedText = db.Has(Fault::UnterminatedText, id);
    return Serve(elements, damage, buffer, size);
}

DWORD WINAPI AcpiQueryItem(DWORD id, DWORD index, void* buffer, DWORD* size) {
    Database db;
    if (buffer == nullptr || size == nullptr || !Load(&db) || db.HasGlobal(Fault::FailQuery))
        return 0;
    const ovacpi::Record* record = db.FindRecord(id, index);
    if (record == nullptr)
        return 0;
    // Word 0 holds the number of pairs; an id of 0xFFFFFFFF closes the list.
    std::vector<uint32_t> words;
    words.push_back(static_cast<uint32_t>(record->pairs.size()));
    for (const auto& pair : record->pairs) {
        words.push_back(pair.first);
        words.push_back(pair.second);
    }
    words.push_back(0xFFFFFFFFu);
    words.push_back(0);
    const uint32_t bytes = static_cast<uint32_t>(words.size() * 4);
    if (bytes > Capacity(size)) {
        *size = bytes;
        return 0;
    }
    std::memcpy(buffer, words.data(), bytes);
    *size = bytes;
    return 1;
}

} // extern "C"
