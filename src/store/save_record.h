#pragma once

#include <QString>
#include <cstdint>

// The seven counters kept between runs, in their order on disk.
struct SaveRecord {
    std::uint8_t Years = 0;
    std::uint8_t Fortunes = 0;
    std::uint8_t Exorcisms = 0;
    std::uint8_t SimpleFortunes = 0;
    std::uint8_t LoveFortunes = 0;
    std::uint8_t Headaches = 0;
    std::uint8_t Talks = 0;

    static constexpr int kSize = 7;

    bool operator==(const SaveRecord& o) const;
};

// Counters stop at 255 instead of overflowing: a well-used alien must still start.
inline void Raise(std::uint8_t& counter) {
    if (counter < 255) ++counter;
}

// The record file `str.dat`: read once at start-up, written once at the end.
class RecordFile {
public:
    explicit RecordFile(QString path) : m_path(std::move(path)) {}

    // A missing file reads as zeros and is created empty, so that a folder we cannot
    // write to is reported now rather than when the user's counts would be lost.
    SaveRecord LoadRecord() const;

    // Replaces the first seven bytes atomically; bytes beyond them are kept.
    // On any failure the old file stays as it was, byte for byte, and Fault is thrown.
    void StoreRecord(const SaveRecord& record) const;

    // Deletes temporary copies that a run killed while saving left beside the record. Only
    // for the run that holds the folder: another run's save may be under way.
    void removeLeftovers() const;

    const QString& path() const { return m_path; }

private:
    QString m_path;
};
