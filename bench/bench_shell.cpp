// The file list against two peers in the same run: a bare readdir with the same filter,
// and the least the list must do (readdir, filter, fstatat of the matching names,
// collation keys, sort). Live refresh: the time from the last of a burst of new files,
// made by another thread, to the shown list holding them all.
#include "common/FileName.h"
#include "shell/controls/TPTShellList.h"
#include "shell/namespace/ShellModel.h"
#include "shell/watch/TChangeHandlerThread.h"

#include <QApplication>
#include <QCollator>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <strings.h>
#include <thread>
#include <vector>

using namespace lumisnap;

namespace {

constexpr int EntryCount = 20000; // half of them pictures, a tenth sub-folders
constexpr int ChangesPerRefresh = 100;
constexpr int BurstSize = 1000;
constexpr int SettleLimit = 20000; // ms
const char *const Filter = "*.gif;*.jpg;*.ico;*.bmp";
const char *const Extensions[] = { ".gif", ".jpg", ".ico", ".bmp" };

struct Sandbox
{
    QTemporaryDir dir;
    QByteArray path;
    Sandbox()
        : path(dir.path().toLocal8Bit())
    {
        for (int i = 0; i < EntryCount; ++i) {
            const QByteArray name = QByteArray("file") + QByteArray::number(i);
            if (i % 10 == 8)
                ::mkdir((path + '/' + name).constData(), 0755);
            else
                touch(name + (i % 2 ? ".jpg" : ".txt"));
        }
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

bool isPicture(const char *name)
{
    const size_t n = std::strlen(name);
    return std::any_of(std::begin(Extensions), std::end(Extensions), [&](const char *ext) {
        const size_t e = std::strlen(ext);
        return n >= e && strcasecmp(name + n - e, ext) == 0;
    });
}

int bareReaddir()
{
    DIR *dir = opendir(sandbox().path.constData());
    int count = 0;
    while (const dirent *entry = readdir(dir)) {
        if (entry->d_type == DT_DIR || isPicture(entry->d_name))
            ++count;
    }
    closedir(dir);
    return count;
}

// What a list of the pictures sorted by name cannot do without.
int leastWork(const QCollator &collator)
{
    DIR *dir = opendir(sandbox().path.constData());
    std::vector<std::pair<QCollatorSortKey, QByteArray>> rows;
    while (const dirent *entry = readdir(dir)) {
        struct stat st;
        if (entry->d_type == DT_DIR || !isPicture(entry->d_name)
            || ::fstatat(dirfd(dir), entry->d_name, &st, 0) != 0)
            continue;
        const QByteArray name(entry->d_name);
        rows.emplace_back(collator.sortKey(decodeFileName(name)), name);
    }
    closedir(dir);
    std::sort(rows.begin(), rows.end(),
        [](const auto &a, const auto &b) { return a.first.compare(b.first) < 0; });
    return int(rows.size());
}

TPTShellList &list()
{
    static TPTShellList *l = [] {
        auto *created = new TPTShellList;
        created->setOptions(created->Options() & ~TPTShellListOptions(ptsloDynamicRefresh));
        created->setFileFilter(Filter);
        created->Loaded();
        created->Folder().SetIdList(
            shellModel().desktopFolder()->parseDisplayName(sandbox().dir.path()));
        return created;
    }();
    return *l;
}

void BM_Readdir(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(bareReaddir());
}

void BM_LeastWork(benchmark::State &state)
{
    QCollator collator(QLocale(QLocale::English, QLocale::UnitedStates));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    for (auto _ : state)
        benchmark::DoNotOptimize(leastWork(collator));
}

// Sorted by column state.range(0) (1 Name, 2 Size, 3 Type, 4 Modified).
void BM_FillList(benchmark::State &state)
{
    list().SetSortColumn(int(state.range(0)));
    for (auto _ : state) {
        list().FillList();
        benchmark::DoNotOptimize(list().Count());
    }
    state.counters["rows"] = list().Count();
    list().SetSortColumn(1);
}

// Half the changes delete pictures, half create new ones; they are undone outside the
// timing so every round sees the same change.
void BM_RefreshList(benchmark::State &state)
{
    list().FillList();
    // Across repetitions too: each must find the folder as the last one left it.
    static int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < ChangesPerRefresh / 2; ++i) {
            const QByteArray gone = "file" + QByteArray::number(i * 2 + 1) + ".jpg";
            const QByteArray fresh = "new" + QByteArray::number(i) + ".gif";
            if (round % 2 == 0) {
                ::unlink((sandbox().path + '/' + gone).constData());
                sandbox().touch(fresh);
            } else {
                sandbox().touch(gone);
                ::unlink((sandbox().path + '/' + fresh).constData());
            }
        }
        ++round;
        state.ResumeTiming();
        list().RefreshList();
        benchmark::DoNotOptimize(list().Count());
    }
}

QByteArray burstName(int i)
{
    return "burst" + QByteArray::number(i) + ".gif";
}

void unlinkBurst()
{
    for (int i = 0; i < BurstSize; ++i)
        ::unlink((sandbox().path + '/' + burstName(i)).constData());
}

// One refresh that finds a burst of new pictures.
void BM_RefreshAfterBurst(benchmark::State &state)
{
    list().FillList();
    const int before = list().Count();
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < BurstSize; ++i)
            sandbox().touch(burstName(i));
        state.ResumeTiming();
        list().RefreshList();
        state.PauseTiming();
        if (list().Count() != before + BurstSize)
            state.SkipWithError("the refresh missed new files");
        unlinkBurst();
        list().RefreshList();
        state.ResumeTiming();
    }
}

// A shown list with the keyboard focus that follows the sandbox as the program's does,
// counting the change messages it is posted and the refreshes it runs.
class LiveList : public QObject
{
public:
    LiveList()
    {
        m_list = new TPTShellList(&m_window);
        m_list->setFileFilter(Filter);
        m_list->Loaded();
        m_list->Folder().SetIdList(
            shellModel().desktopFolder()->parseDisplayName(sandbox().dir.path()));
        m_list->installEventFilter(this);
        QObject::connect(m_list, &TPTShellList::OnFillStart, [this] { ++refreshes; });
        m_window.resize(400, 300);
        m_list->resize(400, 300);
        m_window.show();
        m_window.activateWindow();
        m_list->setFocus();
    }
    TPTShellList &list() { return *m_list; }

    int messages = 0;
    int refreshes = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == ShellChangeMessage)
            ++messages;
        return false;
    }

private:
    QWidget m_window;
    TPTShellList *m_list;
};

void runEventsUntil(const std::function<bool()> &done)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done() && elapsed.elapsed() < SettleLimit)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
}

std::int64_t nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Wall time from the last new file to the list showing all of them, the refresh wait
// included; another thread makes the files while the event loop runs.
void BM_BurstToRefreshedList(benchmark::State &state)
{
    LiveList live;
    const int before = live.list().Count();
    int messages = 0, refreshes = 0;
    for (auto _ : state) {
        live.messages = live.refreshes = 0;
        std::atomic<std::int64_t> lastChange { 0 };
        std::thread maker([&] {
            for (int i = 0; i < BurstSize; ++i)
                sandbox().touch(burstName(i));
            lastChange = nowNs();
        });
        runEventsUntil(
            [&] { return lastChange != 0 && live.list().Count() == before + BurstSize; });
        const std::int64_t shown = nowNs();
        maker.join();
        if (live.list().Count() != before + BurstSize)
            state.SkipWithError("the list never showed the burst");
        state.SetIterationTime(double(shown - lastChange) / 1e9);
        messages += live.messages;
        refreshes += live.refreshes;
        unlinkBurst();
        runEventsUntil([&] { return live.list().Count() == before; });
    }
    state.counters["messages"] = benchmark::Counter(messages, benchmark::Counter::kAvgIterations);
    state.counters["refreshes"] = benchmark::Counter(refreshes, benchmark::Counter::kAvgIterations);
}

BENCHMARK(BM_Readdir)->Unit(benchmark::kMillisecond)->Repetitions(8)->ReportAggregatesOnly(true);
BENCHMARK(BM_LeastWork)->Unit(benchmark::kMillisecond)->Repetitions(8)->ReportAggregatesOnly(true);
BENCHMARK(BM_FillList)
    ->DenseRange(1, 4)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(8)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_RefreshList)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(8)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_RefreshAfterBurst)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(8)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_BurstToRefreshedList)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Collects each benchmark's mean and spread, then prints the ratios asked for, in CPU
// time (steadier on a shared machine) and in real time.
class RatioTable : public benchmark::ConsoleReporter
{
public:
    void add(const char *label, const char *ours, const char *peer, double goal)
    {
        m_rows.push_back({ label, ours, peer, goal });
    }

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (run.run_type != Run::RT_Aggregate)
                continue;
            std::string name = run.run_name.function_name;
            if (!run.run_name.args.empty())
                name += "/" + run.run_name.args;
            Stats &stats = m_stats[name];
            if (run.aggregate_name == "mean")
                stats.mean = { run.GetAdjustedCPUTime(), run.GetAdjustedRealTime() };
            else if (run.aggregate_name == "stddev")
                stats.stddev = { run.GetAdjustedCPUTime(), run.GetAdjustedRealTime() };
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // Repetitions run interleaved in a random order, so that a machine slowing down
    // for a while weighs on every benchmark alike, not on whichever ran then.
    int run(int argc, char **argv)
    {
        std::vector<char *> args(argv, argv + argc);
        char interleave[] = "--benchmark_enable_random_interleaving=true";
        args.insert(args.begin() + 1, interleave);
        int count = int(args.size());
        benchmark::Initialize(&count, args.data());
        benchmark::RunSpecifiedBenchmarks(this);
        std::printf("\n%-28s %18s %18s %8s\n", "ratio", "cpu", "real", "goal");
        for (const Row &row : m_rows) {
            if (!m_stats.count(row.ours) || !m_stats.count(row.peer))
                continue;
            const Stats &a = m_stats[row.ours];
            const Stats &b = m_stats[row.peer];
            std::printf("%-28s %9.2f +- %5.2f %9.2f +- %5.2f %8s\n", row.label, ratio(a, b, 0),
                spread(a, b, 0), ratio(a, b, 1), spread(a, b, 1),
                row.goal > 0 ? ("<= " + std::to_string(row.goal).substr(0, 3)).c_str() : "");
        }
        benchmark::Shutdown();
        return 0;
    }

private:
    struct Stats
    {
        std::pair<double, double> mean, stddev; // cpu, real
    };
    struct Row
    {
        const char *label, *ours, *peer;
        double goal;
    };
    static double at(const std::pair<double, double> &p, int which)
    {
        return which == 0 ? p.first : p.second;
    }
    static double ratio(const Stats &a, const Stats &b, int which)
    {
        return at(a.mean, which) / at(b.mean, which);
    }
    // The spread of a ratio from the relative spreads of its two means.
    static double spread(const Stats &a, const Stats &b, int which)
    {
        const double ra = at(a.stddev, which) / at(a.mean, which);
        const double rb = at(b.stddev, which) / at(b.mean, which);
        return ratio(a, b, which) * std::sqrt(ra * ra + rb * rb);
    }

    std::vector<Row> m_rows;
    std::map<std::string, Stats> m_stats;
};

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    sandbox();
    RatioTable table;
    table.add("FillList / readdir", "BM_FillList/1", "BM_Readdir", 5.0);
    table.add("FillList / least work", "BM_FillList/1", "BM_LeastWork", 0.0);
    table.add("RefreshList / readdir", "BM_RefreshList", "BM_Readdir", 3.0);
    table.add("RefreshList / least work", "BM_RefreshList", "BM_LeastWork", 0.0);
    table.add("Burst refresh / readdir", "BM_RefreshAfterBurst", "BM_Readdir", 8.0);
    table.add("Size sort / name sort", "BM_FillList/2", "BM_FillList/1", 2.0);
    table.add("Type sort / name sort", "BM_FillList/3", "BM_FillList/1", 2.0);
    table.add("Modified sort / name sort", "BM_FillList/4", "BM_FillList/1", 2.0);
    return table.run(argc, argv);
}
