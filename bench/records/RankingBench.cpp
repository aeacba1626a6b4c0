// Ranking of a large summary file: how long the operator waits from the command to the
// filled results dialog, and how much of it is reading and sorting. Prints figures only.

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "core/records/RankingOrder.h"
#include "core/records/SummaryReader.h"
#include "gui/records/CResult.h"

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void WriteSummary(int lines) {
    QRandomGenerator rng(42);
    QByteArray bytes = "Type\tDate\tTime\tSubject\tTotalRT\r\n";
    bytes.reserve(lines * 48);
    char line[96];
    for (int i = 0; i < lines; ++i) {
        const int ms = 15000 + static_cast<int>(rng.bounded(60000));
        std::snprintf(line, sizeof line, "%s\t2024/%02d/%02d\t%02d:%02d:%02d\tSBJ%04d\t%d.%03d\r\n",
                      i % 2 ? "A" : "B", 1 + i % 12, 1 + i % 28, i % 24, i % 60, (i * 7) % 60,
                      i % 10000, ms / 1000, ms % 1000);
        bytes.append(line);
    }
    QFile file(QStringLiteral("QVL.txt"));
    if (file.open(QIODevice::WriteOnly)) {
        file.write(bytes);
    }
}

struct Figures {
    std::vector<double> samples;
    void Print(const char* what) {
        std::sort(samples.begin(), samples.end());
        std::printf("%-44s median %8.1f ms   min %8.1f ms   max %8.1f ms\n", what,
                    samples[samples.size() / 2], samples.front(), samples.back());
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid() || !QDir::setCurrent(dir.path())) {
        std::printf("no temporary directory\n");
        return 0;
    }
    constexpr int kLines = 100000;
    constexpr int kRuns = 7;
    WriteSummary(kLines);
    std::printf("summary file: %d result lines, %lld bytes\n", kLines,
                static_cast<long long>(QFile(QStringLiteral("QVL.txt")).size()));

    Figures readOnly, readSort, toFilled, toShown;
    for (int run = 0; run < kRuns; ++run) {
        std::vector<quorvel::SummaryRecord> records;

        Clock::time_point start = Clock::now();
        quorvel::ReadSummaryFile(dir.path(), records);
        readOnly.samples.push_back(MillisecondsSince(start));

        start = Clock::now();
        quorvel::ReadSummaryFile(dir.path(), records);
        const quorvel::SummaryRecord latest = records.back();
        quorvel::SortByTotalTime(records);
        readSort.samples.push_back(MillisecondsSince(start));

        // The whole command: read, sort, build the dialog and open it (filled as it opens).
        start = Clock::now();
        quorvel::ReadSummaryFile(dir.path(), records);
        const quorvel::SummaryRecord newest = records.back();
        quorvel::SortByTotalTime(records);
        quorvel::CResult dialog(records, newest);
        dialog.show();
        toFilled.samples.push_back(MillisecondsSince(start));
        QApplication::processEvents();
        toShown.samples.push_back(MillisecondsSince(start));
        dialog.close();
        QApplication::processEvents();
    }
    readOnly.Print("read 100,000 lines");
    readSort.Print("read and sort");
    toFilled.Print("read, sort, dialog filled (goal < 300 ms)");
    toShown.Print("... and first events processed");
    return 0;
}
