#include "exif/paths.h"

#include <string_view>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace tovrin {

namespace {

#ifdef _WIN32
bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool isDriveAbsolute(const std::wstring& p) {
    return p.size() >= 3 && ((p[0] >= L'A' && p[0] <= L'Z') || (p[0] >= L'a' && p[0] <= L'z')) &&
           p[1] == L':' && isSeparator(p[2]);
}

bool isUnc(const std::wstring& p) {
    return p.size() >= 3 && isSeparator(p[0]) && isSeparator(p[1]) && !isSeparator(p[2]) &&
           p[2] != L'?' && p[2] != L'.';
}

// Windows drops a "." or " " at the end of each name it is given (so
// "dot.jpg." opens "dot.jpg") and refuses paths past MAX_PATH; in the
// verbatim form, "\\?\", it does neither.
bool needsVerbatimForm(const std::wstring& p) {
    // What CreateDirectoryW still takes without the prefix: MAX_PATH less
    // room for an 8.3 name.
    if (p.size() >= MAX_PATH - 12) return true;
    std::size_t start = 0;
    while (start <= p.size()) {
        std::size_t stop = start;
        while (stop < p.size() && !isSeparator(p[stop])) ++stop;
        const std::wstring_view name(p.data() + start, stop - start);
        if (!name.empty() && name != L"." && name != L".." &&
            (name.back() == L'.' || name.back() == L' '))
            return true;
        start = stop + 1;
    }
    return false;
}

std::wstring currentFolder() {
    const DWORD size = ::GetCurrentDirectoryW(0, nullptr);
    std::wstring here(size, L'\0');
    here.resize(::GetCurrentDirectoryW(size, here.data()));
    return here;
}

// The whole path in the verbatim form: made absolute when it is relative,
// "." and ".." resolved and "/" turned into "\", which that form takes as
// they are. Nothing when it cannot be made absolute (a drive-relative
// "C:name").
std::wstring verbatimForm(std::wstring p) {
    if (!isDriveAbsolute(p) && !isUnc(p)) {
        if (p.size() >= 2 && p[1] == L':') return {};
        const std::wstring here = currentFolder();
        if (here.empty()) return {};
        p = isSeparator(p.empty() ? L'x' : p[0]) ? here.substr(0, 2) + p : here + L'\\' + p;
        if (!isDriveAbsolute(p) && !isUnc(p)) return {};
    }
    const bool unc = isUnc(p);
    std::wstring root = unc ? L"\\\\?\\UNC\\" : L"\\\\?\\" + p.substr(0, 2) + L'\\';
    std::size_t at = unc ? 2 : 3;
    std::vector<std::wstring> names;
    // A UNC path's server and share are its root: ".." stops there.
    const std::size_t rootNames = unc ? 2 : 0;
    while (at <= p.size()) {
        std::size_t stop = at;
        while (stop < p.size() && !isSeparator(p[stop])) ++stop;
        std::wstring name = p.substr(at, stop - at);
        if (name == L"..") {
            if (names.size() > rootNames) names.pop_back();
        } else if (!name.empty() && name != L".") {
            names.push_back(std::move(name));
        }
        at = stop + 1;
    }
    std::wstring out = root;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) out += L'\\';
        out += names[i];
    }
    if (isSeparator(p.back()) && !names.empty()) out += L'\\';
    return out;
}
#endif

}  // namespace

std::string FolderPath(const std::string& folder) {
    if (!folder.empty() && folder.back() == PathSeparator) return folder;
    return folder + PathSeparator;
}

bool IsVerbatimPath(const std::string& utf8) {
#ifdef _WIN32
    return utf8.size() >= 4 && utf8[0] == '\\' && utf8[1] == '\\' &&
           (utf8[2] == '?' || utf8[2] == '.') && utf8[3] == '\\';
#else
    (void)utf8;
    return false;
#endif
}

std::filesystem::path NativePath(const std::string& utf8) {
#ifdef _WIN32
    // Bytes that are no UTF-8 become U+FFFD, a name no file has, instead of
    // an exception that would end the program.
    std::wstring wide;
    if (!utf8.empty()) {
        const int length = static_cast<int>(utf8.size());
        const int size = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
        wide.resize(static_cast<std::size_t>(size));
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), size);
    }
    if (!IsVerbatimPath(utf8) && needsVerbatimForm(wide)) {
        std::wstring verbatim = verbatimForm(wide);
        if (!verbatim.empty()) return std::filesystem::path(std::move(verbatim));
    }
    return std::filesystem::path(std::move(wide));
#else
    return std::filesystem::path(utf8);
#endif
}

std::string Utf8Path(const std::filesystem::path& path) {
#ifdef _WIN32
    const std::wstring& wide = path.native();
    if (wide.empty()) return {};
    const int length = static_cast<int>(wide.size());
    const int size =
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, text.data(), size, nullptr, nullptr);
    return text;
#else
    return path.string();
#endif
}

bool ParentFolderMissing(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path parent = NativePath(path).parent_path();
    return !parent.empty() && !std::filesystem::is_directory(parent, ec);
}

bool IsHiddenEntry(const std::string& path) {
#ifdef _WIN32
    const DWORD attributes = ::GetFileAttributesW(NativePath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
#else
    std::size_t end = path.size();
    while (end > 1 && path[end - 1] == PathSeparator) --end;
    const std::size_t slash = path.rfind(PathSeparator, end - 1);
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    const std::string_view name(path.data() + start, end - start);
    return !name.empty() && name.front() == '.' && name != "." && name != "..";
#endif
}

}  // namespace tovrin
