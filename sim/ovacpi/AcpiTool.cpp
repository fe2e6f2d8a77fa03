// Console tool over the firmware simulator, for the demo, tests and people:
//   AcpiTool get <id>             prints the item's value
//   AcpiTool set <id> <value>     stores a value
//   AcpiTool query <id> <index>   prints the pairs of one query record
//   AcpiTool dump                 every item with its value and description
// Ids and values are decimal or hexadecimal (0x...). Exit code 0 on
// success, 1 when the library refuses, 2 on a usage error.
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "AcpiPackage.h"
#include "orva/OvAcpi.h"

namespace {

bool ParseNumber(const char* text, long long lo, long long hi, long long* out) {
    const char* digits = text;
    bool negative = false;
    if (*digits == '-' || *digits == '+')
        negative = *digits++ == '-';
    const bool hex = digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X');
    if (hex)
        digits += 2;
    if (*digits == '\0' || *digits == '-' || *digits == '+' || *digits == ' ')
        return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(digits, &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0')
        return false;
    *out = negative ? -v : v;
    return *out >= lo && *out <= hi;
}

bool ParseId(const char* text, DWORD* id) {
    long long v = 0;
    if (!ParseNumber(text, 0, 0xFFFFFFFFLL, &v))
        return false;
    *id = static_cast<DWORD>(v);
    return true;
}

int Usage() {
    std::fprintf(stderr, "usage: AcpiTool get <id>\n"
                         "       AcpiTool set <id> <value>\n"
                         "       AcpiTool query <id> <index>\n"
                         "       AcpiTool dump\n");
    return 2;
}

std::string Describe(void* package) {
    std::string out = "{";
    const DWORD count = AcpiElementCount(package);
    void* element = AcpiFirstElement(package);
    for (DWORD i = 0; i < count && element != nullptr; ++i) {
        if (i > 0)
            out += ", ";
        const void* data = AcpiElementData(element);
        if (ovacpi::TypeOfElement(element) == ovacpi::ElementType::Text && data != nullptr) {
            // Bounded by the element, which a damaged text may fill.
            const uint32_t room = ovacpi::ElementDataSize(element);
            const char* text = static_cast<const char*>(data);
            out += '"' + std::string(text, std::find(text, text + room, '\0')) + '"';
        } else if (data != nullptr) {
            DWORD v = 0;
            std::memcpy(&v, data, sizeof v);
            char buf[16];
            std::snprintf(buf, sizeof buf, v < 0x10000 ? "%lu" : "0x%08lX", static_cast<unsigned long>(v));
            out += buf;
        }
        element = AcpiNextElement(element);
    }
    return out + "}";
}

void PrintRecords(DWORD id) {
    std::vector<unsigned char> buffer(orva::kAcpiBufferSize);
    for (DWORD index = 0;; ++index) {
        DWORD size = orva::kAcpiBufferSize;
        if (!(AcpiQueryItem(id, index, buffer.data(), &size) & 1))
            return;
        std::printf("    record %lu:", static_cast<unsigned long>(index));
        for (DWORD w = 1; w + 1 < size / 4; w += 2) {
            DWORD pair[2];
            std::memcpy(pair, buffer.data() + w * 4, sizeof pair);
            if (pair[0] == 0xFFFFFFFFu)
                break;
            std::printf(" 0x%08lX=%lu", static_cast<unsigned long>(pair[0]), static_cast<unsigned long>(pair[1]));
        }
        std::printf("\n");
    }
}

int Dump() {
    std::vector<unsigned char> list(orva::kAcpiBufferSize);
    std::vector<unsigned char> description(orva::kAcpiBufferSize);
    int items = 0;
    for (DWORD group = 0; group < 256; ++group) {
        DWORD size = orva::kAcpiBufferSize;
        if (!AcpiListGroup(group, list.data(), &size))
            continue;
        const DWORD count = AcpiElementCount(list.data());
        void* entry = AcpiFirstElement(list.data());
        for (DWORD i = 0; i < count && entry != nullptr; ++i, entry = AcpiNextElement(entry)) {
            void* data = AcpiElementData(entry);
            DWORD length = orva::kAcpiBufferSize;
            if (data == nullptr || !AcpiDescribeItem(data, description.data(), &length))
                continue;
            DWORD id = 0;
            std::memcpy(&id, data, sizeof id);
            LONG value = 0;
            char shown[16] = "?";
            if (AcpiGetItem(id, &value) & 1)
                std::snprintf(shown, sizeof shown, "%ld", static_cast<long>(value));
            std::printf("0x%08lX = %s  %s\n", static_cast<unsigned long>(id), shown,
                        Describe(description.data()).c_str());
            PrintRecords(id);
            ++items;
        }
    }
    if (items == 0) {
        std::fprintf(stderr, "AcpiTool: no items could be listed\n");
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return Usage();
    const std::string command = argv[1];
    AcpiInit();
    if (command == "get" && argc == 3) {
        DWORD id = 0;
        if (!ParseId(argv[2], &id))
            return Usage();
        LONG value = 0;
        if (!(AcpiGetItem(id, &value) & 1)) {
            std::fprintf(stderr, "AcpiTool: cannot read item %s\n", argv[2]);
            return 1;
        }
        std::printf("%ld\n", static_cast<long>(value));
        return 0;
    }
    if (command == "set" && argc == 4) {
        DWORD id = 0;
        long long value = 0;
        if (!ParseId(argv[2], &id) || !ParseNumber(argv[3], -2147483648LL, 0xFFFFFFFFLL, &value))
            return Usage();
        if (!(AcpiSetItem(id, static_cast<LONG>(static_cast<DWORD>(value)), 1) & 1)) {
            std::fprintf(stderr, "AcpiTool: item %s does not take %s\n", argv[2], argv[3]);
            return 1;
        }
        return 0;
    }
    if (command == "query" && argc == 4) {
        DWORD id = 0, index = 0;
        if (!ParseId(argv[2], &id) || !ParseId(argv[3], &index))
            return Usage();
        std::vector<unsigned char> buffer(orva::kAcpiBufferSize);
        DWORD size = orva::kAcpiBufferSize;
        if (!(AcpiQueryItem(id, index, buffer.data(), &size) & 1)) {
            std::fprintf(stderr, "AcpiTool: no record %s %s\n", argv[2], argv[3]);
            return 1;
        }
        for (DWORD w = 1; w + 1 < size / 4; w += 2) {
            DWORD pair[2];
            std::memcpy(pair, buffer.data() + w * 4, sizeof pair);
            if (pair[0] == 0xFFFFFFFFu)
                break;
            std::printf("0x%08lX %lu\n", static_cast<unsigned long>(pair[0]), static_cast<unsigned long>(pair[1]));
        }
        return 0;
    }
    if (command == "dump" && argc == 2)
        return Dump();
    return Usage();
}
