// The firmware items as the program reaches them through the ACPI library:
// walks the items of a group, builds one BiosItem per item from its
// description package (orva/BiosItem.h), and reads and writes single items.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "orva/BiosItem.h"

// The items of one firmware group, as AcpiListGroup lists them.
class BiosGroupList {
public:
    BiosGroupList() = default;
    ~BiosGroupList() = default;
    BiosGroupList(const BiosGroupList&) = delete;
    BiosGroupList& operator=(const BiosGroupList&) = delete;

    // False when the library cannot list the group; the list still counts
    // as open then (its buffer exists) and is done.
    bool Open(std::uint32_t group);
    bool IsOpen() const { return buffer_ != nullptr; }
    void Close();
    bool IsDone() const { return position_ >= count_; }
    void Next();
    // The handle AcpiDescribeItem takes; null when there is none.
    void* CurrentEntry() const;

private:
    std::unique_ptr<unsigned char[]> buffer_;
    void* current_ = nullptr;
    std::uint32_t position_ = 0;
    std::uint32_t count_ = 0;
    std::uint32_t size_ = 0; // bytes the library filled in
};

// Walks the items of one group and builds item objects from their
// descriptions.
class BiosItemIterator {
public:
    BiosItemIterator() = default;
    ~BiosItemIterator() = default;
    BiosItemIterator(const BiosItemIterator&) = delete;
    BiosItemIterator& operator=(const BiosItemIterator&) = delete;

    bool Open(std::uint32_t group);
    bool IsOpen() const { return list_.IsOpen(); }
    bool IsDone() const { return list_.IsDone(); }
    void Next();
    std::uint32_t CurrentId() const { return currentId_; }
    // The object for the current item, whether or not its description
    // parsed; the class follows the kind of CurrentId.
    std::unique_ptr<BiosItem> CreateItem() const;
    void Close();

private:
    void DescribeCurrent();

    BiosGroupList list_;
    std::unique_ptr<unsigned char[]> description_;
    std::uint32_t length_ = 0;
    std::uint32_t currentId_ = 0;
};

// Single items by id; these do not call AcpiInit. (ReadItem is declared
// with the items, which read their value through it.)
bool WriteItem(std::uint32_t id, std::int32_t value);
bool ItemExists(std::uint32_t id);
