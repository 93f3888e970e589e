// Arbitrary bytes as str.dat, through the record file's reading and writing.
//
// Checks, beyond "no crash, no sanitizer report":
//  - the loaded counters are the first bytes, in file order, zero where the file is shorter;
//  - storing writes the seven counters first and keeps every byte beyond the seventh;
//  - loading what was stored gives it back;
//  - an empty input also runs the missing-file case: zeros, and an empty file is created.
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "app_dir.h"
#include "save_record.h"

using namespace Qt::StringLiterals;

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

void require(bool ok, const char* what) {
    if (!ok) fail(what);
}

std::array<std::uint8_t, SaveRecord::kSize> counters(const SaveRecord& r) {
    return {r.Years,        r.Fortunes,  r.Exorcisms, r.SimpleFortunes,
            r.LoveFortunes, r.Headaches, r.Talks};
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    require(f.open(QIODevice::ReadOnly), "reading the record back");
    return f.readAll();
}

void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    require(f.open(QIODevice::WriteOnly | QIODevice::Truncate), "writing the record");
    require(f.write(bytes) == bytes.size(), "writing the record");
}

// A record unlike the one loaded, so that a store which wrote nothing cannot pass.
SaveRecord flipped(const SaveRecord& r) {
    SaveRecord out;
    std::uint8_t* f[] = {&out.Years,        &out.Fortunes,  &out.Exorcisms, &out.SimpleFortunes,
                         &out.LoveFortunes, &out.Headaches, &out.Talks};
    const auto in = counters(r);
    for (int i = 0; i < SaveRecord::kSize; ++i) *f[i] = std::uint8_t(~in[i] + i);
    return out;
}

void checkRoundTrip(const RecordFile& file, const QByteArray& bytes) {
    const SaveRecord loaded = file.LoadRecord();
    const auto got = counters(loaded);
    for (int i = 0; i < SaveRecord::kSize; ++i) {
        const std::uint8_t want = i < bytes.size() ? std::uint8_t(bytes[i]) : 0;
        require(got[i] == want, "loaded counter is not the byte at its place");
    }
    require(readAll(file.path()) == bytes, "loading changed the file");

    const SaveRecord stored = flipped(loaded);
    file.StoreRecord(stored);
    const QByteArray after = readAll(file.path());
    require(after.size() == std::max<qsizetype>(bytes.size(), SaveRecord::kSize),
            "stored file has the wrong size");
    const auto want = counters(stored);
    for (int i = 0; i < SaveRecord::kSize; ++i)
        require(std::uint8_t(after[i]) == want[i], "stored counter is not at its place");
    require(after.mid(SaveRecord::kSize) == bytes.mid(SaveRecord::kSize),
            "bytes beyond the seventh were not kept");
    require(file.LoadRecord() == stored, "load after store differs");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir dir;
    static const RecordFile file(AppDir(dir.path()) + u"str.dat"_s);
    require(dir.isValid(), "temporary folder");

    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (bytes.isEmpty()) {
        QFile::remove(file.path());
        require(file.LoadRecord() == SaveRecord{}, "a missing file does not read as zeros");
        require(QFile::exists(file.path()) && readAll(file.path()).isEmpty(),
                "a missing file was not created empty");
    }
    write(file.path(), bytes);
    checkRoundTrip(file, bytes);
    return 0;
}
