#include "exif/photo_update.h"

#include <algorithm>
#include <filesystem>
#include <tuple>

#include "exif/added_exif.h"
#include "exif/byte_access.h"
#include "exif/container.h"
#include "exif/copy_plan.h"
#include "exif/crc32.h"
#include "exif/date_copies.h"
#include "exif/file_date_change.h"
#include "exif/paths.h"
#include "exif/private_file.h"
#include "exif/runtime_error.h"
#include "exif/sidecar.h"
#include "exif/tiff_layout.h"
#include "exif/write_check.h"

namespace tovrin {

namespace {

std::tuple<int, int, int, int, int, int> key(const LocalDateTime& t) {
    return {t.year, t.month, t.day, t.hour, t.minute, t.second};
}

// The text a field will hold: the written bytes over what it holds now.
std::string textAfter(PhotoFile& file, const DateField& field) {
    std::string text = field.written;
    if (text.size() < 19) {
        try {
            text += ReadText(file, field.position + static_cast<std::int64_t>(text.size()),
                             static_cast<std::int64_t>(19 - text.size()));
        } catch (const OutsideFile&) {
            // Nothing after the date: no moment to judge.
        }
    }
    return text;
}

// Reads the photo as the change will find it.
PhotoDateUpdate readBefore(PhotoFile& file, const std::string& fileName) {
    PhotoDateUpdate update;
    // Captured before the photo is rewritten: writing moves the file's time
    // to now, and a kept time of day must be the old one.
    update.fileTime = TimeOfDayText(ToLocal(file.lastWriteSeconds()));
    update.readStatus = ReadPhotoInfo(file, fileName, update.before);
    return update;
}

std::string nameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of(
#ifdef _WIN32
        "\\/"
#else
        "/"
#endif
    );
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Opens and claims a photo for a change; nothing when wait is false and
// another run holds it. A dry run reads through an open for reading only (the
// access time stays), once it has found that a real run could open the photo
// for writing; maySetTimes says whether the change could set its times.
std::unique_ptr<PhotoFile> openForChange(const std::string& path, bool dryRun, bool wait,
                                         bool& maySetTimes) {
    if (dryRun) maySetTimes = CheckPhotoWritable(path);
    auto file = std::make_unique<PhotoFile>(
        path, dryRun ? PhotoFile::Mode::Read : PhotoFile::Mode::ReadWrite);
    if (dryRun) return file;
    maySetTimes = file->maySetTimes();
    if (!file->claim(wait)) return nullptr;
    // Another run may have put a new file in the photo's place (one that
    // gained an EXIF block) while this one waited for its claim: the change
    // is made to the file the name leads to now, never to the one replaced.
    // Only a file of one name is ever replaced, so the one open here has no
    // name left then.
    for (int tries = 0; tries < 16 && file->replaced(); ++tries) {
        file = std::make_unique<PhotoFile>(path, PhotoFile::Mode::ReadWrite);
        maySetTimes = file->maySetTimes();
        if (!file->claim(wait)) return nullptr;
    }
    return file;
}

// The common course once the writes are planned: refuse a future moment;
// otherwise check that the times can be set (a dry run too, as the real run
// would) and keep the moment for the commit.
void finishPlan(PlannedPhoto& planned, const LocalDateTime& fileMoment, bool dryRun,
                bool maySetTimes, const std::optional<LocalDateTime>& latest) {
    PhotoDateUpdate& update = planned.update;
    PhotoFile& file = *planned.file;
    if (latest) {
        bool future = key(fileMoment) > key(*latest);
        for (const DateField& w : update.writes) {
            if (!tiff::IsDateTag(w.tag)) continue;
            const auto t = ParseExifMoment(textAfter(file, w));
            future = future || (t && key(*t) > key(*latest));
        }
        if (future) {
            update.refusedAsFuture = true;
            update.writes.clear();
            return;
        }
    }
    planned.moment = LocalToEpoch(fileMoment);
    planned.accessedAfter = planned.modifiedAfter = {planned.moment, 0};
    WriteResult result{true, false, true};
    for (const DateField& w : update.writes) result.dateWritten |= w.tag == tiff::TagDateTime;
    update.result = result;
    if (!maySetTimes) throw RuntimeError(error::PermissionDenied);
    if (dryRun) {
        // Nothing will be written: the plan is only reported.
        planned.file->close();
        planned.file.reset();
    }
}

// A photo whose copies cannot all be read is refused whole (481), naming
// what could not be read.
void refuseUnreadable(const CopyPlan& plan, std::string why) {
    if (plan.problems.empty()) return;
    for (std::size_t i = 0; i < plan.problems.size(); ++i)
        why += (i ? "、" : "") + plan.problems[i];
    throw RuntimeError(error::BadPicture, why);
}

// What follows the EXIF texts of a photo that changes: its zone offsets
// (when a zone is asked for) and its copies of the date (unless only EXIF
// is asked for). A photo whose copies cannot all be read is refused whole.
void planFollowers(PlannedPhoto& planned, const DateFields& fields,
                   const std::vector<DateField>& exifCopies, CopyRule rule,
                   const ChangeOptions& options) {
    PhotoDateUpdate& update = planned.update;
    const std::vector<DateField>& offsets = fields.offsets;
    if (options.zone) {
        for (const DateField& offset : offsets)
            if (offset.current != *options.zone)
                update.writes.push_back(
                    {offset.tag, offset.position, offset.current, *options.zone});
        if (offsets.empty())
            update.copiesLeft.push_back("OffsetTime: ゾーンを書く欄がないため、書いていません");
    }
    if (options.exifOnly) return;
    update.writes.insert(update.writes.end(), exifCopies.begin(), exifCopies.end());
    rule.zone = options.zone;
    CopyPlan copies = PlanCopies(*planned.file, rule);
    update.copies = fields.copies.size() + copies.copies;
    update.copiesWritten =
        exifCopies.size() + static_cast<std::size_t>(
                                std::count_if(copies.writes.begin(), copies.writes.end(),
                                              [](const DateField& w) { return w.tag == CopyTag; }));
    refuseUnreadable(copies, "日付の写し (XMP/IPTC) が読み取れないため、変更しませんでした: ");
    // The sidecars beside the photo follow it too, by the same rule.
    CopyPlan sidecars = PlanSidecars(update.path, rule);
    refuseUnreadable(sidecars, "XMP サイドカーの日付が読み取れないため、変更しませんでした: ");
    update.copies += sidecars.copies;
    update.copiesWritten += sidecars.writes.size();
    for (const CopyPlan* plan : {&copies, &sidecars}) {
        update.copiesLeft.insert(update.copiesLeft.end(), plan->left.begin(), plan->left.end());
        update.writes.insert(update.writes.end(), plan->writes.begin(), plan->writes.end());
    }
}

// Which clock a movie's times keep, and what its capture and modification
// times name once written.
void noteMovieTimes(PhotoDateUpdate& update, const DateFields& fields) {
    const bool movie = std::any_of(fields.storedTimes.begin(), fields.storedTimes.end(),
                                   [](const DateField& f) { return IsMovieTimeTag(f.tag); });
    if (!movie) return;
    update.movieClock = MovieClockName(fields.movieClock);
    for (const DateField& w : update.writes) {
        if (!IsMovieTimeTag(w.tag)) continue;
        DateField after = w;
        after.current = w.written;
        std::string& text = w.tag == MovieTimeTag ? update.movieCreated : update.movieModified;
        if (const auto t = StoredTimeMoment(fields, after); t && text.empty())
            text = ExifMomentText(*t);
    }
}

bool sameTime(const PhotoFile::FileTime& a, const PhotoFile::FileTime& b) {
    // Some file systems keep times in steps of up to two seconds.
    const std::int64_t gap = a.seconds - b.seconds;
    return gap >= -2 && gap <= 2;
}

// A photo without EXIF gets a block of its own that holds the new moment,
// when the run asks for it: the one change that writes the photo anew, as a
// new file put in its place. A filter day leaves it out (it has no date on
// any day).
void planAddition(PlannedPhoto& planned, const DateChoice& choice, const ChangeOptions& options,
                  bool maySetTimes) {
    PhotoDateUpdate& update = planned.update;
    // What a crash left beside such a photo goes with the next run over it.
    if (!options.dryRun) RemoveLeftReplacement(update.path);
    if (!options.addMissing || choice.filterOn) return;
    PhotoFile& file = *planned.file;
    const LocalDateTime moment = FileDateMoment(choice, update.fileTime);
    const std::string text = ExifMomentText(moment);
    const std::optional<AddedExif> added = PlanAddedExif(file, text, options.zone.value_or(""));
    if (!added) return;
    if (options.latest && key(moment) > key(*options.latest)) {
        update.refusedAsFuture = true;
        return;
    }
    // A new file in the place of a link would replace the link, and one in
    // the place of a name of several would part it from the others.
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::is_symlink(NativePath(update.path), ec) ||
        fs::hard_link_count(NativePath(update.path), ec) > 1)
        throw RuntimeError(error::PathFileAccess,
                           "リンクのため、EXIF を書き加えていません (写真は変更していません)");
    update.added = true;
    update.newText = text;
    update.writes = {DateField{SpliceTag, added->position, {}, added->bytes}};
    update.result = {true, true, true};
    if (!FindDateCopies(file).found.empty())
        update.copiesLeft.push_back("XMP/IPTC: EXIF を書き加えた写真の日付の写しは、そのままです");
    planned.moment = LocalToEpoch(moment);
    planned.accessedAfter = planned.modifiedAfter = {planned.moment, 0};
    if (!maySetTimes) throw RuntimeError(error::PermissionDenied);
    if (options.dryRun) {
        file.close();
        planned.file.reset();
        return;
    }
    const std::int64_t at = planned.moment;
    planned.replacement =
        std::make_unique<FileReplacement>(file, update.path, added->position, 0, added->bytes,
                                          [at](PhotoFile& made) { SetFileTimes(made, at); });
}

}  // namespace

std::optional<LocalDateTime> ParseExifMoment(const std::string& text) {
    if (text.size() < 19) return std::nullopt;
    static const char shape[] = "dddd:dd:dd dd:dd:dd";
    for (int i = 0; i < 19; ++i) {
        const char c = text[static_cast<std::size_t>(i)];
        if (shape[i] == 'd' ? (c < '0' || c > '9') : c != shape[i]) return std::nullopt;
    }
    const auto n = [&](int at, int width) {
        int v = 0;
        for (int i = 0; i < width; ++i) v = v * 10 + (text[static_cast<std::size_t>(at + i)] - '0');
        return v;
    };
    const LocalDateTime t{n(0, 4), n(5, 2), n(8, 2), n(11, 2), n(14, 2), n(17, 2)};
    if (!IsValidDate({t.year, t.month, t.day}) || !IsValidTime({t.hour, t.minute, t.second}))
        return std::nullopt;
    return t;
}

bool ShiftMovesText(const std::string& text, const std::string& onlyOn) {
    if (!onlyOn.empty() && text.compare(0, onlyOn.size(), onlyOn) != 0) return false;
    return ParseExifMoment(text).has_value();
}

std::string ExifMomentText(const LocalDateTime& t) {
    DateChoice c;
    c.date = {t.year, t.month, t.day};
    c.time = {t.hour, t.minute, t.second};
    return NewDateText(c);
}

std::optional<LocalDateTime> ShiftMoment(const LocalDateTime& t, std::int64_t seconds) {
    // Years 1 to 9999 span about 3.2e11 seconds; a larger shift leaves them anyway.
    constexpr std::int64_t Span = 400000000000;
    if (seconds > Span || seconds < -Span) return std::nullopt;
    const LocalDateTime moved = FromWallSeconds(WallSeconds(t) + seconds);
    if (moved.year < 1 || moved.year > 9999) return std::nullopt;
    return moved;
}

PendingChange PlannedPhoto::pending() const {
    PendingChange change;
    if (!file) return change;
    change.path = update.path;
    change.size = file->size();
    change.identity = replacement ? replacement->identity() : file->identity();
    change.accessed = file->accessedAtOpen();
    change.modified = file->modifiedAtOpen();
    change.modifiedAfter = modifiedAfter;
    change.writes = update.writes;
    return change;
}

std::optional<PlannedPhoto> PlanPhotoDate(const std::string& path, const DateChoice& given,
                                          const ChangeOptions& options, bool wait) {
    PlannedPhoto planned;
    bool maySetTimes = false;
    planned.file = openForChange(path, options.dryRun, wait, maySetTimes);
    if (!planned.file) return std::nullopt;
    planned.identity = planned.file->identity();
    PhotoFile& file = *planned.file;
    planned.update = readBefore(file, nameOf(path));
    PhotoDateUpdate& update = planned.update;
    update.path = path;
    DateChoice choice = given;
    if (options.fromFileTime) {
        const LocalDateTime t = ToLocal(file.lastWriteSeconds());
        choice.date = {t.year, t.month, t.day};
        choice.time = {t.hour, t.minute, t.second};
        choice.keepTime = false;
    }
    DatePlan plan = PlanEmbeddedDate(file, choice);
    update.result.status = plan.status;
    // A file whose only date is its header's (a PNG's tIME) has no EXIF
    // block either: asked to add one, it gets one, and that time stays.
    const bool exifDate = std::any_of(plan.writes.begin(), plan.writes.end(),
                                      [](const DateField& w) { return tiff::IsDateTag(w.tag); });
    if (plan.status && !exifDate && options.addMissing) {
        planAddition(planned, choice, options, maySetTimes);
        if (update.added)
            update.copiesLeft.push_back(
                "PNG tIME: EXIF を書き加えた写真の更新日時は、そのままです");
        if (update.added || update.refusedAsFuture) {
            if (!planned.writes() && planned.file) planned.file->close();
            return planned;
        }
    }
    update.newText = std::move(plan.newText);
    update.writes = std::move(plan.writes);
    if (plan.status && !update.writes.empty()) {
        CopyRule rule;
        rule.date = choice.date;
        if (!choice.keepTime) rule.time = choice.time;
        rule.onlyOn = FilterDateText(choice);
        planFollowers(planned, plan.fields, plan.copyWrites, rule, options);
    }
    noteMovieTimes(update, plan.fields);
    if (plan.status && !update.writes.empty()) {
        PlanChecksums(file, update.writes);
        finishPlan(planned, FileDateMoment(choice, update.fileTime), options.dryRun, maySetTimes,
                   options.latest);
    }
    if (!plan.status) planAddition(planned, choice, options, maySetTimes);
    if (!planned.writes() && planned.file) planned.file->close();
    return planned;
}

std::optional<PlannedPhoto> PlanPhotoShift(const std::string& path, std::int64_t seconds,
                                           const ChangeOptions& options, bool wait) {
    PlannedPhoto planned;
    bool maySetTimes = false;
    planned.file = openForChange(path, options.dryRun, wait, maySetTimes);
    const std::string& filterDay = options.onlyOn;
    if (!planned.file) return std::nullopt;
    planned.identity = planned.file->identity();
    PhotoFile& file = *planned.file;
    planned.update = readBefore(file, nameOf(path));
    PhotoDateUpdate& update = planned.update;
    update.path = path;
    const DateFields fields = FindDateFields(file, 19);
    update.result.status = fields.complete;

    // A shift to a zone moves the local times by the difference between the
    // photo's own offset (the capture's first) and the new one.
    if (options.moveToZone && fields.complete) {
        std::optional<int> from;
        for (const std::int16_t tag :
             {tiff::TagOffsetTimeOriginal, tiff::TagOffsetTime, tiff::TagOffsetTimeDigitized}) {
            for (const DateField& offset : fields.offsets)
                if (!from && offset.tag == tag) from = ZoneMinutes(offset.current);
        }
        const auto to = options.zone ? ZoneMinutes(*options.zone) : std::nullopt;
        if (!from || !to) {
            update.refusedNoZone = true;
            file.close();
            return planned;
        }
        seconds = (static_cast<std::int64_t>(*to) - *from) * 60;
    }

    // The new capture moment, for the file's times: the first of these tags
    // that moves, in this order.
    // A movie's creation time stands for its capture when it keeps no EXIF.
    std::optional<LocalDateTime> capture[4];
    std::optional<LocalDateTime> captureBefore[4];
    const auto rank = [](std::int16_t tag) {
        return tag == tiff::TagDateTimeOriginal ? 0 : tag == tiff::TagDateTime ? 1 : 2;
    };
    for (const DateField& field : fields.fields) {
        // Not a moment, or not on the filter day: it stays as it is.
        if (!ShiftMovesText(field.current, filterDay)) continue;
        const auto moved = ShiftMoment(*ParseExifMoment(field.current), seconds);
        if (!moved) {
            update.refusedOutOfRange = true;
            update.writes.clear();
            file.close();
            return planned;
        }
        DateField write = field;
        write.written = ExifMomentText(*moved);
        update.writes.push_back(write);
        if (!capture[rank(field.tag)]) {
            capture[rank(field.tag)] = moved;
            captureBefore[rank(field.tag)] = ParseExifMoment(field.current);
        }
    }
    for (const DateField& field : fields.storedTimes) {
        const auto now = StoredTimeMoment(fields, field);
        // A time that names no moment (a movie's 0 was never set) stays.
        if (!now) continue;
        if (!filterDay.empty() && ExifMomentText(*now).compare(0, filterDay.size(), filterDay) != 0)
            continue;
        const auto moved = ShiftMoment(*now, seconds);
        const auto bytes = moved ? StoredTimeBytes(fields, field, *moved) : std::nullopt;
        if (!bytes) {
            update.refusedOutOfRange = true;
            update.writes.clear();
            file.close();
            return planned;
        }
        DateField write = field;
        write.written = *bytes;
        update.writes.push_back(write);
        if (!capture[3]) {
            capture[3] = moved;
            captureBefore[3] = now;
        }
    }
    const int first = capture[0] ? 0 : capture[1] ? 1 : capture[2] ? 2 : 3;
    if (fields.complete && !update.writes.empty()) {
        CopyRule rule;
        rule.shift = true;
        rule.seconds = seconds;
        rule.onlyOn = filterDay;
        rule.captureBefore = captureBefore[first];
        rule.captureAfter = capture[first];
        std::vector<DateField> exifCopies;
        for (const DateField& field : fields.copies) {
            if (!ShiftMovesText(field.current, filterDay)) continue;
            if (const auto moved = ShiftMoment(*ParseExifMoment(field.current), seconds)) {
                exifCopies.push_back(field);
                exifCopies.back().written = ExifMomentText(*moved);
            }
        }
        planFollowers(planned, fields, exifCopies, rule, options);
    }
    noteMovieTimes(update, fields);
    if (fields.complete && !update.writes.empty()) {
        PlanChecksums(file, update.writes);
        finishPlan(planned, *capture[first], options.dryRun, maySetTimes, options.latest);
    }
    if (!planned.writes() && planned.file) planned.file->close();
    return planned;
}

namespace {

// Gives back a change that added bytes or took them away (an EXIF block
// added to a photo that had none): the photo is written anew without them,
// or with them again, when it still holds what the change left, exactly
// there, and the place is one where such a block stands.
std::optional<PlannedPhoto> planRestoreSplice(const PendingChange& change, PlannedPhoto planned,
                                              bool maySetTimes) {
    PhotoFile& file = *planned.file;
    const auto refuse = [&](Restore why) {
        planned.restore = why;
        file.close();
        planned.file.reset();
        return std::move(planned);
    };
    RemoveLeftReplacement(change.path);
    if (change.writes.size() != 1) return refuse(Restore::NotADate);
    const DateField& w = change.writes.front();
    const bool removing = !w.written.empty() && w.current.empty();
    const bool inserting = w.written.empty() && !w.current.empty();
    if (!removing && !inserting) return refuse(Restore::NotADate);
    const std::int64_t sizeAfter = change.size + static_cast<std::int64_t>(w.written.size()) -
                                   static_cast<std::int64_t>(w.current.size());
    // The run stopped before its new file was put in the photo's place.
    if (file.size() == change.size && file.size() != sizeAfter)
        return refuse(Restore::AlreadyBefore);
    if (file.size() != sizeAfter) return refuse(Restore::SizeChanged);
    if (change.identity.known() && !(change.identity == file.identity()))
        return refuse(Restore::NotSamePhoto);
    // A name given to the photo since would be parted from it.
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::is_symlink(NativePath(change.path), ec) ||
        fs::hard_link_count(NativePath(change.path), ec) > 1)
        return refuse(Restore::NotSamePhoto);
    if (removing) {
        std::string now(w.written.size(), '\0');
        if (!file.contains(w.position, static_cast<std::int64_t>(now.size())))
            return refuse(Restore::ChangedSince);
        file.read(w.position, now.data(), now.size());
        if (now != w.written) return refuse(Restore::ChangedSince);
    }
    if (!MayUndoAddedExif(file, w.position, removing ? w.written : w.current, inserting))
        return refuse(Restore::NotADate);
    if (change.modifiedAfter && !sameTime(file.modifiedAtOpen(), *change.modifiedAfter))
        return refuse(Restore::NotSamePhoto);
    if (!maySetTimes) throw RuntimeError(error::PermissionDenied);
    planned.update.writes = {DateField{SpliceTag, w.position, w.written, w.current}};
    planned.restore = Restore::Restored;
    planned.exactTimes = true;
    planned.accessedAfter = change.accessed;
    planned.modifiedAfter = change.modified;
    planned.update.result = {true, false, true};
    const PhotoFile::FileTime accessed = change.accessed;
    const PhotoFile::FileTime modified = change.modified;
    planned.replacement = std::make_unique<FileReplacement>(
        file, change.path, w.position, static_cast<std::int64_t>(w.written.size()), w.current,
        [accessed, modified](PhotoFile& made) { made.setTimes(accessed, modified); });
    return planned;
}

}  // namespace

std::optional<PlannedPhoto> PlanRestore(const PendingChange& change, bool wait) {
    PlannedPhoto planned;
    bool maySetTimes = false;
    planned.file = openForChange(change.path, false, wait, maySetTimes);
    if (!planned.file) return std::nullopt;
    planned.identity = planned.file->identity();
    PhotoFile& file = *planned.file;
    // Read as found, for the log line of a photo given back.
    planned.update = readBefore(file, nameOf(change.path));
    planned.update.path = change.path;
    const auto refuse = [&](Restore why) {
        planned.restore = why;
        file.close();
        planned.file.reset();
        return std::move(planned);
    };
    if (std::any_of(change.writes.begin(), change.writes.end(),
                    [](const DateField& w) { return w.tag == SpliceTag; }))
        return planRestoreSplice(change, std::move(planned), maySetTimes);
    if (file.size() != change.size) return refuse(Restore::SizeChanged);
    // The same file, as the change left it (or, cut short, before its times
    // were set): a copy of another photo put in its place is not it.
    if (change.identity.known() && !(change.identity == file.identity()))
        return refuse(Restore::NotSamePhoto);

    // Only where the photo's own structure has a date text, a zone offset or
    // a copy of the date now: a journal is a file like any other and may
    // have been edited.
    std::size_t longestDate = 19;
    bool anyCopy = false;
    for (const DateField& w : change.writes) {
        const bool copy = w.tag == CopyTag || w.tag == DigestTag || IsSidecarTag(w.tag);
        const std::size_t fixed = w.tag == ChecksumTag    ? 4
                                  : w.tag == PngTimeTag   ? 7
                                  : IsMovieTimeTag(w.tag) ? w.current.size()
                                                          : 0;
        if (fixed != 0 &&
            (w.written.size() != fixed || (IsMovieTimeTag(w.tag) && fixed != 4 && fixed != 8)))
            return refuse(Restore::NotADate);
        if (w.written.size() != w.current.size() || w.written.empty() ||
            w.written.size() > (copy ? 64u : 20u))
            return refuse(Restore::NotADate);
        anyCopy = anyCopy || copy;
        if (tiff::IsDateTag(w.tag)) longestDate = std::max(longestDate, w.written.size());
    }
    const DateFields fields = FindDateFields(file, longestDate);
    if (!fields.complete) return refuse(Restore::NotADate);
    const DateCopies copies = anyCopy ? FindDateCopies(file) : DateCopies{};
    const ContainerMap container = MapContainer(file);
    const auto known = [&](const DateField& w) {
        const auto at = [&](const ByteSpan& span) {
            return span.first == w.position &&
                   span.size == static_cast<std::int64_t>(w.written.size());
        };
        if (w.tag == CopyTag)
            return std::any_of(copies.found.begin(), copies.found.end(),
                               [&](const DateCopyFound& c) { return at(c.text); });
        if (w.tag == DigestTag)
            return std::any_of(copies.iptc.begin(), copies.iptc.end(),
                               [&](const IptcBlock& b) { return b.digest && at(*b.digest); });
        const auto in = [&](const std::vector<DateField>& list) {
            return std::any_of(list.begin(), list.end(),
                               [&](const DateField& f) { return f.position == w.position; });
        };
        if (w.tag == ChecksumTag)
            return std::any_of(container.checksums.begin(), container.checksums.end(),
                               [&](const ChecksumPlace& c) { return c.position == w.position; });
        if (IsMovieTimeTag(w.tag) || w.tag == PngTimeTag)
            return std::any_of(
                fields.storedTimes.begin(), fields.storedTimes.end(), [&](const DateField& f) {
                    return f.position == w.position && f.current.size() == w.written.size();
                });
        return tiff::IsDateTag(w.tag) ? in(fields.fields) || in(fields.copies) : in(fields.offsets);
    };
    // The sidecars' copies, read from each sidecar as it is now.
    std::vector<DateField> sidecarWrites;
    for (const DateField& w : change.writes)
        if (IsSidecarTag(w.tag)) sidecarWrites.push_back(w);
    std::vector<int> sidecarState;
    try {
        if (!sidecarWrites.empty() && !SidecarHolds(change.path, sidecarWrites, sidecarState))
            return refuse(Restore::NotADate);
    } catch (const RuntimeError&) {
        return refuse(Restore::ChangedSince);  // the sidecar is gone or unreadable
    }
    bool anyNew = false;
    bool anyOld = false;
    std::size_t sidecarIndex = 0;
    for (const DateField& w : change.writes) {
        std::string now(w.written.size(), '\0');
        if (IsSidecarTag(w.tag)) {
            const int state = sidecarState[sidecarIndex++];
            now = state == 1 ? w.written : state == 0 ? w.current : std::string();
        } else {
            if (!known(w)) return refuse(Restore::NotADate);
            file.read(w.position, now.data(), now.size());
        }
        if (now == w.written) {
            anyNew = true;
            DateField back = w;
            back.current = w.written;
            back.written = w.current;
            planned.update.writes.push_back(back);
        } else if (now == w.current) {
            anyOld = true;
        } else {
            return refuse(Restore::ChangedSince);
        }
    }
    if (!anyNew && anyOld) return refuse(Restore::AlreadyBefore);
    // Every text as the change left it, but a time that neither the change
    // nor the photo before it had: another file of the same size and dates
    // was copied into its place (a copy keeps the name's file, not its time).
    // A change cut short between two texts leaves the time of the crash, and
    // its mix of old and new texts is its own proof.
    if (!anyOld && change.modifiedAfter &&
        !sameTime(file.modifiedAtOpen(), *change.modifiedAfter) &&
        !sameTime(file.modifiedAtOpen(), change.modified))
        return refuse(Restore::NotSamePhoto);
    if (!maySetTimes) throw RuntimeError(error::PermissionDenied);
    planned.restore = anyOld ? Restore::HalfDone : Restore::Restored;
    planned.exactTimes = true;
    planned.accessedAfter = change.accessed;
    planned.modifiedAfter = change.modified;
    planned.update.result = {true, false, true};
    return planned;
}

void CommitPhoto(PlannedPhoto& planned) {
    if (!planned.writes()) return;
    if (planned.replacement) {
        // The new file is whole, on the disk and journaled: it takes the
        // photo's place in one step, while this run still holds its claim on
        // the old one where the system allows it, so a run waiting for the
        // photo finds the old file nameless and opens the new one.
        if (!MayReplaceOpenFile) planned.file->close();
        try {
            planned.replacement->commit();
        } catch (const RuntimeError&) {
            planned.update.result.changed = false;
            planned.update.result.dateWritten = false;
            planned.replacement.reset();
            planned.file.reset();
            throw;
        }
        planned.replacement.reset();
        planned.file->close();
        planned.file.reset();
        return;
    }
    PhotoFile& file = *planned.file;
    const std::vector<DateField>& writes = planned.update.writes;
    std::size_t started = 0;
    bool timesTouched = false;
    const auto grouped = [](const DateField& w) { return IsMovieTimeTag(w.tag); };
    try {
        // A movie's header times that stand close together go out in one
        // call, with the bytes between them as they are: its dozens of times
        // cost a few calls, not dozens. Those bytes are written back
        // unchanged, so a write cut short leaves them as they were. Every
        // other text is written alone, in the planned order.
        constexpr std::int64_t Gap = 512;
        std::vector<const DateField*> times;
        for (const DateField& w : writes)
            if (grouped(w)) times.push_back(&w);
        std::sort(times.begin(), times.end(),
                  [](const DateField* a, const DateField* b) { return a->position < b->position; });
        for (std::size_t i = 0; i < times.size();) {
            const std::int64_t first = times[i]->position;
            std::int64_t end = first + static_cast<std::int64_t>(times[i]->written.size());
            std::size_t j = i + 1;
            while (j < times.size() && times[j]->position <= end + Gap) {
                end = std::max(
                    end, times[j]->position + static_cast<std::int64_t>(times[j]->written.size()));
                ++j;
            }
            std::string bytes(static_cast<std::size_t>(end - first), '\0');
            file.read(first, bytes.data(), bytes.size());
            for (std::size_t k = i; k < j; ++k)
                bytes.replace(static_cast<std::size_t>(times[k]->position - first),
                              times[k]->written.size(), times[k]->written);
            timesTouched = true;
            file.write(first, bytes.data(), bytes.size());
            i = j;
        }
        for (const DateField& w : writes) {
            ++started;
            if (!IsSidecarTag(w.tag) && !grouped(w)) WriteText(file, w.position, w.written);
        }
        if (planned.exactTimes) {
            file.setTimes(planned.accessedAfter, planned.modifiedAfter);
        } else {
            SetFileTimes(file, planned.moment);
        }
        // Last, as each is replaced whole: a failure puts the photo back.
        RewriteSidecars(planned.update.path, writes);
    } catch (const RuntimeError&) {
        // All or nothing: every text that may have been touched, a write cut
        // short included, gets its old bytes back, and the file its times.
        for (std::size_t i = 0; i < writes.size(); ++i) {
            if (IsSidecarTag(writes[i].tag) ||
                (i >= started && !(timesTouched && grouped(writes[i]))))
                continue;
            try {
                WriteText(file, writes[i].position, writes[i].current);
            } catch (const RuntimeError&) {
                // The journal still holds the change: undo can finish it.
            }
        }
        try {
            file.setTimes(file.accessedAtOpen(), file.modifiedAtOpen());
        } catch (const RuntimeError&) {
        }
        planned.update.result.changed = false;
        planned.update.result.dateWritten = false;
        planned.file.reset();
        throw;
    }
    planned.file->close();
    planned.file.reset();
}

namespace {

// Plans, journals and commits one photo.
PhotoDateUpdate carryOut(std::optional<PlannedPhoto> planned, const BeforeWrite& beforeWrite) {
    if (planned->writes()) {
        if (beforeWrite) beforeWrite(planned->pending());
        CommitPhoto(*planned);
    }
    return std::move(planned->update);
}

}  // namespace

PhotoDateUpdate UpdatePhotoDate(const std::string& folderPath, const std::string& fileName,
                                const DateChoice& choice, const ChangeOptions& options) {
    return carryOut(PlanPhotoDate(folderPath + fileName, choice, options), options.beforeWrite);
}

PhotoDateUpdate ShiftPhotoDate(const std::string& folderPath, const std::string& fileName,
                               std::int64_t seconds, const ChangeOptions& options) {
    return carryOut(PlanPhotoShift(folderPath + fileName, seconds, options), options.beforeWrite);
}

Restore RestorePhotoDates(const PendingChange& change, const BeforeWrite& beforeWrite) {
    std::optional<PlannedPhoto> planned = PlanRestore(change);
    const Restore outcome = planned->restore;
    carryOut(std::move(planned), beforeWrite);
    return outcome;
}

}  // namespace tovrin
