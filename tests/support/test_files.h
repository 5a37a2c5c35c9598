#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "jpeg_builder.h"

namespace tovrin::test {

inline Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes. folder() ends with the separator, as the engine takes it.
class TempDir {
public:
    TempDir() {
        m_folder = (std::filesystem::temp_directory_path() / "tovrin-XXXXXX").string();
        if (!mkdtemp(m_folder.data())) throw std::runtime_error("mkdtemp failed");
        m_folder += "/";
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
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
    std::string m_folder;
};

// The shared photo corpus: $TOVRIN_CORPUS_DIR, else the corpus beside the
// source tree; "" when neither holds a manifest and a photos folder.
inline std::string CorpusDir() {
    namespace fs = std::filesystem;
    const char* env = std::getenv("TOVRIN_CORPUS_DIR");
    const fs::path dir =
        env && *env ? fs::path(env) : fs::path(TOVRIN_SOURCE_DIR) / ".." / "shared" / "corpus";
    std::error_code ec;
    if (!fs::is_regular_file(dir / "manifest.json", ec) || !fs::is_directory(dir / "photos", ec)) {
        return {};
    }
    return fs::weakly_canonical(dir, ec).string();
}

inline std::string CorpusPhotos() {
    const std::string dir = CorpusDir();
    return dir.empty() ? dir : dir + "/photos/";
}

}  // namespace tovrin::test
