#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

#include "exif/paths.h"
#include "jpeg_builder.h"

// Paths in tests are UTF-8 text, as in the program: they reach the file
// system only through NativePath and come back only through Utf8Path.
namespace tovrin::test {

// An environment variable as UTF-8 ("" when unset).
inline std::string Environment(const char* name) {
#ifdef _WIN32
    const std::wstring wide(name, name + std::char_traits<char>::length(name));
    const DWORD size = ::GetEnvironmentVariableW(wide.c_str(), nullptr, 0);
    if (size == 0) return {};
    std::wstring value(size, L'\0');
    value.resize(::GetEnvironmentVariableW(wide.c_str(), value.data(), size));
    return Utf8Path(std::filesystem::path(value));
#else
    const char* value = std::getenv(name);
    return value ? value : "";
#endif
}

inline Bytes ReadBytes(const std::string& path) {
    std::ifstream in(NativePath(path), std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(NativePath(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes. folder() ends with the separator, as the engine takes it.
class TempDir {
public:
    // A random name, created only when it is not taken yet; with `inner`, a
    // folder of that name inside it (a name such as "写真" to try on the way).
    explicit TempDir(const std::string& inner = "") {
        namespace fs = std::filesystem;
        std::random_device random;
        const fs::path base = fs::temp_directory_path();
        for (int attempt = 0; attempt < 100 && m_root.empty(); ++attempt) {
            const fs::path folder = base / NativePath("tovrin-" + std::to_string(random()));
            std::error_code ec;
            if (fs::create_directory(folder, ec)) m_root = Utf8Path(folder);
        }
        if (m_root.empty()) throw std::runtime_error("cannot create a temporary folder");
        m_folder = FolderPath(m_root);
        if (!inner.empty()) {
            m_folder = FolderPath(m_folder + inner);
            fs::create_directory(NativePath(m_folder));
        }
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(NativePath(m_root), ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& folder() const { return m_folder; }
    std::string path(const std::string& name) const { return m_folder + name; }
    std::string write(const std::string& name, const Bytes& bytes) const {
        WriteBytes(path(name), bytes);
        return path(name);
    }
    // A writable copy, whatever the source's permissions.
    std::string copy(const std::string& from, const std::string& name) const {
        return write(name, ReadBytes(from));
    }

private:
    std::string m_root;
    std::string m_folder;
};

// The shared photo corpus: $TOVRIN_CORPUS_DIR, else the corpus beside the
// source tree; "" when neither holds a manifest and a photos folder.
inline std::string CorpusDir() {
    namespace fs = std::filesystem;
    const std::string env = Environment("TOVRIN_CORPUS_DIR");
    const fs::path dir =
        !env.empty() ? NativePath(env) : NativePath(TOVRIN_SOURCE_DIR) / ".." / "shared" / "corpus";
    std::error_code ec;
    if (!fs::is_regular_file(dir / "manifest.json", ec) || !fs::is_directory(dir / "photos", ec)) {
        return {};
    }
    return Utf8Path(fs::weakly_canonical(dir, ec));
}

inline std::string CorpusPhotos() {
    const std::string dir = CorpusDir();
    return dir.empty() ? dir : FolderPath(FolderPath(dir) + "photos");
}

// The samples of other formats beside the corpus's photos; "" without them.
inline std::string FormatSamples() {
    const std::string corpus = CorpusDir();
    if (corpus.empty()) return {};
    std::error_code ec;
    const std::string formats = FolderPath(FolderPath(corpus) + "formats");
    return std::filesystem::is_directory(NativePath(formats), ec) ? formats : std::string();
}

}  // namespace tovrin::test
