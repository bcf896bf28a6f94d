#include "LatencyTable.h"

#include <algorithm>
#include <set>

namespace bench {
namespace {

// The value at fraction q of the sorted values, between neighbours.
double quantile(std::vector<double> values, double q)
{
    std::sort(values.begin(), values.end());
    const double at = q * double(values.size() - 1);
    const std::size_t below = std::size_t(at);
    const std::size_t above = std::min(below + 1, values.size() - 1);
    return values[below] + (values[above] - values[below]) * (at - double(below));
}

} // namespace

LatencyTable::Row &LatencyTable::row(const std::string &name, bool memory)
{
    for (Row &existing : m_rows)
        if (existing.name == name)
            return existing;
    m_rows.push_back({ name, memory, {}, 0 });
    return m_rows.back();
}

void LatencyTable::add(const std::string &scenario, int run, std::optional<double> ms,
    double uiRunMs, double uiQueuedMs)
{
    Row &target = row(scenario, false);
    if (ms)
        target.samples.push_back({ run, *ms, uiRunMs, uiQueuedMs });
    else
        ++target.missed;
}

void LatencyTable::addMemory(const std::string &what, int run, long kb)
{
    row(what, true).samples.push_back({ run, double(kb) / 1024 });
}

void LatencyTable::print(std::FILE *out) const
{
    std::fprintf(out, "%-40s %4s %7s %7s %7s %7s %7s %7s %7s   %s\n", "scenario", "n", "median",
        "min", "max", "p25", "p75", "ui-cpu", "ui-wait", "median of each run");
    for (const Row &r : m_rows) {
        std::vector<double> all, uiRun, uiQueued;
        std::set<int> runs;
        for (const Sample &sample : r.samples) {
            all.push_back(sample.value);
            uiRun.push_back(sample.uiRunMs);
            uiQueued.push_back(sample.uiQueuedMs);
            runs.insert(sample.run);
        }
        std::fprintf(
            out, "%-40s %4zu", (r.name + (r.memory ? " (MB)" : " (ms)")).c_str(), all.size());
        if (all.empty()) {
            std::fprintf(out, "  no samples, %d missed\n", r.missed);
            continue;
        }
        std::fprintf(out, " %7.1f %7.1f %7.1f %7.1f %7.1f", quantile(all, 0.5),
            *std::min_element(all.begin(), all.end()), *std::max_element(all.begin(), all.end()),
            quantile(all, 0.25), quantile(all, 0.75));
        if (r.memory)
            std::fprintf(out, " %7s %7s  ", "", "");
        else
            std::fprintf(out, " %7.1f %7.1f  ", quantile(uiRun, 0.5), quantile(uiQueued, 0.5));
        for (const int run : runs) {
            std::vector<double> mine;
            for (const Sample &sample : r.samples)
                if (sample.run == run)
                    mine.push_back(sample.value);
            std::fprintf(out, " %.1f", quantile(mine, 0.5));
        }
        if (r.missed)
            std::fprintf(out, "  (%d missed)", r.missed);
        std::fprintf(out, "\n");
    }
}

} // namespace bench
