#include "AcpiDatabase.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace ovacpi {
namespace {

// Items one group list can carry: header, one 16-byte element per item and
// the end element within the 4096-byte buffer.
constexpr size_t kMaxItemsPerGroup = (kBufferLimit - kPackageHeaderSize - 16) / 16;
// Pairs one query reply can carry: word 0, the pairs and the end pair.
constexpr size_t kMaxRecordPairs = (kBufferLimit / 4 - 1 - 2) / 2;

struct Token {
    std::string key;
    std::string value;
    bool hasKey = false;
    bool quoted = false;
    size_t begin = 0; // offsets within the line
    size_t end = 0;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool ReadQuoted(const std::string& line, size_t* i, std::string* out, std::string* error) {
    ++*i; // the opening quote
    while (*i < line.size()) {
        const char c = line[*i];
        if (c == '\\' && *i + 1 < line.size() && (line[*i + 1] == '"' || line[*i + 1] == '\\')) {
            out->push_back(line[*i + 1]);
            *i += 2;
            continue;
        }
        ++*i;
        if (c == '"')
            return true;
        out->push_back(c);
    }
    *error = "text without closing quote";
    return false;
}

bool ReadBare(const std::string& line, size_t* i, bool stopAtEquals, std::string* out, std::string* error) {
    while (*i < line.size() && !IsBlank(line[*i])) {
        const char c = line[*i];
        if (stopAtEquals && c == '=')
            return true;
        if (c == '"') {
            *error = "stray quote";
            return false;
        }
        out->push_back(c);
        ++*i;
    }
    return true;
}

bool Tokenize(const std::string& line, std::vector<Token>* tokens, std::string* error) {
    size_t i = 0;
    for (;;) {
        while (i < line.size() && IsBlank(line[i]))
            ++i;
        if (i >= line.size() || line[i] == '#')
            return true;
        Token t;
        t.begin = i;
        if (line[i] == '"') {
            t.quoted = true;
            if (!ReadQuoted(line, &i, &t.value, error))
                return false;
        } else {
            std::string word;
            if (!ReadBare(line, &i, true, &word, error))
                return false;
            if (i < line.size() && line[i] == '=') {
                t.hasKey = true;
                t.key = word;
                ++i;
                if (i < line.size() && line[i] == '"') {
                    t.quoted = true;
                    if (!ReadQuoted(line, &i, &t.value, error))
                        return false;
                } else if (!ReadBare(line, &i, false, &t.value, error)) {
                    return false;
                }
            } else {
                t.value = word;
            }
        }
        if (i < line.size() && !IsBlank(line[i])) {
            *error = "text must be followed by a blank";
            return false;
        }
        t.end = i;
        tokens->push_back(t);
    }
}

// Decimal, or hexadecimal after 0x; an optional sign.
bool ParseInteger(const std::string& s, int64_t lo, int64_t hi, int64_t* out, bool* hex = nullptr) {
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
        negative = s[i] == '-';
        ++i;
    }
    int base = 10;
    if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= s.size() || s.size() - i > 16)
        return false;
    int64_t v = 0;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        v = v * base + d;
        if (v > (int64_t{1} << 40))
            return false;
    }
    if (negative)
        v = -v;
    if (v < lo || v > hi)
        return false;
    *out = v;
    if (hex)
        *hex = base == 16;
    return true;
}

constexpr int64_t kInt32Min = -2147483647LL - 1;
constexpr int64_t kInt32Max = 2147483647LL;
constexpr int64_t kUint32Max = 4294967295LL;

// 32-bit words may be written signed or unsigned.
bool ParseWord(const std::string& s, uint32_t* out, bool* hex = nullptr) {
    int64_t v = 0;
    if (!ParseInteger(s, kInt32Min, kUint32Max, &v, hex))
        return false;
    *out = static_cast<uint32_t>(v);
    return true;
}

bool ParseId(const std::string& s, uint32_t* out) {
    int64_t v = 0;
    if (!ParseInteger(s, 1, kUint32Max, &v) || s[0] == '-' || s[0] == '+')
        return false;
    *out = static_cast<uint32_t>(v);
    return true;
}

uint32_t KindOf(uint32_t id) { return (id >> 16) & 0xFu; }

std::string Hex(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", v);
    return buf;
}

class LineParser {
public:
    LineParser(Database* db, std::map<uint32_t, size_t>* groupSizes) : db_(db), groupSizes_(groupSizes) {}

    // Adds what the line says to the database, or explains why not.
    bool Parse(const std::string& line, size_t lineStart, std::string* error) {
        std::vector<Token> tokens;
        if (!Tokenize(line, &tokens, error))
            return false;
        if (tokens.empty())
            return true;
        const Token& head = tokens[0];
        if (head.hasKey || head.quoted) {
            *error = "a line starts with a statement word";
            return false;
        }
        error_ = error;
        lineStart_ = lineStart;
        const std::string& word = head.value;
        if (word == "number")
            return ParseItem(ItemType::Number, tokens);
        if (word == "list")
            return ParseItem(ItemType::List, tokens);
        if (word == "switch")
            return ParseItem(ItemType::Switch, tokens);
        if (word == "raw")
            return ParseItem(ItemType::Raw, tokens);
        if (word == "record")
            return ParseRecord(tokens);
        if (word == "fault")
            return ParseFault(tokens);
        return Fail("unknown statement '" + word + "'");
    }

private:
    bool Fail(const std::string& why) {
        *error_ = why;
        return false;
    }

    bool Plain(const Token& t, const char* what) {
        if (t.hasKey || t.quoted)
            return Fail(std::string("expected ") + what + ", found '" + t.key + (t.hasKey ? "=" : "") + t.value + "'");
        return true;
    }

    bool ParseItem(ItemType type, const std::vector<Token>& tokens) {
        if (tokens.size() < 3)
            return Fail("an item needs an id and a value");
        Item item;
        item.type = type;
        if (!Plain(tokens[1], "an item id") || !ParseId(tokens[1].value, &item.id))
            return Fail("bad item id '" + tokens[1].value + "'");
        uint32_t value = 0;
        if (!Plain(tokens[2], "a value") || !ParseWord(tokens[2].value, &value, &item.valueHex))
            return Fail("bad value '" + tokens[2].value + "'");
        item.value = static_cast<int32_t>(value);
        item.valueBegin = lineStart_ + tokens[2].begin;
        item.valueEnd = lineStart_ + tokens[2].end;

        const uint32_t kind = KindOf(item.id);
        if (type == ItemType::Number && (kind == 7 || kind == 8))
            return Fail("a numeric item cannot have kind " + std::to_string(kind) + " in its id");
        if (type == ItemType::List && kind != 8)
            return Fail("a list item needs kind 8 in its id (bits 16-19)");
        if (type == ItemType::Switch && kind != 7)
            return Fail("an on/off item needs kind 7 in its id (bits 16-19)");
        if (db_->Find(item.id) != nullptr)
            return Fail("item " + Hex(item.id) + " is already defined");

        bool ok = type == ItemType::Raw ? ParseRawElements(tokens, &item) : ParseOptions(tokens, &item);
        if (!ok)
            return false;
        if (!Accepts(item, item.value))
            return Fail("value " + tokens[2].value + " is outside the item's range");
        if (PackageSize(Describe(item)) > kBufferLimit)
            return Fail("the description does not fit in 4096 bytes");
        size_t& inGroup = (*groupSizes_)[item.id >> 24];
        if (inGroup >= kMaxItemsPerGroup)
            return Fail("group " + std::to_string(item.id >> 24) + " already holds " +
                        std::to_string(kMaxItemsPerGroup) + " items");
        ++inGroup;
        db_->items.push_back(item);
        return true;
    }

    bool ParseRawElements(const std::vector<Token>& tokens, Item* item) {
        for (size_t i = 3; i < tokens.size(); ++i) {
            const Token& t = tokens[i];
            if (t.hasKey)
                return Fail("raw elements are integers or \"texts\", found '" + t.key + "='");
            if (t.quoted) {
                item->raw.push_back(Element::Str(t.value));
                continue;
            }
            uint32_t v = 0;
            if (!ParseWord(t.value, &v))
                return Fail("bad raw element '" + t.value + "'");
            item->raw.push_back(Element::Int(v));
        }
        return true;
    }

    bool ParseOptions(const std::vector<Token>& tokens, Item* item) {
        bool seenBase = false, seenStep = false, seenCount = false, seenExp = false, seenName = false, seenE3 = false;
        for (size_t i = 3; i < tokens.size(); ++i) {
            const Token& t = tokens[i];
            if (!t.hasKey)
                return Fail("expected key=value, found '" + t.value + "'");
            const std::string& k = t.key;
            int64_t v = 0;
            auto once = [&](bool* seen) {
                if (*seen)
                    return Fail("'" + k + "' given twice");
                *seen = true;
                return true;
            };
            auto number = [&](int64_t lo, int64_t hi) {
                if (t.quoted || !ParseInteger(t.value, lo, hi, &v))
                    return Fail("bad " + k + " '" + t.value + "' (allowed " + std::to_string(lo) + " to " +
                                std::to_string(hi) + ")");
                return true;
            };
            const bool numeric = item->type == ItemType::Number;
            if (k == "name") {
                if (!once(&seenName))
                    return false;
                item->name = t.value;
            } else if (k == "e3") {
                uint32_t w = 0;
                if (!once(&seenE3))
                    return false;
                if (t.quoted || !ParseWord(t.value, &w))
                    return Fail("bad e3 '" + t.value + "'");
                item->e3 = w;
            } else if (k == "accept" && item->type != ItemType::Switch) {
                if (item->restricted)
                    return Fail("'accept' given twice");
                if (!ParseAccepted(t, item))
                    return false;
            } else if (numeric && k == "base") {
                if (!once(&seenBase) || !number(-8388608, 8388607))
                    return false;
                item->base = static_cast<int32_t>(v);
            } else if (numeric && k == "step") {
                if (!once(&seenStep) || !number(-8388608, 8388607))
                    return false;
                item->step = static_cast<int32_t>(v);
            } else if (numeric && k == "exp") {
                if (!once(&seenExp) || !number(-128, 127))
                    return false;
                item->exponent = static_cast<int32_t>(v);
            } else if (numeric && k == "count") {
                if (!once(&seenCount) || !number(0, kInt32Max))
                    return false;
                item->count = static_cast<uint32_t>(v);
            } else if ((numeric && k == "extra") || (item->type == ItemType::List && k == "text")) {
                item->texts.push_back(t.value);
            } else {
                return Fail("'" + k + "' does not belong on this line");
            }
        }
        if (item->type == ItemType::Number) {
            if (!seenBase || !seenStep || !seenCount)
                return Fail("a numeric item needs base=, step= and count=");
            if (static_cast<uint64_t>(item->count) + item->texts.size() == 0)
                return Fail("a numeric item needs count= above 0 or an extra text");
            if (static_cast<uint64_t>(item->count) + item->texts.size() > static_cast<uint64_t>(kInt32Max))
                return Fail("too many values");
        }
        if (item->type == ItemType::List && item->texts.empty())
            return Fail("a list item needs at least one text=");
        if (!seenName)
            item->name = "Item " + Hex(item->id);
        return true;
    }

    bool ParseAccepted(const Token& t, Item* item) {
        if (t.quoted || t.value.empty())
            return Fail("bad accept list");
        size_t from = 0;
        for (;;) {
            const size_t comma = t.value.find(',', from);
            const std::string part =
                t.value.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
            uint32_t w = 0;
            if (!ParseWord(part, &w))
                return Fail("bad value '" + part + "' in the accept list");
            item->accepted.push_back(static_cast<int32_t>(w));
            if (comma == std::string::npos)
                break;
            from = comma + 1;
        }
        item->restricted = true;
        return true;
    }

    bool ParseRecord(const std::vector<Token>& tokens) {
        if (tokens.size() < 3)
            return Fail("a record needs an item id and an index");
        Record r;
        int64_t index = 0;
        if (!Plain(tokens[1], "an item id") || !ParseId(tokens[1].value, &r.id))
            return Fail("bad item id '" + tokens[1].value + "'");
        if (!Plain(tokens[2], "an index") || !ParseInteger(tokens[2].value, 0, kUint32Max, &index))
            return Fail("bad record index '" + tokens[2].value + "'");
        r.index = static_cast<uint32_t>(index);
        for (size_t i = 3; i < tokens.size(); ++i) {
            const Token& t = tokens[i];
            uint32_t setting = 0, value = 0;
            if (!t.hasKey || t.quoted || !ParseId(t.key, &setting) || !ParseWord(t.value, &value))
                return Fail("expected <setting id>=<value>, found '" + t.key + (t.hasKey ? "=" : "") + t.value + "'");
            if (setting == 0xFFFFFFFFu)
                return Fail("0xFFFFFFFF ends a record and cannot be a setting id");
            r.pairs.emplace_back(setting, value);
        }
        if (r.pairs.size() > kMaxRecordPairs)
            return Fail("a record holds at most " + std::to_string(kMaxRecordPairs) + " settings");
        if (db_->FindRecord(r.id, r.index) != nullptr)
            return Fail("record " + Hex(r.id) + " " + std::to_string(r.index) + " is already defined");
        db_->records.push_back(r);
        return true;
    }

    bool ParseFault(const std::vector<Token>& tokens) {
        if (tokens.size() < 2 || !Plain(tokens[1], "a fault name"))
            return Fail("a fault needs a name");
        const std::string& name = tokens[1].value;
        FaultRule rule;
        bool perItem = true;
        if (name == "fail-all") {
            rule.fault = Fault::FailAll;
            perItem = false;
        } else if (name == "fail-query") {
            rule.fault = Fault::FailQuery;
            perItem = false;
        } else if (name == "short-package") {
            rule.fault = Fault::ShortPackage;
        } else if (name == "count-overflow") {
            rule.fault = Fault::CountOverflow;
        } else if (name == "unterminated-text") {
            rule.fault = Fault::UnterminatedText;
        } else {
            return Fail("unknown fault '" + name + "'");
        }
        if (tokens.size() > (perItem ? 3u : 2u))
            return Fail("too many words after fault " + name);
        if (tokens.size() == 3) {
            if (!Plain(tokens[2], "an item id") || !ParseId(tokens[2].value, &rule.id))
                return Fail("bad item id '" + tokens[2].value + "'");
            rule.anyItem = false;
        }
        db_->faults.push_back(rule);
        return true;
    }

    Database* db_;
    std::map<uint32_t, size_t>* groupSizes_;
    std::string* error_ = nullptr;
    size_t lineStart_ = 0;
};

} // namespace

const Item* Database::Find(uint32_t id) const {
    for (const Item& item : items)
        if (item.id == id)
            return &item;
    return nullptr;
}

const Record* Database::FindRecord(uint32_t id, uint32_t index) const {
    for (const Record& r : records)
        if (r.id == id && r.index == index)
            return &r;
    return nullptr;
}

bool Database::Has(Fault fault, uint32_t id) const {
    for (const FaultRule& rule : faults)
        if (rule.fault == fault && (rule.anyItem || rule.id == id))
            return true;
    return false;
}

bool Database::HasGlobal(Fault fault) const {
    for (const FaultRule& rule : faults)
        if (rule.fault == fault && rule.anyItem)
            return true;
    return false;
}

Database ParseDatabase(const std::string& text) {
    Database db;
    std::map<uint32_t, size_t> groupSizes;
    LineParser parser(&db, &groupSizes);
    size_t start = 0;
    // A byte-order mark from an editor is not part of the first line.
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        start = 3;
    size_t number = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        ++number;
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::string error;
        if (!parser.Parse(line, start, &error))
            db.problems.push_back(Problem{number, line, error});
        start = end + 1;
    }
    return db;
}

bool Accepts(const Item& item, int32_t value) {
    if (item.restricted)
        return std::find(item.accepted.begin(), item.accepted.end(), value) != item.accepted.end();
    switch (item.type) {
    case ItemType::Number:
        return value >= 0 && static_cast<uint64_t>(value) < static_cast<uint64_t>(item.count) + item.texts.size();
    case ItemType::List:
        return value >= 0 && static_cast<uint64_t>(value) < item.texts.size();
    case ItemType::Switch:
        return value == 0 || value == 1;
    case ItemType::Raw:
        return true;
    }
    return false;
}

std::vector<Element> Describe(const Item& item) {
    if (item.type == ItemType::Raw)
        return item.raw;
    std::vector<Element> d;
    d.push_back(Element::Int(item.id));
    d.push_back(Element::Str(item.name));
    d.push_back(Element::Int(0));
    d.push_back(Element::Int(item.e3));
    if (item.type == ItemType::List) {
        d.push_back(Element::Int(static_cast<uint32_t>(item.texts.size())));
        for (const std::string& t : item.texts)
            d.push_back(Element::Str(t));
    } else if (item.type == ItemType::Number) {
        const uint32_t baseWord =
            (static_cast<uint32_t>(item.exponent) & 0xFFu) << 24 | (static_cast<uint32_t>(item.base) & 0xFFFFFFu);
        d.push_back(Element::Int(baseWord));
        d.push_back(Element::Int(static_cast<uint32_t>(item.step) & 0xFFFFFFu));
        d.push_back(Element::Int(item.count));
        if (!item.texts.empty()) {
            d.push_back(Element::Int(static_cast<uint32_t>(item.texts.size())));
            for (const std::string& t : item.texts)
                d.push_back(Element::Str(t));
        }
    }
    return d;
}

bool ReplaceValue(const std::string& text, uint32_t id, int32_t value, std::string* out) {
    const Database db = ParseDatabase(text);
    const Item* item = db.Find(id);
    if (item == nullptr || item->valueEnd > text.size() || item->valueBegin > item->valueEnd)
        return false;
    char buf[24];
    if (item->valueHex && value >= 0)
        std::snprintf(buf, sizeof buf, "0x%X", static_cast<unsigned>(value));
    else
        std::snprintf(buf, sizeof buf, "%ld", static_cast<long>(value));
    *out = text.substr(0, item->valueBegin) + buf + text.substr(item->valueEnd);
    return true;
}

} // namespace ovacpi
