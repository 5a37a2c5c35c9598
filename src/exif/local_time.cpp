#include "exif/local_time.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include <sys/stat.h>

#include "exif/paths.h"
#include "exif/runtime_error.h"

namespace tovrin {

namespace {

LocalDateTime fromEpoch(std::time_t t) {
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &t);
#else
    localtime_r(&t, &tm);
#endif
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::string format(const char* pattern, int a, int b, int c) {
    char buf[48];
    std::snprintf(buf, sizeof buf, pattern, a, b, c);
    return buf;
}

}  // namespace

LocalDateTime Now() { return fromEpoch(std::time(nullptr)); }

LocalDateTime ToLocal(std::int64_t secondsSinceEpoch) {
    return fromEpoch(static_cast<std::time_t>(secondsSinceEpoch));
}

LocalDateTime LastWriteTime(const std::string& path) {
#ifdef _WIN32
    struct _stat64 st {};
    if (_wstat64(NativePath(path).c_str(), &st) != 0) {
#else
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
#endif
        const int err = errno;
        const auto parent = NativePath(path).parent_path();
        std::error_code ec;
        const bool folderGone = !parent.empty() && !std::filesystem::is_directory(parent, ec);
        throw ErrorFromErrno(err, folderGone);
    }
    return fromEpoch(static_cast<std::time_t>(st.st_mtime));
}

std::string GeneralDateText(const LocalDateTime& t) {
    std::string text = SlashDateText(t);
    if (t.hour != 0 || t.minute != 0 || t.second != 0)
        text += format(" %d:%02d:%02d", t.hour, t.minute, t.second);
    return text;
}

std::string SlashDateText(const LocalDateTime& t) {
    return format("%04d/%02d/%02d", t.year, t.month, t.day);
}

std::string TimeOfDayText(const LocalDateTime& t) {
    return format("%02d:%02d:%02d", t.hour, t.minute, t.second);
}

}  // namespace tovrin
