// The command-line companion, run as a separate process.
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include "process.h"
#include "reader.h"
#include "test_files.h"

namespace tovrin {
namespace {

using test::Bytes;

struct Output {
    int exitCode;
    std::vector<std::string> lines;
    std::vector<QJsonObject> objects;
};

Output Cli(std::vector<std::string> args) {
    args.insert(args.begin(), TOVRIN_CLI_PATH);
    const test::ProcessResult r = test::RunProcess(args);
    Output out{r.exitCode, {}, {}};
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) {
        out.lines.push_back(line);
        out.objects.push_back(QJsonDocument::fromJson(QByteArray::fromStdString(line)).object());
    }
    return out;
}

std::string Str(const QJsonObject& o, const char* key) {
    return o.value(key).toString().toLatin1().toStdString();
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::Jpeg j = test::CameraPhoto();
        j.tiff.ifd0[0] = test::Text(0x010F, "Caf\xE9");
        m_good = m_dir.write("good.jpg", j.build().bytes);
        j.withExif = false;
        m_plain = m_dir.write("plain.jpg", j.build().bytes);
    }

    test::TempDir m_dir;
    std::string m_good;
    std::string m_plain;
};

TEST_F(CliTest, InfoPrintsOneObjectPerFile) {
    const Output out = Cli({"info", m_good, m_plain, m_dir.path("gone.jpg")});
    ASSERT_EQ(out.objects.size(), 3u) << out.lines.size();
    PhotoInfo info;
    ReadPhotoInfo(m_dir.folder(), "good.jpg", info);
    const QJsonObject& good = out.objects[0];
    EXPECT_EQ(Str(good, "path"), m_good);
    EXPECT_EQ(good.value("status").toInt(), 4);
    EXPECT_EQ(good.value("TiffBase").toInt(), 31);
    EXPECT_EQ(Str(good, "DateTime"), "2006:05:04 10:11:12");
    EXPECT_EQ(Str(good, "DateTimeOriginal"), "2006:05:04 10:11:12");
    EXPECT_EQ(Str(good, "DateTimeDigitized"), "2006:05:04 10:11:12");
    EXPECT_EQ(good.value("PixelXDimension").toInt(), 2272);
    EXPECT_EQ(good.value("PixelYDimension").toInt(), 1704);
    EXPECT_EQ(Str(good, "Make"), "Caf\xE9");
    EXPECT_EQ(Str(good, "Model"), "Canon PowerShot S40");
    EXPECT_EQ(good.value("FileDateText").toString().toStdString(), info.FileDateText);
    // Bytes from 0x80 up are written as \u00XX escapes, so the line stays valid UTF-8.
    EXPECT_NE(QString::fromStdString(out.lines[0]).indexOf("\\u00e9", 0, Qt::CaseInsensitive), -1)
        << out.lines[0];

    EXPECT_EQ(out.objects[1].value("status").toInt(), 0);
    EXPECT_EQ(Str(out.objects[1], "path"), m_plain);
    const QJsonObject& gone = out.objects[2];
    EXPECT_EQ(gone.value("error").toInt(), 53);
    EXPECT_EQ(gone.value("description").toString(),
              QString::fromUtf8("ファイルが見つかりません。"));
}

class BadUsage : public CliTest, public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(BadUsage, Exits2AndTouchesNothing) {
    const Bytes before = test::ReadBytes(m_good);
    struct stat st {};
    ASSERT_EQ(stat(m_good.c_str(), &st), 0);
    std::vector<std::string> args = GetParam();
    args.push_back(m_good);
    EXPECT_EQ(Cli(args).exitCode, 2);
    EXPECT_EQ(test::ReadBytes(m_good), before);
    struct stat now {};
    ASSERT_EQ(stat(m_good.c_str(), &now), 0);
    EXPECT_EQ(now.st_mtim.tv_sec, st.st_mtim.tv_sec);
    EXPECT_EQ(now.st_mtim.tv_nsec, st.st_mtim.tv_nsec);
}

using Args = std::vector<std::string>;
INSTANTIATE_TEST_SUITE_P(
    Table, BadUsage,
    ::testing::Values(Args{"set", "--date", "2007-02-30", "--time", "09:05:00"},
                      Args{"set", "--date", "2007-01-23", "--time", "24:00:00"},
                      Args{"set", "--date", "2007-01-23", "--time", "09:60:00"},
                      Args{"set", "--date", "2007/01/23", "--time", "09:05:00"},
                      Args{"set", "--time", "09:05:00"},
                      Args{"set", "--date", "2007-01-23", "--time", "09:05:00", "--only-on",
                           "2007-13-01"},
                      Args{"set", "--date", "2007-01-23", "--time", "09:05:00", "--bogus"},
                      Args{"frobnicate"}));

TEST_F(CliTest, SetReportsEachFile) {
    const Bytes plainBefore = test::ReadBytes(m_plain);
    const Output out = Cli({"set", "--date", "2007-01-23", "--time", "09:05:00", m_good, m_plain});
    EXPECT_EQ(out.exitCode, 0);
    ASSERT_EQ(out.objects.size(), 2u);
    EXPECT_EQ(Str(out.objects[0], "path"), m_good);
    EXPECT_TRUE(out.objects[0].value("status").toBool());
    EXPECT_TRUE(out.objects[0].value("dateWritten").toBool());
    EXPECT_EQ(Str(out.objects[1], "path"), m_plain);
    EXPECT_FALSE(out.objects[1].value("status").toBool(true));
    EXPECT_FALSE(out.objects[1].value("dateWritten").toBool(true));
    PhotoInfo info;
    ReadPhotoInfo(m_dir.folder(), "good.jpg", info);
    EXPECT_EQ(info.DateTime, "2007:01:23 09:05:00");
    EXPECT_EQ(info.DateTimeOriginal, "2007:01:23 09:05:00");
    EXPECT_EQ(test::ReadBytes(m_plain), plainBefore);
}

TEST_F(CliTest, SetWithFilterAndKeptTimeAndAMissingFile) {
    const Output out = Cli({"set", "--date", "2007-01-23", "--time", "09:05:00", "--keep-time",
                            "--only-on", "2006-05-04", m_dir.path("gone.jpg"), m_good});
    EXPECT_EQ(out.exitCode, 1);
    ASSERT_EQ(out.objects.size(), 2u);
    EXPECT_EQ(out.objects[0].value("error").toInt(), 53);
    EXPECT_TRUE(out.objects[1].value("dateWritten").toBool());
    PhotoInfo info;
    ReadPhotoInfo(m_dir.folder(), "good.jpg", info);
    EXPECT_EQ(info.DateTimeDigitized, "2007:01:23 10:11:12");
    // The filter day has gone from the photo: a second run writes nothing.
    const Output again = Cli(
        {"set", "--date", "2008-02-02", "--time", "09:05:00", "--only-on", "2006-05-04", m_good});
    EXPECT_EQ(again.exitCode, 0);
    ASSERT_EQ(again.objects.size(), 1u);
    EXPECT_TRUE(again.objects[0].value("status").toBool());
    EXPECT_FALSE(again.objects[0].value("dateWritten").toBool(true));
}

}  // namespace
}  // namespace tovrin
