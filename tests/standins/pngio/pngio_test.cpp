// pngio.dll loaded the way the program loads it (LoadLibraryA +
// GetProcAddress by undecorated name), driven with fixture files, pictures
// written by the library itself, and damaged or hostile streams.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "pngio.h"
#include "win32/Handles.h"
#include "win32/ModulePath.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// ---- the library ----------------------------------------------------------

std::string ExeFolder() { return win32::ModuleFolder(); }

// GetProcAddress hands back a generic function pointer; the detour through
// void(*)() is the portable way to convert it to the entry's real type.
template <typename Proc>
Proc Entry(HMODULE module, const char* name) {
    return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

class PngIo : public ::testing::Test {
protected:
    void SetUp() override {
        library_.Reset(LoadLibraryA((ExeFolder() + "pngio.dll").c_str()));
        ASSERT_TRUE(library_) << "pngio.dll not found beside the test";
        read_ = Entry<ReadPngExProc>(library_.Get(), "ReadPngEx");
        write_ = Entry<WritePngExProc>(library_.Get(), "WritePngEx");
        free_ = Entry<FreePngDataProc>(library_.Get(), "FreePngData");
        allocate_ = Entry<AllocatePngDataProc>(library_.Get(), "AllocatePngData");
        ASSERT_NE(nullptr, read_);
        ASSERT_NE(nullptr, write_);
        ASSERT_NE(nullptr, free_);
        ASSERT_NE(nullptr, allocate_);
    }

    win32::UniqueModule library_;
    ReadPngExProc read_ = nullptr;
    WritePngExProc write_ = nullptr;
    FreePngDataProc free_ = nullptr;
    AllocatePngDataProc allocate_ = nullptr;
};

// Frees the record's rows through the library when the test is done with it.
class Image {
public:
    explicit Image(FreePngDataProc release) : release_(release) {}
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    ~Image() {
        if (release_ != nullptr)
            release_(&record);
    }
    PngImage record{};

private:
    FreePngDataProc release_;
};

bool IsEmpty(const PngImage& image) {
    return image.width == 0 && image.height == 0 && image.bitDepth == 0 && image.colorType == 0 &&
           image.reserved == 0 && image.rows == nullptr;
}

// ---- streams --------------------------------------------------------------

struct Reader {
    const Bytes* data = nullptr;
    std::size_t position = 0;
    DWORD maxPerCall = 0; // 0: as much as asked
    bool deliverTooMuch = false;
    bool ended = false; // a read returned fewer bytes than asked
    int calls = 0;
    int callsAfterEnd = 0;
    std::vector<DWORD> requests;

    explicit Reader(const Bytes& bytes) : data(&bytes) {}

    static DWORD WINAPI Read(void* context, void* buffer, DWORD count) {
        auto* self = static_cast<Reader*>(context);
        ++self->calls;
        if (self->ended)
            ++self->callsAfterEnd;
        self->requests.push_back(count);
        std::size_t n = std::min<std::size_t>(count, self->data->size() - self->position);
        if (self->maxPerCall != 0)
            n = std::min<std::size_t>(n, self->maxPerCall);
        std::memcpy(buffer, self->data->data() + self->position, n);
        self->position += n;
        if (n < count)
            self->ended = true;
        return static_cast<DWORD>(self->deliverTooMuch ? count + 1 : n);
    }
};

// A prefix followed by zero bytes that never end.
struct EndlessReader {
    Bytes prefix;
    unsigned long long delivered = 0;

    static DWORD WINAPI Read(void* context, void* buffer, DWORD count) {
        auto* self = static_cast<EndlessReader*>(context);
        auto* out = static_cast<std::uint8_t*>(buffer);
        for (DWORD i = 0; i < count; ++i, ++self->delivered) {
            out[i] =
                self->delivered < self->prefix.size() ? self->prefix[static_cast<std::size_t>(self->delivered)] : 0;
        }
        return count;
    }
};

struct Writer {
    Bytes out;
    DWORD shortBy = 0; // takes this many bytes fewer than offered
    int calls = 0;

    static DWORD WINAPI Write(void* context, const void* buffer, DWORD count) {
        auto* self = static_cast<Writer*>(context);
        ++self->calls;
        const DWORD taken = count > self->shortBy ? count - self->shortBy : 0;
        const auto* p = static_cast<const std::uint8_t*>(buffer);
        self->out.insert(self->out.end(), p, p + taken);
        return taken;
    }
};

// ---- PNG framing, written out independently of the library ----------------

std::uint32_t Crc(const std::uint8_t* data, std::size_t size) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        c ^= data[i];
        for (int k = 0; k < 8; ++k)
            c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    }
    return c ^ 0xFFFFFFFFu;
}

void PutBe32(Bytes& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

std::uint32_t GetBe32(const Bytes& in, std::size_t at) {
    return (std::uint32_t(in[at]) << 24) | (std::uint32_t(in[at + 1]) << 16) | (std::uint32_t(in[at + 2]) << 8) |
           std::uint32_t(in[at + 3]);
}

void AppendChunk(Bytes& out, const char* type, const Bytes& data) {
    PutBe32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBe32(out, Crc(out.data() + start, out.size() - start));
}

const Bytes kSignature = {137, 80, 78, 71, 13, 10, 26, 10};

Bytes Ihdr(std::uint32_t width, std::uint32_t height, std::uint8_t depth, std::uint8_t colorType) {
    Bytes data;
    PutBe32(data, width);
    PutBe32(data, height);
    data.push_back(depth);
    data.push_back(colorType);
    data.push_back(0);
    data.push_back(0);
    data.push_back(0);
    return data;
}

struct ChunkInfo {
    std::string type;
    std::size_t offset = 0; // of the length field
    std::uint32_t length = 0;
    bool crcOk = false;
};

// Splits a stream into chunks; stops at the first chunk that runs past the end.
std::vector<ChunkInfo> Chunks(const Bytes& png) {
    std::vector<ChunkInfo> chunks;
    std::size_t at = 8;
    while (at + 12 <= png.size()) {
        ChunkInfo c;
        c.offset = at;
        c.length = GetBe32(png, at);
        if (c.length > png.size() - at - 12)
            break;
        c.type.assign(reinterpret_cast<const char*>(png.data() + at + 4), 4);
        c.crcOk = Crc(png.data() + at + 4, c.length + 4) == GetBe32(png, at + 8 + c.length);
        chunks.push_back(c);
        at += 12 + c.length;
    }
    return chunks;
}

const ChunkInfo* FindChunk(const std::vector<ChunkInfo>& chunks, const std::string& type) {
    for (const ChunkInfo& c : chunks) {
        if (c.type == type)
            return &c;
    }
    return nullptr;
}

// ---- fixtures ---------------------------------------------------------------

// A folder of the source tree, reached from Wine through drive Z:.
std::string SourceFolder(const std::string& relative) { return testsupport::SourceFolder() + relative + "\\"; }

Bytes ReadBinary(const std::string& path) {
    const std::string bytes = testsupport::ReadTextFile(path);
    return Bytes(bytes.begin(), bytes.end());
}

Bytes LoadFile(const std::string& name) { return ReadBinary(SourceFolder("tests\\standins\\pngio\\data") + name); }

struct Expected {
    DWORD width = 0;
    DWORD height = 0;
    int channels = 0;
    int tolerance = 0;
    Bytes pixels;
};

bool LoadExpected(const std::string& name, Expected& expected) {
    const Bytes file = LoadFile(name + ".expect");
    const auto newline = std::find(file.begin(), file.end(), std::uint8_t('\n'));
    if (newline == file.end())
        return false;
    std::istringstream header(std::string(file.begin(), newline));
    header >> expected.width >> expected.height >> expected.channels >> expected.tolerance;
    expected.pixels.assign(newline + 1, file.end());
    return header && expected.pixels.size() == std::size_t(expected.width) * expected.height * expected.channels;
}

Bytes Fixture(const std::string& name) {
    Bytes png = LoadFile(name + ".png");
    EXPECT_FALSE(png.empty()) << "missing fixture " << name;
    return png;
}

// Fills width x height pixels with a pattern that varies per channel, and
// gives some pixels alpha 0 with a non-black colour.
void FillPattern(const PngImage& image) {
    const DWORD channels = image.colorType == 6 ? 4 : 3;
    for (DWORD y = 0; y < image.height; ++y) {
        for (DWORD x = 0; x < image.width; ++x) {
            BYTE* p = image.rows[y] + x * channels;
            p[0] = static_cast<BYTE>(x * 40 + y * 3 + 1);
            p[1] = static_cast<BYTE>(y * 50 + x + 2);
            p[2] = static_cast<BYTE>((x ^ y) * 29 + 3);
            if (channels == 4)
                p[3] = static_cast<BYTE>((x + y) % 3 == 0 ? 0 : x * 60 + y * 7);
        }
    }
}

} // namespace

// ---- decoding ---------------------------------------------------------------

TEST_F(PngIo, DecodesEveryKindOfPictureToEightBitRows) {
    const char* names[] = {"grey8",     "grey4_trns",         "grey2_interlaced",
                           "grey16",    "grey_alpha8",        "palette8_trns",
                           "palette4",  "palette1",           "palette2_trns_interlaced",
                           "rgb16",     "rgba16_interlaced",  "rgb8_interlaced_split",
                           "rgb8_trns", "rgba8_text_trailing"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        Expected expected;
        ASSERT_TRUE(LoadExpected(name, expected));
        const Bytes png = Fixture(name);
        Reader reader(png);
        Image image(free_);
        ASSERT_TRUE(read_(&image.record, &Reader::Read, &reader));
        EXPECT_EQ(expected.width, image.record.width);
        EXPECT_EQ(expected.height, image.record.height);
        EXPECT_EQ(8u, image.record.bitDepth);
        // Transparency (alpha channel or tRNS) gives RGBA rows, anything else RGB.
        EXPECT_EQ(expected.channels == 4 ? 6u : 2u, image.record.colorType);
        ASSERT_NE(nullptr, image.record.rows);
        int mismatches = 0;
        for (DWORD y = 0; y < expected.height && y < image.record.height; ++y) {
            const std::size_t stride = std::size_t(expected.width) * expected.channels;
            for (std::size_t i = 0; i < stride; ++i) {
                const int want = expected.pixels[y * stride + i];
                const int got = image.record.rows[y][i];
                if (std::abs(want - got) > expected.tolerance && ++mismatches <= 5)
                    ADD_FAILURE() << "row " << y << " byte " << i << ": expected " << want << ", got " << got;
            }
        }
        EXPECT_EQ(0, mismatches);
    }
}

TEST_F(PngIo, RejectsCorruptStreamsAndLeavesTheRecordEmpty) {
    const Bytes good = Fixture("rgba8_text_trailing");
    const std::vector<ChunkInfo> chunks = Chunks(good);
    const ChunkInfo* ihdr = FindChunk(chunks, "IHDR");
    const ChunkInfo* text = FindChunk(chunks, "tEXt");
    const ChunkInfo* idat = FindChunk(chunks, "IDAT");
    ASSERT_TRUE(ihdr != nullptr && text != nullptr && idat != nullptr);

    struct Case {
        const char* what;
        Bytes bytes;
    };
    std::vector<Case> cases;
    auto flipped = [&](std::size_t at) {
        Bytes b = good;
        b[at] ^= 0x5A;
        return b;
    };
    cases.push_back({"IHDR CRC", flipped(ihdr->offset + 8 + ihdr->length)});
    cases.push_back({"IDAT data under its CRC", flipped(idat->offset + 8 + idat->length / 2)});
    cases.push_back({"ancillary chunk data under its CRC", flipped(text->offset + 10)});
    cases.push_back({"signature", flipped(3)});
    cases.push_back({"chunk length", flipped(idat->offset + 1)});
    {
        // Framing and CRC correct, compressed data replaced by garbage.
        Bytes b(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(idat->offset));
        AppendChunk(b, "IDAT", Bytes(64, 0xFF));
        AppendChunk(b, "IEND", Bytes());
        cases.push_back({"garbage compressed data", b});
    }
    {
        Bytes b = kSignature;
        AppendChunk(b, "IHDR", Ihdr(4, 4, 8, 2));
        AppendChunk(b, "IEND", Bytes());
        cases.push_back({"no image data", b});
    }
    {
        Bytes b = kSignature;
        AppendChunk(b, "IHDR", Ihdr(4, 4, 3, 2));
        b.insert(b.end(), good.begin() + static_cast<std::ptrdiff_t>(idat->offset), good.end());
        cases.push_back({"bit depth 3", b});
    }
    cases.push_back({"rows missing from the data", Fixture("bad_short_data")});
    cases.push_back({"empty stream", Bytes()});
    cases.push_back({"signature only", kSignature});
    {
        Bytes b;
        for (int i = 0; i < 5000; ++i)
            b.push_back(static_cast<std::uint8_t>((i * 7919 + 13) >> 3));
        cases.push_back({"not a PNG", b});
    }
    {
        Bytes b = good;
        b.insert(b.begin(), 'x');
        cases.push_back({"PNG behind a leading byte", b});
    }

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Reader reader(c.bytes);
        Image image(free_);
        // Stale values must not survive a failed read.
        BYTE* fakeRows[1] = {nullptr};
        image.record = PngImage{7, 7, 8, 6, 1, fakeRows};
        EXPECT_FALSE(read_(&image.record, &Reader::Read, &reader));
        EXPECT_TRUE(IsEmpty(image.record));
        if (image.record.rows == fakeRows)
            image.record.rows = nullptr;
    }
}

TEST_F(PngIo, RejectsEveryTruncationOfAValidStream) {
    const Bytes good = Fixture("rgb8_interlaced_split");
    ASSERT_GT(good.size(), 40u);
    {
        Reader reader(good);
        Image image(free_);
        ASSERT_TRUE(read_(&image.record, &Reader::Read, &reader));
    }
    for (std::size_t length = 0; length < good.size(); ++length) {
        SCOPED_TRACE(length);
        const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length));
        Reader reader(cut);
        Image image(free_);
        EXPECT_FALSE(read_(&image.record, &Reader::Read, &reader));
        EXPECT_TRUE(IsEmpty(image.record));
    }
}

TEST_F(PngIo, RefusesAbsurdPictureSizesFromTheHeader) {
    struct Case {
        std::uint32_t width;
        std::uint32_t height;
    };
    const Case cases[] = {{100000, 100000}, {8193, 8192}, {0x80000000u, 1}, {1, 0}, {0, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        Bytes png = kSignature;
        AppendChunk(png, "IHDR", Ihdr(c.width, c.height, 8, 6));
        AppendChunk(png, "IDAT", Bytes{0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01});
        AppendChunk(png, "IEND", Bytes());
        Reader reader(png);
        Image image(free_);
        EXPECT_FALSE(read_(&image.record, &Reader::Read, &reader));
        EXPECT_TRUE(IsEmpty(image.record));
    }

    // The header alone decides: the stream behind it is not pulled to the end.
    EndlessReader endless;
    endless.prefix = kSignature;
    AppendChunk(endless.prefix, "IHDR", Ihdr(100000, 100000, 8, 2));
    Image image(free_);
    EXPECT_FALSE(read_(&image.record, &EndlessReader::Read, &endless));
    EXPECT_LE(endless.delivered, 1024u * 1024u);
}

TEST_F(PngIo, StopsPullingAnEndlessStreamAtTheSizeCap) {
    EndlessReader endless;
    endless.prefix = kSignature;
    AppendChunk(endless.prefix, "IHDR", Ihdr(16, 16, 8, 2));
    Image image(free_);
    EXPECT_FALSE(read_(&image.record, &EndlessReader::Read, &endless));
    EXPECT_TRUE(IsEmpty(image.record));
    EXPECT_GE(endless.delivered, pngio::kMaxStreamBytes);
    EXPECT_LE(endless.delivered, pngio::kMaxStreamBytes + 1);
}

TEST_F(PngIo, ReadProtocolEndsAtTheFirstShortRead) {
    const Bytes good = Fixture("rgba16_interlaced");
    {
        // Whole stream in one piece: a single short read ends it.
        Reader reader(good);
        Image image(free_);
        ASSERT_TRUE(read_(&image.record, &Reader::Read, &reader));
        EXPECT_EQ(good.size(), reader.position);
        EXPECT_EQ(1, reader.calls);
        EXPECT_EQ(0, reader.callsAfterEnd);
    }
    {
        // A reader that hands out less than asked mid-stream has ended the
        // stream as far as the library is concerned: what came is truncated.
        Reader reader(good);
        reader.maxPerCall = 100;
        Image image(free_);
        EXPECT_FALSE(read_(&image.record, &Reader::Read, &reader));
        EXPECT_EQ(1, reader.calls);
        EXPECT_TRUE(IsEmpty(image.record));
    }
    {
        // A reader claiming more bytes than asked for is broken.
        Reader reader(good);
        reader.deliverTooMuch = true;
        Image image(free_);
        EXPECT_FALSE(read_(&image.record, &Reader::Read, &reader));
        EXPECT_TRUE(IsEmpty(image.record));
    }
}

TEST_F(PngIo, ReadsStreamsThatEndExactlyOnAChunkBoundary) {
    const Bytes base = Fixture("palette8_trns");
    // Learn the library's request size from a run that ends on a short read.
    Reader probe(base);
    Image first(free_);
    ASSERT_TRUE(read_(&first.record, &Reader::Read, &probe));
    ASSERT_FALSE(probe.requests.empty());
    const std::size_t chunk = probe.requests.front();
    ASSERT_GT(chunk, base.size() + 12);
    ASSERT_LE(chunk, 4u * 1024 * 1024);

    for (std::size_t multiple = 1; multiple <= 3; ++multiple) {
        SCOPED_TRACE(multiple);
        // Pad with a private ancillary chunk before IEND to the exact length.
        const std::size_t target = chunk * multiple;
        const std::size_t iend = base.size() - 12;
        Bytes padded(base.begin(), base.begin() + static_cast<std::ptrdiff_t>(iend));
        AppendChunk(padded, "prVt", Bytes(target - base.size() - 12, 0xA5));
        padded.insert(padded.end(), base.begin() + static_cast<std::ptrdiff_t>(iend), base.end());
        ASSERT_EQ(target, padded.size());

        Reader reader(padded);
        Image image(free_);
        ASSERT_TRUE(read_(&image.record, &Reader::Read, &reader));
        EXPECT_EQ(first.record.width, image.record.width);
        EXPECT_EQ(0, std::memcmp(first.record.rows[0], image.record.rows[0], first.record.width * 4));
        // Every full chunk, then one read that finds nothing more.
        EXPECT_EQ(static_cast<int>(multiple) + 1, reader.calls);
        EXPECT_EQ(0, reader.callsAfterEnd);
    }
}

TEST_F(PngIo, RejectsMissingArguments) {
    const Bytes good = Fixture("grey8");
    Reader reader(good);
    EXPECT_FALSE(read_(nullptr, &Reader::Read, &reader));
    EXPECT_EQ(0, reader.calls);
    Image image(free_);
    image.record.width = 3;
    EXPECT_FALSE(read_(&image.record, nullptr, &reader));
    EXPECT_TRUE(IsEmpty(image.record));
}

TEST_F(PngIo, ShippedArtworkDecodesWithItsTransparency) {
    const std::string folder = SourceFolder("resources\\Resource");
    {
        // The status indicator: transparent surroundings, solid body and
        // anti-aliased edges in between.
        const Bytes png = ReadBinary(folder + "turbo_mode.png");
        Reader reader(png);
        Image image(free_);
        ASSERT_TRUE(read_(&image.record, &Reader::Read, &reader));
        EXPECT_EQ(120u, image.record.width);
        EXPECT_EQ(40u, image.record.height);
        ASSERT_EQ(6u, image.record.colorType);
        int clear = 0, solid = 0, partial = 0;
        for (DWORD y = 0; y < 40; ++y) {
            for (DWORD x = 0; x < 120; ++x) {
                const BYTE alpha = image.record.rows[y][x * 4 + 3];
                if (alpha == 0)
                    ++clear;
                else if (alpha == 255)
                    ++solid;
                else
                    ++partial;
            }
        }
        EXPECT_EQ(0, image.record.rows[0][3]);
        EXPECT_EQ(0, image.record.rows[39][119 * 4 + 3]);
        EXPECT_GT(clear, 0);
        EXPECT_GT(solid, 0);
        EXPECT_GT(partial, 100);
    }
    {
        // The smoke: dark, never fully transparent, alpha varying.
        const Bytes png = ReadBinary(folder + "bg_smoke01.png");
        Reader reader(png);
        Image image(free_);
        ASSERT_TRUE(read_(&image.record, &Reader::Read, &reader));
        ASSERT_EQ(6u, image.record.colorType);
        EXPECT_GE(image.record.width, 480u);
        EXPECT_EQ(image.record.width * 9, image.record.height * 16);
        int lowest = 255, highest = 0;
        unsigned long long brightness = 0;
        for (DWORD y = 0; y < image.record.height; ++y) {
            for (DWORD x = 0; x < image.record.width; ++x) {
                const BYTE* p = image.record.rows[y] + x * 4;
                lowest = std::min<int>(lowest, p[3]);
                highest = std::max<int>(highest, p[3]);
                brightness += p[0] + p[1] + p[2];
            }
        }
        EXPECT_GT(lowest, 0);
        EXPECT_GE(highest - lowest, 40);
        const unsigned long long channels = 3ull * image.record.width * image.record.height;
        EXPECT_LT(brightness / channels, 96u);
    }
}

// ---- encoding -----------------------------------------------------------------

TEST_F(PngIo, RoundTripsRgbaAndRgbPictures) {
    struct Case {
        DWORD colorType;
        std::uint8_t headerColorType;
        DWORD channels;
    };
    // Any colour type other than 6 is three bytes per pixel and written as RGB.
    const Case cases[] = {{6, 6, 4}, {2, 2, 3}, {0, 2, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.colorType);
        Image source(free_);
        source.record.width = 7;
        source.record.height = 5;
        source.record.colorType = c.colorType;
        ASSERT_TRUE(allocate_(&source.record));
        FillPattern(source.record);

        Writer writer;
        ASSERT_TRUE(write_(&source.record, &Writer::Write, &writer));
        const Bytes& png = writer.out;
        ASSERT_GE(png.size(), 8u);
        EXPECT_TRUE(std::equal(kSignature.begin(), kSignature.end(), png.begin()));
        const std::vector<ChunkInfo> chunks = Chunks(png);
        ASSERT_GE(chunks.size(), 3u);
        EXPECT_EQ("IHDR", chunks.front().type);
        EXPECT_EQ("IEND", chunks.back().type);
        EXPECT_EQ(png.size(), chunks.back().offset + 12);
        for (const ChunkInfo& chunk : chunks)
            EXPECT_TRUE(chunk.crcOk) << chunk.type;
        EXPECT_EQ(7u, GetBe32(png, 16));
        EXPECT_EQ(5u, GetBe32(png, 20));
        EXPECT_EQ(8, png[24]);
        EXPECT_EQ(c.headerColorType, png[25]);

        Reader reader(png);
        Image back(free_);
        ASSERT_TRUE(read_(&back.record, &Reader::Read, &reader));
        EXPECT_EQ(7u, back.record.width);
        EXPECT_EQ(5u, back.record.height);
        EXPECT_EQ(c.channels == 4 ? 6u : 2u, back.record.colorType);
        for (DWORD y = 0; y < 5; ++y) {
            // Colours under alpha 0 are kept as written.
            EXPECT_EQ(0, std::memcmp(source.record.rows[y], back.record.rows[y], 7 * c.channels)) << "row " << y;
        }
    }
}

TEST_F(PngIo, WritesRowsFromAnywhereInMemory) {
    // Rows supplied by the caller, bottom row first in memory.
    std::vector<BYTE> storage(3 * 2 * 4);
    BYTE* rows[2] = {storage.data() + 12, storage.data()};
    for (std::size_t i = 0; i < storage.size(); ++i)
        storage[i] = static_cast<BYTE>(i * 11 + 5);
    const PngImage image{3, 2, 8, 6, 0, rows};
    Writer writer;
    ASSERT_TRUE(write_(&image, &Writer::Write, &writer));
    Reader reader(writer.out);
    Image back(free_);
    ASSERT_TRUE(read_(&back.record, &Reader::Read, &reader));
    EXPECT_EQ(0, std::memcmp(rows[0], back.record.rows[0], 12));
    EXPECT_EQ(0, std::memcmp(rows[1], back.record.rows[1], 12));
}

TEST_F(PngIo, WriteFailsWhenTheSinkTakesLessOrTheRecordIsUnusable) {
    Image source(free_);
    source.record.width = 4;
    source.record.height = 4;
    source.record.colorType = 6;
    ASSERT_TRUE(allocate_(&source.record));
    FillPattern(source.record);
    {
        Writer writer;
        writer.shortBy = 1;
        EXPECT_FALSE(write_(&source.record, &Writer::Write, &writer));
        EXPECT_GE(writer.calls, 1);
    }
    EXPECT_FALSE(write_(&source.record, nullptr, nullptr));

    BYTE row[16] = {};
    BYTE* withNullRow[4] = {row, row, nullptr, row};
    struct Case {
        const char* what;
        PngImage image;
    };
    const Case cases[] = {
        {"no rows", PngImage{4, 4, 8, 6, 0, nullptr}},
        {"a null row", PngImage{4, 4, 8, 6, 0, withNullRow}},
        {"zero width", PngImage{0, 4, 8, 6, 0, source.record.rows}},
        {"zero height", PngImage{4, 0, 8, 6, 0, source.record.rows}},
        {"beyond the pixel limit", PngImage{100000, 100000, 8, 6, 0, source.record.rows}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Writer writer;
        EXPECT_FALSE(write_(&c.image, &Writer::Write, &writer));
        EXPECT_EQ(0, writer.calls);
    }
    Writer writer;
    EXPECT_FALSE(write_(nullptr, &Writer::Write, &writer));
    EXPECT_EQ(0, writer.calls);
}

// ---- allocation ---------------------------------------------------------------

TEST_F(PngIo, AllocatesZeroedRowsForTheColourType) {
    struct Case {
        DWORD colorType;
        DWORD bytesPerPixel;
    };
    const Case cases[] = {{6, 4}, {2, 3}, {3, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.colorType);
        Image image(free_);
        image.record.width = 5;
        image.record.height = 3;
        image.record.colorType = c.colorType;
        ASSERT_TRUE(allocate_(&image.record));
        EXPECT_EQ(8u, image.record.bitDepth);
        EXPECT_EQ(5u, image.record.width);
        EXPECT_EQ(3u, image.record.height);
        EXPECT_EQ(c.colorType, image.record.colorType);
        ASSERT_NE(nullptr, image.record.rows);
        const DWORD stride = 5 * c.bytesPerPixel;
        for (DWORD y = 0; y < 3; ++y) {
            ASSERT_NE(nullptr, image.record.rows[y]);
            for (DWORD i = 0; i < stride; ++i)
                EXPECT_EQ(0, image.record.rows[y][i]);
        }
        // Each row holds its full width without touching the others.
        for (DWORD y = 0; y < 3; ++y)
            std::memset(image.record.rows[y], static_cast<int>(0x10 + y), stride);
        for (DWORD y = 0; y < 3; ++y) {
            for (DWORD i = 0; i < stride; ++i)
                ASSERT_EQ(0x10 + y, image.record.rows[y][i]) << y << "," << i;
        }
    }
}

TEST_F(PngIo, RefusesToAllocateEmptyOrAbsurdPictures) {
    struct Case {
        DWORD width;
        DWORD height;
    };
    const Case cases[] = {{0, 10},         {10, 0}, {0, 0}, {100000, 100000}, {8193, 8192}, {0xFFFFFFFFu, 0xFFFFFFFFu},
                          {0xFFFFFFFFu, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        Image image(free_);
        image.record.width = c.width;
        image.record.height = c.height;
        image.record.colorType = 6;
        EXPECT_FALSE(allocate_(&image.record));
        EXPECT_EQ(nullptr, image.record.rows);
    }
    EXPECT_FALSE(allocate_(nullptr));
}

TEST_F(PngIo, FreeingIsSafeOnEmptyRecordsAndWhenRepeated) {
    PngImage image{};
    image.width = 2;
    image.height = 2;
    image.colorType = 2;
    ASSERT_TRUE(allocate_(&image));
    free_(&image);
    EXPECT_EQ(nullptr, image.rows);
    free_(&image);
    EXPECT_EQ(nullptr, image.rows);
    PngImage empty{};
    free_(&empty);
    EXPECT_TRUE(IsEmpty(empty));
    free_(nullptr);

    // Rows from a decoded picture go the same way.
    const Bytes png = Fixture("grey8");
    Reader reader(png);
    PngImage decoded{};
    ASSERT_TRUE(read_(&decoded, &Reader::Read, &reader));
    free_(&decoded);
    EXPECT_EQ(nullptr, decoded.rows);
    free_(&decoded);
}
