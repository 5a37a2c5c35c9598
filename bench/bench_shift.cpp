// The shift's preview over a folder of 20,000 photos: opening the dialog, and changing the
// offset until the table has repainted, each beside drawing the table once in the same run
// (targets: the dialog open within 1 s of the dates being read, an offset change within 100 ms).
//
// The photos are small JPEGs made here, each with a real EXIF block (DateTime, DateTimeOriginal,
// DateTimeDigitized) of its own moment and, as an editor leaves them, copies of that moment in
// XMP (xmp:CreateDate, photoshop:DateCreated) and IPTC (2:55, 2:60), read through the window's
// own reading: every offset runs the copies' rule too.
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include "mainwindow/shift_dialog.h"
#include "mainwindow/shift_preview_model.h"
#include "test_files.h"
#include "ui/fonts.h"

namespace tovrin {
namespace {

constexpr int PhotoCount = 20000;

std::string Two(int n) { return std::string(1, char('0' + n / 10)) + char('0' + n % 10); }

// Photo i's moment: spread over a year, every second of the day possible.
std::string MomentOf(int i) {
    return "2008:" + Two(1 + i % 12) + ':' + Two(1 + i % 28) + ' ' + Two(i % 24) + ':' +
           Two(i / 24 % 60) + ':' + Two(i % 60);
}

// Photo i's XMP packet and IPTC block, holding its moment.
std::vector<test::Bytes> CopiesOf(int i) {
    std::string xmp = MomentOf(i);  // "yyyy:mm:dd hh:mm:ss"
    xmp[4] = xmp[7] = '-';
    xmp[10] = 'T';
    std::string day = MomentOf(i).substr(0, 10), time = MomentOf(i).substr(11);
    day.erase(std::remove(day.begin(), day.end(), ':'), day.end());
    time.erase(std::remove(time.begin(), time.end(), ':'), time.end());
    return {test::XmpSegment("<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF><rdf:Description"
                             " xmlns:xmp='http://ns.adobe.com/xap/1.0/' xmp:CreateDate='" +
                             xmp +
                             "+09:00' xmlns:photoshop='http://ns.adobe.com/photoshop/1.0/'"
                             " photoshop:DateCreated='" +
                             xmp.substr(0, 10) + "'/></rdf:RDF></x:xmpmeta>"),
            test::IptcSegment({{55, day}, {60, time + "+0900"}})};
}

// Writes the photos into `folder` (ending with the separator); returns their names.
std::vector<std::string> WritePhotos(const std::string& folder) {
    std::vector<std::string> names;
    for (int i = 0; i < PhotoCount; ++i) {
        std::string name = std::to_string(100000 + i).substr(1) + ".jpg";
        test::Jpeg photo = test::CameraPhoto(test::Order::II, MomentOf(i));
        for (test::Bytes& segment : CopiesOf(i)) photo.before.push_back(std::move(segment));
        test::WriteBytes(folder + name, photo.build());
        names.push_back(std::move(name));
    }
    return names;
}

// The median wall-clock time per iteration of each benchmark over its repetitions.
class Collector : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.run_type == Run::RT_Iteration && !r.error_occurred)
                m_real[r.run_name.function_name].push_back(r.GetAdjustedRealTime());
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double real(const std::string& name) {
        std::vector<double>& t = m_real[name];
        if (t.empty()) return 0.0;
        std::sort(t.begin(), t.end());
        return t[t.size() / 2];
    }

private:
    std::map<std::string, std::vector<double>> m_real;
};

int Measure(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    QTemporaryDir folder;
    const std::string path = folder.path().toStdString() + '/';
    QElapsedTimer clock;
    clock.start();
    const std::vector<std::string> names = WritePhotos(path);
    const double written = double(clock.restart());
    const auto read = ReadShiftPreview(nullptr, path, names, "");
    const double reading = double(clock.elapsed());
    if (!read || read->size() != names.size()) {
        std::fprintf(stderr, "the reading found %zu of %zu photos\n", read ? read->size() : 0,
                     names.size());
        return 1;
    }
    const std::vector<PhotoDates>& photos = *read;

    ShiftDialog dialog(photos);
    dialog.show();
    QCoreApplication::processEvents();
    QWidget* table = dialog.table()->viewport();
    auto* drawBench = benchmark::RegisterBenchmark("draw", [&](benchmark::State& state) {
        for (auto _ : state) table->repaint();
    });
    int hours = 1;
    auto* offsetBench = benchmark::RegisterBenchmark("offset", [&](benchmark::State& state) {
        for (auto _ : state) {
            hours = -hours;
            dialog.setOffset(0, hours, 0, 0);
            QCoreApplication::processEvents();
            table->repaint();
        }
    });
    auto* openBench = benchmark::RegisterBenchmark("open", [&](benchmark::State& state) {
        for (auto _ : state) {
            state.PauseTiming();
            std::vector<PhotoDates> copy = photos;
            state.ResumeTiming();
            ShiftDialog opened(std::move(copy));
            opened.show();
            QCoreApplication::processEvents();
            opened.repaint();
            state.PauseTiming();
            opened.hide();
            QCoreApplication::processEvents();
            state.ResumeTiming();
        }
    });
    for (benchmark::internal::Benchmark* b : {drawBench, offsetBench, openBench}) {
        b->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5)->Repetitions(3);
    }
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    const double draw = collector.real("draw");
    const double offset = collector.real("offset");
    const double open = collector.real("open");
    std::printf(
        "\nphotos       %d (%d preview rows, %zu copies of dates), written in %.0f ms, "
        "dates read in %.0f ms\n",
        PhotoCount, dialog.table()->model()->rowCount(), dialog.preview().copyCount().copies,
        written, reading);
    if (draw <= 0 || offset <= 0 || open <= 0) {
        std::printf("no ratio: a benchmark failed (see its table)\n");
    } else {
        std::printf(
            "draw once    %7.2f ms  the table's rows in view\n"
            "offset       %7.2f ms  %5.2fx drawing once; target <= 100 ms\n"
            "open         %7.2f ms  %5.2fx drawing once; target <= 1000 ms\n",
            draw, offset, offset / draw, open, open / draw);
    }
    benchmark::Shutdown();
    return 0;
}

}  // namespace
}  // namespace tovrin

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    QApplication app(argc, argv);
    tovrin::RegisterFontSubstitutions();
    return tovrin::Measure(argc, argv);
}
