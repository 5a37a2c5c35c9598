#pragma once
// The command-line companion run as a separate process, for the tests that
// start it: a copy of the program in a temporary folder of its own (so the
// daily log it writes beside itself is looked at there and removed with it),
// its runs journaled in a state folder of their own.
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corpus.h"
#include "exif/local_time.h"
#include "exif/paths.h"
#include "exif/reader.h"

namespace tovrin {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;
using test::Json;

const std::string Original = "2006:05:04 10:11:12";  // all three dates of CameraPhoto
const std::string Chosen = "2007:01:23 09:05:00";

struct Output {
    int exitCode;
    std::string text;
    std::string err;
    std::vector<Json> lines;
};

inline std::string Hex(const std::string& bytes) {
    std::string hex;
    for (const unsigned char c : bytes) {
        char two[3];
        std::snprintf(two, sizeof two, "%02x", c);
        hex += two;
    }
    return hex;
}

inline std::string DateText(const LocalDateTime& t) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", t.year, t.month, t.day);
    return text;
}

// Today and tomorrow as --date values (tomorrow by way of the epoch, so a
// month's or a year's end is no special case).
inline std::string Today() { return DateText(Now()); }
inline std::string Tomorrow() { return DateText(ToLocal(LocalToEpoch(Now()) + 86400)); }

inline Json Dates(const std::string& all) {
    return Json{{"DateTime", all}, {"DateTimeOriginal", all}, {"DateTimeDigitized", all}};
}

struct FileState {
    test::Bytes bytes;
    fs::file_time_type lastWrite;
    friend bool operator==(const FileState&, const FileState&) = default;
};

inline FileState StateOf(const std::string& path) {
    return {test::ReadBytes(path), fs::last_write_time(NativePath(path))};
}

// For the programs this test starts.
inline void SetEnvironment(const char* name, const std::string& value) {
#ifdef _WIN32
    // Wide: a narrow value would pass through the ANSI code page.
    const std::wstring wide = NativePath(name).wstring();
    _wputenv_s(wide.c_str(), NativePath(value).wstring().c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}

class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        // Each test's runs are journaled in a state folder of its own.
        SetEnvironment("XDG_STATE_HOME", m_state.folder());
        SetEnvironment("LOCALAPPDATA", m_state.folder());
        m_cli = m_bin.path("tovrin-cli");
        fs::copy_file(NativePath(TOVRIN_CLI_PATH), NativePath(m_cli));
        test::Jpeg j = test::CameraPhoto();
        j.tiff.ifd0[0] = test::Text(0x010F, "Caf\xE9");
        m_good = m_dir.write("good.jpg", j.build());
        j.withExif = false;
        m_plain = m_dir.write("plain.jpg", j.build());
    }

    // Runs the copy with the words of `usage` (split at blanks), then `more`.
    // Unless it is help, every line of standard output must be one valid JSON
    // object.
    Output run(const std::string& usage, const Args& more = {},
               const test::ProcessOptions& options = {}) const {
        Args args{m_cli};
        std::istringstream words(usage);
        for (std::string word; words >> word;) args.push_back(word);
        args.insert(args.end(), more.begin(), more.end());
        const test::ProcessResult r = test::RunProcess(args, options);
        Output out{r.exitCode, r.out, r.err, {}};
        if (r.out.rfind("{", 0) != 0) return out;
        std::istringstream lines(r.out);
        for (std::string line; std::getline(lines, line);) {
            out.lines.push_back(Json::parse(line, nullptr, false));
            EXPECT_TRUE(out.lines.back().is_object()) << line;
        }
        return out;
    }

    std::vector<std::string> paths(const Output& out) const {
        std::vector<std::string> p;
        for (const Json& line : out.lines) p.push_back(line.value("path", ""));
        return p;
    }

    // The lines of today's log beside the copy ("" when there is none), as
    // UTF-8: on Windows the log is in the system's code page.
    std::string log() const {
        const std::string path = m_bin.path("Date" + Today().erase(7, 1).erase(4, 1) + ".log");
        if (!fs::exists(NativePath(path))) return {};
        const test::Bytes bytes = test::ReadBytes(path);
        std::string text(bytes.begin(), bytes.end());
#ifdef _WIN32
        const int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                            nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(n), L'\0');
        ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                              n);
        text = Utf8Path(fs::path(wide));
#endif
        return text;
    }

    PhotoInfo read(const std::string& path) const {
        PhotoInfo info;
        ReadPhotoInfo(FolderPath(Utf8Path(NativePath(path).parent_path())),
                      Utf8Path(NativePath(path).filename()), info);
        return info;
    }

    test::TempDir m_bin;
    test::TempDir m_dir;
    test::TempDir m_state;
    std::string m_cli;
    std::string m_good;
    std::string m_plain;
};

}  // namespace
}  // namespace tovrin
