// The command texts sent to the movies and the fitting of a text into a
// command or label buffer, over bytes of a code page. Which bytes of a
// code page open a double-byte character is handed in as a LeadBytes table,
// so this knows nothing of the system: the program builds the table from the
// system's own code-page information (TransFlash.h).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// The command texts, formatted printf-style: %s is inserted verbatim (no
// XML escaping), %d as a signed decimal number.
extern const char kFlashChangeLabel[];
extern const char kFlashChangeContent[];
extern const char kFlashShow[];
extern const char kFlashEnd[];
extern const char kFlashShowNumber[];
extern const char kFlashPlayNumber[];
extern const char kFlashEndNumber[];
extern const char kFlashIn[];
extern const char kFlashOut[];
extern const char kFlashSet2Digit[];

// Buffer sizes of the text commands, terminator included.
constexpr std::size_t kLabelCommandSize = 128;
constexpr std::size_t kWarningCommandSize = 256;
// Size of the label buffer, terminator included.
constexpr std::size_t kLabelBufferSize = 256;

namespace text {

// The lead bytes of one code page; all false for a single-byte one.
struct LeadBytes {
    bool lead[256] = {};
    bool operator[](unsigned char byte) const { return lead[byte]; }

    // From inclusive ranges in the system's form: pairs of bytes (first,
    // last), ended by a 0 pair or after `size` bytes.
    static LeadBytes FromRanges(const unsigned char* ranges, std::size_t size);
};

// The lead bytes of the double-byte code pages the languages use (932, 936,
// 949, 950); every other code page has none. The program asks the system
// instead; a test checks both agree.
LeadBytes KnownLeadBytes(unsigned codePage);

// The longest prefix of text (bytes of the code page) that fits into
// maxBytes without splitting a double-byte character. A lead byte with no
// trail byte after it is dropped.
std::size_t FitTextLength(const char* text, std::size_t maxBytes, const LeadBytes& leads);

// Formats a command with a text argument into a buffer of bufferSize bytes
// (terminator included), cutting the text at a whole character so that the
// command stays complete.
std::string FormatTextCommand(const char* format, const char* text, std::size_t bufferSize, const LeadBytes& leads);

// Formats a command with a number argument.
std::string FormatNumberCommand(const char* format, long number);

} // namespace text
