// File-system faults and damaged photos: a photo that cannot be written, one
// that has gone, and every prefix of real photos cut inside their EXIF block.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QRegularExpression>

#include <gtest/gtest.h>

#include "manifest.h"
#include "reader.h"
#include "runtime_error.h"
#include "test_files.h"
#include "writer.h"

namespace tovrin {
namespace {

using test::Bytes;

DateChoice Choice() {
    DateChoice c;
    c.date = {2007, 1, 23};
    c.time = {9, 5, 0};
    return c;
}

// Sets the immutable flag (chattr +i) for as long as it lives: even root
// cannot open such a file for writing.
class Immutable {
public:
    explicit Immutable(const std::string& path) : m_fd(open(path.c_str(), O_RDONLY)) {
        if (m_fd < 0 || ioctl(m_fd, FS_IOC_GETFLAGS, &m_flags) != 0) {
            m_error = errno;
            return;
        }
        int flags = m_flags | FS_IMMUTABLE_FL;
        if (ioctl(m_fd, FS_IOC_SETFLAGS, &flags) != 0) m_error = errno;
    }
    ~Immutable() {
        if (m_fd < 0) return;
        if (m_error == 0) ioctl(m_fd, FS_IOC_SETFLAGS, &m_flags);
        close(m_fd);
    }
    Immutable(const Immutable&) = delete;
    Immutable& operator=(const Immutable&) = delete;

    bool set() const { return m_error == 0; }
    std::string why() const { return std::strerror(m_error); }

private:
    int m_fd;
    int m_flags = 0;
    int m_error = 0;
};

enum class Lock { PermissionBits, ImmutableFlag };

class Unwritable : public ::testing::TestWithParam<Lock> {};

TEST_P(Unwritable, WriterRaises70AndChangesNothing) {
    test::TempDir dir;
    const Bytes bytes = test::CameraPhoto().build().bytes;
    const std::string path = dir.write("photo.jpg", bytes);
    std::unique_ptr<Immutable> immutable;
    if (GetParam() == Lock::PermissionBits) {
        if (geteuid() == 0) GTEST_SKIP() << "root ignores permission bits; see ImmutableFlag";
        ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    } else {
        immutable = std::make_unique<Immutable>(path);
        if (!immutable->set())
            GTEST_SKIP() << "cannot set the immutable flag: " << immutable->why();
    }
    try {
        WriteEmbeddedDate(dir.folder(), "photo.jpg", Choice());
        ADD_FAILURE() << "the write was not refused";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), error::PermissionDenied);
        EXPECT_EQ(e.description(), "書き込みできません。");
    }
    EXPECT_EQ(test::ReadBytes(path), bytes);
    PhotoInfo info;
    EXPECT_EQ(ReadPhotoInfo(dir.folder(), "photo.jpg", info), 4) << "reading needs no write access";
}

INSTANTIATE_TEST_SUITE_P(Locks, Unwritable,
                         ::testing::Values(Lock::PermissionBits, Lock::ImmutableFlag),
                         [](const auto& info) {
                             return info.param == Lock::PermissionBits ? "PermissionBits"
                                                                       : "ImmutableFlag";
                         });

TEST(Vanished, ReaderAndWriterRaise53) {
    test::TempDir dir;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        try {
            PhotoInfo info;
            if (round == 0)
                ReadPhotoInfo(dir.folder(), "gone.jpg", info);
            else
                WriteEmbeddedDate(dir.folder(), "gone.jpg", Choice());
            ADD_FAILURE() << "no error raised";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number(), error::FileNotFound);
            EXPECT_EQ(e.description(), "ファイルが見つかりません。");
        }
    }
}

// For each kind of photo (byte order, TIFF header position) the one with the
// smallest EXIF block whose three dates the writer rewrites, and that block's end.
std::map<std::string, std::size_t> SweepPhotos() {
    static const QRegularExpression app1(R"(^APP1 'Exif'\(len (\d+)\)@(\d+))");
    std::map<std::string, std::pair<std::size_t, std::string>> smallest;
    for (const std::string& name : test::CorpusNames()) {
        const QJsonObject e = test::CorpusEntry(name);
        const QJsonObject w1 = e.value("write").toObject().value("W1").toObject();
        if (w1.value("writes").toArray().size() != 3) continue;
        const QJsonObject s = e.value("structure").toObject();
        for (const QJsonValue& seg : s.value("segments").toArray()) {
            const auto m = app1.match(seg.toString());
            if (!m.hasMatch()) continue;
            const std::size_t end = m.captured(2).toULongLong() + 1 + m.captured(1).toULongLong();
            const std::string kind =
                s.value("byte_order").toString().toStdString() +
                std::to_string(e.value("expected").toObject().value("TiffBase").toInt());
            if (!smallest.count(kind) || end < smallest[kind].first) smallest[kind] = {end, name};
        }
    }
    std::map<std::string, std::size_t> photos;
    for (const auto& [kind, photo] : smallest) photos[photo.second] = photo.first;
    return photos;
}

class Truncated : public ::testing::TestWithParam<std::pair<const std::string, std::size_t>> {};
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Truncated);

// A cut before the end of the directories fails without a write; a later cut
// writes every date field that lies wholly before it, as the whole photo gets
// it, and no byte of a text the cut runs through. The reader never invents values.
TEST_P(Truncated, EveryPrefixIsHarmless) {
    const auto& [name, exifEnd] = GetParam();
    const Bytes whole = test::ReadBytes(test::CorpusPhotos() + name);
    test::TempDir dir;
    const std::string path = dir.write("photo.jpg", whole);
    PhotoInfo wholeInfo;
    const std::int32_t wholeStatus = ReadPhotoInfo(dir.folder(), "photo.jpg", wholeInfo);
    ASSERT_GT(wholeStatus, 0);
    ASSERT_TRUE(WriteEmbeddedDate(dir.folder(), "photo.jpg", Choice()).status);
    const Bytes written = test::ReadBytes(path);
    // The rewritten date fields: 0-based start and size (the entry's count).
    const QJsonObject entry = test::CorpusEntry(name);
    const QJsonObject entries = entry.value("entries").toObject();
    std::map<QString, int> seen;
    std::vector<std::pair<std::size_t, std::size_t>> fields;
    for (const QJsonValue& w :
         entry.value("write").toObject().value("W1").toObject().value("writes").toArray()) {
        const QString tag = w.toObject().value("tag").toString();
        const QJsonObject e = entries.value(tag).toArray().at(seen[tag]++).toObject();
        fields.emplace_back(static_cast<std::size_t>(w.toObject().value("pos").toInteger() - 1),
                            static_cast<std::size_t>(e.value("count").toInteger()));
    }
    ASSERT_EQ(fields.size(), 3u);

    for (std::size_t n = 0; n <= std::min(whole.size(), exifEnd + 16); ++n) {
        SCOPED_TRACE(n);
        const Bytes prefix(whole.begin(), whole.begin() + static_cast<long>(n));
        dir.write("photo.jpg", prefix);
        PhotoInfo info;
        const std::int32_t status = ReadPhotoInfo(dir.folder(), "photo.jpg", info);
        ASSERT_TRUE(status == 0 || status == wholeStatus) << status;
        for (auto field : {&PhotoInfo::Make, &PhotoInfo::Model, &PhotoInfo::DateTime,
                           &PhotoInfo::DateTimeOriginal, &PhotoInfo::DateTimeDigitized}) {
            ASSERT_EQ((wholeInfo.*field).compare(0, (info.*field).size(), info.*field), 0)
                << "not part of the whole photo's value: " << info.*field;
        }
        for (auto field : {&PhotoInfo::PixelXDimension, &PhotoInfo::PixelYDimension}) {
            ASSERT_TRUE(info.*field == 0 || info.*field == wholeInfo.*field);
        }

        const WriteResult result = WriteEmbeddedDate(dir.folder(), "photo.jpg", Choice());
        const Bytes after = test::ReadBytes(path);
        ASSERT_EQ(after.size(), n);
        if (!result.status) {
            ASSERT_FALSE(result.dateWritten);
            ASSERT_EQ(after, prefix);
            continue;
        }
        // A field whose text fits before the cut but whose NUL does not may go either way.
        Bytes expected = prefix;
        for (const auto& [start, size] : fields) {
            const auto at = static_cast<long>(start);
            const bool textFits = start + 19 <= n;
            const bool touched =
                textFits &&
                !std::equal(after.begin() + at, after.begin() + at + 19, prefix.begin() + at);
            if (start + size <= n || touched) {
                std::copy_n(written.begin() + at, 19, expected.begin() + at);
            }
        }
        const auto diff = std::mismatch(after.begin(), after.end(), expected.begin());
        ASSERT_TRUE(diff.first == after.end())
            << "unexpected byte at position " << diff.first - after.begin() + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(Photos, Truncated, ::testing::ValuesIn(SweepPhotos()),
                         [](const auto& info) {
                             return test::TestName(info.index, info.param.first);
                         });

TEST(TruncatedCorpus, IsPresent) {
    if (test::CorpusDir().empty()) GTEST_SKIP() << "no photo corpus (set TOVRIN_CORPUS_DIR)";
    EXPECT_GE(SweepPhotos().size(), 2u);
}

}  // namespace
}  // namespace tovrin
