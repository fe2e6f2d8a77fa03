#include "orva/BiosInterface.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <cstring>
#include <cstdlib>

#include "orva/OvAcpi.h"

namespace {

// The size the library reports, kept inside the buffer it was given.
std::uint32_t BoundedSize(DWORD reported) {
    return (reported == 0 || reported > orva::kAcpiBufferSize) ? orva::kAcpiBufferSize : reported;
}

// The integer of the first element of a package in [begin, end).
bool FirstInt(unsigned char* begin, std::uint32_t length, std::uint32_t& out) {
    const unsigned char* end = begin + length;
    void* first = AcpiFirstElement(begin);
    if (!bios::Inside(first, begin, end, 1))
        return false;
    PackageCursor cursor(first, begin, end);
    return cursor.ReadInt(out);
}

} // namespace

// ---- the library's package functions --------------------------------------------

namespace bios {
void* FirstElement(void* package) { return AcpiFirstElement(package); }
std::uint32_t ElementCount(void* package) { return AcpiElementCount(package); }
void* NextElement(void* element) { return AcpiNextElement(element); }
void* ElementData(void* element) { return AcpiElementData(element); }
namespace {
MessageShower messageShower = nullptr;
} // namespace
void SetMessageShower(MessageShower shower) { messageShower = shower; }
void ShowMessage(const char* text, const char* caption) {
    if (messageShower != nullptr)
        messageShower(text, caption);
    else
        MessageBoxA(nullptr, text, caption, MB_OK);
}
} // namespace bios

// ---- BiosGroupList ----------------------------------------------------------------

bool BiosGroupList::Open(std::uint32_t group) {
    assert(!IsOpen());
    if (!buffer_)
        buffer_ = std::make_unique<unsigned char[]>(orva::kAcpiBufferSize);
    position_ = 0;
    count_ = 0;
    current_ = nullptr;
    size_ = 0;
    DWORD size = orva::kAcpiBufferSize;
    if (!AcpiListGroup(group, buffer_.get(), &size))
        return false;
    size_ = BoundedSize(size);
    count_ = AcpiElementCount(buffer_.get());
    current_ = AcpiFirstElement(buffer_.get());
    if (!bios::Inside(current_, buffer_.get(), buffer_.get() + size_, 1)) {
        current_ = nullptr;
        count_ = 0;
    }
    return true;
}

void BiosGroupList::Close() {
    buffer_.reset();
    current_ = nullptr;
    position_ = 0;
    count_ = 0;
    size_ = 0;
}

void BiosGroupList::Next() {
    if (position_ < count_)
        ++position_;
    if (position_ < count_) {
        void* next = AcpiNextElement(current_);
        // A list that claims more entries than it holds ends at its last one.
        if (!bios::Inside(next, buffer_.get(), buffer_.get() + size_, 1) || next <= current_)
            position_ = count_;
        else
            current_ = next;
    }
}

void* BiosGroupList::CurrentEntry() const {
    if (!current_)
        return nullptr;
    return AcpiElementData(current_);
}

// ---- BiosItemIterator ----------------------------------------------------------------

bool BiosItemIterator::Open(std::uint32_t group) {
    assert(!IsOpen());
    if (!list_.Open(group)) {
        Close();
        return false;
    }
    if (!description_)
        description_ = std::make_unique<unsigned char[]>(orva::kAcpiBufferSize);
    DescribeCurrent();
    return true;
}

void BiosItemIterator::DescribeCurrent() {
    void* entry = list_.IsDone() ? nullptr : list_.CurrentEntry();
    if (!entry || !description_)
        return;
    DWORD length = orva::kAcpiBufferSize;
    if (!AcpiDescribeItem(entry, description_.get(), &length))
        return; // the former id and description stay
    length_ = BoundedSize(length);
    std::uint32_t id = 0;
    if (FirstInt(description_.get(), length_, id))
        currentId_ = id;
}

void BiosItemIterator::Next() {
    list_.Next();
    DescribeCurrent();
}

std::unique_ptr<BiosItem> BiosItemIterator::CreateItem() const {
    std::unique_ptr<BiosItem> item = NewItemForId(currentId_);
    if (description_)
        item->Load(description_.get(), length_);
    return item;
}

void BiosItemIterator::Close() {
    list_.Close();
    description_.reset();
    length_ = 0;
}

// ---- single items ------------------------------------------------------------------

bool ReadItem(std::uint32_t id, std::int32_t& out) {
    LONG value = 0;
    if (!(AcpiGetItem(id, &value) & 1u))
        return false;
    out = static_cast<std::int32_t>(value);
    return true;
}

bool ReadItem(std::uint32_t id, long& out) {
    std::int32_t value = 0;
    if (!ReadItem(id, value))
        return false;
    out = value;
    return true;
}

bool WriteItem(std::uint32_t id, std::int32_t value) {
    return (AcpiSetItem(id, static_cast<LONG>(value), 1) & 1u) != 0;
}

bool ItemExists(std::uint32_t id) {
    BiosGroupList list;
    bool found = false;
    if (list.Open(bios::GroupOf(id))) {
        std::vector<unsigned char> description(orva::kAcpiBufferSize, 0);
        while (!list.IsDone() && !found) {
            void* entry = list.CurrentEntry();
            DWORD length = orva::kAcpiBufferSize;
            std::uint32_t described = 0;
            if (entry && AcpiDescribeItem(entry, description.data(), &length) &&
                FirstInt(description.data(), BoundedSize(length), described) && described == id)
                found = true;
            else
                list.Next();
        }
    }
    list.Close();
    return found;
}
