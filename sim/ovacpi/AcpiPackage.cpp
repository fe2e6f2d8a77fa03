#include "AcpiPackage.h"

#include <algorithm>
#include <cstring>

namespace ovacpi {
namespace {

struct PackageHeader {
    uint32_t magic = 0;
    uint32_t total = 0; // bytes of the whole package
    uint32_t count = 0; // elements as the header claims them
    uint32_t reserved = 0;
};

struct ElementHeader {
    uint32_t self = 0; // offset of this element from the package start
    uint32_t size = 0; // bytes of this element, header included
    uint32_t type = 0;
};

static_assert(sizeof(PackageHeader) == kPackageHeaderSize, "package header layout");
static_assert(sizeof(ElementHeader) == kElementHeaderSize, "element header layout");

constexpr uint32_t kEndElementSize = kElementHeaderSize + 4;

uint32_t Align4(uint32_t n) { return (n + 3u) & ~3u; }

uint32_t ElementSize(const Element& e) {
    if (e.type == ElementType::Text)
        return kElementHeaderSize + Align4(static_cast<uint32_t>(e.text.size()) + 1u);
    return kElementHeaderSize + 4u;
}

bool ReadPackageHeader(const unsigned char* package, PackageHeader* h) {
    std::memcpy(h, package, sizeof *h);
    return h->magic == kPackageMagic && h->total >= kPackageHeaderSize && h->total <= kBufferLimit;
}

// Finds the package an element belongs to and checks that the element lies
// inside it. Accessors use this so they never step outside the package.
bool Locate(const void* element, const unsigned char** package, ElementHeader* eh, PackageHeader* ph) {
    if (element == nullptr)
        return false;
    const auto* e = static_cast<const unsigned char*>(element);
    std::memcpy(eh, e, sizeof *eh);
    if (eh->self < kPackageHeaderSize || eh->self % 4u != 0 || eh->self > kBufferLimit - kElementHeaderSize)
        return false;
    const unsigned char* p = e - eh->self;
    if (!ReadPackageHeader(p, ph))
        return false;
    if (eh->self > ph->total - kElementHeaderSize || eh->size < kElementHeaderSize || eh->size > ph->total - eh->self)
        return false;
    *package = p;
    return true;
}

void PutHeader(unsigned char* at, uint32_t self, uint32_t size, ElementType type) {
    const ElementHeader h{self, size, static_cast<uint32_t>(type)};
    std::memcpy(at, &h, sizeof h);
}

} // namespace

Element Element::Int(uint32_t v) {
    Element e;
    e.type = ElementType::Integer;
    e.value = v;
    return e;
}

Element Element::Str(const std::string& s) {
    Element e;
    e.type = ElementType::Text;
    e.text = s;
    return e;
}

uint32_t PackageSize(const std::vector<Element>& elements) {
    uint64_t total = kPackageHeaderSize + kEndElementSize;
    for (const Element& e : elements)
        total += ElementSize(e);
    return total > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(total);
}

bool BuildPackage(const std::vector<Element>& elements, const PackageDamage& damage, void* buffer, uint32_t capacity,
                  uint32_t* written) {
    if (buffer == nullptr || written == nullptr)
        return false;
    capacity = std::min(capacity, kBufferLimit);

    // Which element, if any, is left without its terminator.
    size_t open = elements.size();
    if (damage.unterminatedText) {
        for (size_t i = elements.size(); i-- > 0;) {
            if (elements[i].type == ElementType::Text) {
                open = i;
                break;
            }
        }
    }
    const bool damaged = open < elements.size();
    const size_t kept = damaged ? open + 1 : elements.size();

    uint64_t need = kPackageHeaderSize;
    for (size_t i = 0; i < kept; ++i)
        need += (damaged && i == open) ? kElementHeaderSize + std::max<uint64_t>(elements[i].text.size(), 1)
                                       : ElementSize(elements[i]);
    if (!damaged)
        need += kEndElementSize;
    if (need > capacity) {
        *written = need > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(need);
        return false;
    }
    const uint32_t total = damaged ? capacity : static_cast<uint32_t>(need);

    auto* out = static_cast<unsigned char*>(buffer);
    std::memset(out, 0, total);
    const uint64_t claimed = static_cast<uint64_t>(kept) + damage.extraCount;
    const PackageHeader ph{kPackageMagic, total, claimed > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(claimed),
                           0};
    std::memcpy(out, &ph, sizeof ph);

    uint32_t at = kPackageHeaderSize;
    for (size_t i = 0; i < kept; ++i) {
        const Element& e = elements[i];
        unsigned char* data = out + at + kElementHeaderSize;
        if (damaged && i == open) {
            // The text fills the rest of the buffer; no byte of it is NUL.
            const uint32_t size = total - at;
            PutHeader(out + at, at, size, e.type);
            const uint32_t room = size - kElementHeaderSize;
            for (uint32_t k = 0; k < room; ++k)
                data[k] = k < e.text.size() && e.text[k] != '\0' ? static_cast<unsigned char>(e.text[k])
                                                                 : static_cast<unsigned char>('~');
            at += size;
            break;
        }
        const uint32_t size = ElementSize(e);
        PutHeader(out + at, at, size, e.type);
        if (e.type == ElementType::Text)
            std::memcpy(data, e.text.data(), e.text.size()); // the NUL is already there
        else
            std::memcpy(data, &e.value, 4);
        at += size;
    }
    if (!damaged)
        PutHeader(out + at, at, kEndElementSize, ElementType::End);
    *written = total;
    return true;
}

void* FirstElement(void* package) {
    if (package == nullptr)
        return nullptr;
    auto* p = static_cast<unsigned char*>(package);
    PackageHeader ph;
    if (!ReadPackageHeader(p, &ph) || ph.total < kPackageHeaderSize + kElementHeaderSize)
        return nullptr;
    // The first element must say where it stands before Locate trusts that
    // offset: a wrong one would lead it to a "package" outside the buffer.
    ElementHeader eh;
    std::memcpy(&eh, p + kPackageHeaderSize, sizeof eh);
    if (eh.self != kPackageHeaderSize)
        return nullptr;
    const unsigned char* found = nullptr;
    if (!Locate(p + kPackageHeaderSize, &found, &eh, &ph))
        return nullptr;
    return p + kPackageHeaderSize;
}

uint32_t ElementCount(const void* package) {
    if (package == nullptr)
        return 0;
    PackageHeader ph;
    if (!ReadPackageHeader(static_cast<const unsigned char*>(package), &ph))
        return 0;
    return ph.count;
}

void* NextElement(void* element) {
    const unsigned char* p = nullptr;
    ElementHeader eh;
    PackageHeader ph;
    if (!Locate(element, &p, &eh, &ph))
        return nullptr;
    if (eh.type == static_cast<uint32_t>(ElementType::End))
        return element;
    const uint32_t next = eh.self + eh.size; // no overflow: both bounded by total
    if (next % 4u != 0 || next > ph.total || ph.total - next < kEndElementSize)
        return element; // the last element: walking on stays here
    ElementHeader nh;
    std::memcpy(&nh, p + next, sizeof nh);
    if (nh.self != next)
        return element;
    return const_cast<unsigned char*>(p + next);
}

void* ElementData(void* element) {
    const unsigned char* p = nullptr;
    ElementHeader eh;
    PackageHeader ph;
    if (!Locate(element, &p, &eh, &ph))
        return nullptr;
    return static_cast<unsigned char*>(element) + kElementHeaderSize;
}

ElementType TypeOfElement(const void* element) {
    const unsigned char* p = nullptr;
    ElementHeader eh;
    PackageHeader ph;
    if (!Locate(element, &p, &eh, &ph) || eh.type > static_cast<uint32_t>(ElementType::Text))
        return ElementType::End;
    return static_cast<ElementType>(eh.type);
}

uint32_t ElementDataSize(const void* element) {
    const unsigned char* p = nullptr;
    ElementHeader eh;
    PackageHeader ph;
    if (!Locate(element, &p, &eh, &ph))
        return 0;
    return eh.size - kElementHeaderSize;
}

} // namespace ovacpi
