// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>

// The seven counters kept between runs, in their order on disk.
struct Record {
    std::uint8_t years = 0;
    std::uint8_t fortunes = 0;
    std::uint8_t exorcisms = 0;
    std::uint8_t simpleFortunes = 0;
    std::uint8_t loveFortunes = 0;
    std::uint8_t headaches = 0;
    std::uint8_t conversations = 0;

    static constexpr int kSize = 7;

    bool operator==(const Record& o) const;
};

// Counters stop at 255 instead of overflowing: a well-used alien must still start.
inline void raiseCounter(std::uint8_t& counter) {
    if (counter < 255) ++counter;
}

// The record file `str.dat`: read once at start-up, written once at the end.
class RecordFile {
public:
    explicit RecordFile(QString path) : m_path(std::move(path)) {}
    // The record of the program in `folder` (which ends in a separator).
    static RecordFile inFolder(const QString& folder) { return RecordFile(folder + u"str.dat"); }

    // A missing file reads as zeros and is created empty, so that a folder we cannot
    // write to is reported now rather than when the user's counts would be lost.
    Record load() const;

    // Replaces the first seven bytes atomically; bytes beyond them are kept.
    // On any failure the old file stays as it was, byte for byte, and Fault is thrown.
    void store(const Record& record) const;

    // Deletes temporary copies that a run killed while saving left beside the record: those
    // written since that run started. Older files of the same shape are the user's own (a
    // "str.dat.backup"). Only for the run that holds the folder: another's save may be under way.
    void removeLeftovers(const QDateTime& deadRunStarted) const;

    const QString& path() const { return m_path; }

private:
    QString m_path;
};
