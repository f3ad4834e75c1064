#include "forms/JedenProgram.h"

#include "data/engine/FileOps.h"
#include "forms/Dialogs.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>

namespace {

constexpr int kCzekanieMs = 2000;
const QByteArray kPokaz = QByteArrayLiteral("pokaz\n");

QString sciezkaRzeczywista(const QString& sciezka) {
    const QFileInfo info(engine::realFile(sciezka));
    const QString kanoniczna = info.canonicalFilePath();
    return kanoniczna.isEmpty() ? info.absoluteFilePath() : kanoniczna;
}

}  // namespace

JedenProgram::JedenProgram(const QString& sciezkaBazy, QObject* parent)
    : QObject(parent), m_sciezka(sciezkaRzeczywista(sciezkaBazy)), m_klucz(klucz(sciezkaBazy)) {}

JedenProgram::~JedenProgram() = default;

void JedenProgram::pokazujPrzy(QWidget* okno) {
    m_okno = okno;
}

QString JedenProgram::klucz(const QString& sciezkaBazy) {
    const QByteArray skrot =
        QCryptographicHash::hash(sciezkaRzeczywista(sciezkaBazy).toUtf8(), QCryptographicHash::Sha1)
            .toHex()
            .left(24);
    return QStringLiteral("mirvola-") + QString::fromLatin1(skrot);
}

bool JedenProgram::zajmij(QWidget* parent) {
    m_blokada =
        std::make_unique<QLockFile>(QDir::tempPath() + u'/' + m_klucz + QStringLiteral(".lock"));
    // Only a lock whose program is gone is stale, however old: a diary may stay open for days.
    m_blokada->setStaleLockTime(0);
    if (m_blokada->tryLock(0)) {
        sluchaj();
        return true;
    }
    if (m_blokada->error() != QLockFile::LockFailedError) {
        // A temporary folder that takes no lock must not keep the user from his diary.
        return true;
    }
    ui::messageBox(parent, ui::tytul::kKomunikat,
                   QStringLiteral("Dziennik %1 jest już otwarty w innym oknie programu Mirvola "
                                  "!!!\nProgram przełączy do tamtego okna; dwa okna na jednym "
                                  "dzienniku mogłyby nawzajem zastępować swoje zmiany.")
                       .arg(QDir::toNativeSeparators(m_sciezka)),
                   ui::Buttons::Ok, ui::Icon::Exclamation);
    wezwijPierwszy(m_klucz);
    return false;
}

// The lock is held, so a socket of the same name can only be left over by a program that died.
void JedenProgram::sluchaj() {
    QLocalServer::removeServer(m_klucz);
    m_serwer = new QLocalServer(this);
    m_serwer->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_serwer->listen(m_klucz)) {
        return;  // the window then just is not brought forward
    }
    connect(m_serwer, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* polaczenie = m_serwer->nextPendingConnection()) {
            connect(polaczenie, &QLocalSocket::disconnected, polaczenie, &QObject::deleteLater);
            connect(polaczenie, &QLocalSocket::readyRead, this, [this, polaczenie] {
                if (polaczenie->readAll().contains(kPokaz)) {
                    pokazOkno();
                }
            });
        }
    });
}

void JedenProgram::pokazOkno() {
    QWidget* okno = QApplication::activeModalWidget();
    if (okno == nullptr) {
        okno = m_okno;
    }
    if (okno != nullptr) {
        if (okno->isMinimized()) {
            okno->showNormal();
        }
        okno->raise();
        okno->activateWindow();
    }
    emit wezwano();
}

void JedenProgram::wezwijPierwszy(const QString& nazwa) {
    QLocalSocket gniazdo;
    gniazdo.connectToServer(nazwa);
    if (!gniazdo.waitForConnected(kCzekanieMs)) {
        return;
    }
    gniazdo.write(kPokaz);
    gniazdo.waitForBytesWritten(kCzekanieMs);
    gniazdo.disconnectFromServer();
}
