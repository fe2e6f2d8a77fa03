// The stand-ins' view of the firmware, through OVACPI.DLL. Every package the
// library hands back is read only inside its 4096-byte buffer: an element
// pointing elsewhere, a text without terminator or a count beyond the
// buffer ends the walk instead of reading past it.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace sibling {

// One firmware item as its description package tells it.
struct FirmwareItem {
    DWORD id = 0;
    // Numeric items: base value, step and decimal exponent (base word bits
    // 24-31), the number of numeric positions, and the extra texts that take
    // the first index positions. List items: texts holds the choices.
    LONG base = 0;
    LONG step = 0;
    int exponent = 0;
    DWORD valueCount = 0;
    std::vector<std::string> texts;

    DWORD Kind() const { return (id >> 16) & 0xF; }
    bool IsList() const { return Kind() == 8; }
    bool IsOnOff() const { return Kind() == 7; }
    bool IsNumeric() const { return !IsList() && !IsOnOff(); }

    // Value of a numeric index position: false for list and on/off items
    // and for the positions of extra texts.
    bool ValueAt(LONG index, double& value) const;
    // Display text of an index: the extra text or list choice it names, or
    // the numeric value with its decimals; empty when it names nothing.
    std::string TextAt(LONG index) const;
};

// Finds the item of the group whose item number (low 16 bits) is number.
bool FindItem(DWORD group, DWORD number, FirmwareItem& item);

// Single items by id; bit 0 of the library's answer is success.
bool ReadFirmwareItem(DWORD id, LONG& value);
bool WriteFirmwareItem(DWORD id, LONG value);

// AcpiQueryItem(id, index): the value of the first (setting id, value) pair
// whose id is settingId. queryFailed tells a failed call apart from a record
// without that setting.
bool QueryRecordSetting(DWORD id, DWORD index, DWORD settingId, DWORD& value, bool& queryFailed);

} // namespace sibling
