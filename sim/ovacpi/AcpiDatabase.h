// The simulator's firmware: items, query records and fault switches, read
// from a human-readable text file (format at the top of OvAcpiDb.txt).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "AcpiPackage.h"

namespace ovacpi {

enum class ItemType { Number, List, Switch, Raw };

struct Item {
    ItemType type = ItemType::Number;
    uint32_t id = 0;
    int32_t value = 0;
    std::string name;
    int32_t base = 0;               // numeric: signed 24-bit
    int32_t step = 0;               // numeric: signed 24-bit
    int32_t exponent = 0;           // numeric: signed 8-bit
    uint32_t count = 0;             // numeric: number of numeric values
    std::vector<std::string> texts; // list: the choices; numeric: extra texts
    uint32_t e3 = 0;
    bool restricted = false; // only the values in `accepted` are valid
    std::vector<int32_t> accepted;
    std::vector<Element> raw; // raw: the description as written
    // Where the value stands in the file, so a new value can be spliced in.
    size_t valueBegin = 0;
    size_t valueEnd = 0;
    bool valueHex = false;
};

struct Record {
    uint32_t id = 0;
    uint32_t index = 0;
    std::vector<std::pair<uint32_t, uint32_t>> pairs;
};

enum class Fault { FailAll, FailQuery, ShortPackage, CountOverflow, UnterminatedText };

struct FaultRule {
    Fault fault = Fault::FailAll;
    bool anyItem = true; // false: only the item `id`
    uint32_t id = 0;
};

struct Problem {
    size_t line = 0; // 1-based
    std::string text;
    std::string reason;
};

struct Database {
    std::vector<Item> items; // in file order
    std::vector<Record> records;
    std::vector<FaultRule> faults;
    std::vector<Problem> problems; // lines that were skipped

    const Item* Find(uint32_t id) const;
    const Record* FindRecord(uint32_t id, uint32_t index) const;
    // A fault switched on for every item, or for this one.
    bool Has(Fault fault, uint32_t id) const;
    // A fault switched on for every item (group lists and calls that
    // concern no single item).
    bool HasGlobal(Fault fault) const;
};

// Never fails: a line that cannot be understood is left out and listed in
// problems.
Database ParseDatabase(const std::string& text);

// Whether the item may hold this value.
bool Accepts(const Item& item, int32_t value);

// The item's description, element by element.
std::vector<Element> Describe(const Item& item);

// The file text with the value of item `id` replaced and everything else
// kept as it was. False when the text has no such item.
bool ReplaceValue(const std::string& text, uint32_t id, int32_t value, std::string* out);

} // namespace ovacpi
