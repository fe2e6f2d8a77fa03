// The firmware simulator's text database: parsing, the packages it builds
// from the items, and the value splice it makes when the program writes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "AcpiDatabase.h"
#include "AcpiPackage.h"

namespace {

// Walks a built package and checks it holds exactly the described elements.
void CheckPackage(const std::vector<ovacpi::Element>& elements) {
    std::vector<unsigned char> buffer(ovacpi::kBufferLimit);
    std::uint32_t written = 0;
    if (!ovacpi::BuildPackage(elements, ovacpi::PackageDamage(), buffer.data(), ovacpi::kBufferLimit, &written))
        return;
    if (written != ovacpi::PackageSize(elements) || ovacpi::ElementCount(buffer.data()) != elements.size())
        std::abort();
    void* element = ovacpi::FirstElement(buffer.data());
    for (const ovacpi::Element& e : elements) {
        if (element == nullptr || ovacpi::TypeOfElement(element) != e.type)
            std::abort();
        const auto* data = static_cast<const char*>(ovacpi::ElementData(element));
        if (e.type == ovacpi::ElementType::Text) {
            if (std::strlen(data) != e.text.size() || e.text.compare(0, e.text.size(), data) != 0)
                if (e.text.find('\0') == std::string::npos)
                    std::abort();
        } else {
            std::uint32_t value = 0;
            std::memcpy(&value, data, 4);
            if (value != e.value)
                std::abort();
        }
        element = ovacpi::NextElement(element);
    }
    if (ovacpi::TypeOfElement(element) != ovacpi::ElementType::End)
        std::abort();

    // The damaged forms the reliability tests ask for must stay walkable.
    ovacpi::PackageDamage damage;
    damage.unterminatedText = true;
    damage.extraCount = 5;
    if (ovacpi::BuildPackage(elements, damage, buffer.data(), ovacpi::kBufferLimit, &written)) {
        void* at = ovacpi::FirstElement(buffer.data());
        for (std::uint32_t i = 0; at != nullptr && i < ovacpi::ElementCount(buffer.data()); ++i) {
            ovacpi::ElementData(at);
            ovacpi::ElementDataSize(at);
            at = ovacpi::NextElement(at);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const ovacpi::Database db = ovacpi::ParseDatabase(text);
    for (const ovacpi::Item& item : db.items) {
        CheckPackage(ovacpi::Describe(item));
        ovacpi::Accepts(item, item.value);
        if (db.Find(item.id) == nullptr)
            std::abort();
    }
    for (const ovacpi::Record& record : db.records)
        db.FindRecord(record.id, record.index);

    // Writing a value the item accepts (as the simulator does) keeps every
    // other item and reads back as written.
    for (const ovacpi::Item& item : db.items) {
        const std::int32_t candidates[] = {item.value + 1, 0, 1, item.value - 1,
                                           static_cast<std::int32_t>(size * 2654435761u)};
        for (const std::int32_t value : candidates) {
            if (!ovacpi::Accepts(item, value))
                continue;
            std::string changed;
            if (!ovacpi::ReplaceValue(text, item.id, value, &changed))
                std::abort();
            const ovacpi::Database again = ovacpi::ParseDatabase(changed);
            const ovacpi::Item* written = again.Find(item.id);
            if (again.items.size() != db.items.size() || written == nullptr || written->value != value)
                std::abort();
            break;
        }
        break; // the first item is enough per input
    }
    return 0;
}
