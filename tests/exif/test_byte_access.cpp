// Positioned integer and text access to an open photo file.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "byte_access.h"
#include "photo_file.h"
#include "test_files.h"

namespace tovrin {
namespace {

using test::Bytes;

struct IntegerCase {
    const char* name;
    Bytes bytes;
    std::int64_t position;
    std::function<std::int32_t(PhotoFile&, std::int64_t)> read;
    std::int32_t expected;
};

auto wordMotorola = [](PhotoFile& f, std::int64_t p) { return ReadWordMotorola(f, p); };
auto wordIntel = [](PhotoFile& f, std::int64_t p) { return ReadWordIntel(f, p); };
auto dwordMotorola = [](PhotoFile& f, std::int64_t p) { return ReadDwordMotorola(f, p); };
auto dwordIntel = [](PhotoFile& f, std::int64_t p) { return ReadDwordIntel(f, p); };
auto wordIn = [](int order) {
    return [order](PhotoFile& f, std::int64_t p) -> std::int32_t { return ReadWord(f, p, order); };
};
auto dwordIn = [](int order) {
    return [order](PhotoFile& f, std::int64_t p) { return ReadDword(f, p, order); };
};

class IntegerRead : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(IntegerRead, GivesTheSignedValueOfTheBytes) {
    const IntegerCase& c = GetParam();
    test::TempDir dir;
    PhotoFile file(dir.write("p.jpg", c.bytes), PhotoFile::Mode::Read);
    EXPECT_EQ(c.read(file, c.position), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, IntegerRead,
    ::testing::Values(
        IntegerCase{"SoiMotorola", {0xFF, 0xD8}, 1, wordMotorola, -40},
        IntegerCase{"SoiIntel", {0xFF, 0xD8}, 1, wordIntel, -9985},
        IntegerCase{"EightIntel", {8, 0, 0, 0}, 1, dwordIntel, 8},
        IntegerCase{"EightMotorola", {8, 0, 0, 0}, 1, dwordMotorola, 134217728},
        IntegerCase{"ExifSignature", {0x45, 0x78, 0x69, 0x66}, 1, dwordMotorola, 0x45786966},
        IntegerCase{"ExifPointerTag", {0x87, 0x69}, 1, wordMotorola, -30871},
        IntegerCase{"AllOnesWord", {0xFF, 0xFF}, 1, wordIntel, -1},
        IntegerCase{"AllOnesDword", {0xFF, 0xFF, 0xFF, 0xFF}, 1, dwordIntel, -1},
        IntegerCase{"SmallestDword", {0x80, 0, 0, 0}, 1, dwordMotorola, INT32_MIN},
        IntegerCase{"AtLaterPosition", {0, 0, 0x12, 0x34}, 3, wordMotorola, 0x1234},
        IntegerCase{"WordOrderIntel", {0x2A, 0x00}, 1, wordIn(Intel), 42},
        IntegerCase{"WordOrderMotorola", {0x00, 0x2A}, 1, wordIn(Motorola), 42},
        IntegerCase{"DwordOrderIntel", {1, 2, 3, 4}, 1, dwordIn(Intel), 0x04030201},
        IntegerCase{"DwordOrderMotorola", {1, 2, 3, 4}, 1, dwordIn(Motorola), 0x01020304},
        // An unknown order reads nothing: a position far past the end would fail.
        IntegerCase{"WordOrderZero", {1, 2}, 1000000, wordIn(0), 0},
        IntegerCase{"WordOrderThree", {1, 2}, 1000000, wordIn(3), 0},
        IntegerCase{"DwordOrderZero", {1, 2, 3, 4}, -7, dwordIn(0), 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IntegerRead, OutsideTheFileIsReportedNotInvented) {
    test::TempDir dir;
    PhotoFile file(dir.write("p.jpg", {1, 2, 3, 4}), PhotoFile::Mode::Read);
    for (std::int64_t p : {std::int64_t{0}, std::int64_t{-3}, std::int64_t{4}, std::int64_t{5},
                           std::int64_t{INT32_MIN}, std::int64_t{1} << 40}) {
        SCOPED_TRACE(p);
        EXPECT_THROW(ReadWordMotorola(file, p), OutsideFile);
        EXPECT_THROW(ReadDwordIntel(file, p), OutsideFile);
    }
    EXPECT_THROW(ReadDwordMotorola(file, 2), OutsideFile);
    EXPECT_EQ(ReadWordMotorola(file, 3), 0x0304);
}

// The reader caches blocks; values straddling a block edge must still be whole.
TEST(IntegerRead, AcrossCacheBlocks) {
    Bytes bytes(3 * 4096 + 7);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 7);
    test::TempDir dir;
    PhotoFile file(dir.write("p.jpg", bytes), PhotoFile::Mode::Read);
    for (std::int64_t p : {4093, 4094, 4095, 4096, 4097, 8190, 8192, 12291, 4090, 1}) {
        SCOPED_TRACE(p);
        const auto b = [&](int k) { return static_cast<std::uint32_t>(bytes[p - 1 + k]); };
        EXPECT_EQ(static_cast<std::uint32_t>(ReadDwordMotorola(file, p)),
                  b(0) << 24 | b(1) << 16 | b(2) << 8 | b(3));
        EXPECT_EQ(static_cast<std::uint32_t>(ReadDwordIntel(file, p)),
                  b(3) << 24 | b(2) << 16 | b(1) << 8 | b(0));
    }
}

struct HexCase {
    std::int32_t value;
    const char* text;
};

class ByteHex : public ::testing::TestWithParam<HexCase> {};
class WordHex : public ::testing::TestWithParam<HexCase> {};

TEST_P(ByteHex, HasTwoUpperDigits) { EXPECT_EQ(ByteToHex(GetParam().value), GetParam().text); }
TEST_P(WordHex, HasFourUpperDigitsOfTheLowHalf) {
    EXPECT_EQ(WordToHex(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Table, ByteHex,
                         ::testing::Values(HexCase{0, "00"}, HexCase{5, "05"}, HexCase{10, "0A"},
                                           HexCase{216, "D8"}, HexCase{255, "FF"}));
INSTANTIATE_TEST_SUITE_P(Table, WordHex,
                         ::testing::Values(HexCase{0, "0000"}, HexCase{10, "000A"},
                                           HexCase{271, "010F"}, HexCase{306, "0132"},
                                           HexCase{-30871, "8769"}, HexCase{-1, "FFFF"},
                                           HexCase{0x12345, "2345"}, HexCase{INT32_MIN, "0000"}));

struct TextCase {
    const char* name;
    Bytes bytes;
    std::int64_t position;
    std::string expected;
};

class ReadTextCase : public ::testing::TestWithParam<TextCase> {};

TEST_P(ReadTextCase, StopsAtNulOrEndOfFile) {
    const TextCase& c = GetParam();
    test::TempDir dir;
    PhotoFile file(dir.write("p.jpg", c.bytes), PhotoFile::Mode::Read);
    EXPECT_EQ(ReadText(file, c.position), c.expected);
}

Bytes longText() {
    Bytes b(4090, 'x');
    for (char c : std::string("2006:05:04 10:11:12")) b.push_back(static_cast<unsigned char>(c));
    b.push_back(0);
    b.push_back('y');
    return b;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReadTextCase,
    ::testing::Values(TextCase{"LineFeedBecomesBlank", {0x41, 0x42, 0x0A, 0x43, 0x00}, 1, "AB C"},
                      TextCase{"NulAtStart", {0x00, 0x41}, 1, ""},
                      TextCase{"EndOfFileEndsIt", {0x30, 0x41, 0x42}, 2, "AB"},
                      TextCase{"CarriageReturnKept", {0x41, 0x0D, 0x42, 0x00}, 1, "A\rB"},
                      TextCase{"HighBytesKept", {0x43, 0xE9, 0xFF, 0x00}, 1, "C\xE9\xFF"},
                      TextCase{"LastByte", {0x00, 0x5A}, 2, "Z"},
                      TextCase{"AcrossCacheBlocks", longText(), 4091, "2006:05:04 10:11:12"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadText, OutsideTheFileIsReported) {
    test::TempDir dir;
    PhotoFile file(dir.write("p.jpg", {0x41, 0x00}), PhotoFile::Mode::Read);
    EXPECT_THROW(ReadText(file, 0), OutsideFile);
    EXPECT_THROW(ReadText(file, -1), OutsideFile);
    EXPECT_THROW(ReadText(file, 3), OutsideFile);
}

TEST(WriteText, LeavesTheRestOfTheFieldAndTheLength) {
    Bytes bytes = test::ToBytes("..2006:05:04 10:11:12");
    bytes.push_back(0);
    bytes.push_back('!');
    test::TempDir dir;
    const std::string path = dir.write("p.jpg", bytes);
    {
        PhotoFile file(path, PhotoFile::Mode::ReadWrite);
        WriteText(file, 3, "2007:01:23");
        // Read back through the same open file: its cache must not serve stale bytes.
        EXPECT_EQ(ReadText(file, 3), "2007:01:23 10:11:12");
        file.close();
    }
    Bytes expected = test::ToBytes("..2007:01:23 10:11:12");
    expected.push_back(0);
    expected.push_back('!');
    EXPECT_EQ(test::ReadBytes(path), expected);
}

}  // namespace
}  // namespace tovrin
