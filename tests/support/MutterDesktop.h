#pragma once

#include <QImage>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include "support/RealDesktop.h"

namespace quorvel::test {

// GNOME's Wayland compositor (mutter), driven through its remote-desktop input by the script
// scripts/lib/mutter-input.py, which also reads the screen off its screen cast: a Wayland
// client can neither send input to another nor read the screen.
class MutterDesktop : public RealDesktop {
  public:
    enum class Start { Ready, Unavailable, Failed };
    // Starts the script and waits until its input is live. Unavailable: this desktop has no
    // mutter remote-desktop service (why() says what is missing).
    Start Begin(const QString& script) {
        m_driver.setProcessChannelMode(QProcess::SeparateChannels);
        m_driver.start(script, {});
        if (!m_driver.waitForStarted()) {
            m_why = QStringLiteral("%1 did not start").arg(script);
            return Start::Failed;
        }
        if (NextLine() == "ready") {
            return Start::Ready;
        }
        m_driver.waitForFinished(-1);
        m_why = QString::fromLocal8Bit(m_driver.readAllStandardError()).trimmed();
        constexpr int kUnavailable = 77;
        return m_driver.exitStatus() == QProcess::NormalExit && m_driver.exitCode() == kUnavailable
                   ? Start::Unavailable
                   : Start::Failed;
    }
    QString why() const { return m_why; }
    ~MutterDesktop() override {
        if (m_driver.state() != QProcess::NotRunning) {
            m_driver.closeWriteChannel();
            m_driver.waitForFinished(-1);
        }
    }

    void Tap(QPoint p, int holdMs) override {
        Do(QStringLiteral("tap %1 %2 %3").arg(p.x()).arg(p.y()).arg(holdMs));
    }
    void Press(Key key, int holdMs) override {
        Do(holdMs == 0 ? QStringLiteral("key %1").arg(key.keysym, 0, 16)
                       : QStringLiteral("key %1 %2").arg(key.keysym, 0, 16).arg(holdMs));
    }
    void Chord(Key modifier, Key key) override {
        Do(QStringLiteral("keydown %1").arg(modifier.keysym, 0, 16));
        Press(key, 0);
        Do(QStringLiteral("keyup %1").arg(modifier.keysym, 0, 16));
    }
    QImage Screen() override {
        const QString file = m_pictures.filePath(QStringLiteral("screen.ppm"));
        return Do(QStringLiteral("shot ") + file) ? QImage(file) : QImage();
    }
    QRgb Pixel(QPoint p) override {
        const QByteArray answer = Ask(QStringLiteral("pixel %1 %2").arg(p.x()).arg(p.y()));
        return answer.startsWith("ok ") ? qRgb(0, 0, 0) | answer.mid(3).toUInt(nullptr, 16)
                                        : QRgb();
    }

  private:
    // One command, done once the script answers it.
    bool Do(const QString& command) { return Ask(command) == "ok"; }
    QByteArray Ask(const QString& command) {
        m_driver.write(command.toUtf8() + '\n');
        const QByteArray answer = NextLine();
        if (!answer.startsWith("ok")) {
            qWarning("mutter-input: %s: %s", qPrintable(command), answer.constData());
        }
        return answer;
    }
    QByteArray NextLine() {
        while (!m_driver.canReadLine()) {
            if (!m_driver.waitForReadyRead(-1)) {
                return QByteArray();
            }
        }
        return m_driver.readLine().trimmed();
    }

    QProcess m_driver;
    QTemporaryDir m_pictures;
    QString m_why;
};

}  // namespace quorvel::test
