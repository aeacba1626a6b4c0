#pragma once

// A busy machine for the benchmarks, started and stopped by the benchmark itself: stress-ng
// with one CPU worker per core when it is installed, else busy threads of the benchmark's own.
// Either way the load ends when this object is destroyed, and never outlives `limit`
// (stress-ng's own timeout; the threads check the deadline), should the benchmark be killed.
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

namespace quorvel::bench {

class BackgroundLoad {
  public:
    explicit BackgroundLoad(std::chrono::seconds limit) {
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        const QString stress = QStandardPaths::findExecutable(QStringLiteral("stress-ng"));
        if (!stress.isEmpty()) {
            process_ = std::make_unique<QProcess>();
            process_->setProgram(stress);
            process_->setArguments(
                {QStringLiteral("--cpu"), QString::number(cores), QStringLiteral("--timeout"),
                 QString::number(limit.count()) + QStringLiteral("s"), QStringLiteral("--quiet")});
            process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            process_->start();
            if (process_->waitForStarted()) {
                what_ = "stress-ng --cpu " + std::to_string(cores);
                // Let its workers get going before anything is measured.
                std::this_thread::sleep_for(std::chrono::milliseconds(500));
                return;
            }
            process_.reset();
        }
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (unsigned k = 0; k < cores; ++k) {
            threads_.emplace_back([this, deadline] {
                volatile unsigned long spin = 0;
                while (!stop_.load(std::memory_order_relaxed) &&
                       std::chrono::steady_clock::now() < deadline) {
                    for (int i = 0; i < 100000; ++i) {
                        spin = spin + 1;
                    }
                }
            });
        }
        what_ = std::to_string(cores) + " busy threads";
    }

    ~BackgroundLoad() {
        if (process_) {
            process_->terminate();
            if (!process_->waitForFinished(5000)) {
                process_->kill();
                process_->waitForFinished();
            }
        }
        stop_ = true;
        for (std::thread& t : threads_) {
            t.join();
        }
    }

    BackgroundLoad(const BackgroundLoad&) = delete;
    BackgroundLoad& operator=(const BackgroundLoad&) = delete;

    const std::string& What() const { return what_; }

  private:
    std::unique_ptr<QProcess> process_;
    std::vector<std::thread> threads_;
    std::atomic<bool> stop_{false};
    std::string what_;
};

}  // namespace quorvel::bench
