// Parses the XML invoke requests the program sends to a movie.
//
// The requests look like
//   <invoke name="NAME" returntype="xml"><arguments><string>ARG</string></arguments></invoke>
// and the argument arrives unescaped: it may itself contain "<", "&" or even
// "</string>", so the argument runs to the last "</string>" of the request.
#pragma once

#include <string>

namespace flashobj {

enum class CommandType {
    None,          // not understood: the request is ignored
    ChangeLabel,   // text
    ChangeContent, // text
    Show,          // "show" or "show N"
    End,           // "end" or "End N"
    Play,          // "play N"
    In,            // "in"
    Out,           // "out"
    SetDigits,     // set2Digit N
};

struct Command {
    CommandType type = CommandType::None;
    bool hasNumber = false;
    int number = 0;
    std::wstring text; // the argument of changeLabel / changeContent
};

// Longest request looked at, in UTF-16 units; longer ones are ignored.
constexpr size_t kMaxRequestLength = 65536;
// Longest text argument kept, in UTF-16 units; longer ones are cut.
constexpr size_t kMaxTextLength = 1024;

// Parses request (which may be null and need not be terminated within
// kMaxRequestLength units). Anything malformed gives CommandType::None.
Command ParseInvokeRequest(const wchar_t* request);

// Same, for a request already held in a string.
Command ParseInvokeRequest(const std::wstring& request);

// Short name of a command for logs: "changeLabel", "show", ...
const char* CommandName(CommandType type);

// Parses a whole signed 32-bit decimal number (optional sign, digits only,
// surrounding blanks allowed). Returns false on anything else or overflow.
bool ParseInt32(const std::wstring& text, int& value);

} // namespace flashobj
