// Selecting a 24-megapixel photo in the main window, from the click until its information text
// and thumbnail are ready, beside a full-size decode of the same files measured in the same run
// (target: the selection at least 4x faster).
//
// With --peak-memory the program instead writes 50 such photos and has a child process of its
// own open the main window on them and step through every one; the child reports its peak
// resident size (target: under 150 MB). The child starts clean, so neither the photos' making
// nor any full-size decode counts against it.
//
// The photos are made here: a 6000 x 4000 picture with detail everywhere, encoded at quality 90,
// with the EXIF block of a corpus photo spliced in after SOI so the readout finds its dates.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include <QApplication>
#include <QBuffer>
#include <QColor>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include "browse/file_list.h"
#include "browse/folder_list.h"
#include "exif/reader.h"
#include "mainwindow/frm_main.h"
#include "messages/message_boxes.h"
#include "photo/picture_box.h"
#include "test_files.h"
#include "ui/fonts.h"
#include "ui/path_text.h"

namespace tovrin {
namespace {

constexpr int PhotoWidth = 6000;
constexpr int PhotoHeight = 4000;
constexpr int SteppedPhotos = 50;
const char* const ExifSource = "11-tests.jpg";

// Any box means the readout failed; the run is then worthless, so boxes are only counted.
class CountingBoxes : public MessageBoxes {
public:
    MsgAnswer show(const std::string& text, MsgButtons, MsgIcon, const std::string&) override {
        ++count;
        last = text;
        return MsgAnswer::Ok;
    }
    int count = 0;
    std::string last;
};

// The whole APP1 "Exif" segment (marker, length and body) among the segments before the scan;
// empty when there is none.
QByteArray ExifSegment(const QByteArray& jpeg) {
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(jpeg.at(i)); };
    qsizetype p = 2;
    while (p + 4 <= jpeg.size() && byte(p) == 0xFF && byte(p + 1) != 0xDA) {
        const qsizetype length = byte(p + 2) << 8 | byte(p + 3);
        if (byte(p + 1) == 0xE1 && jpeg.mid(p + 4, 6) == QByteArray("Exif\0\0", 6)) {
            return jpeg.mid(p, 2 + length);
        }
        p += 2 + length;
    }
    return {};
}

// Smooth light across the frame, shapes with hard edges and a fine grain like a sensor's. Without
// the grain the encoder would find almost nothing to code, and decoding would cost far less than
// it does for a camera's photo. `seed` makes each picture its own.
QImage Scene(int seed) {
    QImage image(PhotoWidth, PhotoHeight, QImage::Format_RGB32);
    std::vector<int> across(PhotoWidth), down(PhotoHeight);
    for (int x = 0; x < PhotoWidth; ++x) across[x] = int(70 * std::sin((x + seed * 977) * 0.0021));
    for (int y = 0; y < PhotoHeight; ++y) down[y] = int(50 * std::cos((y + seed * 613) * 0.0034));
    std::uint32_t noise = 2463534242u + std::uint32_t(seed) * 7919u;
    const auto clamp = [](int v) { return std::clamp(v, 0, 255); };
    for (int y = 0; y < PhotoHeight; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < PhotoWidth; ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const int grain = int(noise & 15) - 8;
            const int light = 128 + across[x] + down[y];
            line[x] = qRgb(clamp(light + grain), clamp(light / 2 + 64 + ((x ^ y) & 15) + grain),
                           clamp(255 - light + grain));
        }
    }
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 60; ++i) {
        const int k = i * 131 + seed * 17;
        painter.setPen(QPen(QColor::fromHsv(k % 360, 200, 90), 6));
        painter.setBrush(QColor::fromHsv((k * 7) % 360, 150, 120 + k % 120));
        const QRect r((k * 389) % PhotoWidth, (k * 241) % PhotoHeight, 200 + k % 900,
                      150 + k % 700);
        if (i % 2 == 0) {
            painter.drawEllipse(r);
        } else {
            painter.drawRect(r);
        }
    }
    return image;
}

// A JPEG of `image` at quality 90 carrying `app1` right after SOI.
QByteArray PhotoBytes(const QImage& image, const QByteArray& app1) {
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    if (!writer.write(image)) return {};
    return jpeg.left(2) + app1 + jpeg.mid(2);
}

// `count` photos named photo00.jpg, photo01.jpg, ... in `folder`; every one a picture of its own
// (distinct files, so no reading profits from a file read just before). Returns "" on success.
QString WritePhotos(const QString& folder, int count) {
    QFile source(QString::fromStdString(test::CorpusPhotos()) + QLatin1String(ExifSource));
    if (!source.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read ") + source.fileName();
    const QByteArray app1 = ExifSegment(source.readAll());
    if (app1.isEmpty()) return QStringLiteral("no EXIF block in ") + source.fileName();
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("photo%1.jpg").arg(i, 2, 10, QLatin1Char('0'));
        QFile file(folder + QLatin1Char('/') + name);
        const QByteArray bytes = PhotoBytes(Scene(i), app1);
        if (bytes.isEmpty() || !file.open(QIODevice::WriteOnly) ||
            file.write(bytes) != bytes.size()) {
            return QStringLiteral("cannot write ") + file.fileName();
        }
        file.close();
        PhotoInfo info;
        if (ReadPhotoInfo(EnginePath(FolderWithSeparator(folder)), EnginePath(name), info) <= 0) {
            return QStringLiteral("the reader finds no EXIF data in ") + file.fileName();
        }
    }
    return {};
}

// The main window as the program opens it, its lists moved to `folder` (which selects the
// first photo), shown offscreen.
class Window {
public:
    explicit Window(const QString& folder) : m_frm(m_boxes, m_appFolder.path()) {
        // Whatever start-up has to say (a remembered folder that is gone, say) is not the
        // selection's business.
        m_frm.Form_Load();
        m_boxes.count = 0;
        m_frm.findChild<FolderList*>(QStringLiteral("Dir1"))->setPath(folder);
        m_frm.show();
        QCoreApplication::processEvents();
        m_file1 = m_frm.findChild<FileList*>(QStringLiteral("File1"));
        m_image2 = m_frm.findChild<PictureBox*>(QStringLiteral("Image2"));
    }

    // Selects entry `index` as a click does; the readout runs inside this call and ends after
    // the thumbnail has been painted.
    void select(int index) { m_file1->setCurrentEntry(index); }
    int count() const { return m_file1->entryCount(); }
    // The size the thumbnail is shown at, in pixels.
    QSize thumbnailSize() const { return m_image2->size(); }

    // Empty when the entry selected last shows its information and its thumbnail.
    std::string fault() const {
        if (m_boxes.count > 0) return "message box: " + m_boxes.last;
        if (!m_frm.exifInfoText().startsWith(QStringLiteral("サイズ"))) return "no information";
        if (!m_image2->hasPicture() || !m_image2->isVisible()) return "no thumbnail";
        return {};
    }

private:
    CountingBoxes m_boxes;
    QTemporaryDir m_appFolder;
    FrmMain m_frm;
    FileList* m_file1 = nullptr;
    PictureBox* m_image2 = nullptr;
};

// The median time per iteration of each benchmark over its repetitions, wall-clock and the
// process's processor time. On a busy machine the second shows the work apart from the waiting.
class Collector : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.run_type == Run::RT_Iteration && !r.error_occurred) {
                m_real[r.run_name.function_name].push_back(r.GetAdjustedRealTime());
                m_cpu[r.run_name.function_name].push_back(r.GetAdjustedCPUTime());
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double real(const std::string& name) { return median(m_real[name]); }
    double cpu(const std::string& name) { return median(m_cpu[name]); }

private:
    static double median(std::vector<double>& t) {
        if (t.empty()) return 0.0;
        std::sort(t.begin(), t.end());
        return t[t.size() / 2];
    }
    std::map<std::string, std::vector<double>> m_real, m_cpu;
};

// A size in /proc/self/status ("VmHWM:    40120 kB") in megabytes; 0 when it is not there.
double MegabytesOf(const QByteArray& field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0.0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.size() >= 2 && words[0] == field) return words[1].toDouble() / 1024.0;
    }
    return 0.0;
}

// The child of --peak-memory: steps the window through every photo in `folder`.
int StepThrough(const QString& folder) {
    Window window(folder);
    const double opened = MegabytesOf("VmHWM:");
    int shown = 0;
    for (int i = 0; i < window.count(); ++i) {
        window.select(i);
        const std::string fault = window.fault();
        if (!fault.empty()) {
            std::fprintf(stderr, "photo %d: %s\n", i, fault.c_str());
            return 1;
        }
        ++shown;
    }
    // VmHWM, not getrusage's ru_maxrss: across exec the latter keeps the size of the parent
    // that forked this process, which had just made the photos.
    std::printf(
        "peak memory  %.1f MB stepping through %d photos of %dx%d (%.1f MB with the "
        "window open on the first), target < 150 MB\n",
        MegabytesOf("VmHWM:"), shown, PhotoWidth, PhotoHeight, opened);
    return 0;
}

int PeakMemory() {
    QTemporaryDir folder;
    const QString failure = WritePhotos(folder.path(), SteppedPhotos);
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(failure));
        return 1;
    }
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--step-through"), folder.path()});
    child.waitForFinished(-1);
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : 1;
}

int SelectBeside(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    QTemporaryDir folder;
    // Two photos, so that every selection moves to another entry and reads another file.
    const QString failure = WritePhotos(folder.path(), 2);
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(failure));
        return 1;
    }
    Window window(folder.path());
    int next = 1;
    auto* selectBench = benchmark::RegisterBenchmark("select", [&](benchmark::State& state) {
        for (auto _ : state) {
            window.select(next);
            next = 1 - next;
        }
        const std::string fault = window.fault();
        if (!fault.empty()) state.SkipWithError(fault.c_str());
    });
    const QStringList paths{folder.filePath(QStringLiteral("photo00.jpg")),
                            folder.filePath(QStringLiteral("photo01.jpg"))};
    // Only the decoding that the selection does, to show how much of it the window adds.
    const QSize thumbnail = window.thumbnailSize();
    auto* scaledBench = benchmark::RegisterBenchmark("scaled_decode", [&](benchmark::State& state) {
        int i = 0;
        for (auto _ : state) {
            QImageReader reader(paths[i]);
            reader.setAutoTransform(false);
            reader.setScaledSize(thumbnail);
            benchmark::DoNotOptimize(reader.read().constBits());
            i = 1 - i;
        }
    });
    auto* decodeBench = benchmark::RegisterBenchmark("full_decode", [&](benchmark::State& state) {
        int i = 0;
        for (auto _ : state) {
            const QImage image = QImageReader(paths[i]).read();
            if (image.size() != QSize(PhotoWidth, PhotoHeight)) state.SkipWithError("not decoded");
            benchmark::DoNotOptimize(image.constBits());
            i = 1 - i;
        }
    });
    for (benchmark::internal::Benchmark* b : {selectBench, scaledBench, decodeBench}) {
        b->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->MinTime(1.0);
        b->Repetitions(3);
    }
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    const double select = collector.real("select");
    const double decode = collector.real("full_decode");
    std::printf("\nphoto        %dx%d, %.1f MB JPEG\n", PhotoWidth, PhotoHeight,
                double(QFileInfo(paths[0]).size()) / 1e6);
    if (select <= 0 || decode <= 0) {
        std::printf("no ratio: a benchmark failed (see its table)\n");
    } else {
        std::printf(
            "select       %6.1f ms  (cpu %6.1f ms) information and thumbnail ready\n"
            "  decoding   %6.1f ms  (cpu %6.1f ms) of it, at %dx%d\n"
            "full decode  %6.1f ms  (cpu %6.1f ms)\n"
            "ratio        %6.2fx    (cpu %6.2fx)  full decode / select, target >= 4x\n",
            select, collector.cpu("select"), collector.real("scaled_decode"),
            collector.cpu("scaled_decode"), thumbnail.width(), thumbnail.height(), decode,
            collector.cpu("full_decode"), decode / select,
            collector.cpu("full_decode") / collector.cpu("select"));
    }
    benchmark::Shutdown();
    return 0;
}

}  // namespace
}  // namespace tovrin

int main(int argc, char** argv) {
    using namespace tovrin;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform's notes would only hide the results; real failures still show.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tovrin"));
    // Whatever the window stores goes to Qt's test location, never to the user's settings.
    QStandardPaths::setTestModeEnabled(true);
    RegisterFontSubstitutions();
    if (test::CorpusPhotos().empty()) {
        std::printf("skipped: no photo corpus (set TOVRIN_CORPUS_DIR)\n");
        return 0;
    }
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 3 && args[1] == QLatin1String("--step-through")) return StepThrough(args[2]);
    if (args.size() == 2 && args[1] == QLatin1String("--peak-memory")) return PeakMemory();
    return SelectBeside(argc, argv);
}
