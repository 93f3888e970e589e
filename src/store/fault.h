// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#pragma once

#include <QFileInfo>
#include <QString>
#include <stdexcept>

// A fault stops the program: the window shows it, prints it and exits without saving.
// It always names the file it concerns, so the user knows what to mend.
class Fault : public std::runtime_error {
public:
    Fault(const QString& problem, const QString& file)
        : std::runtime_error(QString(problem + u": " + file).toStdString()),
          m_problem(problem),
          m_file(file) {}

    const QString& problem() const { return m_problem; }
    const QString& file() const { return m_file; }
    QString message() const { return m_problem + u"\n" + m_file; }

private:
    QString m_problem;
    QString m_file;
};

// How a write goes: replacing a file needs its folder too, appending only the file.
enum class Writing { AppendsToTheFile, ReplacesTheFile };

// `problem` with what stood in the way of writing `path`, as far as can be told afterwards: the
// file is read-only, the folder is, or the disk is full.
Fault writeFault(const QString& problem, const QString& path, Writing writing);

// A FIFO or a device in place of a data file would block or never end: refuse it by name.
// A missing file is left to the caller, which knows whether that is a fault.
inline void requireRegularFile(const QString& path) {
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        throw Fault(QStringLiteral("普通のファイルではありません"), path);
}
