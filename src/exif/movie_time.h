#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "exif/local_time.h"

namespace tovrin {

// The times of a movie's headers count seconds from 1904-01-01 00:00:00.
// The format says UTC, yet many cameras store their local wall-clock time
// there: which one a file uses is read from how its times relate to a date
// it also keeps as local time (its EXIF), and UTC when it keeps none.
enum class MovieClock { Utc, Local };

// Seconds from 1904-01-01 to 1970-01-01.
inline constexpr std::int64_t MovieEpochOffset = 2082844800LL;

// A stored time (4 or 8 bytes, big-endian) as seconds since 1904.
std::uint64_t MovieSeconds(const std::string& bytes);
// `seconds` since 1904 stored in `size` bytes; nothing when it does not fit.
std::optional<std::string> MovieBytes(std::int64_t seconds, std::size_t size);

// The local wall-clock moment a stored time names under the clock: a UTC
// time through the local-time rules in force on that date, or `zoneMinutes`
// east of UTC when the photo states its zone.
std::optional<LocalDateTime> MovieMoment(std::uint64_t seconds, MovieClock clock,
                                         std::optional<int> zoneMinutes = {});
// The stored seconds of a local wall-clock moment under the clock.
std::optional<std::int64_t> MovieSecondsOf(const LocalDateTime& t, MovieClock clock,
                                           std::optional<int> zoneMinutes = {});

// Which clock a movie's creation time keeps, told from a local date the
// file also holds (its EXIF DateTimeOriginal): the same wall-clock reading
// is a local clock, anything else (or no such date) UTC.
MovieClock ChooseMovieClock(std::uint64_t creationSeconds,
                            const std::optional<LocalDateTime>& localDate);

const char* MovieClockName(MovieClock clock);

}  // namespace tovrin
