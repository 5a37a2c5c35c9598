#pragma once

#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "exif/date_choice.h"
#include "run_process.h"
#include "test_files.h"

// The corpus manifest: expected reader and writer results per photo, computed
// independently of this code. Its texts hold one character per byte.
namespace tovrin::test {

using Json = nlohmann::json;

// The manifest of the current rules: manifest-next.json where the corpus has
// one (Exif APP1 anywhere before the image data, IFD0 at its stored offset),
// else the older manifest.json, which has the same format.
inline const Json& Manifest() {
    static const Json manifest = [] {
        if (CorpusDir().empty()) return Json::object();
        for (const char* name : {"manifest-next.json", "manifest.json"}) {
            std::ifstream in(NativePath(FolderPath(CorpusDir()) + name), std::ios::binary);
            if (in) return Json::parse(in);
        }
        return Json::object();
    }();
    return manifest;
}

// The manifest's photos, sorted by name.
inline std::vector<std::string> CorpusNames() {
    std::vector<std::string> names;
    if (!Manifest().contains("files")) return names;
    for (const auto& [name, entry] : Manifest()["files"].items()) names.push_back(name);
    return names;
}

inline const Json& CorpusEntry(const std::string& name) { return Manifest()["files"][name]; }

// A manifest text (UTF-8 of characters U+0000..U+00FF) as the byte string the
// reader gives.
inline std::string Latin1(const Json& v) {
    const std::string utf8 = v.is_string() ? v.get<std::string>() : std::string();
    std::string bytes;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80 || i + 1 >= utf8.size()) {
            bytes += static_cast<char>(c);
        } else {
            bytes += static_cast<char>(((c & 0x03) << 6) |
                                       (static_cast<unsigned char>(utf8[++i]) & 0x3F));
        }
    }
    return bytes;
}

// One of the manifest's write choices; the filter day is the photo's own.
inline DateChoice ManifestChoice(const char* writeCase, const Json& filter) {
    // Without a corpus there is no choice to make, and its tests skip.
    if (!Manifest().contains("write_cases") || !Manifest()["write_cases"].contains(writeCase))
        return {};
    const Json& c = Manifest()["write_cases"][writeCase];
    int n[9] = {};
    const std::string text = c["date"].get<std::string>() + ":" + c["time"].get<std::string>() +
                             ":" + (filter.is_string() ? filter.get<std::string>() : "");
    std::sscanf(text.c_str(), "%d:%d:%d:%d:%d:%d:%d:%d:%d", &n[0], &n[1], &n[2], &n[3], &n[4],
                &n[5], &n[6], &n[7], &n[8]);
    return {{n[0], n[1], n[2]},
            {n[3], n[4], n[5]},
            c["keep_time"].get<bool>(),
            filter.is_string(),
            {n[6], n[7], n[8]}};
}

// Per kind of photo (byte order, TIFF header position), the `perKind` photos
// with the smallest EXIF block whose three dates the first choice rewrites
// and whose entries the manifest lists, each with the position just past its
// EXIF block.
inline std::vector<std::pair<std::string, std::size_t>> SmallestPerKind(std::size_t perKind) {
    static const std::regex app1(R"(^APP1 'Exif'\(len (\d+)\)@(\d+))");
    std::map<std::string, std::map<std::size_t, std::string>> kinds;
    for (const std::string& name : CorpusNames()) {
        const Json& e = CorpusEntry(name);
        // The truncation needs each date's count, which the manifest lists
        // under "entries" (not for every photo of the newer manifest).
        if (e["write"]["W1"]["writes"].size() != 3 || !e.contains("entries")) continue;
        for (const Json& seg : e["structure"]["segments"]) {
            std::smatch m;
            const std::string text = seg.get<std::string>();
            if (!std::regex_search(text, m, app1)) continue;
            const std::string kind = e["structure"]["byte_order"].get<std::string>() +
                                     std::to_string(e["expected"]["TiffBase"].get<int>());
            kinds[kind][std::stoull(m[2]) + 1 + std::stoull(m[1])] = name;
        }
    }
    std::vector<std::pair<std::string, std::size_t>> photos;
    for (const auto& [kind, byEnd] : kinds) {
        std::size_t taken = 0;
        for (const auto& [end, name] : byEnd) {
            if (taken++ < perKind) photos.emplace_back(name, end);
        }
    }
    return photos;
}

}  // namespace tovrin::test
