#pragma once

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "local_time.h"
#include "message_boxes.h"

namespace tovrin::test {

// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes.
class TempFolder {
public:
    TempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tovrin-run-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) m_folder = pattern + "/";
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!m_folder.empty()) std::filesystem::remove_all(m_folder, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // With the separator at its end, as the engine takes folders.
    const std::string& folder() const { return m_folder; }
    std::string path(const std::string& name) const { return m_folder + name; }

private:
    std::string m_folder;
};

// $TOVRIN_CORPUS_DIR, or "" when it holds no manifest and photos folder.
inline std::string CorpusFolder() {
    namespace fs = std::filesystem;
    const char* env = std::getenv("TOVRIN_CORPUS_DIR");
    if (env == nullptr || *env == '\0') return {};
    std::error_code ec;
    const fs::path dir(env);
    if (!fs::is_regular_file(dir / "manifest.json", ec) || !fs::is_directory(dir / "photos", ec)) {
        return {};
    }
    return dir.string() + "/";
}

struct ShownBox {
    std::string text;
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::None;
    std::string title;
    friend bool operator==(const ShownBox&, const ShownBox&) = default;
};

inline void PrintTo(const ShownBox& box, std::ostream* os) {
    static const char* const buttons[] = {"Ok", "OkCancel"};
    static const char* const icons[] = {"None", "Information", "Exclamation", "Critical"};
    *os << "{\"" << box.text << "\", " << buttons[static_cast<int>(box.buttons)] << ", "
        << icons[static_cast<int>(box.icon)] << ", \"" << box.title << "\"}";
}

// Records every box; OK/Cancel boxes take their answers from the script in
// order (OK once it runs out). Tests compare the whole record, so a box that
// should not have appeared fails the test.
class FakeBoxes : public MessageBoxes {
public:
    MsgAnswer show(const std::string& text, MsgButtons buttons, MsgIcon icon,
                   const std::string& title) override {
        shown.push_back({text, buttons, icon, title});
        if (buttons == MsgButtons::Ok || answers.empty()) return MsgAnswer::Ok;
        const MsgAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<ShownBox> shown;
    std::deque<MsgAnswer> answers;
};

inline std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFileText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline void Touch(const std::string& path) { WriteFileText(path, ""); }

// Sets access and modification time to a local wall-clock moment.
inline void SetLocalFileTime(const std::string& path, const LocalDateTime& t) {
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    tm.tm_isdst = -1;
    struct timespec times[2];
    times[0].tv_sec = std::mktime(&tm);
    times[0].tv_nsec = 0;
    times[1] = times[0];
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

// The file's modification time as a local wall-clock moment, read without the
// engine.
inline LocalDateTime LocalFileTime(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    std::tm tm{};
    localtime_r(&st.st_mtime, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

inline void PrintTo(const LocalDateTime& t, std::ostream* os) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    *os << buf;
}

// Makes a file or folder immutable (chattr +i) for as long as the object
// lives: even root cannot then create, change or delete anything in it.
// ok() is false, with the reason in why(), where the file system has no such
// flag; the test then skips.
class Immutable {
public:
    explicit Immutable(std::string path) : m_path(std::move(path)) { m_ok = setFlag(true); }
    ~Immutable() {
        if (m_ok) setFlag(false);
    }
    Immutable(const Immutable&) = delete;
    Immutable& operator=(const Immutable&) = delete;

    bool ok() const { return m_ok; }
    const std::string& why() const { return m_why; }

private:
    bool setFlag(bool on) {
        const int fd = ::open(m_path.c_str(), O_RDONLY | O_NONBLOCK);
        if (fd < 0) {
            m_why = std::string("open: ") + std::strerror(errno);
            return false;
        }
        int flags = 0;
        bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (done) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        if (!done) m_why = std::string("FS_IOC_SETFLAGS: ") + std::strerror(errno);
        ::close(fd);
        return done;
    }

    std::string m_path;
    std::string m_why;
    bool m_ok = false;
};

}  // namespace tovrin::test
