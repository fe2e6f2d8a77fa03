#include "InvokeRequest.h"

#include <cstdint>

namespace flashobj {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

std::wstring Trim(const std::wstring& s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

bool StartsWithAt(const std::wstring& s, size_t pos, const wchar_t* prefix) {
    for (size_t i = 0; prefix[i] != L'\0'; ++i) {
        if (pos + i >= s.size() || s[pos + i] != prefix[i])
            return false;
    }
    return true;
}

size_t SkipBlanks(const std::wstring& s, size_t pos) {
    while (pos < s.size() && IsBlank(s[pos]))
        ++pos;
    return pos;
}

wchar_t AsciiLower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool EqualsNoCase(const std::wstring& a, const wchar_t* b) {
    size_t i = 0;
    for (; i < a.size() && b[i] != L'\0'; ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return i == a.size() && b[i] == L'\0';
}

// Reads the name attribute out of the opening tag s[0, tagEnd).
bool ReadNameAttribute(const std::wstring& s, size_t tagEnd, std::wstring& name) {
    size_t pos = 7; // after "<invoke"
    while (pos < tagEnd) {
        pos = SkipBlanks(s, pos);
        if (pos >= tagEnd)
            break;
        size_t keyStart = pos;
        while (pos < tagEnd && s[pos] != L'=' && !IsBlank(s[pos]))
            ++pos;
        std::wstring key = s.substr(keyStart, pos - keyStart);
        pos = SkipBlanks(s, pos);
        if (pos >= tagEnd || s[pos] != L'=')
            return false;
        pos = SkipBlanks(s, pos + 1);
        if (pos >= tagEnd || (s[pos] != L'"' && s[pos] != L'\''))
            return false;
        wchar_t quote = s[pos];
        size_t valueStart = pos + 1;
        size_t valueEnd = s.find(quote, valueStart);
        if (valueEnd == std::wstring::npos || valueEnd >= tagEnd)
            return false;
        if (key == L"name") {
            name = s.substr(valueStart, valueEnd - valueStart);
            return !name.empty();
        }
        pos = valueEnd + 1;
    }
    return false;
}

// Splits the argument of externalCommand into a verb and an optional number.
bool SplitVerb(const std::wstring& argument, std::wstring& verb, bool& hasNumber, int& number) {
    std::wstring s = Trim(argument);
    size_t space = 0;
    while (space < s.size() && !IsBlank(s[space]))
        ++space;
    verb = s.substr(0, space);
    std::wstring rest = Trim(s.substr(space));
    hasNumber = !rest.empty();
    number = 0;
    if (hasNumber && !ParseInt32(rest, number))
        return false;
    return !verb.empty();
}

Command CommandFrom(const std::wstring& name, const std::wstring& argument) {
    Command cmd;
    if (name == L"changeLabel" || name == L"changeContent") {
        cmd.type = name == L"changeLabel" ? CommandType::ChangeLabel : CommandType::ChangeContent;
        cmd.text = argument.substr(0, kMaxTextLength);
        // Never keep half of a surrogate pair at the cut.
        if (argument.size() > kMaxTextLength && !cmd.text.empty() && cmd.text.back() >= 0xD800 &&
            cmd.text.back() <= 0xDBFF) {
            cmd.text.pop_back();
        }
        return cmd;
    }
    if (name == L"set2Digit") {
        int value = 0;
        if (ParseInt32(argument, value)) {
            cmd.type = CommandType::SetDigits;
            cmd.hasNumber = true;
            cmd.number = value;
        }
        return cmd;
    }
    if (name != L"externalCommand")
        return cmd;

    std::wstring verb;
    bool hasNumber = false;
    int number = 0;
    if (!SplitVerb(argument, verb, hasNumber, number))
        return cmd;
    CommandType type = CommandType::None;
    if (EqualsNoCase(verb, L"show")) {
        type = CommandType::Show;
    } else if (EqualsNoCase(verb, L"end")) {
        type = CommandType::End;
    } else if (EqualsNoCase(verb, L"play")) {
        if (!hasNumber)
            return cmd; // a level change without a level means nothing
        type = CommandType::Play;
    } else if (EqualsNoCase(verb, L"in")) {
        if (hasNumber)
            return cmd;
        type = CommandType::In;
    } else if (EqualsNoCase(verb, L"out")) {
        if (hasNumber)
            return cmd;
        type = CommandType::Out;
    }
    cmd.type = type;
    cmd.hasNumber = type != CommandType::None && hasNumber;
    cmd.number = cmd.hasNumber ? number : 0;
    return cmd;
}

} // namespace

bool ParseInt32(const std::wstring& text, int& value) {
    std::wstring s = Trim(text);
    size_t pos = 0;
    bool negative = false;
    if (pos < s.size() && (s[pos] == L'-' || s[pos] == L'+')) {
        negative = s[pos] == L'-';
        ++pos;
    }
    if (pos >= s.size())
        return false;
    int64_t magnitude = 0;
    for (; pos < s.size(); ++pos) {
        if (s[pos] < L'0' || s[pos] > L'9')
            return false;
        magnitude = magnitude * 10 + (s[pos] - L'0');
        if (magnitude > 2147483648LL)
            return false;
    }
    if (!negative && magnitude > 2147483647LL)
        return false;
    value = static_cast<int>(negative ? -magnitude : magnitude);
    return true;
}

Command ParseInvokeRequest(const wchar_t* request) {
    if (request == nullptr)
        return Command();
    size_t length = 0;
    while (length <= kMaxRequestLength && request[length] != L'\0')
        ++length;
    if (length > kMaxRequestLength)
        return Command();
    return ParseInvokeRequest(std::wstring(request, length));
}

Command ParseInvokeRequest(const std::wstring& request) {
    if (request.size() > kMaxRequestLength)
        return Command();
    const std::wstring s = Trim(request);
    if (!StartsWithAt(s, 0, L"<invoke") || s.size() < 8 || !IsBlank(s[7]))
        return Command();

    const size_t tagEnd = s.find(L'>');
    if (tagEnd == std::wstring::npos)
        return Command();
    std::wstring name;
    if (!ReadNameAttribute(s, tagEnd, name))
        return Command();

    // <arguments><string>ARG</string></arguments></invoke>, blanks allowed between tags.
    size_t pos = SkipBlanks(s, tagEnd + 1);
    if (!StartsWithAt(s, pos, L"<arguments>"))
        return Command();
    pos = SkipBlanks(s, pos + 11);
    const wchar_t* closeTag = nullptr;
    if (StartsWithAt(s, pos, L"<string>")) {
        pos += 8;
        closeTag = L"</string>";
    } else if (StartsWithAt(s, pos, L"<number>")) {
        pos += 8;
        closeTag = L"</number>";
    } else {
        return Command();
    }
    const size_t argEnd = s.rfind(closeTag);
    if (argEnd == std::wstring::npos || argEnd < pos)
        return Command();
    size_t tail = SkipBlanks(s, argEnd + 9);
    if (!StartsWithAt(s, tail, L"</arguments>"))
        return Command();
    tail = SkipBlanks(s, tail + 12);
    if (!StartsWithAt(s, tail, L"</invoke>"))
        return Command();
    if (tail + 9 != s.size())
        return Command();

    return CommandFrom(name, s.substr(pos, argEnd - pos));
}

const char* CommandName(CommandType type) {
    switch (type) {
    case CommandType::ChangeLabel:
        return "changeLabel";
    case CommandType::ChangeContent:
        return "changeContent";
    case CommandType::Show:
        return "show";
    case CommandType::End:
        return "end";
    case CommandType::Play:
        return "play";
    case CommandType::In:
        return "in";
    case CommandType::Out:
        return "out";
    case CommandType::SetDigits:
        return "set2Digit";
    case CommandType::None:
        break;
    }
    return "none";
}

} // namespace flashobj
