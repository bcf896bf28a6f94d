#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace bench {

// The times and memory figures of every run, by scenario in the order first seen,
// printed as a table of medians, extremes and spread.
class LatencyTable
{
public:
    // One step's time in ms, or nothing when the screen showed no change in time, with
    // what the user-interface thread did meanwhile: ms on a core, ms waiting for one.
    void add(const std::string &scenario, int run, std::optional<double> ms, double uiRunMs,
        double uiQueuedMs);
    void addMemory(const std::string &what, int run, long kb);
    void print(std::FILE *out) const;

private:
    struct Sample
    {
        int run = 0;
        double value = 0, uiRunMs = 0, uiQueuedMs = 0;
    };
    struct Row
    {
        std::string name;
        bool memory = false;
        std::vector<Sample> samples;
        int missed = 0;
    };
    Row &row(const std::string &name, bool memory);

    std::vector<Row> m_rows;
};

} // namespace bench
