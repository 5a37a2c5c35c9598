// The command-line companion, run as a separate process: one JSON object per
// file on its standard output.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corpus.h"
#include "exif/reader.h"

namespace tovrin {
namespace {

using Args = std::vector<std::string>;

struct Output {
    int exitCode;
    std::string text;
    std::vector<QJsonObject> objects;
};

// Runs the CLI with the words of `usage`, then the files.
Output RunCli(const QString& usage, const Args& files) {
    Args args{TOVRIN_CLI_PATH};
    for (const QString& word : usage.split(' ')) args.push_back(word.toStdString());
    args.insert(args.end(), files.begin(), files.end());
    const test::ProcessResult r = test::RunProcess(args);
    Output out{r.exitCode, r.out, {}};
    for (const QByteArray& line : QByteArray::fromStdString(r.out).split('\n')) {
        if (!line.isEmpty()) out.objects.push_back(QJsonDocument::fromJson(line).object());
    }
    return out;
}

class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        test::Jpeg j = test::CameraPhoto();
        j.tiff.ifd0[0] = test::Text(0x010F, "Caf\xE9");
        m_good = m_dir.write("good.jpg", j.build());
        j.withExif = false;
        m_plain = m_dir.write("plain.jpg", j.build());
    }
    PhotoInfo good() const {
        PhotoInfo info;
        ReadPhotoInfo(m_dir.folder(), "good.jpg", info);
        return info;
    }

    test::TempDir m_dir;
    std::string m_good;
    std::string m_plain;
};

TEST_F(Cli, InfoPrintsOneObjectPerFile) {
    const Output out = RunCli("info", {m_good, m_plain, m_dir.path("gone.jpg")});
    ASSERT_EQ(out.objects.size(), 3u) << out.text;
    const QJsonObject& good = out.objects[0];
    EXPECT_EQ(test::Latin1(good["path"]), m_good);
    EXPECT_EQ(good["status"].toInt(), 4);
    EXPECT_EQ(test::Latin1(good["DateTimeOriginal"]), "2006:05:04 10:11:12");
    EXPECT_EQ(test::Latin1(good["FileDateText"]), this->good().FileDateText);
    // Bytes from 0x80 up are written as \u00XX escapes, so the line stays valid UTF-8.
    EXPECT_EQ(test::Latin1(good["Make"]), "Caf\xE9");
    EXPECT_NE(QString::fromStdString(out.text).indexOf("\\u00e9", 0, Qt::CaseInsensitive), -1);
    EXPECT_EQ(out.objects[1]["status"].toInt(), 0);
    EXPECT_EQ(out.objects[2]["error"].toInt(), 53);
    EXPECT_EQ(out.objects[2]["description"].toString(), QString("ファイルが見つかりません。"));
}

TEST_F(Cli, BadUsageExits2AndTouchesNothing) {
    const test::Bytes before = test::ReadBytes(m_good);
    const auto lastWrite = std::filesystem::last_write_time(m_good);
    for (const char* usage :
         {"set --date 2007-02-30 --time 09:05:00", "set --date 2007-01-23 --time 24:00:00",
          "set --date 2007/01/23 --time 09:05:00", "set --time 09:05:00",
          "set --date 2007-01-23 --time 09:05:00 --only-on 2007-13-01",
          "set --date 2007-01-23 --time 09:05:00 --bogus", "frobnicate"}) {
        EXPECT_EQ(RunCli(usage, {m_good}).exitCode, 2) << usage;
    }
    EXPECT_EQ(test::ReadBytes(m_good), before);
    EXPECT_EQ(std::filesystem::last_write_time(m_good), lastWrite);
}

TEST_F(Cli, SetReportsEachFile) {
    const test::Bytes plainBefore = test::ReadBytes(m_plain);
    const Output out =
        RunCli("set --date 2007-01-23 --time 09:05:00 --keep-time --only-on 2006-05-04",
               {m_dir.path("gone.jpg"), m_good, m_plain});
    EXPECT_EQ(out.exitCode, 1);
    ASSERT_EQ(out.objects.size(), 3u) << out.text;
    EXPECT_EQ(out.objects[0]["error"].toInt(), 53);
    EXPECT_EQ(test::Latin1(out.objects[1]["path"]), m_good);
    EXPECT_TRUE(out.objects[1]["status"].toBool() && out.objects[1]["dateWritten"].toBool());
    EXPECT_FALSE(out.objects[2]["status"].toBool(true) ||
                 out.objects[2]["dateWritten"].toBool(true));
    EXPECT_EQ(good().DateTimeDigitized, "2007:01:23 10:11:12");
    EXPECT_EQ(test::ReadBytes(m_plain), plainBefore);

    const Output again = RunCli("set --date 2008-02-02 --time 09:05:00", {m_good});
    EXPECT_EQ(again.exitCode, 0) << again.text;
    EXPECT_EQ(good().DateTimeOriginal, "2008:02:02 09:05:00");
}

}  // namespace
}  // namespace tovrin
