// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#include "record.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

#include "fault.h"

using namespace Qt::StringLiterals;

namespace {

// The counters in file order, so reading and writing cannot disagree.
template <typename Record>
auto fields(Record& r) {
    return std::array{&r.years,        &r.fortunes,  &r.exorcisms,    &r.simpleFortunes,
                      &r.loveFortunes, &r.headaches, &r.conversations};
}

}  // namespace

bool Record::operator==(const Record& o) const {
    const auto a = fields(*this);
    const auto b = fields(o);
    for (int i = 0; i < kSize; ++i)
        if (*a[i] != *b[i]) return false;
    return true;
}

Record RecordFile::load() const {
    Record record;
    requireRegularFile(m_path);
    QFile file(m_path);
    if (!file.exists()) {
        if (!file.open(QIODevice::WriteOnly))
            throw Fault(u"記録ファイルを作れません（フォルダに書き込めません）"_s, m_path);
        return record;
    }
    if (!file.open(QIODevice::ReadOnly)) throw Fault(u"記録ファイルを読めません"_s, m_path);
    const QByteArray bytes = file.read(Record::kSize);
    const auto out = fields(record);
    for (int i = 0; i < bytes.size(); ++i) *out[i] = static_cast<std::uint8_t>(bytes[i]);

    // The atomic write needs the folder too; say so now, before anything is played.
    if (!QFileInfo(QFileInfo(m_path).absolutePath()).isWritable() ||
        !QFileInfo(m_path).isWritable())
        throw writeFault(u"記録ファイルに書き込めません"_s, m_path, Writing::ReplacesTheFile);
    return record;
}

void RecordFile::store(const Record& record) const {
    // Replaced by a folder or a FIFO since the start, it would be read as one.
    requireRegularFile(m_path);
    const auto cannotWrite = [this] {
        return writeFault(u"記録ファイルに書き込めません"_s, m_path, Writing::ReplacesTheFile);
    };
    QByteArray bytes;
    QFile old(m_path);
    if (old.exists()) {
        // The bytes beyond the counters are kept, so they must be read whole.
        if (!old.open(QIODevice::ReadOnly)) throw cannotWrite();
        bytes = old.readAll();
        if (old.error() != QFileDevice::NoError) throw cannotWrite();
    }
    if (bytes.size() < Record::kSize) bytes.resize(Record::kSize);
    const auto in = fields(record);
    for (int i = 0; i < Record::kSize; ++i) bytes[i] = static_cast<char>(*in[i]);

    // Unbuffered and checked at every step: Qt 6.4's commit() does not report a failed final
    // flush, and would put an empty file in place of the record on a full disk. Until commit()
    // the old file is untouched; the unfinished copy goes with `file`.
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        file.write(bytes) != bytes.size() || !file.flush() ||
        file.error() != QFileDevice::NoError || !file.commit())
        throw cannotWrite();
}

void RecordFile::removeLeftovers(const QDateTime& deadRunStarted) const {
    const QFileInfo record(m_path);
    // QSaveFile names its temporary copy after the record and six random letters or digits.
    const auto isLetterOrDigit = [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    };
    const QString prefix = record.fileName() + u'.';
    // No name filter: QDir would compile it into a regular expression at every start.
    const QDir folder = record.dir();
    for (const QFileInfo& file :
         folder.entryInfoList(QDir::Files | QDir::NoSymLinks, QDir::Unsorted)) {
        const QString name = file.fileName();
        if (name.size() == prefix.size() + 6 && name.startsWith(prefix) &&
            std::all_of(name.end() - 6, name.end(), isLetterOrDigit) &&
            file.lastModified() >= deadRunStarted)
            QFile::remove(file.filePath());
    }
}
