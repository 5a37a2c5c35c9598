#include "run/run_log.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "exif/paths.h"
#include "exif/runtime_error.h"

namespace tovrin {

namespace {

namespace fs = std::filesystem;

std::FILE* openForAppending(const std::string& path) {
#ifdef _WIN32
    std::FILE* file = nullptr;
    return ::_wfopen_s(&file, NativePath(path).c_str(), L"ab") == 0 ? file : nullptr;
#else
    return std::fopen(path.c_str(), "ab");
#endif
}

std::string twoDigits(int value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", value);
    return buf;
}

std::string fourDigits(int value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d", value);
    return buf;
}

bool equalsIgnoringCase(const std::string& text, std::size_t at, const char* ascii) {
    for (std::size_t i = 0; ascii[i] != '\0'; ++i) {
        const char c = text[at + i];
        const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        if (lower != ascii[i]) return false;
    }
    return true;
}

// Characters of a UTF-8 text: every byte that does not continue a sequence.
std::size_t characterCount(const std::string& text, std::size_t from, std::size_t to) {
    std::size_t count = 0;
    for (std::size_t i = from; i < to; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++count;
    }
    return count;
}

// The eight characters after "Date" when they are all digits, else nothing:
// such a name can never be the oldest log.
std::optional<std::string> datePart(const std::string& name) {
    if (name.size() != 16) return std::nullopt;
    const std::string part = name.substr(4, 8);
    const bool digits =
        std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
    return digits ? std::optional<std::string>(part) : std::nullopt;
}

// A search for normal files passes over hidden and system files on Windows.
bool isNormalFile([[maybe_unused]] const fs::path& path) {
#ifdef _WIN32
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0;
#else
    return true;
#endif
}

// The matching log names in the order the file system returns them.
std::vector<std::string> scanLogNames(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(NativePath(folder), ec);
    if (ec) throw ErrorFromCode(ec, true);
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) throw ErrorFromCode(ec, true);
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;
        const std::string name = Utf8Path(it->path().filename());
        if (IsLogFileName(name) && isNormalFile(it->path())) names.push_back(name);
    }
    if (ec) throw ErrorFromCode(ec, true);
    return names;
}

// Deletes the oldest log until at most two matching names remain. Equal dates
// keep the first name met; names without a date are never chosen, and when
// nothing can be chosen the pruning stops rather than loop. Each name is
// deleted at most once: a file that is still listed after its delete
// "succeeded" (some file systems only mark it, or another program holds it)
// cannot be pruned, which is reported as 70 instead of trying for ever.
void pruneOldLogs(const std::string& folder) {
    std::set<std::string> deleted;
    for (;;) {
        const std::vector<std::string> names = scanLogNames(folder);
        if (names.size() < 3) return;

        std::string candidateDate(8, '9');
        std::optional<std::string> candidate;
        for (const std::string& name : names) {
            const std::optional<std::string> date = datePart(name);
            if (date && candidateDate > *date) {
                candidateDate = *date;
                candidate = name;
            }
        }
        if (!candidate) return;
        if (!deleted.insert(*candidate).second) throw RuntimeError(error::PermissionDenied);

        std::error_code ec;
        const bool removed = fs::remove(NativePath(folder + *candidate), ec);
        if (ec) throw ErrorFromCode(ec);
        if (!removed) return;  // gone meanwhile: never scan the same list forever
    }
}

bool folderExists(const std::string& path) {
    std::error_code ec;
    const fs::path parent = NativePath(path).parent_path();
    return parent.empty() || fs::is_directory(parent, ec);
}

void reportLogError(int errnoValue, const std::string& path, MessageBoxes& boxes) {
    const RuntimeError e = ErrorFromErrno(errnoValue != 0 ? errnoValue : EIO, !folderExists(path));
    boxes.show("ログ出力時にエラーが発生しました。\r\n(" + std::to_string(e.number()) + ") " +
                   e.description(),
               MsgButtons::Ok, MsgIcon::Critical, "ログ出力エラー");
}

// A control character as a visible escape: "\x0D" for a CR.
void appendEscape(std::string& text, unsigned value) {
    static const char digits[] = "0123456789ABCDEF";
    text += "\\x";
    text += digits[(value >> 4) & 0xF];
    text += digits[value & 0xF];
}

bool isControl(unsigned c) { return c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0); }

// Texts read from a photo hold one character a byte; bytes from 0x80 on are
// Latin-1 characters. The log is UTF-8, so they are re-encoded, not copied.
// Control characters are escaped, so no text of a photo can end a log line
// early, forge another one or reach a terminal as a command.
std::string latin1Field(const std::string& bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (isControl(b)) {
            appendEscape(text, b);
        } else if (b < 0x80) {
            text += c;
        } else {
            text += static_cast<char>(0xC0 | (b >> 6));
            text += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return text;
}

// A UTF-8 path with its control characters (a Linux file name may hold a
// line feed) escaped; everything else as it is.
std::string pathField(const std::string& path) {
    std::string text;
    text.reserve(path.size());
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto b = static_cast<unsigned char>(path[i]);
        if (b == 0xC2 && i + 1 < path.size() && isControl(static_cast<unsigned char>(path[i + 1]))) {
            appendEscape(text, static_cast<unsigned char>(path[++i]));
        } else if (b < 0x80 && isControl(b)) {
            appendEscape(text, b);
        } else {
            text += path[i];
        }
    }
    return text;
}

// The log is text in the system's code page: UTF-8 here; on Windows the ANSI
// code page (932 on the users' Japanese systems), which is what their other
// programs read. A character that page lacks becomes "?".
std::string inLogEncoding(const std::string& utf8) {
#ifdef _WIN32
    if (utf8.empty()) return utf8;
    const int length = static_cast<int>(utf8.size());
    const int wideLength = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), wideLength);
    const int size =
        ::WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, text.data(), size, nullptr, nullptr);
    return text;
#else
    return utf8;
#endif
}

}  // namespace

std::string ChangeLogMessage(const std::string& fullPath, const std::string& embeddedDate,
                             const std::string& fileDate) {
    return " [パス-" + pathField(fullPath) + "] [埋込日付-" + latin1Field(embeddedDate) +
           "] [ファイル日付-" + latin1Field(fileDate) + "]";
}

std::string LogFileName(const LocalDateTime& day) {
    return "Date" + fourDigits(day.year) + twoDigits(day.month) + twoDigits(day.day) + ".log";
}

std::string LogStamp(const LocalDateTime& t) {
    return fourDigits(t.year) + "/" + twoDigits(t.month) + "/" + twoDigits(t.day) + "-" +
           twoDigits(t.hour) + ":" + twoDigits(t.minute) + ":" + twoDigits(t.second) + " ";
}

bool IsLogFileName(const std::string& name) {
    if (name.size() < 16) return false;
    const std::size_t suffix = name.size() - 4;
    return equalsIgnoringCase(name, 0, "date") && equalsIgnoringCase(name, suffix, ".log") &&
           characterCount(name, 4, suffix) == 8;
}

std::string GetLogFilePath(const std::string& appFolder, MessageBoxes& boxes,
                           const LocalDateTime& now) {
    const std::string folder = FolderPath(appFolder);
    const std::string path = folder + LogFileName(now);
    // Pruning runs only while today's log is missing: once a day, at the
    // first logged photo of the day.
    if (!FileExists(path, boxes)) pruneOldLogs(folder);
    return path;
}

void WriteLogLine(const std::string& kind, const std::string& message, const std::string& path,
                  MessageBoxes& boxes, const LocalDateTime& now) {
    const std::string line = inLogEncoding(LogStamp(now) + kind + ">" + message + "\r\n");

    errno = 0;
    std::FILE* file = openForAppending(path);
    if (file == nullptr) {
        reportLogError(errno, path, boxes);
        return;
    }
    errno = 0;
    const bool written = std::fwrite(line.data(), 1, line.size(), file) == line.size();
    int failure = written ? 0 : errno;
    // A full disk often shows only when the buffer reaches it, at the close.
    errno = 0;
    const bool closed = std::fclose(file) == 0;
    if (!closed && failure == 0) failure = errno;
    if (!written || !closed) reportLogError(failure, path, boxes);
}

bool FileExists(const std::string& path, MessageBoxes& boxes) {
#ifdef _WIN32
    // Folders, hidden and system files do not count, as in a search for
    // normal files.
    const DWORD attributes = ::GetFileAttributesW(NativePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = ::GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return false;
        const RuntimeError e = ErrorFromWin32(code);
        boxes.show(std::to_string(e.number()) + ":" + e.description(), MsgButtons::Ok,
                   MsgIcon::None, AppTitle);
        return false;
    }
    return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN |
                          FILE_ATTRIBUTE_SYSTEM)) == 0;
#else
    std::error_code ec;
    const fs::file_status status = fs::status(NativePath(path), ec);
    if (ec) {
        if (ec == std::errc::no_such_file_or_directory || ec == std::errc::not_a_directory) {
            return false;
        }
        const RuntimeError e = ErrorFromCode(ec);
        boxes.show(std::to_string(e.number()) + ":" + e.description(), MsgButtons::Ok,
                   MsgIcon::None, AppTitle);
        return false;
    }
    return fs::is_regular_file(status);
#endif
}

}  // namespace tovrin
