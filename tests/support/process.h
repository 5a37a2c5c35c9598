#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifdef _WIN32
#include <process.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

// Runs another program (the CLI, ExifTool, Exiv2) through the shell and
// collects its standard output and standard error.
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

// One word for the shell, quoted so that blanks, quotes and other bytes in
// paths reach the program as they are.
inline std::string ShellWord(const std::string& word) {
#ifdef _WIN32
    std::string q = "\"";
    for (const char c : word) q += c == '"' ? std::string("\\\"") : std::string(1, c);
    return q + "\"";
#else
    std::string q = "'";
    for (const char c : word) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
#endif
}

// A scratch file that is removed when the object goes.
class ScratchFile {
public:
    explicit ScratchFile(const char* role) {
        static int serial = 0;
#ifdef _WIN32
        const std::string self = std::to_string(_getpid());
#else
        const std::string self = std::to_string(getpid());
#endif
        m_path = (std::filesystem::temp_directory_path() /
                  ("tovrin-" + self + "-" + std::to_string(++serial) + "." + role))
                     .string();
    }
    ~ScratchFile() {
        std::error_code ignored;
        std::filesystem::remove(m_path, ignored);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    const std::string& path() const { return m_path; }
    std::string read() const {
        std::ifstream in(m_path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::string m_path;
};

inline ProcessResult RunProcess(const std::vector<std::string>& args,
                                const ProcessOptions& options = {}) {
    ScratchFile input("in");
    ScratchFile errors("err");
    {
        std::ofstream in(input.path(), std::ios::binary);
        in << options.input;
    }
    std::string command;
    if (!options.workingDir.empty()) command += "cd " + ShellWord(options.workingDir) + " && ";
    for (const std::string& a : args) command += ShellWord(a) + " ";
    command += "<" + ShellWord(input.path()) + " 2>" + ShellWord(errors.path());
#ifdef _WIN32
    FILE* pipe = _popen(command.c_str(), "rb");
#else
    FILE* pipe = popen(command.c_str(), "r");
#endif
    ProcessResult result;
    if (!pipe) return result;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
#ifdef _WIN32
    result.exitCode = _pclose(pipe);
#else
    const int status = pclose(pipe);
    result.exitCode = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    // The shell's "not found" is no exit code of the program.
    if (result.exitCode == 127) result.exitCode = -1;
#endif
    result.err = errors.read();
    return result;
}

}  // namespace tovrin::test
