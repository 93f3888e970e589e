// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#pragma once

#include <QDir>
#include <QString>

// The folder holding the program, ending in exactly one separator: every data file name is
// this folder followed by its short name, and nothing else is searched.
inline QString programFolder(const QString& path) {
    const QString native = QDir::toNativeSeparators(path);
    return native.endsWith(QDir::separator()) ? native : native + QDir::separator();
}
