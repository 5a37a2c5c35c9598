// tovrin-cli: the engine from the command line, for scripted use on large
// folders and for measurements against other tools.
//
//   tovrin-cli info FILE...
//   tovrin-cli set --date YYYY-MM-DD --time HH:MM:SS [--keep-time] [--only-on YYYY-MM-DD] FILE...
//
// One JSON object per file and line, flushed as it is written, so a run that is
// killed has reported every photo it rewrote. Exit status: 0 every file
// processed, 1 some file was not (no EXIF data, not a JPEG, an error), 2 bad
// usage (no file touched).

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "exif/date_choice.h"
#include "exif/paths.h"
#include "exif/photo_update.h"
#include "exif/reader.h"
#include "exif/runtime_error.h"
#include "utf8_args.h"

namespace {

using namespace tovrin;

// EXIF texts are byte strings: every byte >= 0x80 stands for one Latin-1
// character and is escaped as such. Paths and messages are UTF-8 and pass
// through as they are.
enum class Text { Bytes, Utf8 };

std::string json(const std::string& s, Text kind = Text::Utf8) {
    std::string out = "\"";
    for (const unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || (kind == Text::Bytes && c >= 0x7F)) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04X", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// Length of the well-formed UTF-8 sequence at text[i], 0 when there is none.
std::size_t utf8SequenceAt(const std::string& text, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = b(i);
    if (lead < 0x80) return 1;
    std::size_t n = 0;
    unsigned char lo = 0x80, hi = 0xBF;  // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF) {
        n = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        n = 3;
        if (lead == 0xE0) lo = 0xA0;
        if (lead == 0xED) hi = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        n = 4;
        if (lead == 0xF0) lo = 0x90;
        if (lead == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (i + n > text.size()) return 0;
    if (b(i + 1) < lo || b(i + 1) > hi) return 0;
    for (std::size_t k = 2; k < n; ++k)
        if (b(i + k) < 0x80 || b(i + k) > 0xBF) return 0;
    return n;
}

// A path as a JSON member: file names are bytes on Linux and need not be
// UTF-8. Such a name is shown with U+FFFD for each stray byte and given
// exactly, in hex, as "pathBytes", so every line stays valid UTF-8 JSON.
std::string pathMember(const std::string& path) {
    std::string shown;
    bool exact = true;
    for (std::size_t i = 0; i < path.size();) {
        const std::size_t n = utf8SequenceAt(path, i);
        if (n == 0) {
            shown += "\xEF\xBF\xBD";
            exact = false;
            ++i;
        } else {
            shown.append(path, i, n);
            i += n;
        }
    }
    std::string member = "\"path\":" + json(shown);
    if (!exact) {
        static const char digits[] = "0123456789abcdef";
        std::string hex;
        for (const unsigned char c : path) {
            hex += digits[c >> 4];
            hex += digits[c & 0xF];
        }
        member += ",\"pathBytes\":\"" + hex + "\"";
    }
    return member;
}

struct SplitPath {
    std::string folder;  // ends with the separator
    std::string name;
};

SplitPath splitPath(const std::string& arg) {
    const std::filesystem::path p = NativePath(arg);
    const std::string parent = Utf8Path(p.parent_path());
    return {FolderPath(parent.empty() ? std::string(".") : parent), Utf8Path(p.filename())};
}

std::string errorLine(const std::string& path, const RuntimeError& e) {
    return "{" + pathMember(path) + ",\"error\":" + std::to_string(e.number()) +
           ",\"description\":" + json(e.description()) + "}";
}

int usage(const std::string& why) {
    std::cerr << "tovrin-cli: " << why << "\n"
              << "usage: tovrin-cli info FILE...\n"
              << "       tovrin-cli set --date YYYY-MM-DD --time HH:MM:SS [--keep-time] "
                 "[--only-on YYYY-MM-DD] FILE...\n";
    return 2;
}

bool parseNumbers(const std::string& text, char sep, int width0, int (&out)[3]) {
    // width0 digits, sep, 2 digits, sep, 2 digits
    const std::size_t expected = static_cast<std::size_t>(width0) + 6;
    if (text.size() != expected) return false;
    const std::size_t starts[3] = {0, static_cast<std::size_t>(width0) + 1,
                                   static_cast<std::size_t>(width0) + 4};
    const std::size_t widths[3] = {static_cast<std::size_t>(width0), 2, 2};
    if (text[starts[1] - 1] != sep || text[starts[2] - 1] != sep) return false;
    for (int i = 0; i < 3; ++i) {
        out[i] = 0;
        for (std::size_t k = 0; k < widths[i]; ++k) {
            const char c = text[starts[i] + k];
            if (c < '0' || c > '9') return false;
            out[i] = out[i] * 10 + (c - '0');
        }
    }
    return true;
}

bool parseDate(const std::string& text, CalendarDate& d) {
    int n[3];
    if (!parseNumbers(text, '-', 4, n)) return false;
    d = {n[0], n[1], n[2]};
    return IsValidDate(d);
}

bool parseTime(const std::string& text, TimeOfDay& t) {
    int n[3];
    if (!parseNumbers(text, ':', 2, n)) return false;
    t = {n[0], n[1], n[2]};
    return IsValidTime(t);
}

int runInfo(const std::vector<std::string>& files) {
    int exitCode = 0;
    for (const auto& path : files) {
        const SplitPath sp = splitPath(path);
        try {
            PhotoInfo info;
            const std::int32_t status = ReadPhotoInfo(sp.folder, sp.name, info);
            if (status == 0) exitCode = 1;
            std::cout << "{" << pathMember(path) << ",\"status\":" << status
                      << ",\"TiffBase\":" << info.TiffBase
                      << ",\"DateTime\":" << json(info.DateTime, Text::Bytes)
                      << ",\"DateTimeOriginal\":" << json(info.DateTimeOriginal, Text::Bytes)
                      << ",\"DateTimeDigitized\":" << json(info.DateTimeDigitized, Text::Bytes)
                      << ",\"PixelXDimension\":" << info.PixelXDimension
                      << ",\"PixelYDimension\":" << info.PixelYDimension
                      << ",\"Make\":" << json(info.Make, Text::Bytes)
                      << ",\"Model\":" << json(info.Model, Text::Bytes)
                      << ",\"FileDateText\":" << json(info.FileDateText, Text::Bytes) << "}"
                      << std::endl;
        } catch (const RuntimeError& e) {
            std::cout << errorLine(path, e) << std::endl;
            exitCode = 1;
        }
    }
    return exitCode;
}

int runSet(const std::vector<std::string>& args) {
    DateChoice choice;
    bool haveDate = false;
    bool haveTime = false;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--date") {
            if (!hasValue || !parseDate(args[++i], choice.date))
                return usage("--date needs a valid YYYY-MM-DD");
            haveDate = true;
        } else if (a == "--time") {
            if (!hasValue || !parseTime(args[++i], choice.time))
                return usage("--time needs a valid HH:MM:SS");
            haveTime = true;
        } else if (a == "--keep-time") {
            choice.keepTime = true;
        } else if (a == "--only-on") {
            if (!hasValue || !parseDate(args[++i], choice.filterDate))
                return usage("--only-on needs a valid YYYY-MM-DD");
            choice.filterOn = true;
        } else if (a == "--") {
            files.insert(files.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
            break;
        } else if (a.rfind("--", 0) == 0) {
            return usage("unknown option " + a);
        } else {
            files.push_back(a);
        }
    }
    if (!haveDate || !haveTime) return usage("set needs --date and --time");
    if (files.empty()) return usage("no FILE given");

    int exitCode = 0;
    for (const auto& path : files) {
        const SplitPath sp = splitPath(path);
        try {
            // As the run does for each photo, through one open: the file's own
            // time of day (kept when asked), the reading, the write and, for a
            // changed photo, its times.
            const PhotoDateUpdate u = UpdatePhotoDate(sp.folder, sp.name, choice);
            if (!u.result.status) exitCode = 1;
            std::cout << "{" << pathMember(path)
                      << ",\"status\":" << (u.result.status ? "true" : "false")
                      << ",\"changed\":" << (u.result.changed ? "true" : "false")
                      << ",\"dateWritten\":" << (u.result.dateWritten ? "true" : "false") << "}"
                      << std::endl;
        } catch (const RuntimeError& e) {
            std::cout << errorLine(path, e) << std::endl;
            exitCode = 1;
        }
    }
    return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    std::vector<std::string> args = Utf8Arguments(argc, argv);
    if (args.empty()) return usage("no command given");
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "info") {
        if (args.empty()) return usage("no FILE given");
        return runInfo(args);
    }
    if (command == "set") return runSet(args);
    return usage("unknown command " + command);
}
