// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#pragma once

#include <QByteArray>
#include <QLockFile>
#include <QString>

class QWidget;

// One alien per folder: two runs would each write their own record at the end, and one run's
// counts would be lost. The first start holds the folder's lock and listens; a later start in
// the same folder asks it to come to the front and leaves having counted nothing. Copies in
// other folders are independent.
class FolderLock {
public:
    explicit FolderLock(const QString& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // False when another run holds this folder; it has been asked to show itself. A lock left by
    // a run that died is taken over. Holding the lock, removes a killed save's leftovers. Throws
    // Fault when the lock cannot be written (a full disk, say).
    bool acquire();

    // Brings `window` to the front whenever a later start in this folder asks.
    void listen(QWidget* window);

private:
    QString m_folder;
    QByteArray m_socketPath;
    QLockFile m_lock;
    bool m_listening = false;
};
