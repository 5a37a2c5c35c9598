#include "run/journal.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "exif/paths.h"
#include "exif/runtime_error.h"

namespace tovrin {

namespace {

namespace fs = std::filesystem;

constexpr const char* Suffix = ".journal";
constexpr int KeepDays = 30;

std::string hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (const unsigned char c : bytes) {
        text += digits[c >> 4];
        text += digits[c & 0xF];
    }
    return text.empty() ? "-" : text;
}

bool unhex(const std::string& text, std::string& bytes) {
    bytes.clear();
    if (text == "-") return true;
    if (text.size() % 2 != 0) return false;
    const auto value = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    };
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int hi = value(text[i]), lo = value(text[i + 1]);
        if (hi < 0 || lo < 0) return false;
        bytes += static_cast<char>(hi * 16 + lo);
    }
    return true;
}

std::string twoDigits(int v) { return std::string(1, static_cast<char>('0' + v / 10)) + static_cast<char>('0' + v % 10); }

// "20070123-090500": sorts as the runs were made.
std::string stamp(const LocalDateTime& t) {
    return std::to_string(t.year) + twoDigits(t.month) + twoDigits(t.day) + "-" +
           twoDigits(t.hour) + twoDigits(t.minute) + twoDigits(t.second);
}

bool syncToDisk(std::FILE* file) {
    if (std::fflush(file) != 0) return false;
#ifdef _WIN32
    return _commit(_fileno(file)) == 0;
#else
    return ::fsync(fileno(file)) == 0;
#endif
}

// Removes the journals of runs made more than KeepDays days before now.
void prune(const std::string& folder, const LocalDateTime& now) {
    const LocalDateTime oldest = FromWallSeconds(WallSeconds(now) - std::int64_t{KeepDays} * 86400);
    const std::string limit = stamp(oldest);
    for (const std::string& id : JournalIds(folder)) {
        if (id.substr(0, limit.size()) >= limit) break;
        std::error_code ec;
        fs::remove(NativePath(folder + id + Suffix), ec);
    }
}

}  // namespace

std::string JournalFolder(const EnvironmentLookup& environment) {
    const std::string state = UserLogFolder(environment);
    return state.empty() ? state : FolderPath(state + "journal");
}

Journal::Journal(std::string folder, std::string kind, const LocalDateTime& now)
    : m_folder(FolderPath(std::move(folder))), m_kind(std::move(kind)) {
    std::error_code ec;
    fs::create_directories(NativePath(m_folder), ec);
    prune(m_folder, now);
    // Two runs in one second get ids that still sort in order.
    const std::string base = stamp(now);
    for (int n = 1;; ++n) {
        m_id = base + "-" + std::to_string(1000 + n).substr(1);
        if (!fs::exists(NativePath(m_folder + m_id + Suffix), ec)) break;
    }
}

Journal::~Journal() {
    if (m_file) std::fclose(m_file);
}

void Journal::record(const PendingChange& change) {
    if (!m_file) {
        const fs::path path = NativePath(m_folder + m_id + Suffix);
#ifdef _WIN32
        m_file = _wfopen(path.c_str(), L"wxb");
#else
        m_file = std::fopen(path.c_str(), "wx");
#endif
        if (!m_file) throw ErrorFromErrno(errno, true);
        std::fprintf(m_file, "TOVRIN-JOURNAL 1\nRUN %s %s\n", m_id.c_str(), m_kind.c_str());
    }
    std::ostringstream block;
    block << "PHOTO " << change.size << ' ' << change.accessed.seconds << ' '
          << change.accessed.nanoseconds << ' ' << change.modified.seconds << ' '
          << change.modified.nanoseconds << ' ' << hex(change.path) << '\n';
    for (const DateField& w : change.writes) {
        block << "TEXT " << w.tag << ' ' << w.position << ' ' << hex(w.current) << ' '
              << hex(w.written) << '\n';
    }
    block << "END\n";
    const std::string text = block.str();
    // The photo is written only once its change can be given back.
    if (std::fwrite(text.data(), 1, text.size(), m_file) != text.size() || !syncToDisk(m_file))
        throw ErrorFromErrno(errno);
}

std::vector<std::string> JournalIds(const std::string& folder) {
    std::vector<std::string> ids;
    std::error_code ec;
    for (fs::directory_iterator it(NativePath(folder), ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = Utf8Path(it->path().filename());
        const std::size_t suffix = std::char_traits<char>::length(Suffix);
        if (name.size() > suffix && name.compare(name.size() - suffix, suffix, Suffix) == 0)
            ids.push_back(name.substr(0, name.size() - suffix));
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

JournalRun ReadJournal(const std::string& folder, const std::string& id) {
    std::ifstream in(NativePath(FolderPath(folder) + id + Suffix), std::ios::binary);
    if (!in) throw RuntimeError(error::FileNotFound);
    JournalRun run;
    run.id = id;
    PendingChange photo;
    bool inPhoto = false;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string word;
        words >> word;
        if (word == "RUN") {
            words >> run.id >> run.kind;
        } else if (word == "PHOTO") {
            std::string path;
            photo = PendingChange{};
            inPhoto = static_cast<bool>(words >> photo.size >> photo.accessed.seconds >>
                                        photo.accessed.nanoseconds >> photo.modified.seconds >>
                                        photo.modified.nanoseconds >> path) &&
                      unhex(path, photo.path);
        } else if (word == "TEXT" && inPhoto) {
            DateField w;
            std::string oldHex, newHex;
            inPhoto = static_cast<bool>(words >> w.tag >> w.position >> oldHex >> newHex) &&
                      unhex(oldHex, w.current) && unhex(newHex, w.written);
            photo.writes.push_back(w);
        } else if (word == "END" && inPhoto) {
            run.changes.push_back(photo);
            inPhoto = false;
        }
    }
    return run;
}

}  // namespace tovrin
