// Fitting labels and command texts to their buffers, in every code page the
// languages use. The first input byte picks the code page and the buffer;
// the rest is the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "osd/CommandText.h"

namespace {

constexpr unsigned kCodePages[] = {1250, 1251, 1252, 932, 936, 949, 950};

// Whole characters only: walking the kept bytes never ends inside one.
void CheckWhole(const std::string& kept, const text::LeadBytes& leads) {
    std::size_t at = 0;
    while (at < kept.size())
        at += leads[static_cast<unsigned char>(kept[at])] ? 2 : 1;
    if (at != kept.size())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const unsigned codePage = kCodePages[data[0] % (sizeof kCodePages / sizeof kCodePages[0])];
    const text::LeadBytes leads = text::KnownLeadBytes(codePage);
    const std::string input(reinterpret_cast<const char*>(data + 2), size - 2);
    const char* text = input.c_str(); // up to the first NUL, as the program passes it
    const std::size_t textLength = std::strlen(text);

    const std::size_t maxBytes = data[1];
    const std::size_t fit = text::FitTextLength(text, maxBytes, leads);
    if (fit > maxBytes || fit > textLength)
        std::abort();
    CheckWhole(std::string(text, fit), leads);

    // The label: language text, clock and unit, cut to the label buffer.
    const std::string label = input + " 4200MHz";
    const std::size_t labelFit = text::FitTextLength(label.c_str(), kLabelBufferSize - 1, leads);
    if (labelFit >= kLabelBufferSize)
        std::abort();

    struct Command {
        const char* format;
        std::size_t buffer;
    };
    const Command commands[] = {{kFlashChangeLabel, kLabelCommandSize},
                                {kFlashChangeContent, kWarningCommandSize},
                                {kFlashChangeLabel, kWarningCommandSize},
                                {kFlashChangeLabel, static_cast<std::size_t>(1 + data[1] % 128)}};
    for (const Command& c : commands) {
        const std::string command = text::FormatTextCommand(c.format, text, c.buffer, leads);
        if (command.empty())
            continue;
        // The command fits its buffer with the terminator, and keeps the
        // whole format around a whole-character prefix of the text.
        if (command.size() + 1 > c.buffer)
            std::abort();
        const std::string format = c.format;
        const std::size_t at = format.find("%s");
        const std::size_t keptLength = command.size() - (format.size() - 2);
        if (command.compare(0, at, format, 0, at) != 0 || command.compare(at, keptLength, text, keptLength) != 0 ||
            command.compare(at + keptLength, std::string::npos, format, at + 2, std::string::npos) != 0)
            std::abort();
        CheckWhole(command.substr(at, keptLength), leads);
    }

    // A code page whose lead bytes come from arbitrary ranges, as the
    // system's code-page information hands them over.
    const text::LeadBytes anyLeads = text::LeadBytes::FromRanges(data, size < 12 ? size : 12);
    CheckWhole(std::string(text, text::FitTextLength(text, maxBytes, anyLeads)), anyLeads);
    long number = 0;
    std::memcpy(&number, data, size < sizeof number ? size : sizeof number);
    text::FormatNumberCommand(kFlashShowNumber, number);
    return 0;
}
