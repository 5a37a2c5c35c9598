#pragma once

#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include "exif/paths.h"
#else
#include <sys/wait.h>
#endif

// Runs another program (the CLI, ExifTool, Exiv2) and collects its standard
// output; its standard error is discarded. Arguments are UTF-8 and reach the
// program whole, whatever characters they hold.
namespace tovrin::test {

struct ProcessResult {
    int exitCode = -1;  // -1 when it did not start or did not end normally
    std::string out;
};

#ifdef _WIN32
// One word of a Windows command line, quoted so that CommandLineToArgvW and
// the C runtime give it back as it is: backslashes double only before a quote.
inline std::wstring CommandLineWord(const std::wstring& word) {
    std::wstring q = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : word) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        q.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        q += c;
    }
    q.append(backslashes * 2, L'\\');
    return q + L"\"";
}

// No shell in between: the program gets the wide command line as written.
inline ProcessResult RunProcess(const std::vector<std::string>& args) {
    ProcessResult result;
    std::wstring command;
    for (const std::string& a : args) command += CommandLineWord(NativePath(a).wstring()) + L" ";
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return result;
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    const HANDLE nul = ::CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = writeEnd;
    startup.hStdError = nul;
    PROCESS_INFORMATION process{};
    const BOOL started = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0,
                                          nullptr, nullptr, &startup, &process);
    ::CloseHandle(writeEnd);
    if (nul != INVALID_HANDLE_VALUE) ::CloseHandle(nul);
    if (!started) {
        ::CloseHandle(readEnd);
        return result;
    }
    char buffer[4096];
    DWORD n = 0;
    while (::ReadFile(readEnd, buffer, sizeof buffer, &n, nullptr) && n > 0) result.out.append(buffer, n);
    ::CloseHandle(readEnd);
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (::GetExitCodeProcess(process.hProcess, &code)) result.exitCode = static_cast<int>(code);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
    return result;
}
#else
// One word for the shell, quoted so that blanks, quotes and other bytes in
// paths reach the program as they are.
inline std::string ShellWord(const std::string& word) {
    std::string q = "'";
    for (const char c : word) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline ProcessResult RunProcess(const std::vector<std::string>& args) {
    std::string command;
    for (const std::string& a : args) command += ShellWord(a) + " ";
    command += "2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    ProcessResult result;
    if (!pipe) return result;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
    const int status = pclose(pipe);
    result.exitCode = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    // The shell's "not found" is no exit code of the program.
    if (result.exitCode == 127) result.exitCode = -1;
    return result;
}
#endif

}  // namespace tovrin::test
