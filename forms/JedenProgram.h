#pragma once

#include <QLockFile>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class QLocalServer;
class QWidget;

// One program per diary. Two programs writing the same diary would overwrite each other's
// changes without a word, so a second start on a diary that is already open tells the user so,
// brings the first program's window to the front and ends. The claim is a lock file named after
// the diary's real path (so that a link to it counts as the same diary); a lock left by a
// program that was killed or crashed is recognised as stale and taken over.
class JedenProgram : public QObject {
    Q_OBJECT

  public:
    explicit JedenProgram(const QString& sciezkaBazy, QObject* parent = nullptr);
    ~JedenProgram() override;

    // True when this program may work on the diary, which then stays claimed for the life of
    // the object. False when another program has it open: the user has been told, and that
    // program has been asked to show its window.
    bool zajmij(QWidget* parent = nullptr);

    // The window brought to the front when another start finds the diary taken.
    void pokazujPrzy(QWidget* okno);

    // The name shared by every program on the same diary (lock file and local socket).
    static QString klucz(const QString& sciezkaBazy);

  signals:
    // Another start asked this program to show itself.
    void wezwano();

  private:
    void sluchaj();
    void pokazOkno();
    static void wezwijPierwszy(const QString& nazwa);

    QString m_sciezka;
    QString m_klucz;
    std::unique_ptr<QLockFile> m_blokada;
    QLocalServer* m_serwer = nullptr;
    QPointer<QWidget> m_okno;
};
