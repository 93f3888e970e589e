// How long the program takes at start-up to read five full word lists (10001 lines each, CP932,
// CR LF, as bench_full_lists writes them). Target: under 10 ms, the median of 21 loads.
//   bench_wordlists FOLDER
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "fault.h"
#include "program_folder.h"
#include "word_lists.h"

int main(int argc, char** argv) {
    if (argc != 2) return std::fprintf(stderr, "usage: bench_wordlists FOLDER\n"), 64;
    const QString folder = programFolder(QString::fromLocal8Bit(argv[1]));
    std::vector<double> times;
    for (int run = 0; run < 21; ++run) {
        WordLists words;  // fresh each time, as at start-up
        QElapsedTimer timer;
        timer.start();
        try {
            words.load(folder);
        } catch (const Fault& fault) {
            return std::fprintf(stderr, "bench_wordlists: %s\n", fault.what()), 1;
        }
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        // A load that dropped lines would look fast and measure nothing.
        for (int list = 0; list < WordLists::kLists; ++list) {
            if (words.count(list) != WordLists::kCapacity)
                return std::fprintf(stderr, "bench_wordlists: list %d is short\n", list), 1;
        }
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    std::printf("word lists: 21 loads of 5 x 10001 lines, fastest %.2f ms, slowest %.2f ms\n",
                times.front(), times.back());
    std::printf("word lists: median load %.2f ms, target < 10 ms: %s\n", median,
                median < 10 ? "met" : "MISSED");
    return 0;
}
