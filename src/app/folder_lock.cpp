// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#include "folder_lock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QWidget>

#include "record.h"

using namespace Qt::StringLiterals;

namespace {

// The same folder reached by another path (a link, "..") must meet the same server. It lives
// in the session's runtime folder, which goes at logout with whatever a lost run left there.
QString serverNameFor(const QString& folder) {
    const QByteArray canonical = QDir(folder).canonicalPath().toUtf8();
    const QByteArray hash = QCryptographicHash::hash(canonical, QCryptographicHash::Sha256);
    return QDir(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation))
        .filePath(u"myoruka-"_s + QString::fromLatin1(hash.toHex().left(24)));
}

}  // namespace

FolderLock::FolderLock(const QString& folder)
    : m_folder(folder), m_serverName(serverNameFor(folder)), m_lock(folder + u".myoruka.lock"_s) {
    // Never by age: a run may last for hours. A lock whose process is gone is taken over.
    m_lock.setStaleLockTime(0);
}

bool FolderLock::acquire() {
    if (m_lock.tryLock(0)) {
        RecordFile(m_folder + u"str.dat"_s).removeLeftovers();
        return true;
    }
    // A folder we cannot write to is not a second copy: the start reports the folder itself.
    if (m_lock.error() != QLockFile::LockFailedError) return true;
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (socket.waitForConnected(1000)) {
        socket.write("show\n");
        socket.waitForBytesWritten(1000);
        socket.disconnectFromServer();
    }
    return false;
}

void FolderLock::listen(QWidget* window) {
    m_server = new QLocalServer(window);
    // A server left by a run that died: holding the lock, we may take its name.
    if (!m_server->listen(m_serverName)) {
        QLocalServer::removeServer(m_serverName);
        m_server->listen(m_serverName);
    }
    QObject::connect(m_server, &QLocalServer::newConnection, window, [this, window] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) socket->deleteLater();
        window->showNormal();
        window->raise();
        window->activateWindow();
    });
}
