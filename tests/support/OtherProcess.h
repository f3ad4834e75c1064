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
            return;
        }
        m_process.start(shell, {path});
        m_process.write(QByteArray(hold) + "\nSELECT 'held';\n");
        QByteArray out;
        while (!out.contains("held") && m_process.waitForReadyRead(5000)) {
            out += m_process.readAllStandardOutput();
        }
        m_holds = out.contains("held");
    }
    ~OtherProcess() { release(); }
    OtherProcess(const OtherProcess&) = delete;
    OtherProcess& operator=(const OtherProcess&) = delete;

    // False when the shell is missing or could not begin the transaction.
    bool holds() const { return m_holds; }

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
};

}  // namespace testing_support
