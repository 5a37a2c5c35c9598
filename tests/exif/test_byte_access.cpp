// Positioned integer and text access to an open photo file.
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "exif/byte_access.h"
#include "exif/photo_file.h"
#include "test_files.h"

namespace tovrin {
namespace {

using test::Bytes;

// Each reader gives the signed value of its bytes, in either order.
TEST(IntegerRead, GivesTheSignedValueOfTheBytes) {
    const struct {
        Bytes bytes;
        std::int32_t wordMM, wordII, dwordMM, dwordII;
    } cases[] = {{{0xFF, 0xD8, 0x80, 0x00}, -40, -9985, -2588672, 8444159},
                 {{0x80, 0x00, 0x00, 0x00}, -32768, 128, INT32_MIN, 128},
                 {{0x01, 0x02, 0x03, 0x04}, 0x0102, 0x0201, 0x01020304, 0x04030201},
                 {{0xFF, 0xFF, 0xFF, 0xFF}, -1, -1, -1, -1}};
    test::TempDir dir;
    for (const auto& c : cases) {
        PhotoFile file(dir.write("p.jpg", c.bytes), PhotoFile::Mode::Read);
        EXPECT_EQ(ReadWordMotorola(file, 1), c.wordMM);
        EXPECT_EQ(ReadWordIntel(file, 1), c.wordII);
        EXPECT_EQ(ReadDwordMotorola(file, 1), c.dwordMM);
        EXPECT_EQ(ReadDwordIntel(file, 1), c.dwordII);
        EXPECT_EQ(ReadWord(file, 1, Motorola), c.wordMM);
        EXPECT_EQ(ReadDword(file, 1, Intel), c.dwordII);
        // An unknown order reads nothing: a position past the end would fail.
        EXPECT_EQ(ReadWord(file, 1000000, 0), 0);
        EXPECT_EQ(ReadDword(file, -7, 3), 0);
        // Outside the file is reported, not invented.
        for (std::int64_t p : {std::int64_t{0}, std::int64_t{-3}, std::int64_t{4},
                               std::int64_t{INT32_MIN}, std::int64_t{1} << 40}) {
            EXPECT_THROW(ReadWordMotorola(file, p), OutsideFile) << p;
            EXPECT_THROW(ReadDwordIntel(file, p), OutsideFile) << p;
        }
        EXPECT_THROW(ReadDwordMotorola(file, 2), OutsideFile);
    }
}

// The reader caches blocks; values straddling a block edge must still be whole.
TEST(IntegerRead, AcrossCacheBlocks) {
    Bytes bytes(3 * 4096 + 7);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 7);
    test::TempDir dir;
    PhotoFile file(dir.write("p.jpg", bytes), PhotoFile::Mode::Read);
    for (std::int64_t p : {4093, 4094, 4095, 4096, 4097, 8190, 12291, 1}) {
        const auto b = [&](int k) { return static_cast<std::uint32_t>(bytes[p - 1 + k]); };
        const std::uint32_t motorola = b(0) << 24 | b(1) << 16 | b(2) << 8 | b(3);
        const std::uint32_t intel = b(3) << 24 | b(2) << 16 | b(1) << 8 | b(0);
        EXPECT_EQ(static_cast<std::uint32_t>(ReadDwordMotorola(file, p)), motorola) << p;
        EXPECT_EQ(static_cast<std::uint32_t>(ReadDwordIntel(file, p)), intel) << p;
    }
}

// A text stops at a NUL or the end of the file; a line feed becomes a blank.
TEST(ReadText, StopsAtNulOrEndOfFile) {
    Bytes longText(4090, 'x');
    for (char c : std::string("2006:05:04 10:11:12\0y", 21)) longText.push_back(c);
    const struct {
        Bytes bytes;
        std::int64_t position;
        std::string expected;
    } cases[] = {{{0x41, 0x42, 0x0A, 0x43, 0x00}, 1, "AB C"},
                 {{0x00, 0x41}, 1, ""},
                 {{0x30, 0x41, 0x42}, 2, "AB"},
                 {{0x0D, 0xE9, 0xFF, 0x00}, 1, "\r\xE9\xFF"},
                 {longText, 4091, "2006:05:04 10:11:12"}};
    test::TempDir dir;
    for (const auto& c : cases) {
        PhotoFile file(dir.write("p.jpg", c.bytes), PhotoFile::Mode::Read);
        EXPECT_EQ(ReadText(file, c.position), c.expected);
        for (std::int64_t p :
             {std::int64_t{0}, std::int64_t{-1}, std::int64_t(c.bytes.size() + 1)}) {
            EXPECT_THROW(ReadText(file, p), OutsideFile) << p;
        }
    }
}

TEST(HexText, FixedWidthUpperCaseOfTheLowBits) {
    EXPECT_EQ(ByteToHex(5), "05");
    EXPECT_EQ(ByteToHex(216), "D8");
    EXPECT_EQ(WordToHex(306), "0132");
    EXPECT_EQ(WordToHex(-30871), "8769");  // tag 0x8769 as read, signed
    EXPECT_EQ(WordToHex(0x12345), "2345");
}

TEST(WriteText, LeavesTheRestOfTheFieldAndTheLength) {
    test::TempDir dir;
    const std::string path = dir.write("p.jpg", test::ToBytes({"..2006:05:04 10:11:12\0!", 23}));
    {
        PhotoFile file(path, PhotoFile::Mode::ReadWrite);
        WriteText(file, 3, "2007:01:23");
        // Read back through the same open file: its cache must not serve stale bytes.
        EXPECT_EQ(ReadText(file, 3), "2007:01:23 10:11:12");
        file.close();
    }
    EXPECT_EQ(test::ReadBytes(path), test::ToBytes({"..2007:01:23 10:11:12\0!", 23}));
}

}  // namespace
}  // namespace tovrin
