// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#include "fault.h"

#include <QStorageInfo>

using namespace Qt::StringLiterals;

Fault writeFault(const QString& problem, const QString& path, Writing writing) {
    const QFileInfo file(path);
    const QString folder = file.absolutePath();
    // No write this program makes needs more than this: with less left, the disk is full.
    constexpr qint64 kNearlyFull = 64 * 1024;
    // A new file, or one replaced through a new file beside it, needs the folder.
    const bool needsFolder = writing == Writing::ReplacesTheFile || !file.exists();
    QString why;
    if (file.exists() && !file.isWritable())
        why = u"読み取り専用です"_s;
    else if (needsFolder && !QFileInfo(folder).isWritable())
        why = u"フォルダに書き込めません"_s;
    else if (QStorageInfo(folder).bytesAvailable() < kNearlyFull)
        why = u"ディスクに空きがありません"_s;
    return Fault(why.isEmpty() ? problem : problem + u"（" + why + u"）", path);
}
