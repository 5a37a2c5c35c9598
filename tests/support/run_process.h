#pragma once

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "exif/paths.h"

// Runs another program (the CLI, ExifTool, Exiv2) and collects its standard
// output and standard error. Arguments are UTF-8 and reach the program whole,
// whatever characters they hold: through the shell on POSIX systems, as a
// wide command line with no shell on Windows.
namespace tovrin::test {

struct ProcessResult {
    int exitCode = -1;  // -1 when it did not start or did not end normally
    std::string out;
    std::string err;
};

struct ProcessOptions {
    std::string input;       // fed to standard input (empty: nothing to read)
    std::string workingDir;  // "" = this process's own
};

// A scratch file that is removed when the object goes.
class ScratchFile {
public:
    explicit ScratchFile(const char* role) {
        // Tests may start programs from several threads at once.
        static std::atomic<int> serial{0};
#ifdef _WIN32
        const std::string self = std::to_string(::GetCurrentProcessId());
#else
        const std::string self = std::to_string(getpid());
#endif
        m_path = Utf8Path(std::filesystem::temp_directory_path() /
                          ("tovrin-" + self + "-" + std::to_string(++serial) + "." + role));
    }
    ~ScratchFile() {
        std::error_code ignored;
        std::filesystem::remove(NativePath(m_path), ignored);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    const std::string& path() const { return m_path; }
    std::string read() const {
        std::ifstream in(NativePath(m_path), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::string m_path;
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

inline ProcessResult RunProcess(const std::vector<std::string>& args,
                                const ProcessOptions& options = {}) {
    ProcessResult result;
    ScratchFile input("in");
    ScratchFile errors("err");
    {
        std::ofstream in(NativePath(input.path()), std::ios::binary);
        in << options.input;
    }
    std::wstring command;
    for (const std::string& a : args) command += CommandLineWord(NativePath(a).wstring()) + L" ";
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return result;
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    const HANDLE in =
        ::CreateFileW(NativePath(input.path()).c_str(), GENERIC_READ,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    const HANDLE err =
        ::CreateFileW(NativePath(errors.path()).c_str(), GENERIC_WRITE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = writeEnd;
    startup.hStdError = err;
    const std::wstring dir = NativePath(options.workingDir).wstring();
    PROCESS_INFORMATION process{};
    // Wine, busy with other tests, now and then fails a start it makes the
    // next moment: a few tries before the run counts as not started.
    BOOL started = FALSE;
    for (int attempt = 0; attempt < 5 && !started; ++attempt) {
        if (attempt > 0) ::Sleep(200);
        started = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                   dir.empty() ? nullptr : dir.c_str(), &startup, &process);
    }
    ::CloseHandle(writeEnd);
    if (in != INVALID_HANDLE_VALUE) ::CloseHandle(in);
    if (err != INVALID_HANDLE_VALUE) ::CloseHandle(err);
    if (!started) {
        ::CloseHandle(readEnd);
        return result;
    }
    char buffer[4096];
    DWORD n = 0;
    while (::ReadFile(readEnd, buffer, sizeof buffer, &n, nullptr) && n > 0)
        result.out.append(buffer, n);
    ::CloseHandle(readEnd);
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (::GetExitCodeProcess(process.hProcess, &code)) result.exitCode = static_cast<int>(code);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
    result.err = errors.read();
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

inline ProcessResult RunProcess(const std::vector<std::string>& args,
                                const ProcessOptions& options = {}) {
    ScratchFile input("in");
    ScratchFile errors("err");
    {
        std::ofstream in(input.path(), std::ios::binary);
        in << options.input;
    }
    // Appended piece by piece: GCC 12 at -O3 warns (wrongly) about
    // "literal" + std::string temporaries.
    std::string command;
    const auto word = [&command](const std::string& w) {
        command.append(ShellWord(w)).append(" ");
    };
    if (!options.workingDir.empty()) {
        command.append("cd ");
        word(options.workingDir);
        command.append("&& ");
    }
    for (const std::string& a : args) word(a);
    command.append("<");
    word(input.path());
    command.append("2>");
    command.append(ShellWord(errors.path()));
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
    result.err = errors.read();
    return result;
}
#endif

}  // namespace tovrin::test
