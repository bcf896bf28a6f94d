// The drive scan against `find ROOT -xdev | sort -f` on the same tree, in the same run:
// 200,000 picture files in 20,200 folders, scanned by the main window's own handler
// with the window shown, the busy indicator playing and a drain of events per folder.
// Also prints what the sorted list costs in memory against the paths' total length.
#include "RatioReporter.h"

#include "app/Application.h"
#include "controls/TListBox.h"
#include "mainform/TMainForm.h"
#include "shell/namespace/PosixShellModel.h"
#include "shell/namespace/ShellModel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

using namespace lumisnap;

namespace {

constexpr int Albums = 200;
constexpr int RollsPerAlbum = 100;
constexpr int FilesPerRoll = 10;
const char *const Extensions[] = { ".jpg", ".GIF", ".bmp", ".Ico", ".JPG" };

// The tree is built once per run, in the temporary folder; LUMISNAP_BENCH_TREE names a
// folder where an earlier run's tree is kept instead (built there when missing).
struct Tree
{
    QTemporaryDir temporary { QDir::tempPath() + "/lumisnap-bench-scan-XXXXXX" };
    QString folder;
    QByteArray root;
    qint64 pathBytes = 0;
    int files = 0;

    Tree()
        : folder(qEnvironmentVariableIsSet("LUMISNAP_BENCH_TREE")
                ? qEnvironmentVariable("LUMISNAP_BENCH_TREE")
                : temporary.path())
        , root(QFile::encodeName(folder) + "/drive")
    {
        const bool build = !QFileInfo::exists(QFile::decodeName(root));
        std::printf("%s the tree in %s\n", build ? "building" : "reusing", root.constData());
        std::fflush(stdout);
        for (int a = 0; a < Albums; ++a) {
            for (int r = 0; r < RollsPerAlbum; ++r) {
                const QByteArray roll
                    = root + "/Album " + QByteArray::number(a) + "/Roll-" + QByteArray::number(r);
                if (build)
                    QDir().mkpath(QFile::decodeName(roll));
                for (int f = 0; f < FilesPerRoll; ++f)
                    add(roll + "/IMG_" + QByteArray::number(files)
                            + Extensions[files % std::size(Extensions)],
                        build);
            }
        }
        QFile mounts(folder + "/mountinfo");
        if (!mounts.open(QIODevice::WriteOnly))
            std::abort();
        mounts.write("22 1 8:1 / / rw - ext4 /dev/sda1 rw\n");
        mounts.write("23 22 8:2 / " + root + " rw - ext4 /dev/sda2 rw\n");
    }

    // Empty files, but for the first one in the list's order: the scan shows it.
    void add(const QByteArray &path, bool build)
    {
        if (build && files == 0) {
            QImage picture(8, 8, QImage::Format_RGB32);
            picture.fill(Qt::darkGreen);
            if (!picture.save(QFile::decodeName(path), "JPG"))
                std::abort();
        } else if (build) {
            const int fd = ::open(path.constData(), O_CREAT | O_WRONLY, 0644);
            if (fd < 0)
                std::abort();
            ::close(fd);
        }
        pathBytes += path.size();
        ++files;
    }
};

Tree &tree()
{
    static Tree t;
    return t;
}

TMainForm &form()
{
    static TMainForm *f = [] {
        PosixShellModel::Options options;
        options.homePath = QFile::decodeName(tree().root);
        options.desktopPath = options.homePath;
        options.mountInfoPath = tree().folder + "/mountinfo";
        setShellModel(std::make_shared<PosixShellModel>(options));
        auto *created = new TMainForm;
        created->showMessage = [](const QString &) {};
        created->show();
        return created;
    }();
    return *f;
}

void scanOnce()
{
    ScanMode = 0;
    form().CheckboxbtnClick();
    if (form().ScanListBox->count() != tree().files)
        std::abort();
}

void BM_ScanDrive(benchmark::State &state)
{
    for (auto _ : state)
        scanOnce();
    state.counters["entries"] = form().ScanListBox->count();
}

void BM_FindSort(benchmark::State &state)
{
    const QByteArray command = "find '" + tree().root + "' -xdev | sort -f > /dev/null";
    for (auto _ : state) {
        if (std::system(command.constData()) != 0)
            std::abort();
    }
}

long statusKb(const char *field)
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// Resident memory of the idle window, then after one scan and at its peak.
void reportMemory()
{
    form();
    ScanMode = 0;
    QFile clearRefs("/proc/self/clear_refs");
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5"); // restarts the peak from here
    clearRefs.close();
    const long idle = statusKb("VmRSS:");
    scanOnce();
    const long after = statusKb("VmRSS:");
    const long peak = statusKb("VmHWM:");
    const double paths = double(tree().pathBytes) / 1024.0;
    std::printf("memory: paths %.1f MB; list after the scan +%.1f MB (%.2fx the paths), "
                "peak during it +%.1f MB (%.2fx)\n",
        paths / 1024, (after - idle) / 1024.0, (after - idle) / paths, (peak - idle) / 1024.0,
        (peak - idle) / paths);
}

BENCHMARK(BM_ScanDrive)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_FindSort)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Application app(argc, argv);
    // No message box waits for a click here: an error ends the run.
    setErrorReporter([](const QString &text) {
        std::fprintf(stderr, "error: %s\n", qPrintable(text));
        std::abort();
    });
    reportMemory();
    return bench::runWithRatio(
        argc, argv, "BM_ScanDrive", "BM_FindSort", "scan / find|sort -f", 1.5);
}
