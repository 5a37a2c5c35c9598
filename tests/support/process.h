#pragma once

#include <cstdio>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#endif

// Runs another program (the CLI, ExifTool, Exiv2) through the shell and
// collects its standard output; its standard error is discarded.
namespace tovrin::test {

struct ProcessResult {
    int exitCode = -1;  // -1 when it did not start or did not end normally
    std::string out;
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

inline ProcessResult RunProcess(const std::vector<std::string>& args) {
    std::string command;
    for (const std::string& a : args) command += ShellWord(a) + " ";
#ifdef _WIN32
    command += "2>NUL";
    FILE* pipe = _popen(command.c_str(), "rb");
#else
    command += "2>/dev/null";
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
    return result;
}

}  // namespace tovrin::test
