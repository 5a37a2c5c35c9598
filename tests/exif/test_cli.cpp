// The command-line companion, run as a separate process: one JSON object per
// file on its standard output.
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corpus.h"
#include "exif/paths.h"
#include "exif/reader.h"

namespace tovrin {
namespace {

using Args = std::vector<std::string>;

using test::Json;

struct Output {
    int exitCode;
    std::string text;
    std::vector<Json> objects;
};

// Runs the CLI with the words of `usage`, then the files. Every line must be
// one valid JSON object.
Output RunCli(const std::string& usage, const Args& files) {
    Args args{TOVRIN_CLI_PATH};
    std::istringstream words(usage);
    for (std::string word; words >> word;) args.push_back(word);
    args.insert(args.end(), files.begin(), files.end());
    const test::ProcessResult r = test::RunProcess(args);
    Output out{r.exitCode, r.out, {}};
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty()) out.objects.push_back(Json::parse(line, nullptr, false));
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
    EXPECT_EQ(out.exitCode, 1) << "two of the three were not read";
    const Json& good = out.objects[0];
    EXPECT_EQ(good["path"], m_good);
    EXPECT_EQ(good["status"], 4);
    EXPECT_EQ(good["DateTimeOriginal"], "2006:05:04 10:11:12");
    EXPECT_EQ(good["FileDateText"], this->good().FileDateText);
    // A byte from 0x80 up is the Latin-1 character, so the line stays valid UTF-8.
    EXPECT_EQ(test::Latin1(good["Make"]), "Caf\xE9");
    EXPECT_EQ(out.objects[1]["status"], 0);
    EXPECT_EQ(out.objects[2]["error"], 53);
    EXPECT_EQ(out.objects[2]["description"], "ファイルが見つかりません。");
}

TEST_F(Cli, BadUsageExits2AndTouchesNothing) {
    const test::Bytes before = test::ReadBytes(m_good);
    const auto lastWrite = std::filesystem::last_write_time(NativePath(m_good));
    for (const char* usage :
         {"set --date 2007-02-30 --time 09:05:00", "set --date 2007-01-23 --time 24:00:00",
          "set --date 2007/01/23 --time 09:05:00", "set --time 09:05:00",
          "set --date 2007-01-23 --time 09:05:00 --only-on 2007-13-01",
          "set --date 2007-01-23 --time 09:05:00 --bogus", "frobnicate"}) {
        EXPECT_EQ(RunCli(usage, {m_good}).exitCode, 2) << usage;
    }
    EXPECT_EQ(test::ReadBytes(m_good), before);
    EXPECT_EQ(std::filesystem::last_write_time(NativePath(m_good)), lastWrite);
}

TEST_F(Cli, SetReportsEachFile) {
    const test::Bytes plainBefore = test::ReadBytes(m_plain);
    const Output out =
        RunCli("set --date 2007-01-23 --time 09:05:00 --keep-time --only-on 2006-05-04",
               {m_dir.path("gone.jpg"), m_good, m_plain});
    EXPECT_EQ(out.exitCode, 1);
    ASSERT_EQ(out.objects.size(), 3u) << out.text;
    EXPECT_EQ(out.objects[0]["error"], 53);
    EXPECT_EQ(out.objects[1]["path"], m_good);
    EXPECT_EQ(out.objects[1]["status"], true);
    EXPECT_EQ(out.objects[1]["changed"], true);
    EXPECT_EQ(out.objects[1]["dateWritten"], true);
    EXPECT_EQ(out.objects[2]["status"], false);
    EXPECT_EQ(out.objects[2]["changed"], false);
    EXPECT_EQ(good().DateTimeDigitized, "2007:01:23 10:11:12");
    EXPECT_EQ(test::ReadBytes(m_plain), plainBefore);

    const Output again = RunCli("set --date 2008-02-02 --time 09:05:00", {m_good});
    EXPECT_EQ(again.exitCode, 0) << again.text;
    EXPECT_EQ(good().DateTimeOriginal, "2008:02:02 09:05:00");
}

// A folder and a photo with Japanese names, given on the command line: on
// Windows they travel as UTF-16 and must neither pass through the ANSI code
// page nor come back from the engine in another encoding.
TEST_F(Cli, JapaneseFolderAndFileNames) {
    const std::string folder = m_dir.path("写真");
    ASSERT_TRUE(std::filesystem::create_directory(NativePath(folder)));
    const std::string photo = FolderPath(folder) + "夏の旅.jpg";
    test::WriteBytes(photo, test::CameraPhoto().build());

    const Output set = RunCli("set --date 2007-01-23 --time 09:05:00", {photo});
    ASSERT_EQ(set.objects.size(), 1u) << set.text;
    EXPECT_EQ(set.objects[0]["path"], photo);
    EXPECT_EQ(set.objects[0]["changed"], true) << set.text;
    EXPECT_EQ(set.exitCode, 0);

    const Output info = RunCli("info", {photo});
    ASSERT_EQ(info.objects.size(), 1u) << info.text;
    EXPECT_EQ(info.objects[0]["path"], photo);
    EXPECT_EQ(info.objects[0]["DateTimeOriginal"], "2007:01:23 09:05:00") << info.text;
    EXPECT_EQ(info.objects[0]["FileDateText"], "2007/01/23 9:05:00");
}

#ifndef _WIN32
// A Linux file name need not be UTF-8: the line stays valid JSON, shows the
// name with U+FFFD and gives its exact bytes in hex.
TEST_F(Cli, NameThatIsNotUtf8) {
    const std::string name = m_dir.path("caf\xE9.jpg");
    m_dir.write("caf\xE9.jpg", test::CameraPhoto().build());
    const Output out = RunCli("set --date 2007-01-23 --time 09:05:00", {name});
    ASSERT_EQ(out.objects.size(), 1u) << out.text;
    ASSERT_FALSE(out.objects[0].is_discarded()) << out.text;
    EXPECT_EQ(out.objects[0]["path"], m_dir.path("caf\xEF\xBF\xBD.jpg"));
    std::string hex;
    for (const unsigned char c : name) {
        char two[3];
        std::snprintf(two, sizeof two, "%02x", c);
        hex += two;
    }
    EXPECT_EQ(out.objects[0]["pathBytes"], hex);
    EXPECT_EQ(out.objects[0]["changed"], true);
    EXPECT_EQ(out.exitCode, 0);
}
#endif

}  // namespace
}  // namespace tovrin
