// The engine's cost per photo beside the least any tool must pay for the same
// job, measured in the same run on the same file:
//  - info (ReadPhotoInfo) beside open, one 4 KiB read, close;
//  - set (UpdatePhotoDate, as the run and the CLI do it) beside open, one 4 KiB
//    read, three 19-byte writes, one file-time call, close.
//  - set beside set with exifOnly (the three texts alone), on the photos that
//    carry copies of their date in XMP or IPTC: what keeping them in step costs.
//  - set on each HEIC, raw and other sample format beside set on the corpus
//    JPEG closest to it in size: what another container costs.
// Prints each photo's ratio and a summary (targets: info <= 1.2x, set <= 1.3x,
// copies <= 1.5x, formats <= 2x).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include "exif/date_copies.h"
#include "exif/paths.h"
#include "exif/photo_file.h"
#include "exif/photo_update.h"
#include "exif/reader.h"
#include "exif/runtime_error.h"
#include "test_files.h"

namespace tovrin {
namespace {

void FloorInfo(benchmark::State& state, const std::string& path) {
    char buffer[4096];
    for (auto _ : state) {
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        benchmark::DoNotOptimize(pread(fd, buffer, sizeof buffer, 0));
        close(fd);
    }
}

void FloorSet(benchmark::State& state, const std::string& path) {
    char buffer[4096];
    const char text[] = "2007:01:23 09:05:00";
    const timespec times[2] = {{1169510700, 0}, {1169510700, 0}};
    for (auto _ : state) {
        const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
        benchmark::DoNotOptimize(pread(fd, buffer, sizeof buffer, 0));
        // Where the dates of a typical photo are; the floor's writes only need
        // to cost what the engine's do.
        for (const off_t at : {200, 400, 420}) benchmark::DoNotOptimize(pwrite(fd, text, 19, at));
        benchmark::DoNotOptimize(futimens(fd, times));
        close(fd);
    }
}

void Info(benchmark::State& state, const std::string& folder, const std::string& name) {
    PhotoInfo info;
    for (auto _ : state) benchmark::DoNotOptimize(ReadPhotoInfo(folder, name, info));
}

void Set(benchmark::State& state, const std::string& folder, const std::string& name,
         bool exifOnly) {
    DateChoice choice;
    choice.date = {2007, 1, 23};
    choice.time = {9, 5, 0};
    for (auto _ : state) {
        try {
            benchmark::DoNotOptimize(UpdatePhotoDate(folder, name, choice, {.exifOnly = exifOnly}));
        } catch (const RuntimeError&) {
            // A photo refused for its damaged copies costs its reading.
        }
    }
}

bool hasCopies(const std::string& path) {
    PhotoFile file(path, PhotoFile::Mode::Read);
    return !FindDateCopies(file).found.empty();
}

// Keeps every run's time per iteration while the console shows them as usual.
class Collector : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) m_times[r.benchmark_name()] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    double time(const std::string& name) const {
        const auto it = m_times.find(name);
        return it == m_times.end() ? 0.0 : it->second;
    }

private:
    std::map<std::string, double> m_times;
};

void Summary(const char* what, std::vector<double> ratios, double target) {
    if (ratios.empty()) return;
    std::sort(ratios.begin(), ratios.end());
    const auto over =
        std::count_if(ratios.begin(), ratios.end(), [&](double r) { return r > target; });
    std::printf("%-7s median %.2fx  p90 %.2fx  max %.2fx  over %.0fx: %ld of %zu\n", what,
                ratios[ratios.size() / 2], ratios[ratios.size() * 9 / 10], ratios.back(), target,
                static_cast<long>(over), ratios.size());
}

}  // namespace
}  // namespace tovrin

int main(int argc, char** argv) {
    using namespace tovrin;
    namespace fs = std::filesystem;
    benchmark::Initialize(&argc, argv);
    const std::string photos = test::CorpusPhotos();
    if (photos.empty()) {
        std::fprintf(stderr, "no photo corpus: set TOVRIN_CORPUS_DIR\n");
        return 1;
    }
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(NativePath(photos))) {
        const std::string ext = Utf8Path(e.path().extension());
        if (ext.size() > 1 && (ext[1] == 'j' || ext[1] == 'J'))
            names.push_back(Utf8Path(e.path().filename()));
    }
    std::sort(names.begin(), names.end());

    // Both work on copies (one for the floor's writes, one for the engine's);
    // each iteration sets the same choice again.
    const test::TempDir copies;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string id = std::to_string(i);
        const std::string copy = "p" + id + ".jpg", floorCopy = "f" + id + ".jpg";
        copies.copy(photos + names[i], copy);
        copies.copy(photos + names[i], floorCopy);
        benchmark::RegisterBenchmark(("floor_info/" + id).c_str(), FloorInfo, copies.path(copy));
        benchmark::RegisterBenchmark(("info/" + id).c_str(), Info, copies.folder(), copy);
        benchmark::RegisterBenchmark(("floor_set/" + id).c_str(), FloorSet, copies.path(floorCopy));
        benchmark::RegisterBenchmark(("set/" + id).c_str(), Set, copies.folder(), copy, false);
        if (hasCopies(copies.path(copy)))
            benchmark::RegisterBenchmark(("set_exif_only/" + id).c_str(), Set, copies.folder(),
                                         copy, true);
    }
    // Each sample of another format beside the JPEG nearest to it in size.
    std::vector<std::pair<std::string, std::string>> formats;  // benchmark id, sample name
    const std::string samples = FolderPath(FolderPath(test::CorpusDir()) + "formats");
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(NativePath(samples), ec)) {
        const std::string name = Utf8Path(e.path().filename());
        const std::string ext = Utf8Path(e.path().extension());
        if (ext == ".md" || ext == ".xmp" || ext == ".jpg") continue;
        const auto size = static_cast<std::int64_t>(e.file_size());
        std::string nearest;
        std::int64_t gap = -1;
        for (const std::string& jpeg : names) {
            const auto d = std::abs(
                static_cast<std::int64_t>(fs::file_size(NativePath(photos + jpeg))) - size);
            if (gap < 0 || d < gap) {
                gap = d;
                nearest = jpeg;
            }
        }
        const std::string id = "x" + std::to_string(formats.size());
        copies.copy(samples + name, id + ext);
        copies.copy(photos + nearest, id + ".jpg");
        benchmark::RegisterBenchmark(("format_set/" + id).c_str(), Set, copies.folder(), id + ext,
                                     false);
        benchmark::RegisterBenchmark(("format_jpeg/" + id).c_str(), Set, copies.folder(),
                                     id + ".jpg", false);
        formats.emplace_back(id, name);
    }

    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);

    std::vector<double> readRatios, writeRatios, copyRatios;
    std::printf("\n%5s %8s %8s  %s\n", "id", "info", "set", "photo (ratio to its floor)");
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string id = std::to_string(i);
        const double fr = collector.time("floor_info/" + id), r = collector.time("info/" + id);
        const double fw = collector.time("floor_set/" + id), w = collector.time("set/" + id);
        if (fr <= 0 || r <= 0 || fw <= 0 || w <= 0) continue;
        readRatios.push_back(r / fr);
        writeRatios.push_back(w / fw);
        const double e = collector.time("set_exif_only/" + id);
        if (e > 0) copyRatios.push_back(w / e);
        std::printf("%5zu %7.2fx %7.2fx %s %s\n", i, r / fr, w / fw,
                    e > 0 ? (std::to_string(w / e).substr(0, 4) + "x copies").c_str() : "",
                    names[i].c_str());
    }
    std::vector<double> formatRatios;
    std::printf("\n%5s %8s  %s\n", "id", "set", "sample (ratio to set on a JPEG of its size)");
    for (const auto& [id, name] : formats) {
        const double f = collector.time("format_set/" + id),
                     j = collector.time("format_jpeg/" + id);
        if (f <= 0 || j <= 0) continue;
        formatRatios.push_back(f / j);
        std::printf("%5s %7.2fx %s\n", id.c_str(), f / j, name.c_str());
    }
    std::printf("\n");
    Summary("info", readRatios, 1.2);
    Summary("set", writeRatios, 1.3);
    Summary("copies", copyRatios, 1.5);
    Summary("formats", formatRatios, 2.0);
    benchmark::Shutdown();
    return 0;
}
