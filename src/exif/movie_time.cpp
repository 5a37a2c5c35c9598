#include "exif/movie_time.h"

#include "exif/runtime_error.h"

namespace tovrin {

std::uint64_t MovieSeconds(const std::string& bytes) {
    std::uint64_t v = 0;
    for (const char c : bytes) v = (v << 8) | static_cast<unsigned char>(c);
    return v;
}

std::optional<std::string> MovieBytes(std::int64_t seconds, std::size_t size) {
    if (seconds < 0 || (size == 4 && seconds > 0xFFFFFFFFLL)) return std::nullopt;
    std::string bytes(size, '\0');
    auto v = static_cast<std::uint64_t>(seconds);
    for (std::size_t i = size; i-- > 0;) {
        bytes[i] = static_cast<char>(v & 0xFF);
        v >>= 8;
    }
    return bytes;
}

std::optional<LocalDateTime> MovieMoment(std::uint64_t seconds, MovieClock clock,
                                         std::optional<int> zoneMinutes) {
    // Beyond year 9999 nothing is a moment of ours.
    if (seconds > 253402300799ULL + MovieEpochOffset) return std::nullopt;
    const std::int64_t unix = static_cast<std::int64_t>(seconds) - MovieEpochOffset;
    if (clock == MovieClock::Local) return FromWallSeconds(unix);
    if (zoneMinutes) return FromWallSeconds(unix + std::int64_t{*zoneMinutes} * 60);
    return ToLocal(unix);
}

std::optional<std::int64_t> MovieSecondsOf(const LocalDateTime& t, MovieClock clock,
                                           std::optional<int> zoneMinutes) {
    if (clock == MovieClock::Local) return WallSeconds(t) + MovieEpochOffset;
    if (zoneMinutes) return WallSeconds(t) - std::int64_t{*zoneMinutes} * 60 + MovieEpochOffset;
    try {
        return LocalToEpoch(t) + MovieEpochOffset;
    } catch (const RuntimeError&) {
        return std::nullopt;
    }
}

MovieClock ChooseMovieClock(std::uint64_t creationSeconds,
                            const std::optional<LocalDateTime>& localDate) {
    if (!localDate) return MovieClock::Utc;
    const auto local = MovieMoment(creationSeconds, MovieClock::Local);
    return local && *local == *localDate ? MovieClock::Local : MovieClock::Utc;
}

const char* MovieClockName(MovieClock clock) {
    return clock == MovieClock::Local ? "local" : "utc";
}

}  // namespace tovrin
