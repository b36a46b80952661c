// Wall and CPU clocks, medians and the table the benchmarks print.
#pragma once

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace bench {

inline double wallSeconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

inline double cpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

struct Timing {
    double wall = 0;
    double cpu = 0;
};

// Runs `work` `runs` times; the median wall and the median CPU time.
inline Timing medianOf(int runs, const std::function<void()>& work) {
    std::vector<double> walls, cpus;
    for (int i = 0; i < runs; ++i) {
        const double wall0 = wallSeconds(), cpu0 = cpuSeconds();
        work();
        walls.push_back(wallSeconds() - wall0);
        cpus.push_back(cpuSeconds() - cpu0);
    }
    const auto median = [](std::vector<double>& values) {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    return Timing{median(walls), median(cpus)};
}

// One row of the result table: what, the figure, the goal and whether it is met.
class Table {
public:
    void add(const std::string& what, const std::string& figure, const std::string& goal = "",
             int met = -1) {
        rows_.push_back({what, figure, goal, met < 0 ? "" : (met ? "yes" : "NO")});
        std::fprintf(stderr, "  %-58s %s\n", what.c_str(), figure.c_str());
    }
    void print() const {
        std::printf("| %-58s | %-26s | %-22s | %-3s |\n", "figure", "median", "goal", "met");
        std::printf("|%s|%s|%s|%s|\n", std::string(60, '-').c_str(), std::string(28, '-').c_str(),
                    std::string(24, '-').c_str(), std::string(5, '-').c_str());
        for (const auto& row : rows_)
            std::printf("| %-58s | %-26s | %-22s | %-3s |\n", row[0].c_str(), row[1].c_str(),
                        row[2].c_str(), row[3].c_str());
    }

private:
    std::vector<std::vector<std::string>> rows_;
};

inline std::string format(const char* pattern, double value) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

}  // namespace bench
