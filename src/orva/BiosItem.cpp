#include "orva/BiosItem.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Zero bytes kept after every copy: a text without its NUL ends there, and
// a library reading a header from a tiny copy reads zeros.
constexpr std::uint32_t kCopyPadding = 16;

std::int32_t SignExtend24(std::uint32_t word) {
    const std::uint32_t v = word & 0xFFFFFFu;
    return (v & 0x800000u) ? static_cast<std::int32_t>(v) - 0x1000000 : static_cast<std::int32_t>(v);
}

std::int32_t SignedByte(std::uint32_t word) {
    const std::uint32_t b = (word >> 24) & 0xFFu;
    return b >= 0x80u ? static_cast<std::int32_t>(b) - 0x100 : static_cast<std::int32_t>(b);
}

// Kinds 1, 2, 3 and 12 count in hundredths, thousandths, ten-thousandths
// and thousandths of the stated exponent.
int KindDecimals(std::uint32_t kind) {
    switch (kind) {
    case 1:
        return 2;
    case 2:
        return 3;
    case 3:
        return 4;
    case 12:
        return 3;
    default:
        return 0;
    }
}

// How often |x| divides by 10; 0 for 0.
int TrailingZeros(std::int32_t x) {
    std::int64_t v = x < 0 ? -static_cast<std::int64_t>(x) : x;
    int zeros = 0;
    while (v > 0 && v % 10 == 0) {
        v /= 10;
        ++zeros;
    }
    return zeros;
}

// 10^n with 32-bit wrap-around, as the 32-bit rational has it.
std::uint32_t Pow10Wrapped(int n) {
    std::uint32_t p = 1;
    for (int i = 0; i < n; ++i)
        p *= 10u;
    return p;
}

} // namespace

bool bios::Inside(const void* p, const unsigned char* begin, const unsigned char* end, std::uint32_t bytes) {
    const auto* q = static_cast<const unsigned char*>(p);
    return q != nullptr && q >= begin && q < end && static_cast<std::uint32_t>(end - q) >= bytes;
}

// ---- PackageCursor --------------------------------------------------------------

PackageCursor::PackageCursor(void* element, const unsigned char* begin, const unsigned char* end)
    : element_(bios::Inside(element, begin, end, 1) ? element : nullptr), begin_(begin), end_(end) {}

void PackageCursor::Advance(std::uint32_t steps) {
    for (std::uint32_t i = 0; i < steps && element_; ++i) {
        void* next = bios::NextElement(element_);
        // Elements lie one after another; anything else ends the walk.
        if (!bios::Inside(next, begin_, end_, 1) || next <= element_)
            element_ = nullptr;
        else
            element_ = next;
    }
}

const void* PackageCursor::Data() const {
    if (!element_)
        return nullptr;
    const void* data = bios::ElementData(element_);
    return bios::Inside(data, begin_, end_, 1) ? data : nullptr;
}

bool PackageCursor::ReadInt(std::uint32_t& out) const {
    const void* data = Data();
    if (!data || !bios::Inside(data, begin_, end_, 4))
        return false;
    std::memcpy(&out, data, 4);
    return true;
}

const char* PackageCursor::Text() const { return static_cast<const char*>(Data()); }

// ---- BiosItem ----------------------------------------------------------------------

bool BiosItem::Load(const void* data, std::uint32_t length) {
    // The parsed texts point into the copy, so an item loads once.
    if (!copy_.empty())
        return false;
    if (!data)
        length = 0;
    // The copy is never smaller than a library buffer: the element functions
    // go by the size the package records, not by the length reported.
    const std::uint32_t room = length > bios::kPackageBufferSize ? length : bios::kPackageBufferSize;
    copy_.assign(static_cast<size_t>(room) + kCopyPadding, 0);
    if (length > 0)
        std::memcpy(copy_.data(), data, length);
    length_ = length;

    unsigned char* begin = copy_.data();
    const std::uint32_t count = bios::ElementCount(begin);
    if (count < 3)
        return false;
    PackageCursor cursor(bios::FirstElement(begin), CopyBegin(), CopyEnd());
    std::uint32_t id = 0;
    if (!cursor.ReadInt(id))
        return false;
    id_ = id;
    cursor.Advance();
    std::uint32_t remaining = count - 1;
    return Parse(cursor, remaining);
}

bool BiosItem::Parse(PackageCursor& cursor, std::uint32_t& remaining) {
    cursor.Advance(2);
    remaining = remaining > 2 ? remaining - 2 : 0;
    // e3 is read by every class; keep it while the cursor stands on it.
    std::uint32_t e3 = 0;
    if (remaining > 0 && cursor.ReadInt(e3))
        element3_ = static_cast<std::int32_t>(e3);
    return true;
}

std::uint32_t BiosItem::Count() const { return 0; }

bool BiosItem::IsClass8() const { return bios::ClassOf(id_) == 8; }

void BiosItem::ShowUnsupported(const char* operation) const {
    char text[96];
    std::snprintf(text, sizeof text, "Item[%lx] does not supports %s", static_cast<unsigned long>(id_), operation);
    bios::ShowMessage(text, "BiosItem");
}

bool BiosItem::IndexToRational(std::uint32_t, std::int32_t&, std::int32_t&) const {
    ShowUnsupported("IndexToRational");
    return false;
}

long double BiosItem::IndexToValue(std::uint32_t) const {
    ShowUnsupported("IndexToValue");
    return 0;
}

std::string BiosItem::IndexToString(std::uint32_t) const {
    ShowUnsupported("IndexToString");
    return std::string();
}

bool BiosItem::ReadIndex(std::int32_t& out) const { return ReadItem(id_, out); }

bool BiosItem::ReadIndex(long& out) const { return ReadItem(id_, out); }

bool BiosItem::GetValue(double& out) const {
    std::int32_t index = 0;
    if (!ReadIndex(index))
        return false;
    out = static_cast<double>(IndexToValue(static_cast<std::uint32_t>(index)));
    return true;
}

// ---- BiosBooleanItem ------------------------------------------------------------------

bool BiosBooleanItem::Parse(PackageCursor& cursor, std::uint32_t& remaining) {
    BiosItem::Parse(cursor, remaining);
    return remaining != 0 && cursor.AtElement();
}

// ---- BiosStringItem -------------------------------------------------------------------

bool BiosStringItem::Parse(PackageCursor& cursor, std::uint32_t& remaining) {
    BiosItem::Parse(cursor, remaining);
    if (remaining <= 2)
        return false;
    cursor.Advance(); // e4
    std::uint32_t n = 0;
    if (!cursor.ReadInt(n))
        return false;
    n_ = n;
    cursor.Advance(); // e5
    remaining -= 2;
    if (n == 0 || n > remaining)
        return false;
    for (std::uint32_t i = 0; i < n; ++i) {
        const char* text = cursor.Text();
        if (!text)
            return false; // the package ended before its texts did
        strs_.push_back(text);
        cursor.Advance();
    }
    return true;
}

std::uint32_t BiosStringItem::Count() const { return static_cast<std::uint32_t>(strs_.size()); }

std::string BiosStringItem::IndexToString(std::uint32_t index) const {
    return index < strs_.size() ? std::string(strs_[index]) : std::string();
}

// ---- BiosNumberItem -------------------------------------------------------------------

bool BiosNumberItem::Parse(PackageCursor& cursor, std::uint32_t& remaining) {
    BiosItem::Parse(cursor, remaining);
    if (remaining < 4)
        return false;
    std::uint32_t word = 0;
    cursor.Advance(); // e4
    if (!cursor.ReadInt(word))
        return false;
    baseWord_ = word;
    cursor.Advance(); // e5
    if (!cursor.ReadInt(word))
        return false;
    stepWord_ = word;
    cursor.Advance(); // e6
    if (!cursor.ReadInt(word))
        return false;
    count_ = word;
    cursor.Advance(); // e7
    remaining -= 4;
    if (remaining == 0)
        return true;
    if (remaining < 2)
        return false;
    std::uint32_t m = 0;
    if (!cursor.ReadInt(m))
        return false;
    if (m == 0 || m > remaining - 1)
        return false;
    cursor.Advance(); // e8
    std::vector<const char*> texts;
    for (std::uint32_t i = 0; i < m; ++i) {
        const char* text = cursor.Text();
        if (!text)
            return false; // the package ended before its texts did
        texts.push_back(text);
        cursor.Advance();
    }
    exStrs_ = std::move(texts);
    count_ = count_ > 0xFFFFFFFFu - m ? 0xFFFFFFFFu : count_ + m;
    return true;
}

int BiosNumberItem::Exponent() const { return SignedByte(baseWord_) - KindDecimals(bios::KindOf(Id())); }

std::int64_t BiosNumberItem::Scaled(std::uint32_t j) const {
    // A position "below" the first value (a tuning step under 0 arrives as
    // its 32-bit pattern) continues the line downwards, as the 32-bit
    // rational does, instead of jumping four billion steps up.
    return static_cast<std::int64_t>(SignExtend24(baseWord_)) +
           static_cast<std::int64_t>(static_cast<std::int32_t>(j)) * SignExtend24(stepWord_);
}

bool BiosNumberItem::IndexToRational(std::uint32_t index, std::int32_t& numerator, std::int32_t& denominator) const {
    const std::uint32_t m = ExtraCount();
    if (index < m) {
        bios::ShowMessage("Can not convert extra string to value", "IndexToRational Fail");
        return false;
    }
    // Signed 32-bit results; values out of that range wrap as the 32-bit
    // form always did.
    std::uint32_t num = static_cast<std::uint32_t>(Scaled(index - m));
    std::uint32_t den = 1;
    const int e = Exponent();
    if (e < 0)
        den = Pow10Wrapped(-e);
    else
        num *= Pow10Wrapped(e);
    numerator = static_cast<std::int32_t>(num);
    denominator = static_cast<std::int32_t>(den);
    return true;
}

long double BiosNumberItem::IndexToValue(std::uint32_t index) const {
    const std::uint32_t m = ExtraCount();
    if (index < m) {
        bios::ShowMessage("Can not convert extra string to value", "IndexToValue Fail");
        return 0;
    }
    // Scaled exactly, so an exponent beyond the 32-bit rational's reach
    // still gives the value (and never divides by a wrapped-to-zero power).
    long double value = static_cast<long double>(Scaled(index - m));
    const int e = Exponent();
    for (int i = 0; i < e; ++i)
        value *= 10;
    for (int i = 0; i > e; --i)
        value /= 10;
    return value;
}

std::string BiosNumberItem::IndexToString(std::uint32_t index) const {
    const std::uint32_t m = ExtraCount();
    if (index < m)
        return std::string(exStrs_[index]);

    const std::int64_t scaled = Scaled(index - m);
    const int e = Exponent();

    // Decimals: the exponent's size plus the kind's, less the trailing zeros
    // that base and step share (8-bit arithmetic).
    const int exponentByte = SignedByte(baseWord_);
    unsigned d = static_cast<std::uint8_t>(std::abs(exponentByte) + KindDecimals(bios::KindOf(Id())));
    const int base = SignExtend24(baseWord_);
    const int step = SignExtend24(stepWord_);
    const unsigned t = static_cast<unsigned>(std::min(TrailingZeros(base), TrailingZeros(step)));
    d = t < d ? d - t : 0;

    // Digits of |value| * 10^d. The value is an exact decimal and d never
    // asks for more precision than it has, so this needs no rounding.
    const std::uint64_t magnitude =
        scaled < 0 ? static_cast<std::uint64_t>(-(scaled + 1)) + 1u : static_cast<std::uint64_t>(scaled);
    std::string digits = magnitude == 0 ? std::string() : std::to_string(magnitude);
    const int shift = e + static_cast<int>(d);
    if (!digits.empty()) {
        if (shift >= 0) {
            digits.append(static_cast<size_t>(shift), '0');
        } else {
            const size_t drop = static_cast<size_t>(-shift);
            digits.erase(digits.size() > drop ? digits.size() - drop : 0);
            const size_t lead = digits.find_first_not_of('0');
            digits.erase(0, lead == std::string::npos ? digits.size() : lead);
        }
    }
    const bool negative = scaled < 0 && !digits.empty();
    const long p = static_cast<long>(digits.size()) - static_cast<long>(d);

    if (p > 0) {
        if (static_cast<size_t>(p) < digits.size())
            digits.insert(static_cast<size_t>(p), ".");
    } else {
        digits.insert(0, static_cast<size_t>(1 - p), '0');
        // A value shown without decimals gets no point.
        if (d > 0)
            digits.insert(1, ".");
    }
    if (negative)
        digits.insert(0, "-");
    return digits;
}

std::unique_ptr<BiosItem> NewItemForId(std::uint32_t id) {
    switch (bios::KindOf(id)) {
    case bios::kKindList:
        return std::make_unique<BiosStringItem>();
    case bios::kKindSwitch:
        return std::make_unique<BiosBooleanItem>();
    default:
        return std::make_unique<BiosNumberItem>();
    }
}
