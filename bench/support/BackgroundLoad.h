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
            m_process = std::make_unique<QProcess>();
            m_process->setProgram(stress);
            m_process->setArguments(
                {QStringLiteral("--cpu"), QString::number(cores), QStringLiteral("--timeout"),
                 QString::number(limit.count()) + QStringLiteral("s"), QStringLiteral("--quiet")});
            m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            m_process->start();
            if (m_process->waitForStarted()) {
                m_what = "stress-ng --cpu " + std::to_string(cores);
                // Let its workers get going before anything is measured.
                std::this_thread::sleep_for(std::chrono::milliseconds(500));
                return;
            }
            m_process.reset();
        }
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (unsigned k = 0; k < cores; ++k) {
            m_threads.emplace_back([this, deadline] {
                volatile unsigned long spin = 0;
                while (!m_stop.load(std::memory_order_relaxed) &&
                       std::chrono::steady_clock::now() < deadline) {
                    for (int i = 0; i < 100000; ++i) {
                        spin = spin + 1;
                    }
                }
            });
        }
        m_what = std::to_string(cores) + " busy threads";
    }

    ~BackgroundLoad() {
        if (m_process) {
            m_process->terminate();
            if (!m_process->waitForFinished(5000)) {
                m_process->kill();
                m_process->waitForFinished();
            }
        }
        m_stop = true;
        for (std::thread& t : m_threads) {
            t.join();
        }
    }

    BackgroundLoad(const BackgroundLoad&) = delete;
    BackgroundLoad& operator=(const BackgroundLoad&) = delete;

    const std::string& What() const { return m_what; }

  private:
    std::unique_ptr<QProcess> m_process;
    std::vector<std::thread> m_threads;
    std::atomic<bool> m_stop{false};
    std::string m_what;
};

}  // namespace quorvel::bench
