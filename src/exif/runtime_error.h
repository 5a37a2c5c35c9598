#pragma once

#include <exception>
#include <string>
#include <system_error>

namespace tovrin {

// A failure that unwinds to the event handler that started the action, which
// shows its number and description to the user. The numbers (53 file not
// found, 70 permission denied, ...) are part of the messages users see and
// quote, so they never change.
class RuntimeError : public std::exception {
public:
    RuntimeError(int number, std::string description);
    // The standard description for a known number.
    explicit RuntimeError(int number);

    int number() const noexcept { return m_number; }
    const std::string& description() const noexcept { return m_description; }
    const char* what() const noexcept override { return m_description.c_str(); }

private:
    int m_number;
    std::string m_description;
};

namespace error {
inline constexpr int InvalidCall = 5;
inline constexpr int Overflow = 6;
inline constexpr int OutOfMemory = 7;
inline constexpr int OutOfRange = 9;
inline constexpr int TypeMismatch = 13;
inline constexpr int BadFileName = 52;
inline constexpr int FileNotFound = 53;
inline constexpr int DeviceIo = 57;
inline constexpr int DiskFull = 61;
inline constexpr int DeviceUnavailable = 68;
inline constexpr int PermissionDenied = 70;
inline constexpr int DiskNotReady = 71;
inline constexpr int PathFileAccess = 75;
inline constexpr int PathNotFound = 76;
inline constexpr int BadPicture = 481;
}  // namespace error

// The user-facing description of a run-time error number ("" when unknown).
std::string ErrorDescription(int number);

// What an operating-system error number means to the user. `onFolder` tells a
// missing folder (76) from a missing file (53).
RuntimeError ErrorFromErrno(int errnoValue, bool onFolder = false);
// The same for a Windows system error code (GetLastError, _doserrno). Builds
// on every platform, so the table is tested everywhere.
RuntimeError ErrorFromWin32(unsigned long code, bool onFolder = false);
// The same for an error code from the standard library: the platform's system
// codes (Win32 on Windows) or errno values.
RuntimeError ErrorFromCode(const std::error_code& code, bool onFolder = false);

}  // namespace tovrin
