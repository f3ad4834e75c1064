#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QString>

namespace testing_support {

// Another process holding a diary: the sqlite3 shell inside a transaction begun by `hold`.
class OtherProcess {
  public:
    explicit OtherProcess(const QString& path, const char* hold = "BEGIN EXCLUSIVE;") {
        const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
        if (shell.isEmpty()) {
            m_shellMissing = true;
            return;
        }
        m_process.start(shell, {path});
        // Errors stop the shell's script, so "held" comes only after the hold succeeded.
        m_process.write(".bail on\n" + QByteArray(hold) + "\nSELECT 'held';\n");
        QByteArray out;
        while (!out.contains("held") && m_process.waitForReadyRead(5000)) {
            out += m_process.readAllStandardOutput();
        }
        m_holds = out.contains("held");
        if (!m_holds) {
            m_process.closeWriteChannel();
            m_process.waitForFinished(5000);
            m_failure = QString::fromLocal8Bit(out + m_process.readAllStandardOutput() +
                                               m_process.readAllStandardError());
        }
    }
    ~OtherProcess() { release(); }
    OtherProcess(const OtherProcess&) = delete;
    OtherProcess& operator=(const OtherProcess&) = delete;

    // True when the shell is there but could not begin the transaction: a lock left behind by
    // someone else, a file it cannot open. A test then fails rather than skips.
    bool holds() const { return m_holds; }
    // The one reason for a test to skip: no sqlite3 shell on this machine.
    bool shellMissing() const { return m_shellMissing; }
    // What the shell said when it could not take the hold.
    std::string failure() const { return m_failure.toStdString(); }

    void release() {
        m_holds = false;
        if (m_process.state() == QProcess::NotRunning) {
            return;
        }
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

  private:
    QProcess m_process;
    bool m_holds = false;
    bool m_shellMissing = false;
    QString m_failure;
};

// At the start of a test that needs the hold: skips only without a shell, fails when the shell
// could not hold the file.
#define REQUIRE_HOLD(other)                                                           \
    do {                                                                              \
        if ((other).shellMissing()) {                                                 \
            GTEST_SKIP() << "no sqlite3 shell to hold the file from another process"; \
        }                                                                             \
        ASSERT_TRUE((other).holds())                                                  \
            << "the sqlite3 shell could not hold the file: " << (other).failure();    \
    } while (false)

}  // namespace testing_support
