#include "exif/local_time.h"

#include <windows.h>

#include "exif/paths.h"
#include "exif/runtime_error.h"

// Local time on Windows: the system zone's rules for the year of the moment.
// Windows keeps the rules of each year for zones whose rules have changed
// ("dynamic DST"); the C runtime's mktime and localtime_s know only this
// year's and apply them to every date, and refuse dates before 1970.

namespace tovrin {

namespace {

// FILETIME and SYSTEMTIME count from 1601-01-01 UTC in 100 ns.
constexpr std::int64_t EpochIn1601 = FileTimeEpochOffset;
constexpr std::int64_t TicksPerSecond = 10000000;
constexpr std::int64_t LastTick = 0x7FFFFFFFFFFFFFFFLL;

TIME_ZONE_INFORMATION zoneForYear(int year) {
    TIME_ZONE_INFORMATION zone{};
    if (!::GetTimeZoneInformationForYear(static_cast<USHORT>(year), nullptr, &zone))
        ::GetTimeZoneInformation(&zone);
    return zone;
}

LocalDateTime fromSystemTime(const SYSTEMTIME& t) {
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

}  // namespace

LocalDateTime ToLocal(std::int64_t secondsSinceEpoch) {
    // Outside what FILETIME holds, the nearest moment it does.
    std::int64_t count = 0;
    if (secondsSinceEpoch > -EpochIn1601) {
        count = secondsSinceEpoch + EpochIn1601 > LastTick / TicksPerSecond
                    ? LastTick
                    : (secondsSinceEpoch + EpochIn1601) * TicksPerSecond;
    }
    const FILETIME ticks{static_cast<DWORD>(count), static_cast<DWORD>(count >> 32)};
    SYSTEMTIME utc{};
    if (!::FileTimeToSystemTime(&ticks, &utc)) return {1601, 1, 1, 0, 0, 0};
    const TIME_ZONE_INFORMATION zone = zoneForYear(utc.wYear);
    SYSTEMTIME local{};
    if (!::SystemTimeToTzSpecificLocalTime(&zone, &utc, &local)) return fromSystemTime(utc);
    return fromSystemTime(local);
}

LocalDateTime Now() {
    SYSTEMTIME local{};
    ::GetLocalTime(&local);
    return fromSystemTime(local);
}

LocalDateTime LastWriteTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(NativePath(path).c_str(), GetFileExInfoStandard, &data))
        throw ErrorFromWin32(::GetLastError());
    const auto count = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
        data.ftLastWriteTime.dwLowDateTime);
    return ToLocal(count / TicksPerSecond - EpochIn1601);
}

}  // namespace tovrin
