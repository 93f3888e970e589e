#include "save_record.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "fault.h"

using namespace Qt::StringLiterals;

namespace {

// The counters in file order, so reading and writing cannot disagree.
template <typename Record>
auto fields(Record& r) {
    return std::array{&r.Years,        &r.Fortunes,  &r.Exorcisms, &r.SimpleFortunes,
                      &r.LoveFortunes, &r.Headaches, &r.Talks};
}

}  // namespace

bool SaveRecord::operator==(const SaveRecord& o) const {
    const auto a = fields(*this);
    const auto b = fields(o);
    for (int i = 0; i < kSize; ++i)
        if (*a[i] != *b[i]) return false;
    return true;
}

SaveRecord RecordFile::LoadRecord() const {
    SaveRecord record;
    QFile file(m_path);
    if (!file.exists()) {
        if (!file.open(QIODevice::WriteOnly))
            throw Fault(u"記録ファイルを作れません（フォルダに書き込めません）"_s, m_path);
        return record;
    }
    if (!file.open(QIODevice::ReadOnly)) throw Fault(u"記録ファイルを読めません"_s, m_path);
    const QByteArray bytes = file.read(SaveRecord::kSize);
    const auto out = fields(record);
    for (int i = 0; i < bytes.size(); ++i) *out[i] = static_cast<std::uint8_t>(bytes[i]);

    // The atomic write needs the folder too; say so now, before anything is played.
    if (!QFileInfo(QFileInfo(m_path).absolutePath()).isWritable() ||
        !QFileInfo(m_path).isWritable())
        throw Fault(u"記録ファイルに書き込めません"_s, m_path);
    return record;
}

void RecordFile::StoreRecord(const SaveRecord& record) const {
    QByteArray bytes;
    QFile old(m_path);
    if (old.open(QIODevice::ReadOnly)) bytes = old.readAll();
    if (bytes.size() < SaveRecord::kSize) bytes.resize(SaveRecord::kSize);
    const auto in = fields(record);
    for (int i = 0; i < SaveRecord::kSize; ++i) bytes[i] = static_cast<char>(*in[i]);

    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw Fault(u"記録ファイルに書き込めません"_s, m_path);
}
