#include "console.h"

#include <cstdio>
#include <iostream>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace tovrin::cli {

namespace {

#ifdef _WIN32
// The console behind standard error, or nothing when it is redirected.
HANDLE errorConsole() {
    static const HANDLE console = [] {
        const HANDLE h = ::GetStdHandle(STD_ERROR_HANDLE);
        DWORD mode = 0;
        return h != INVALID_HANDLE_VALUE && h != nullptr && ::GetConsoleMode(h, &mode) ? h
                                                                                       : nullptr;
    }();
    return console;
}

// Windows 10 consoles take VT sequences once asked to; older ones, and
// consoles that refuse, would print them as text.
bool consoleTakesSequences() {
    static const bool takes = [] {
        const HANDLE h = errorConsole();
        DWORD mode = 0;
        if (h == nullptr || !::GetConsoleMode(h, &mode)) return false;
        if (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) return true;
        return ::SetConsoleMode(h, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
    }();
    return takes;
}
#endif

}  // namespace

bool ErrorIsTerminal() {
#ifdef _WIN32
    return errorConsole() != nullptr;
#else
    return ::isatty(STDERR_FILENO) != 0;
#endif
}

bool OutputIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stdout)) != 0;
#else
    return ::isatty(STDOUT_FILENO) != 0;
#endif
}

void WriteError(const std::string& utf8) {
#ifdef _WIN32
    if (const HANDLE console = errorConsole()) {
        std::cerr.flush();
        const int length = static_cast<int>(utf8.size());
        const int size = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(size), L'\0');
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), size);
        DWORD written = 0;
        ::WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
#endif
    std::cerr << utf8 << std::flush;
}

std::string EraseLineText(std::size_t width) {
#ifdef _WIN32
    if (!consoleTakesSequences()) return "\r" + std::string(width, ' ') + "\r";
#else
    (void)width;
#endif
    return "\r\033[K";
}

}  // namespace tovrin::cli
