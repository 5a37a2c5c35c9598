// The engine's cost per photo beside the least any reader of a photo must pay:
// open, one 4 KiB read, fstat, close, measured in the same run on the same file.
// Prints each photo's ratio and a summary (targets: reader <= 3x, writer <= 5x).
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include "exif/reader.h"
#include "test_files.h"
#include "exif/writer.h"

namespace tovrin {
namespace {

void Floor(benchmark::State& state, const std::string& path) {
    char buffer[4096];
    for (auto _ : state) {
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        benchmark::DoNotOptimize(pread(fd, buffer, sizeof buffer, 0));
        struct stat st {};
        benchmark::DoNotOptimize(fstat(fd, &st));
        close(fd);
    }
}

void Read(benchmark::State& state, const std::string& folder, const std::string& name) {
    PhotoInfo info;
    for (auto _ : state) benchmark::DoNotOptimize(ReadPhotoInfo(folder, name, info));
}

void Write(benchmark::State& state, const std::string& folder, const std::string& name) {
    DateChoice choice;
    choice.date = {2007, 1, 23};
    choice.time = {9, 5, 0};
    for (auto _ : state) benchmark::DoNotOptimize(WriteEmbeddedDate(folder, name, choice));
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
    for (const auto& e : fs::directory_iterator(photos)) {
        const std::string ext = e.path().extension().string();
        if (ext.size() > 1 && (ext[1] == 'j' || ext[1] == 'J'))
            names.push_back(e.path().filename());
    }
    std::sort(names.begin(), names.end());

    // The writer works on copies; each iteration writes the same choice again.
    const test::TempDir copies;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string id = std::to_string(i);
        const std::string copy = "p" + id + ".jpg";
        copies.copy(photos + names[i], copy);
        benchmark::RegisterBenchmark(("floor_read/" + id).c_str(), Floor, photos + names[i]);
        benchmark::RegisterBenchmark(("read/" + id).c_str(), Read, photos, names[i]);
        benchmark::RegisterBenchmark(("floor_write/" + id).c_str(), Floor, copies.path(copy));
        benchmark::RegisterBenchmark(("write/" + id).c_str(), Write, copies.folder(), copy);
    }
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);

    std::vector<double> readRatios, writeRatios;
    std::printf("\n%5s %8s %8s  %s\n", "id", "read", "write", "photo (ratio to its floor)");
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string id = std::to_string(i);
        const double fr = collector.time("floor_read/" + id), r = collector.time("read/" + id);
        const double fw = collector.time("floor_write/" + id), w = collector.time("write/" + id);
        if (fr <= 0 || r <= 0 || fw <= 0 || w <= 0) continue;
        readRatios.push_back(r / fr);
        writeRatios.push_back(w / fw);
        std::printf("%5zu %7.2fx %7.2fx  %s\n", i, r / fr, w / fw, names[i].c_str());
    }
    std::printf("\n");
    Summary("reader", readRatios, 3.0);
    Summary("writer", writeRatios, 5.0);
    benchmark::Shutdown();
    return 0;
}
