// PngReader through the real pngio.dll: channel order, the alpha rules, the
// 24-bit path, sizes, damaged files, a missing file and a missing or
// incomplete library; and the row copy on records built by hand.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "PictureFiles.h"
#include "TestSupport.h"
#include "win32/ModulePath.h"
#include "osd/PngReader.h"
#include "gui/Bitmap.h"
#include "gui/Exceptions.h"
#include "gui/FileStream.h"

using pictures::Rgba;

namespace {

using Bytes4 = std::array<int, 4>;
using Bytes3 = std::array<int, 3>;

Bytes4 Pixel32(const gui::Bitmap& bitmap, int x, int y) {
    const std::uint8_t* p = bitmap.ScanLine(y) + x * 4;
    return {p[0], p[1], p[2], p[3]};
}

Bytes3 Pixel24(const gui::Bitmap& bitmap, int x, int y) {
    const std::uint8_t* p = bitmap.ScanLine(y) + x * 3;
    return {p[0], p[1], p[2]};
}

// Every pixel byte of a bitmap, row padding left out.
std::vector<int> PixelBytes(const gui::Bitmap& bitmap) {
    std::vector<int> bytes;
    for (int y = 0; y < bitmap.Height(); ++y) {
        const std::uint8_t* row = bitmap.ScanLine(y);
        for (int i = 0; i < bitmap.Width() * bitmap.BytesPerPixel(); ++i)
            bytes.push_back(row[i]);
    }
    return bytes;
}

// A picture with every kind of pixel: opaque, half transparent, and fully
// transparent with and without colour.
const std::vector<Rgba> kMixed = {
    {10, 20, 30, 255}, {200, 100, 50, 128}, {255, 255, 255, 0}, {1, 2, 3, 0}, {0, 0, 0, 255}, {90, 80, 70, 1},
};

// Noise that does not compress, so the PNG is long enough to cut in half.
std::vector<Rgba> Noise(int count) {
    std::vector<Rgba> pixels;
    unsigned state = 12345;
    for (int i = 0; i < count; ++i) {
        state = state * 1103515245u + 12345u;
        pixels.push_back({static_cast<BYTE>(state >> 24), static_cast<BYTE>(state >> 16), static_cast<BYTE>(state >> 8),
                          static_cast<BYTE>(state >> 20)});
    }
    return pixels;
}

class PngReaderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(PngManager::Instance().IsUsable()) << "pngio.dll beside the test"; }

    std::string Write(const std::string& name, int width, int height, bool withAlpha, const std::vector<Rgba>& pixels) {
        const std::string path = folder_.Path() + name;
        EXPECT_TRUE(pictures::WritePng(path, width, height, withAlpha, pixels)) << path;
        return path;
    }

    // A bitmap holding a known 2 x 1 picture, as the former content.
    void LoadFormer(gui::Bitmap& bitmap) {
        LoadPngFile(Write("former.png", 2, 1, true, {{1, 2, 3, 4}, {50, 60, 70, 255}}), bitmap);
        ASSERT_EQ(2, bitmap.Width());
        ASSERT_EQ(1, bitmap.Height());
    }

    testsupport::TempFolder folder_;
};

TEST_F(PngReaderTest, AlphaPictureBecomesBlueGreenRedAlphaWithTransparentPixelsCleared) {
    gui::Bitmap bitmap;
    LoadPngFile(Write("mixed.png", 3, 2, true, kMixed), bitmap);
    ASSERT_EQ(gui::PixelFormat::pf32bit, bitmap.Format());
    ASSERT_EQ(3, bitmap.Width());
    ASSERT_EQ(2, bitmap.Height());
    EXPECT_EQ((Bytes4{30, 20, 10, 255}), Pixel32(bitmap, 0, 0));
    EXPECT_EQ((Bytes4{50, 100, 200, 128}), Pixel32(bitmap, 1, 0)); // colour kept as it is
    EXPECT_EQ((Bytes4{0, 0, 0, 0}), Pixel32(bitmap, 2, 0));        // white, transparent
    EXPECT_EQ((Bytes4{0, 0, 0, 0}), Pixel32(bitmap, 0, 1));
    EXPECT_EQ((Bytes4{0, 0, 0, 255}), Pixel32(bitmap, 1, 1));
    EXPECT_EQ((Bytes4{70, 80, 90, 1}), Pixel32(bitmap, 2, 1)); // almost transparent keeps colour
}

TEST_F(PngReaderTest, PictureWithoutAlphaIsOpaqueEverywhere) {
    const std::vector<Rgba> pixels = {
        {255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}, {0, 0, 0, 0}, {12, 34, 56, 0}, {255, 255, 255, 0},
    };
    gui::Bitmap bitmap;
    LoadPngFile(Write("opaque.png", 2, 3, false, pixels), bitmap);
    ASSERT_EQ(gui::PixelFormat::pf32bit, bitmap.Format());
    ASSERT_EQ(2, bitmap.Width());
    ASSERT_EQ(3, bitmap.Height());
    EXPECT_EQ((Bytes4{0, 0, 255, 255}), Pixel32(bitmap, 0, 0));
    EXPECT_EQ((Bytes4{0, 255, 0, 255}), Pixel32(bitmap, 1, 0));
    EXPECT_EQ((Bytes4{255, 0, 0, 255}), Pixel32(bitmap, 0, 1));
    EXPECT_EQ((Bytes4{0, 0, 0, 255}), Pixel32(bitmap, 1, 1)); // black stays black and opaque
    EXPECT_EQ((Bytes4{56, 34, 12, 255}), Pixel32(bitmap, 0, 2));
    EXPECT_EQ((Bytes4{255, 255, 255, 255}), Pixel32(bitmap, 1, 2));
}

TEST_F(PngReaderTest, BitmapNotAt32BitsGetsThreeBytesPerPixelAndNoAlpha) {
    const std::string path = Write("mixed.png", 3, 2, true, kMixed);
    gui::Bitmap bitmap;
    bitmap.SetPixelFormat(gui::PixelFormat::pf24bit);
    gui::FileStream stream(path);
    ASSERT_TRUE(PngManager::Instance().Read(stream, bitmap));
    ASSERT_EQ(gui::PixelFormat::pf24bit, bitmap.Format());
    ASSERT_EQ(3, bitmap.Width());
    ASSERT_EQ(2, bitmap.Height());
    // 3 pixels of 3 bytes: rows are padded to 12 bytes, each row its own.
    EXPECT_EQ(12, bitmap.Stride());
    EXPECT_EQ((Bytes3{30, 20, 10}), Pixel24(bitmap, 0, 0));
    EXPECT_EQ((Bytes3{50, 100, 200}), Pixel24(bitmap, 1, 0));
    // Without an alpha byte nothing is cleared.
    EXPECT_EQ((Bytes3{255, 255, 255}), Pixel24(bitmap, 2, 0));
    EXPECT_EQ((Bytes3{3, 2, 1}), Pixel24(bitmap, 0, 1));
    EXPECT_EQ((Bytes3{0, 0, 0}), Pixel24(bitmap, 1, 1));
    EXPECT_EQ((Bytes3{70, 80, 90}), Pixel24(bitmap, 2, 1));
}

TEST_F(PngReaderTest, SizeAfterLoadingIsThePicturesSize) {
    gui::Bitmap bitmap;
    LoadPngFile(Write("big.png", 7, 9, false, Noise(63)), bitmap);
    EXPECT_EQ(7, bitmap.Width());
    EXPECT_EQ(9, bitmap.Height());
    LoadPngFile(Write("wide.png", 5, 3, true, Noise(15)), bitmap);
    EXPECT_EQ(5, bitmap.Width());
    EXPECT_EQ(3, bitmap.Height());
    LoadPngFile(Write("dot.png", 1, 1, true, {{9, 8, 7, 6}}), bitmap);
    EXPECT_EQ(1, bitmap.Width());
    EXPECT_EQ(1, bitmap.Height());
    EXPECT_EQ((Bytes4{7, 8, 9, 6}), Pixel32(bitmap, 0, 0));
}

TEST_F(PngReaderTest, DamagedPicturesLeaveTheFormerPicture) {
    const std::string good = testsupport::ReadTextFile(Write("noise.png", 32, 32, true, Noise(32 * 32)));
    ASSERT_GT(good.size(), 1000u);

    std::string corrupt = good;
    for (size_t i = 33; i < corrupt.size(); ++i)
        corrupt[i] = static_cast<char>(corrupt[i] ^ 0x5A);
    const std::vector<std::pair<std::string, std::string>> damaged = {
        {"truncated.png", good.substr(0, good.size() / 2)},
        {"header_only.png", good.substr(0, 33)}, // signature and IHDR
        {"corrupt.png", corrupt},
        {"text.png", "this is not a picture"},
        {"empty.png", ""},
    };

    gui::Bitmap bitmap;
    LoadFormer(bitmap);
    const std::vector<int> former = PixelBytes(bitmap);
    for (const auto& file : damaged) {
        const std::string path = folder_.Path() + file.first;
        ASSERT_TRUE(testsupport::WriteTextFile(path, file.second));
        EXPECT_NO_THROW(LoadPngFile(path, bitmap)) << file.first;
        EXPECT_EQ(gui::PixelFormat::pf32bit, bitmap.Format()) << file.first;
        EXPECT_EQ(2, bitmap.Width()) << file.first;
        EXPECT_EQ(1, bitmap.Height()) << file.first;
        EXPECT_EQ(former, PixelBytes(bitmap)) << file.first;
        gui::FileStream stream(path);
        EXPECT_FALSE(PngManager::Instance().Read(stream, bitmap)) << file.first;
    }
}

TEST_F(PngReaderTest, RejectedPictureStillSetsThirtyTwoBits) {
    const std::string path = folder_.Path() + "text.png";
    ASSERT_TRUE(testsupport::WriteTextFile(path, "nope"));
    gui::Bitmap bitmap;
    bitmap.SetSize(2, 2); // 24 bits, black
    ASSERT_EQ(gui::PixelFormat::pf24bit, bitmap.Format());
    LoadPngFile(path, bitmap);
    EXPECT_EQ(gui::PixelFormat::pf32bit, bitmap.Format());
    EXPECT_EQ(2, bitmap.Width());
    EXPECT_EQ((Bytes4{0, 0, 0, 255}), Pixel32(bitmap, 1, 1));
}

TEST_F(PngReaderTest, MissingFileRaisesTheFileOpenErrorNamingIt) {
    gui::Bitmap bitmap;
    LoadFormer(bitmap);
    const std::vector<int> former = PixelBytes(bitmap);
    const std::string path = folder_.Path() + "absent.png";
    try {
        LoadPngFile(path, bitmap);
        ADD_FAILURE() << "no error for a missing file";
    } catch (const gui::EFOpenError& error) {
        EXPECT_EQ(path, error.FileName());
        EXPECT_NE(std::string::npos, std::string(error.what()).find(path)) << error.what();
    }
    EXPECT_EQ(former, PixelBytes(bitmap));
}

TEST_F(PngReaderTest, WithoutTheLibraryNothingIsDecoded) {
    const std::string picture = Write("mixed.png", 3, 2, true, kMixed);
    PngManager missing(folder_.Path() + "pngio.dll");
    EXPECT_FALSE(missing.IsUsable());

    gui::Bitmap empty;
    EXPECT_NO_THROW(LoadPngFile(picture, empty, missing));
    EXPECT_TRUE(empty.Empty());

    gui::Bitmap former;
    LoadFormer(former);
    const std::vector<int> before = PixelBytes(former);
    LoadPngFile(picture, former, missing);
    EXPECT_EQ(2, former.Width());
    EXPECT_EQ(before, PixelBytes(former));

    PngImage image{};
    image.width = 1;
    image.height = 1;
    EXPECT_FALSE(missing.Allocate(image));
    EXPECT_FALSE(missing.Write(image, nullptr, nullptr));
    missing.Free(image); // harmless without a library
    // A missing file is still reported, library or not.
    EXPECT_THROW(LoadPngFile(folder_.Path() + "absent.png", empty, missing), gui::EFOpenError);
}

TEST_F(PngReaderTest, LibraryLackingAnEntryIsNotUsed) {
    // A library whose decoder works but which lacks AllocatePngData.
    const std::string library = win32::ModuleFolder() + "pictures_partial_pngio.dll";
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(library.c_str())) << library;
    PngManager partial(library);
    EXPECT_FALSE(partial.IsUsable());
    gui::Bitmap bitmap;
    LoadPngFile(Write("mixed.png", 3, 2, true, kMixed), bitmap, partial);
    EXPECT_TRUE(bitmap.Empty());
}

// ---- the row copy on records built here -------------------------------------

struct HandRecord {
    std::vector<std::vector<BYTE>> rowData;
    std::vector<BYTE*> rowPointers;
    PngImage image{};

    HandRecord(DWORD width, DWORD colorType, std::vector<std::vector<BYTE>> rows) : rowData(std::move(rows)) {
        for (auto& row : rowData)
            rowPointers.push_back(row.data());
        image.width = width;
        image.height = static_cast<DWORD>(rowData.size());
        image.bitDepth = 8;
        image.colorType = colorType;
        image.rows = rowPointers.data();
    }
};

TEST(CopyPngRowsTest, ChannelOrderAndAlphaForBothTargetWidths) {
    HandRecord rgba(2, kPngColorTypeRgba, {{1, 2, 3, 4, 5, 6, 7, 0}, {9, 10, 11, 255, 0, 0, 0, 0}});
    gui::Bitmap b32;
    b32.SetPixelFormat(gui::PixelFormat::pf32bit);
    ASSERT_TRUE(CopyPngRows(rgba.image, b32, 4));
    EXPECT_EQ((Bytes4{3, 2, 1, 4}), Pixel32(b32, 0, 0));
    EXPECT_EQ((Bytes4{0, 0, 0, 0}), Pixel32(b32, 1, 0));
    EXPECT_EQ((Bytes4{11, 10, 9, 255}), Pixel32(b32, 0, 1));

    // Colour types other than 6 are three bytes a pixel, whatever their number.
    HandRecord rgb(3, 0, {{1, 2, 3, 4, 5, 6, 7, 8, 9}});
    ASSERT_TRUE(CopyPngRows(rgb.image, b32, 4));
    EXPECT_EQ(3, b32.Width());
    EXPECT_EQ(1, b32.Height());
    EXPECT_EQ((Bytes4{3, 2, 1, 255}), Pixel32(b32, 0, 0));
    EXPECT_EQ((Bytes4{9, 8, 7, 255}), Pixel32(b32, 2, 0));

    gui::Bitmap b24;
    ASSERT_TRUE(CopyPngRows(rgba.image, b24, 3));
    EXPECT_EQ((Bytes3{3, 2, 1}), Pixel24(b24, 0, 0));
    EXPECT_EQ((Bytes3{7, 6, 5}), Pixel24(b24, 1, 0));
}

TEST(CopyPngRowsTest, RecordsThatCannotBeRealPicturesAreRefused) {
    gui::Bitmap bitmap;
    bitmap.SetPixelFormat(gui::PixelFormat::pf32bit);
    HandRecord good(1, kPngColorTypeRgba, {{1, 2, 3, 4}});
    ASSERT_TRUE(CopyPngRows(good.image, bitmap, 4));
    const std::vector<int> former = PixelBytes(bitmap);

    HandRecord noRows = good;
    noRows.image.rows = nullptr;
    HandRecord zeroWidth(0, kPngColorTypeRgba, {{1, 2, 3, 4}});
    HandRecord zeroHeight(1, kPngColorTypeRgba, {});
    HandRecord missingRow(1, kPngColorTypeRgba, {{1, 2, 3, 4}, {5, 6, 7, 8}});
    missingRow.rowPointers[1] = nullptr;
    missingRow.image.rows = missingRow.rowPointers.data();
    // Sizes no decoder hands out; the row table is never walked for them.
    HandRecord huge(0x10000, kPngColorTypeRgba, {{1, 2, 3, 4}});
    huge.image.height = 0x10000;
    HandRecord tooWide(0x40000000, kPngColorTypeRgba, {{1, 2, 3, 4}});

    const std::vector<std::pair<const char*, const PngImage*>> refused = {
        {"no rows", &noRows.image},
        {"zero width", &zeroWidth.image},
        {"zero height", &zeroHeight.image},
        {"missing row", &missingRow.image},
        {"huge", &huge.image},
        {"too wide", &tooWide.image},
    };
    for (const auto& record : refused) {
        EXPECT_FALSE(CopyPngRows(*record.second, bitmap, 4)) << record.first;
        EXPECT_EQ(1, bitmap.Width()) << record.first;
        EXPECT_EQ(former, PixelBytes(bitmap)) << record.first;
    }
    // The byte count must be the bitmap's own.
    EXPECT_FALSE(CopyPngRows(good.image, bitmap, 3));
    EXPECT_FALSE(CopyPngRows(good.image, bitmap, 2));
    EXPECT_EQ(former, PixelBytes(bitmap));
}

} // namespace
