#include "SimFirmware.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "orva/OvAcpi.h"

namespace sibling {
namespace {

constexpr DWORD kBufferSize = orva::kAcpiBufferSize;
constexpr DWORD kMaxElements = kBufferSize / 4;

// A package buffer and the element data pointers found inside it.
struct Package {
    std::vector<unsigned char> bytes = std::vector<unsigned char>(kBufferSize);
    std::vector<const unsigned char*> data;

    bool Contains(const void* pointer, size_t length) const {
        const unsigned char* p = static_cast<const unsigned char*>(pointer);
        const unsigned char* begin = bytes.data();
        return p >= begin && length <= bytes.size() && static_cast<size_t>(p - begin) <= bytes.size() - length;
    }

    // Walks the elements; false when the count or an element lies outside
    // the buffer.
    bool Walk() {
        data.clear();
        DWORD count = AcpiElementCount(bytes.data());
        if (count > kMaxElements)
            return false;
        void* element = count > 0 ? AcpiFirstElement(bytes.data()) : nullptr;
        for (DWORD i = 0; i < count; ++i) {
            if (element == nullptr || !Contains(element, 1))
                return false;
            const unsigned char* item = static_cast<const unsigned char*>(AcpiElementData(element));
            if (item == nullptr || !Contains(item, 1))
                return false;
            data.push_back(item);
            if (i + 1 < count)
                element = AcpiNextElement(element);
        }
        return true;
    }

    bool Integer(size_t index, DWORD& value) const {
        if (index >= data.size() || !Contains(data[index], sizeof value))
            return false;
        std::memcpy(&value, data[index], sizeof value);
        return true;
    }

    bool Text(size_t index, std::string& text) const {
        if (index >= data.size())
            return false;
        const char* start = reinterpret_cast<const char*>(data[index]);
        size_t room = bytes.size() - static_cast<size_t>(data[index] - bytes.data());
        size_t length = strnlen(start, room);
        if (length == room)
            return false;
        text.assign(start, length);
        return true;
    }
};

LONG SignExtend24(DWORD word) {
    word &= 0xFFFFFF;
    return (word & 0x800000) ? static_cast<LONG>(word) - 0x1000000 : static_cast<LONG>(word);
}

// Decimal shift of a numeric item's kind.
int KindShift(DWORD kind) {
    switch (kind) {
    case 1:
        return -2;
    case 2:
        return -3;
    case 3:
        return -4;
    case 12:
        return -3;
    default:
        return 0;
    }
}

bool ParseDescription(const Package& description, FirmwareItem& item) {
    DWORD id = 0;
    if (!description.Integer(0, id))
        return false;
    item = FirmwareItem();
    item.id = id;
    if (item.IsOnOff())
        return description.data.size() >= 4;
    if (item.IsList()) {
        DWORD count = 0;
        if (description.data.size() < 5 || !description.Integer(4, count) || count == 0 ||
            count > description.data.size() - 5)
            return false;
        for (DWORD i = 0; i < count; ++i) {
            std::string text;
            if (!description.Text(5 + i, text))
                return false;
            item.texts.push_back(text);
        }
        return true;
    }
    DWORD baseWord = 0, stepWord = 0, count = 0;
    if (!description.Integer(4, baseWord) || !description.Integer(5, stepWord) || !description.Integer(6, count))
        return false;
    item.base = SignExtend24(baseWord);
    item.step = SignExtend24(stepWord);
    item.exponent = static_cast<signed char>(static_cast<unsigned char>(baseWord >> 24));
    item.valueCount = count;
    if (description.data.size() > 7) {
        DWORD extra = 0;
        if (!description.Integer(7, extra) || extra == 0 || extra > description.data.size() - 8)
            return false;
        for (DWORD i = 0; i < extra; ++i) {
            std::string text;
            if (!description.Text(8 + i, text))
                return false;
            item.texts.push_back(text);
        }
    }
    return true;
}

} // namespace

bool FirmwareItem::ValueAt(LONG index, double& value) const {
    if (!IsNumeric() || index < static_cast<LONG>(texts.size()))
        return false;
    long long position = static_cast<long long>(index) - static_cast<long long>(texts.size());
    long long numerator = static_cast<long long>(base) + position * static_cast<long long>(step);
    value = static_cast<double>(numerator) * std::pow(10.0, exponent + KindShift(Kind()));
    return true;
}

std::string FirmwareItem::TextAt(LONG index) const {
    if (index >= 0 && static_cast<size_t>(index) < texts.size())
        return texts[static_cast<size_t>(index)];
    double value = 0;
    if (!ValueAt(index, value))
        return std::string();
    int decimals = -(exponent + KindShift(Kind()));
    if (decimals < 0)
        decimals = 0;
    if (decimals > 6)
        decimals = 6;
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

bool FindItem(DWORD group, DWORD number, FirmwareItem& item) {
    AcpiInit();
    Package list;
    DWORD size = kBufferSize;
    if (AcpiListGroup(group, list.bytes.data(), &size) == 0 || !list.Walk())
        return false;
    for (const unsigned char* entry : list.data) {
        Package description;
        DWORD length = kBufferSize;
        if (AcpiDescribeItem(const_cast<unsigned char*>(entry), description.bytes.data(), &length) == 0 ||
            !description.Walk())
            continue;
        DWORD id = 0;
        if (!description.Integer(0, id) || (id & 0xFFFF) != number)
            continue;
        return ParseDescription(description, item);
    }
    return false;
}

bool ReadFirmwareItem(DWORD id, LONG& value) {
    AcpiInit();
    LONG read = 0;
    if ((AcpiGetItem(id, &read) & 1) == 0)
        return false;
    value = read;
    return true;
}

bool WriteFirmwareItem(DWORD id, LONG value) {
    AcpiInit();
    return (AcpiSetItem(id, value, 1) & 1) != 0;
}

bool QueryRecordSetting(DWORD id, DWORD index, DWORD settingId, DWORD& value, bool& queryFailed) {
    AcpiInit();
    std::vector<unsigned char> buffer(kBufferSize);
    DWORD size = kBufferSize;
    queryFailed = (AcpiQueryItem(id, index, buffer.data(), &size) & 1) == 0;
    if (queryFailed)
        return false;
    DWORD words = (size < kBufferSize ? size : kBufferSize) / 4;
    for (DWORD p = 1; p + 1 < words; p += 2) {
        DWORD setting = 0;
        std::memcpy(&setting, buffer.data() + p * 4, 4);
        if (setting == 0xFFFFFFFFu)
            break;
        if (setting == settingId) {
            std::memcpy(&value, buffer.data() + (p + 1) * 4, 4);
            return true;
        }
    }
    return false;
}

} // namespace sibling
