// The file list against a bare readdir with the same filter, in the same run.
#include "common/FileName.h"
#include "shell/ShellModel.h"
#include "shell/TPTShellList.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <strings.h>

using namespace lumisnap;

namespace {

constexpr int EntryCount = 20000; // half of them pictures
const char *const Filter = "*.gif;*.jpg;*.ico;*.bmp";

struct Sandbox
{
    QTemporaryDir dir;
    QByteArray path;
    Sandbox()
        : path(dir.path().toLocal8Bit())
    {
        for (int i = 0; i < EntryCount; ++i)
            touch(QByteArray("file") + QByteArray::number(i) + (i % 2 ? ".jpg" : ".txt"));
    }
    void touch(const QByteArray &name) const
    {
        const int fd = ::open((path + '/' + name).constData(), O_CREAT | O_WRONLY, 0644);
        if (fd >= 0)
            ::close(fd);
    }
};

Sandbox &sandbox()
{
    static Sandbox s;
    return s;
}

bool endsWithNoCase(const char *name, size_t length, const char *ext)
{
    const size_t e = std::strlen(ext);
    return length >= e && strcasecmp(name + length - e, ext) == 0;
}

int bareReaddir()
{
    DIR *dir = opendir(sandbox().path.constData());
    int count = 0;
    while (const dirent *entry = readdir(dir)) {
        const size_t n = std::strlen(entry->d_name);
        if (entry->d_type == DT_DIR || endsWithNoCase(entry->d_name, n, ".gif")
            || endsWithNoCase(entry->d_name, n, ".jpg") || endsWithNoCase(entry->d_name, n, ".ico")
            || endsWithNoCase(entry->d_name, n, ".bmp"))
            ++count;
    }
    closedir(dir);
    return count;
}

TPTShellList &list()
{
    static TPTShellList *l = [] {
        auto *created = new TPTShellList;
        created->setOptions(created->Options() & ~TPTShellListOptions(ptsloDynamicRefresh));
        created->setFileFilter(Filter);
        created->Loaded();
        return created;
    }();
    return *l;
}

void BM_Readdir(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(bareReaddir());
}

void BM_FillList(benchmark::State &state)
{
    const IdList folder = shellModel().desktopFolder()->parseDisplayName(sandbox().dir.path());
    list().Folder().SetIdList(folder);
    for (auto _ : state) {
        list().FillList();
        benchmark::DoNotOptimize(list().Count());
    }
    state.counters["rows"] = list().Count();
}

// 50 files deleted and 50 created between refreshes; the changes are undone outside the
// timing so every round sees the same change.
void BM_RefreshList(benchmark::State &state)
{
    const IdList folder = shellModel().desktopFolder()->parseDisplayName(sandbox().dir.path());
    list().Folder().SetIdList(folder);
    list().FillList();
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < 50; ++i) {
            const QByteArray gone
                = sandbox().path + "/file" + QByteArray::number(i * 2 + 1) + ".jpg";
            if (round % 2 == 0)
                ::unlink(gone.constData());
            else
                sandbox().touch("file" + QByteArray::number(i * 2 + 1) + ".jpg");
            const QByteArray fresh = sandbox().path + "/new" + QByteArray::number(i) + ".gif";
            if (round % 2 == 0)
                sandbox().touch("new" + QByteArray::number(i) + ".gif");
            else
                ::unlink(fresh.constData());
        }
        ++round;
        state.ResumeTiming();
        list().RefreshList();
        benchmark::DoNotOptimize(list().Count());
    }
}

BENCHMARK(BM_Readdir)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_FillList)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_RefreshList)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    sandbox();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("Ratios are the mean times above divided by BM_Readdir_mean.\n");
    return 0;
}
