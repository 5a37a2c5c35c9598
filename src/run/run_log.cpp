#include "run/run_log.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "exif/local_time.h"
#include "exif/paths.h"
#include "exif/photo_file.h"
#include "exif/private_file.h"
#include "exif/runtime_error.h"
#include "exif/utf8.h"

namespace tovrin {

namespace {

namespace fs = std::filesystem;

std::string twoDigits(int value) {
    std::string text;
    AppendNumber(text, value, 2);
    return text;
}

std::string fourDigits(int value) {
    std::string text;
    AppendNumber(text, value, 4);
    return text;
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

void reportLogError(const RuntimeError& e, MessageBoxes& boxes) {
    boxes.show("ログ出力時にエラーが発生しました。\r\n(" + std::to_string(e.number()) + ") " +
                   e.description(),
               MsgButtons::Ok, MsgIcon::Critical, "ログ出力エラー");
}

void reportLogError(int errnoValue, const std::string& path, MessageBoxes& boxes) {
    reportLogError(ErrorFromErrno(errnoValue != 0 ? errnoValue : EIO, ParentFolderMissing(path)),
                   boxes);
}

// How much of a text goes into a line. A photo's date text is 20 bytes, but a
// crafted photo can hold megabytes there, and a line that long breaks every
// reader of the log; a path is bounded by the system (32,767 UTF-16 units on
// Windows at most). Even escaped to four bytes each, the three fields stay far
// below 64 KiB.
constexpr std::size_t PhotoTextLimit = 1024;
constexpr std::size_t PathLimit = 8192;
// The whole message as shown, whatever a caller passes.
constexpr std::size_t MessageLimit = 60000;
// Ends a text that was cut (U+2026).
constexpr const char* CutMark = "\xE2\x80\xA6";

// A byte as a visible escape: "\x0D" for a CR.
void appendEscape(std::string& text, unsigned value) {
    static const char digits[] = "0123456789ABCDEF";
    text += "\\x";
    text += digits[(value >> 4) & 0xF];
    text += digits[value & 0xF];
}

// Characters that must not reach the log as they are: C0 and C1 controls
// and DEL (a CR or LF would end the line early and let a photo forge the
// next one; ESC and CSI would reach a terminal as commands) and the line and
// paragraph separators, which line-based readers take as line breaks.
bool mustEscape(std::uint32_t codePoint) {
    return codePoint < 0x20 || (codePoint >= 0x7F && codePoint < 0xA0) || codePoint == 0x2028 ||
           codePoint == 0x2029;
}

std::uint32_t codePointOf(const std::string& text, std::size_t i, std::size_t n) {
    const auto b = [&](std::size_t k) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(text[k]));
    };
    if (n == 1) return b(i);
    std::uint32_t cp = b(i) & (0xFFu >> (n + 1));
    for (std::size_t k = 1; k < n; ++k) cp = (cp << 6) | (b(i + k) & 0x3F);
    return cp;
}

// A text for the log: a UTF-8 path, or a date text read from a photo (bytes,
// one character a byte, which valid UTF-8 such as a Japanese camera's text
// passes through as it is). Every byte that is not part of a well-formed
// character, and every byte of a character mustEscape names, becomes "\xNN"
// -- so each escape stands for exactly one byte of the original -- and
// everything else is copied, so the line is valid UTF-8 whatever the photo
// holds. A backslash stays as it is: Windows paths are full of them, and
// doubling each would make every path in the log harder to read and to paste,
// while no backslash can break a line; a literal "\x0A" in a name reads like
// an escape, which the log accepts. A text longer than `limit` bytes is cut
// at a character's start and ends with "…"; so is one whose shown form would
// pass `shownLimit` bytes.
std::string logField(const std::string& bytes, std::size_t limit,
                     std::size_t shownLimit = std::string::npos) {
    std::size_t end = bytes.size();
    bool cut = end > limit;
    if (cut) {
        end = limit;
        // Never split a character: back up to the start of the one the cut
        // falls in.
        for (int k = 0; k < 3 && end > 0 && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80;
             ++k)
            --end;
    }
    std::string text;
    text.reserve(std::min(end, shownLimit) + 8);
    std::string piece;
    for (std::size_t i = 0; i < end;) {
        const std::size_t n = Utf8SequenceAt(bytes, i, end);
        piece.clear();
        if (n == 0 || mustEscape(codePointOf(bytes, i, n))) {
            for (std::size_t k = 0; k < std::max<std::size_t>(n, 1); ++k)
                appendEscape(piece, static_cast<unsigned char>(bytes[i + k]));
        } else {
            piece.assign(bytes, i, n);
        }
        if (piece.size() > shownLimit - text.size()) {
            cut = true;
            break;
        }
        text += piece;
        i += std::max<std::size_t>(n, 1);
    }
    if (cut) text += CutMark;
    return text;
}

// The log is text in the system's code page: UTF-8 here; on Windows the ANSI
// code page (932 on the users' Japanese systems), which is what their other
// programs read. A character that page lacks is written as "\u{XXXX}", its
// code point, never as "?" or a look-alike ("é" as "e"), either of which
// could name another file.
std::string inLogEncoding(const std::string& utf8) {
#ifdef _WIN32
    const UINT page = ::GetACP();
    if (utf8.empty() || page == CP_UTF8) return utf8;
    const int length = static_cast<int>(utf8.size());
    const int wideLength = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), wideLength);
    // Only characters the page holds as they are.
    const auto convert = [page](const wchar_t* text, int count, std::string& out) {
        BOOL lacking = FALSE;
        const int size = ::WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, text, count, nullptr, 0,
                                               nullptr, &lacking);
        if (size <= 0 || lacking) return false;
        const std::size_t at = out.size();
        out.resize(at + static_cast<std::size_t>(size));
        ::WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, text, count, out.data() + at, size,
                              nullptr, nullptr);
        return true;
    };
    std::string text;
    if (convert(wide.data(), wideLength, text)) return text;
    // Some character is lacking: character by character, a surrogate pair
    // being one.
    text.clear();
    for (int i = 0; i < wideLength;) {
        const wchar_t unit = wide[static_cast<std::size_t>(i)];
        const bool pair = unit >= 0xD800 && unit <= 0xDBFF && i + 1 < wideLength &&
                          wide[static_cast<std::size_t>(i) + 1] >= 0xDC00 &&
                          wide[static_cast<std::size_t>(i) + 1] <= 0xDFFF;
        const int count = pair ? 2 : 1;
        if (!convert(wide.data() + i, count, text)) {
            const std::uint32_t codePoint =
                pair ? 0x10000 + ((static_cast<std::uint32_t>(unit) - 0xD800) << 10) +
                           (static_cast<std::uint32_t>(wide[static_cast<std::size_t>(i) + 1]) -
                            0xDC00)
                     : unit;
            char escape[16];
            std::snprintf(escape, sizeof escape, "\\u{%X}", static_cast<unsigned>(codePoint));
            text += escape;
        }
        i += count;
    }
    return text;
#else
    return utf8;
#endif
}

}  // namespace

std::string ChangeLogMessage(const std::string& fullPath, const std::string& embeddedDate,
                             const std::string& fileDate) {
    return " [パス-" + logField(fullPath, PathLimit) + "] [埋込日付-" +
           logField(embeddedDate, PhotoTextLimit) + "] [ファイル日付-" +
           logField(fileDate, PhotoTextLimit) + "]";
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

namespace {

// The log file kept open while a HeldLog lives.
struct OpenLog {
    std::string path;
    std::FILE* file = nullptr;
    FileIdentity identity;
};

std::mutex heldMutex;
int holders = 0;
OpenLog held;

void closeHeld() {
    if (held.file != nullptr) std::fclose(held.file);
    held = OpenLog{};
}

bool heldOpen(const std::string& path) {
    const std::lock_guard<std::mutex> lock(heldMutex);
    return held.file != nullptr && held.path == path;
}

}  // namespace

std::string GetLogFilePath(const std::string& appFolder, MessageBoxes& boxes,
                           const LocalDateTime& now) {
    // No folder for the logs at all (see LogFolder): nothing to prune, and
    // writing the line reports it.
    if (appFolder.empty()) return {};
    const std::string folder = FolderPath(appFolder);
    const std::string path = folder + LogFileName(now);
    // Pruning runs only while today's log is missing: once a day, at the
    // first logged photo of the day. A log held open through the run was
    // there at its last line; whether it still is, the line itself checks.
    if (heldOpen(path)) return path;
    if (!FileExists(path, boxes)) pruneOldLogs(folder);
    return path;
}

HeldLog::HeldLog() {
    const std::lock_guard<std::mutex> lock(heldMutex);
    ++holders;
}

HeldLog::~HeldLog() {
    const std::lock_guard<std::mutex> lock(heldMutex);
    if (--holders == 0) closeHeld();
}

void WriteLogLine(const std::string& kind, const std::string& message, const std::string& path,
                  MessageBoxes& boxes, const LocalDateTime& now) {
    // No folder to log to: said as a missing folder, like any other.
    if (path.empty()) {
        reportLogError(RuntimeError(error::PathNotFound), boxes);
        return;
    }
    // Escaping twice changes nothing, so a message from ChangeLogMessage
    // passes as it is; any other cannot break or overlong the line either.
    const std::string shown = logField(message, std::string::npos, MessageLimit);
    const std::string line = inLogEncoding(LogStamp(now) + kind + ">" + shown + "\r\n");

    // The box of a failure is shown after the lock is let go: a window's box
    // runs events, and one of them may log the next line.
    std::optional<RuntimeError> openFailure;
    int failure = 0;
    bool failed = false;
    {
        const std::lock_guard<std::mutex> lock(heldMutex);
        const bool keep = holders > 0;
        std::FILE* file = nullptr;
        if (keep && held.file != nullptr && held.path == path) {
            // Still the file at today's name? A log moved away or deleted
            // since the last line is not written to any more.
            const std::optional<FileIdentity> atName = IdentifyFile(path);
            if (atName && *atName == held.identity) file = held.file;
        }
        if (file == nullptr) {
            closeHeld();
            // Private, and never through a link planted at today's name: such
            // a link is refused like any file that cannot be opened.
            try {
                file = OpenPrivateAppend(path);
            } catch (const RuntimeError& e) {
                openFailure = e;
            }
            if (file != nullptr && keep) {
                const std::optional<FileIdentity> opened = IdentifyFile(path);
                if (opened) held = OpenLog{path, file, *opened};
            }
        }
        if (file != nullptr) {
            errno = 0;
            const bool written = std::fwrite(line.data(), 1, line.size(), file) == line.size();
            failure = written ? 0 : errno;
            // A full disk often shows only when the buffer reaches it, at the
            // flush.
            errno = 0;
            bool flushed = std::fflush(file) == 0;
            if (!flushed && failure == 0) failure = errno;
            if (file == held.file) {
                if (!written || !flushed) closeHeld();
            } else {
                errno = 0;
                if (std::fclose(file) != 0) {
                    if (flushed && failure == 0) failure = errno;
                    flushed = false;
                }
            }
            failed = !written || !flushed;
        }
    }
    if (openFailure) {
        reportLogError(*openFailure, boxes);
    } else if (failed) {
        reportLogError(failure, path, boxes);
    }
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
    return (attributes &
            (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0;
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
