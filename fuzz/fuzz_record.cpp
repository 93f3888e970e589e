// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

// Arbitrary bytes as str.dat. The counters are its first seven bytes (zeros where it is
// shorter; a missing file is created empty); storing replaces just those seven, keeps the rest.
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "program_folder.h"
#include "record.h"

#define REQUIRE(ok) \
    if (!(ok)) (std::fprintf(stderr, "invariant broken: %s\n", #ok), std::abort())

namespace {

QByteArray bytesOf(const Record& r) {
    const std::uint8_t c[] = {r.years,        r.fortunes,  r.exorcisms, r.simpleFortunes,
                              r.loveFortunes, r.headaches, r.talks};
    return QByteArray(reinterpret_cast<const char*>(c), Record::kSize);
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    REQUIRE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir dir;
    static const RecordFile file(programFolder(dir.path()) + QStringLiteral("str.dat"));
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QFile::remove(file.path());
    if (!bytes.isEmpty()) {
        QFile f(file.path());
        REQUIRE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    }
    const Record loaded = file.load();
    const QByteArray head = bytes.left(Record::kSize);
    REQUIRE(bytesOf(loaded) == head + QByteArray(Record::kSize - head.size(), '\0'));
    REQUIRE(readAll(file.path()) == bytes);

    Record other = loaded;  // unlike the loaded one, so a store that wrote nothing fails
    other.years = std::uint8_t(~loaded.years);
    file.store(other);
    REQUIRE(readAll(file.path()) == bytesOf(other) + bytes.mid(Record::kSize));
    REQUIRE(file.load() == other);
    return 0;
}
