// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#include "folder_lock.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QWidget>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "fault.h"
#include "record.h"

using namespace Qt::StringLiterals;

namespace {

// The same folder reached by another path (a link, "..") must meet the same socket. It lives
// in the session's runtime folder, which goes at logout with whatever a lost run left there.
QByteArray socketPathFor(const QString& folder) {
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty()) return {};  // none of our own: no socket, not one in the working folder
    const QByteArray canonical = QDir(folder).canonicalPath().toUtf8();
    const QByteArray hash = QCryptographicHash::hash(canonical, QCryptographicHash::Sha256);
    return QFile::encodeName(
        QDir(runtime).filePath(u"myoruka-"_s + QString::fromLatin1(hash.toHex().left(24))));
}

// A plain Unix socket, not QLocalServer: the one message is the connection itself, and
// loading Qt's network library would cost every start time and memory.
int unixSocket(const QByteArray& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || size_t(path.size()) >= sizeof address.sun_path) return -1;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    // Never blocking: a run that hangs must not hang the start knocking on its door.
    return ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
}

}  // namespace

FolderLock::FolderLock(const QString& folder)
    : m_folder(folder), m_socketPath(socketPathFor(folder)), m_lock(folder + u".myoruka.lock"_s) {
    // Never by age: a run may last for hours. A lock whose process is gone is taken over.
    m_lock.setStaleLockTime(0);
}

FolderLock::~FolderLock() {
    if (m_listening) ::unlink(m_socketPath.constData());
}

bool FolderLock::acquire() {
    // A lock that is there before ours is a run's that died: it was written when that run began.
    const QFileInfo deadRun(m_lock.fileName());
    const QDateTime deadRunStarted = deadRun.exists() ? deadRun.lastModified() : QDateTime();
    if (m_lock.tryLock(0)) {
        if (deadRunStarted.isValid())
            RecordFile::inFolder(m_folder).removeLeftovers(deadRunStarted);
        return true;
    }
    // A folder we cannot write to is not a second copy: the start reports the folder itself.
    // Nor is a dead run's lock that could not be taken over, as the folder went read-only.
    qint64 holder = 0;
    const bool holderGone = m_lock.error() == QLockFile::LockFailedError &&
                            m_lock.getLockInfo(&holder, nullptr, nullptr) && holder > 0 &&
                            ::kill(pid_t(holder), 0) != 0 && errno == ESRCH;
    const bool folderReadOnly = !QFileInfo(m_folder).isWritable();
    if (m_lock.error() == QLockFile::PermissionError || (holderGone && folderReadOnly)) return true;
    // Nor is a full disk; but without the lock a second start would run too, and one run's
    // counts would be lost. Nothing has been counted yet: better to stop now.
    if (m_lock.error() != QLockFile::LockFailedError || holderGone)
        throw writeFault(u"記録ファイルに書き込めません"_s, RecordFile::inFolder(m_folder).path(),
                         Writing::ReplacesTheFile);
    sockaddr_un address;
    const int fd = unixSocket(m_socketPath, address);
    if (fd >= 0) {
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        ::close(fd);
    }
    return false;
}

void FolderLock::listen(QWidget* window) {
    sockaddr_un address;
    const int fd = unixSocket(m_socketPath, address);
    if (fd < 0) return;
    // A socket left by a run that died: holding the lock, we may take its name.
    ::unlink(address.sun_path);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 4) != 0) {
        ::close(fd);
        return;
    }
    m_listening = true;
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [fd, window] {
        const int caller = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (caller >= 0) ::close(caller);
        window->showNormal();
        window->raise();
        window->activateWindow();
    });
}
