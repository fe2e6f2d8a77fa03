// Firmware setting items in typed form: builds one BiosItem per item from
// its description package, and converts an item's raw index into a number
// or a display text. The description comes from the firmware library and is
// not trusted; packages are opaque and walked only through the library's
// element functions (bios::FirstElement and the others below), which the
// program binds to the library and nothing here calls directly.
//
// Item id: bits 24-31 group, 20-23 class, 16-19 kind (7 on/off, 8 list of
// texts, anything else numeric; for numbers the kind also shifts the
// decimal exponent), 0-15 item number.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace bios {
constexpr std::uint32_t GroupOf(std::uint32_t id) { return id >> 24; }
constexpr std::uint32_t ClassOf(std::uint32_t id) { return (id >> 20) & 0xFu; }
constexpr std::uint32_t KindOf(std::uint32_t id) { return (id >> 16) & 0xFu; }
constexpr std::uint32_t NumberOf(std::uint32_t id) { return id & 0xFFFFu; }
constexpr std::uint32_t kKindSwitch = 7;
constexpr std::uint32_t kKindList = 8;

// Every buffer the library fills is this size, and its element functions
// may read anywhere inside a package that large.
constexpr std::uint32_t kPackageBufferSize = 4096;

// The library's package element functions (OVACPI.DLL in the program).
void* FirstElement(void* package);
std::uint32_t ElementCount(void* package);
void* NextElement(void* element);
void* ElementData(void* element);
// Whether `bytes` bytes at p lie inside [begin, end).
bool Inside(const void* p, const unsigned char* begin, const unsigned char* end, std::uint32_t bytes);
// Tells the user a conversion is not possible (a message box in the program).
void ShowMessage(const char* text, const char* caption);
// Where ShowMessage sends its message instead of a message box shown at
// once; null restores the box.
using MessageShower = void (*)(const char* text, const char* caption);
void SetMessageShower(MessageShower shower);
} // namespace bios

// An item's current raw value, read from the firmware.
bool ReadItem(std::uint32_t id, std::int32_t& out);
bool ReadItem(std::uint32_t id, long& out);

// Walks a description package inside an item's own copy. A step that would
// leave the copy or not move on ends the walk, so a package whose element
// count claims more than it holds is never read past its end.
class PackageCursor {
public:
    PackageCursor(void* element, const unsigned char* begin, const unsigned char* end);

    bool AtElement() const { return element_ != nullptr; }
    void Advance(std::uint32_t steps = 1);
    // The current element's integer; false when there is none.
    bool ReadInt(std::uint32_t& out) const;
    // The current element's text, NUL-terminated inside the copy; null when
    // there is none.
    const char* Text() const;
    const void* Data() const;

private:
    void* element_ = nullptr;
    const unsigned char* begin_ = nullptr;
    const unsigned char* end_ = nullptr;
};

class BiosItem {
public:
    virtual ~BiosItem() = default;
    BiosItem(const BiosItem&) = delete;
    BiosItem& operator=(const BiosItem&) = delete;

    virtual std::uint32_t Count() const;
    virtual std::int32_t Element3() const = 0;
    virtual bool IsClass8() const;
    // Not supported here: a message box, and nothing is written (false).
    virtual bool IndexToRational(std::uint32_t index, std::int32_t& numerator, std::int32_t& denominator) const;
    // Not supported here: a message box and 0.
    virtual long double IndexToValue(std::uint32_t index) const;
    // Not supported here: a message box and the empty text.
    virtual std::string IndexToString(std::uint32_t index) const;

    // Copies the description, reads its header (at least 3 elements, e0 the
    // id) and parses the rest. A failed load leaves a partly filled item.
    // An item loads once; a second call answers false.
    bool Load(const void* data, std::uint32_t length);
    std::uint32_t Id() const { return id_; }
    // The item's current raw value (an index), read from the firmware.
    bool ReadIndex(std::int32_t& out) const;
    bool ReadIndex(long& out) const;
    bool GetValue(double& out) const;

protected:
    BiosItem() = default;
    // Cursor on e1, remaining counts the elements from there on.
    virtual bool Parse(PackageCursor& cursor, std::uint32_t& remaining);
    const unsigned char* CopyBegin() const { return copy_.data(); }
    const unsigned char* CopyEnd() const { return copy_.data() + length_; }
    std::int32_t Element3Data() const { return element3_; }

private:
    void ShowUnsupported(const char* operation) const;

    std::vector<unsigned char> copy_; // the description, plus zero padding
    std::uint32_t length_ = 0;        // bytes of the description
    std::uint32_t id_ = 0;
    std::int32_t element3_ = 0; // data of e3, 0 when the package has none
};

// Kind 7: an on/off item; it converts nothing.
class BiosBooleanItem : public BiosItem {
public:
    BiosBooleanItem() = default;
    std::uint32_t Count() const override { return 0; }
    std::int32_t Element3() const override { return Element3Data(); }

protected:
    bool Parse(PackageCursor& cursor, std::uint32_t& remaining) override;
};

// Kind 8: a list of texts, index i naming text i.
class BiosStringItem : public BiosItem {
public:
    BiosStringItem() = default;
    // The texts actually stored, so a loop up to Count never reads past
    // them even when the description promised more (n) than it held.
    std::uint32_t Count() const override;
    std::int32_t Element3() const override { return Element3Data(); }
    // The empty text for an index out of range.
    std::string IndexToString(std::uint32_t index) const override;
    // The number of texts the description claims.
    std::uint32_t ClaimedCount() const { return n_; }

protected:
    bool Parse(PackageCursor& cursor, std::uint32_t& remaining) override;

private:
    std::uint32_t n_ = 0;
    std::vector<const char*> strs_; // into the item's own copy
};

// Any other kind: numeric values base + j * step times a power of ten,
// optionally preceded by extra texts (index 0 .. m-1 names the texts,
// index m + j the value j).
class BiosNumberItem : public BiosItem {
public:
    BiosNumberItem() = default;
    std::uint32_t Count() const override { return count_; }
    std::int32_t Element3() const override { return Element3Data(); }
    bool IndexToRational(std::uint32_t index, std::int32_t& numerator, std::int32_t& denominator) const override;
    long double IndexToValue(std::uint32_t index) const override;
    std::string IndexToString(std::uint32_t index) const override;

    std::uint32_t ExtraCount() const { return static_cast<std::uint32_t>(exStrs_.size()); }

protected:
    bool Parse(PackageCursor& cursor, std::uint32_t& remaining) override;

private:
    // base + j * step, exact.
    std::int64_t Scaled(std::uint32_t j) const;
    // The decimal exponent of value j: the base word's plus the kind's shift.
    int Exponent() const;

    std::vector<const char*> exStrs_; // into the item's own copy
    std::uint32_t count_ = 0;         // numeric values + extra texts
    std::uint32_t stepWord_ = 0;
    std::uint32_t baseWord_ = 0;
};

// A new, unloaded item of the class the kind in an item id calls for:
// lists hold texts, switches are on or off, every other kind is a number.
std::unique_ptr<BiosItem> NewItemForId(std::uint32_t id);
