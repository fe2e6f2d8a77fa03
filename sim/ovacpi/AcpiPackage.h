// Packages: the self-describing byte blocks the library hands back.
//
// A package is a 16-byte header followed by elements. Every position inside
// is an offset from the package start, so a byte copy of a package to any
// other address stays walkable. Each element records its own offset, which
// lets the element accessors find the package header and stay inside the
// package's recorded size. A well-formed package ends with an end element
// whose data is four zero bytes (integer 0, or the empty text); walking past
// the last element stays on it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace ovacpi {

constexpr uint32_t kBufferLimit = 4096;        // every caller buffer is this size
constexpr uint32_t kPackageMagic = 0x4B50564F; // "OVPK"
constexpr uint32_t kPackageHeaderSize = 16;
constexpr uint32_t kElementHeaderSize = 12;

enum class ElementType : uint32_t { End = 0, Integer = 1, Text = 2 };

struct Element {
    ElementType type = ElementType::Integer;
    uint32_t value = 0;
    std::string text;

    static Element Int(uint32_t v);
    static Element Str(const std::string& s);
};

// Deliberate damage, for the reliability tests.
struct PackageDamage {
    // The header claims this many more elements than the package holds.
    uint32_t extraCount = 0;
    // The last text element runs to the end of the buffer without a NUL;
    // elements after it are left out.
    bool unterminatedText = false;
};

// Bytes a well-formed package of these elements takes, end element included.
uint32_t PackageSize(const std::vector<Element>& elements);

// Writes the package into buffer, never past capacity bytes. On success
// *written is the package's length. When it does not fit, nothing is
// written, *written is the size it needs, and the answer is false.
bool BuildPackage(const std::vector<Element>& elements, const PackageDamage& damage, void* buffer, uint32_t capacity,
                  uint32_t* written);

// Element accessors. Null or foreign input yields null or 0.
void* FirstElement(void* package);
uint32_t ElementCount(const void* package);
void* NextElement(void* element);
void* ElementData(void* element);
// The element's type; End for null or foreign input.
ElementType TypeOfElement(const void* element);
// Bytes of data the element holds (a text's length may be shorter).
uint32_t ElementDataSize(const void* element);

} // namespace ovacpi
