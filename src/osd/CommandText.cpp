#include "osd/CommandText.h"

#include <cstring>

const char kFlashChangeLabel[] =
    "<invoke name=\"changeLabel\" returntype=\"xml\"><arguments><string>%s</string></arguments></invoke>";
const char kFlashChangeContent[] =
    "<invoke name=\"changeContent\" returntype=\"xml\"><arguments><string>%s</string></arguments></invoke>";
const char kFlashShow[] =
    "<invoke name=\"externalCommand\" returntype=\"xml\"><arguments><string>show</string></arguments></invoke>";
const char kFlashEnd[] =
    "<invoke name=\"externalCommand\" returntype=\"xml\"><arguments><string>end</string></arguments></invoke>";
const char kFlashShowNumber[] =
    "<invoke name=\"externalCommand\" returntype=\"xml\"><arguments><string>show %d</string></arguments></invoke>";
const char kFlashPlayNumber[] =
    "<invoke name=\"externalCommand\" returntype=\"xml\"><arguments><string>play %d</string></arguments></invoke>";
const char kFlashEndNumber[] =
    "<invoke name=\"externalCommand\" returntype=\"xml\"><arguments><string>End %d</string></arguments></invoke>";
const char kFlashIn[] =
    "<invoke name=\"externalCommand\" returntype=\"xml\"><arguments><string>in</string></arguments></invoke>";
const char kFlashOut[] =
    "<invoke name=\"externalCommand\" returntype=\"xml\"><arguments><string>out</string></arguments></invoke>";
const char kFlashSet2Digit[] =
    "<invoke name=\"set2Digit\" returntype=\"xml\"><arguments><string>%d</string></arguments></invoke>";

namespace text {
namespace {

std::string Substitute(const char* format, const char* placeholder, const std::string& value) {
    std::string text = format != nullptr ? format : "";
    const size_t at = text.find(placeholder);
    if (at != std::string::npos)
        text.replace(at, 2, value);
    return text;
}

// Lead-byte ranges as the code pages define them.
constexpr unsigned char kShiftJis[] = {0x81, 0x9F, 0xE0, 0xFC, 0, 0}; // 932
constexpr unsigned char kWide[] = {0x81, 0xFE, 0, 0};                 // 936, 949, 950

} // namespace

LeadBytes LeadBytes::FromRanges(const unsigned char* ranges, std::size_t size) {
    LeadBytes leads;
    if (ranges == nullptr)
        return leads;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const unsigned first = ranges[i];
        const unsigned last = ranges[i + 1];
        if (first == 0 && last == 0)
            break;
        for (unsigned b = first; b <= last && b < 256; ++b)
            leads.lead[b] = true;
    }
    return leads;
}

LeadBytes KnownLeadBytes(unsigned codePage) {
    switch (codePage) {
    case 932:
        return LeadBytes::FromRanges(kShiftJis, sizeof kShiftJis);
    case 936:
    case 949:
    case 950:
        return LeadBytes::FromRanges(kWide, sizeof kWide);
    default:
        return LeadBytes();
    }
}

std::size_t FitTextLength(const char* text, std::size_t maxBytes, const LeadBytes& leads) {
    if (text == nullptr)
        return 0;
    std::size_t length = 0;
    while (text[length] != '\0') {
        std::size_t size = 1;
        if (leads[static_cast<unsigned char>(text[length])]) {
            if (text[length + 1] == '\0')
                break; // a lead byte without its trail byte is no character
            size = 2;
        }
        if (length + size > maxBytes)
            break;
        length += size;
    }
    return length;
}

std::string FormatTextCommand(const char* format, const char* text, std::size_t bufferSize, const LeadBytes& leads) {
    const std::size_t formatLength = format != nullptr ? std::strlen(format) : 0;
    if (formatLength < 2 || bufferSize <= formatLength - 2)
        return std::string();
    const std::size_t fixed = formatLength - 2;
    const std::size_t room = bufferSize - 1 - fixed;
    const std::size_t length = FitTextLength(text, room, leads);
    return Substitute(format, "%s", std::string(text != nullptr ? text : "", length));
}

std::string FormatNumberCommand(const char* format, long number) {
    return Substitute(format, "%d", std::to_string(number));
}

} // namespace text
