// Arbitrary bytes as str.dat, through the record file's reading and writing. Beyond "no crash,
// no sanitizer report": the counters are the first seven bytes in file order (zero where the
// file is shorter, an empty file is created where there was none), storing replaces exactly
// those seven and keeps every byte after them, and loading gives back what was stored.
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "app_dir.h"
#include "save_record.h"

#define REQUIRE(ok) \
    if (!(ok)) (std::fprintf(stderr, "invariant broken: %s\n", #ok), std::abort())

namespace {

QByteArray bytesOf(const SaveRecord& r) {
    const std::uint8_t c[] = {r.Years,        r.Fortunes,  r.Exorcisms, r.SimpleFortunes,
                              r.LoveFortunes, r.Headaches, r.Talks};
    return QByteArray(reinterpret_cast<const char*>(c), SaveRecord::kSize);
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    REQUIRE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir dir;
    static const RecordFile file(AppDir(dir.path()) + QStringLiteral("str.dat"));
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QFile::remove(file.path());
    if (!bytes.isEmpty()) {
        QFile f(file.path());
        REQUIRE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    }

    const SaveRecord loaded = file.LoadRecord();
    const QByteArray head = bytes.left(SaveRecord::kSize);
    REQUIRE(bytesOf(loaded) == head + QByteArray(SaveRecord::kSize - head.size(), '\0'));
    REQUIRE(readAll(file.path()) == bytes);

    SaveRecord other = loaded;  // unlike the loaded one, so a store that wrote nothing fails
    other.Years = std::uint8_t(~loaded.Years);
    other.Talks = std::uint8_t(loaded.Talks + 1);
    file.StoreRecord(other);
    REQUIRE(readAll(file.path()) == bytesOf(other) + bytes.mid(SaveRecord::kSize));
    REQUIRE(file.LoadRecord() == other);
    return 0;
}
