#include "run/journal.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <system_error>

#include "exif/copy_plan.h"
#include "exif/local_time.h"
#include "exif/paths.h"
#include "exif/private_file.h"
#include "exif/runtime_error.h"

namespace tovrin {

namespace {

namespace fs = std::filesystem;

constexpr const char* Suffix = ".journal";
constexpr int KeepDays = 30;

// Bytes as lowercase hex, "-" for none, so every field of a line is a word.
void appendHex(std::string& text, const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    if (bytes.empty()) {
        text += '-';
        return;
    }
    const std::size_t start = text.size();
    text.resize(start + 2 * bytes.size());
    char* out = text.data() + start;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = digits[b >> 4];
        *out++ = digits[b & 0xF];
    }
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

// "20070123-090500": sorts as the runs were made.
std::string stamp(const LocalDateTime& t) {
    std::string text;
    AppendNumber(text, t.year, 4);
    AppendNumber(text, t.month, 2);
    AppendNumber(text, t.day, 2);
    text += '-';
    AppendNumber(text, t.hour, 2);
    AppendNumber(text, t.minute, 2);
    AppendNumber(text, t.second, 2);
    return text;
}

// A new run's id: the second, the microseconds within it and a random tail,
// "YYYYMMDD-HHMMSS-uuuuuu-xxxx", sorting after every id in the folder. Ids
// are made only by the run whose turn it is, so the newest id is the run that
// changed photos last, whatever the clock said while it waited for its turn,
// and whatever two runs in one microsecond would have drawn.
std::string newId(const std::vector<std::string>& existing, const LocalDateTime& utcNow) {
    using namespace std::chrono;
    const auto micros = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
    LocalDateTime second = utcNow;
    long long fraction = micros % 1000000;
    const auto timeOf = [](const LocalDateTime& t, long long us) {
        char text[32];
        std::snprintf(text, sizeof text, "-%06lld", us);
        return stamp(t) + text;
    };
    std::string when = timeOf(second, fraction);
    const std::string newest = existing.empty() ? std::string() : existing.back();
    LocalDateTime last;
    long long lastFraction = 0;
    if (newest.size() >= when.size() && when <= newest.substr(0, when.size()) &&
        std::sscanf(newest.c_str(), "%4d%2d%2d-%2d%2d%2d-%6lld", &last.year, &last.month, &last.day,
                    &last.hour, &last.minute, &last.second, &lastFraction) == 7) {
        second = last;
        fraction = lastFraction + 1;
        if (fraction == 1000000) {
            second = FromWallSeconds(WallSeconds(last) + 1);
            fraction = 0;
        }
        when = timeOf(second, fraction);
    }
    static std::mt19937 random{std::random_device{}()};
    char tail[8];
    std::snprintf(tail, sizeof tail, "-%04x", static_cast<unsigned>(random() & 0xFFFF));
    return when + tail;
}

// Removes the journals of runs made more than KeepDays days before now;
// gives the ids of those left, oldest first.
std::vector<std::string> prune(const std::string& folder, const LocalDateTime& now) {
    const LocalDateTime oldest = FromWallSeconds(WallSeconds(now) - std::int64_t{KeepDays} * 86400);
    const std::string limit = stamp(oldest);
    std::vector<std::string> ids = JournalIds(folder);
    auto kept = ids.begin();
    for (; kept != ids.end() && kept->substr(0, limit.size()) < limit; ++kept) {
        std::error_code ec;
        fs::remove(NativePath(folder + *kept + Suffix), ec);
    }
    ids.erase(ids.begin(), kept);
    return ids;
}

void put(std::FILE* file, const std::string& text) {
    if (std::fwrite(text.data(), 1, text.size(), file) != text.size()) throw ErrorFromErrno(errno);
}

}  // namespace

JournalUnavailable::JournalUnavailable(std::string folder, const RuntimeError& cause)
    : RuntimeError(cause.number(), cause.description()), m_folder(std::move(folder)) {}

std::string JournalUnavailableText(const JournalUnavailable& failure) {
    std::string text =
        "元に戻すための記録を保存できないため、写真は変更していません。\r\n記録の保存先: ";
    text +=
        failure.folder().empty() ? std::string("(ホームフォルダが分かりません)") : failure.folder();
    if (!failure.description().empty()) text += "\r\n(" + failure.description() + ")";
    return text;
}

std::string JournalFolder(const EnvironmentLookup& environment) {
    const std::string state = UserLogFolder(environment);
    return state.empty() ? state : FolderPath(state + "journal");
}

LocalDateTime Journal::UtcNow() {
    using namespace std::chrono;
    const auto seconds =
        duration_cast<std::chrono::seconds>(system_clock::now().time_since_epoch()).count();
    return FromWallSeconds(static_cast<std::int64_t>(seconds));
}

Journal::Journal(std::string folder, std::string kind, std::string undoes,
                 const LocalDateTime& utcNow, const std::function<bool()>& busy)
    : m_folder(folder.empty() ? folder : FolderPath(std::move(folder))), m_kind(std::move(kind)) {
    try {
        if (m_folder.empty()) throw RuntimeError(error::PathNotFound);
        CreatePrivateFolders(m_folder);
        m_turn = OpenPrivateAppend(m_folder + "run.lock");
        if (!LockOpenFile(m_turn, false)) {
            if (busy && !busy()) {
                std::fclose(m_turn);
                m_turn = nullptr;
                throw RunBusy{};
            }
            LockOpenFile(m_turn, true);
        }
        const std::vector<std::string> existing = prune(m_folder, utcNow);
        for (int attempt = 0; !m_file; ++attempt) {
            m_id = newId(existing, utcNow);
            m_file = CreateNewPrivateFile(m_folder + m_id + Suffix);
            if (!m_file && (errno != EEXIST || attempt > 100)) throw ErrorFromErrno(errno, true);
        }
        m_undoes = undoes;
        std::string head = "TOVRIN-JOURNAL 2\nRUN " + m_id + " " + m_kind;
        if (!undoes.empty()) head += " " + undoes;
        // Synced with the first batch: no photo is written before that.
        put(m_file, head + "\n");
    } catch (const RuntimeError& e) {
        if (m_turn) std::fclose(m_turn);
        if (m_file) {
            std::fclose(m_file);
            m_file = nullptr;
            std::error_code ec;
            fs::remove(NativePath(m_folder + m_id + Suffix), ec);
        }
        throw JournalUnavailable(m_folder, e);
    }
}

Journal::~Journal() {
    if (m_turn) std::fclose(m_turn);
    if (!m_file) return;
    std::fclose(m_file);
    // A run that changed nothing leaves no journal behind.
    if (m_photos == 0) {
        std::error_code ec;
        fs::remove(NativePath(m_folder + m_id + Suffix), ec);
    }
}

void Journal::add(const PendingChange& change) {
    // Appended in place: a batch of a thousand photos is built here between
    // two syncs, and a stream per photo cost more than the photo's writes.
    std::string& out = m_pending;
    const auto number = [&out](auto value) {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        out += ' ';
        out.append(digits, end);
    };
    out += "PHOTO";
    number(change.size);
    number(change.accessed.seconds);
    number(change.accessed.nanoseconds);
    number(change.modified.seconds);
    number(change.modified.nanoseconds);
    out += ' ';
    appendHex(out, change.path);
    number(change.identity.device);
    number(change.identity.index);
    if (change.modifiedAfter) {
        number(change.modifiedAfter->seconds);
        number(change.modifiedAfter->nanoseconds);
    }
    out += '\n';
    for (const DateField& w : change.writes) {
        out += "TEXT";
        number(w.tag);
        number(w.position);
        out += ' ';
        appendHex(out, w.current);
        out += ' ';
        appendHex(out, w.written);
        out += '\n';
    }
    out += "END\n";
    ++m_photos;
}

void Journal::commit() {
    if (m_pending.empty()) return;
    try {
        put(m_file, m_pending);
        // The photos are written only once their changes can be given back.
        if (!SyncFile(m_file)) throw ErrorFromErrno(errno);
        // The journal's name must survive a crash too: once per run.
        if (!m_named) SyncFolder(m_folder);
        m_named = true;
    } catch (const RuntimeError& e) {
        throw JournalUnavailable(m_folder, e);
    }
    m_pending.clear();
}

void Journal::record(const PendingChange& change) {
    add(change);
    commit();
}

void Journal::finish() {
    if (!m_file) return;
    // An undo that ended is kept even when every photo was already as
    // before: it says that run is given back.
    if (m_photos == 0 && m_undoes.empty()) return;
    m_photos = std::max(m_photos, 1);
    // Not synced: lost in a crash, it only makes a finished undo look
    // interrupted, and completing it again gives back nothing new.
    if (std::fputs("DONE\n", m_file) >= 0) std::fflush(m_file);
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

namespace {

// Reads one line's change into photo: a PHOTO line starts one, TEXT lines add
// to it, END completes it. Gives true when the line completed a well-formed
// block; `open` says whether a block is being read.
bool readChangeLine(const std::string& line, PendingChange& photo, bool& open) {
    std::istringstream words(line);
    std::string word;
    words >> word;
    if (word == "PHOTO") {
        std::string path;
        photo = PendingChange{};
        open = static_cast<bool>(words >> photo.size >> photo.accessed.seconds >>
                                 photo.accessed.nanoseconds >> photo.modified.seconds >>
                                 photo.modified.nanoseconds >> path) &&
               unhex(path, photo.path);
        // Version 2 adds the identity and the time after the change.
        if (words >> photo.identity.device >> photo.identity.index) {
            PhotoFile::FileTime after;
            if (words >> after.seconds >> after.nanoseconds) photo.modifiedAfter = after;
        }
    } else if (word == "TEXT" && open) {
        DateField w;
        std::string oldHex, newHex;
        open = static_cast<bool>(words >> w.tag >> w.position >> oldHex >> newHex) &&
               unhex(oldHex, w.current) && unhex(newHex, w.written);
        photo.writes.push_back(w);
    } else if (word == "END" && open) {
        open = false;
        return true;
    }
    return false;
}

}  // namespace

PendingChange JournalChanges::operator[](std::size_t i) const {
    if (i >= m_starts.size() || !m_file) return {};
    Read& read = (*m_read)[i % m_read->size()];
    if (read.index == i) return read.change;
    std::ifstream& in = *m_file;
    in.clear();
    in.seekg(static_cast<std::streamoff>(m_starts[i]));
    PendingChange photo;
    bool open = false;
    for (std::string line; std::getline(in, line);) {
        if (readChangeLine(line, photo, open)) {
            read = Read{i, photo};
            return photo;
        }
        if (!open) break;
    }
    return {};
}

JournalRun ReadJournal(const std::string& folder, const std::string& id) {
    auto file = std::make_shared<std::ifstream>(NativePath(FolderPath(folder) + id + Suffix),
                                                std::ios::binary);
    if (!*file) throw RuntimeError(error::FileNotFound);
    std::ifstream& in = *file;
    JournalRun run;
    run.id = id;
    PendingChange photo;
    bool open = false;
    std::uint64_t at = 0, blockStart = 0;
    for (std::string line; std::getline(in, line); at += line.size() + 1) {
        const std::string word = line.substr(0, line.find(' '));
        if (word == "RUN") {
            std::istringstream words(line.substr(word.size()));
            words >> run.id >> run.kind >> run.undoes;
        } else if (word == "DONE") {
            run.done = true;
        } else {
            if (word == "PHOTO") blockStart = at;
            if (readChangeLine(line, photo, open)) {
                run.changes.m_starts.push_back(blockStart);
                run.copies += static_cast<std::size_t>(
                    std::count_if(photo.writes.begin(), photo.writes.end(),
                                  [](const DateField& w) { return w.tag == CopyTag; }));
            }
        }
    }
    run.changes.m_file = std::move(file);
    return run;
}

std::vector<RecordedRun> RecordedRuns(const std::string& folder) {
    std::vector<RecordedRun> runs;
    std::set<std::string> givenBack;
    const std::vector<std::string> ids = JournalIds(folder);
    for (auto it = ids.rbegin(); it != ids.rend(); ++it) {
        JournalRun run;
        try {
            run = ReadJournal(folder, *it);
        } catch (const RuntimeError&) {
            continue;
        }
        // Newest first, so every undo is seen before the run it gave back.
        if (run.kind == "undo" && run.done && !run.undoes.empty()) givenBack.insert(run.undoes);
        if (run.changes.empty()) continue;
        runs.push_back({run.id, run.kind, run.undoes, run.changes.size(),
                        givenBack.count(run.id) > 0, run.copies});
    }
    return runs;
}

LocalDateTime RunTime(const std::string& id) {
    LocalDateTime t{0, 0, 0, 0, 0, 0};
    if (std::sscanf(id.c_str(), "%4d%2d%2d-%2d%2d%2d", &t.year, &t.month, &t.day, &t.hour,
                    &t.minute, &t.second) != 6)
        return {0, 0, 0, 0, 0, 0};
    return t;
}

}  // namespace tovrin

namespace tovrin {

namespace {

// What choosing "the last run" needs of a journal, without reading all of
// it: its RUN line, whether it holds a change (the first block ends within
// its first bytes), and whether it ended (DONE is its last line).
struct Head {
    JournalRun run;
    bool changed = false;
};

Head readHead(const std::string& folder, const std::string& id) {
    std::ifstream in(NativePath(FolderPath(folder) + id + Suffix), std::ios::binary);
    if (!in) throw RuntimeError(error::FileNotFound);
    std::string head(64 * 1024, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    Head result;
    JournalRun& run = result.run;
    run.id = id;
    const std::size_t at = head.find("\nRUN ");
    if (at != std::string::npos) {
        std::istringstream words(head.substr(at + 5, head.find('\n', at + 1) - at - 5));
        words >> run.id >> run.kind >> run.undoes;
    }
    // A block is at most a few KiB, so the first one ends inside the head
    // when there is one.
    result.changed = head.find("\nEND\n") != std::string::npos;
    in.clear();
    in.seekg(-5, std::ios::end);
    char tail[5] = {};
    run.done = in.read(tail, 5) && std::string(tail, 5) == "DONE\n";
    return result;
}

}  // namespace

std::string LastUndoableRun(const std::string& folder) {
    const std::vector<std::string> ids = JournalIds(folder);
    std::set<std::string> undone;
    for (auto it = ids.rbegin(); it != ids.rend(); ++it) {
        Head head;
        try {
            head = readHead(folder, *it);
        } catch (const RuntimeError&) {
            continue;
        }
        const JournalRun& run = head.run;
        if (run.kind == "undo" && !run.undoes.empty()) {
            // An undo that ended is not a target; one that was cut short is
            // finished, not reverted, unless a later undo finished it.
            if (run.done) {
                undone.insert(run.undoes);
            } else if (!undone.count(run.undoes)) {
                return run.undoes;
            }
            continue;
        }
        if (head.changed && !undone.count(run.id)) return run.id;
    }
    return {};
}

}  // namespace tovrin
