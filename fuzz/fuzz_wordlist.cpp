// Arbitrary bytes as one word-list file, read the way the program reads its lists.
//
// Checks, beyond "no crash, no sanitizer report":
//  - the entries are exactly the lines a byte-level reading of the line rules gives
//    (CR LF or a lone CR ends a line, a lone LF belongs to the entry, a final line end
//    starts no entry), each decoded on its own, so no decoder state crosses a line end;
//  - no entry holds a CR;
//  - writing the entries back with CR LF ends and splitting again gives them back;
//  - LoadWordLists on a folder whose 2.dat holds the bytes loads those entries, refuses more
//    than kCapacity lines with a fault naming 2.dat, and leaves the neighbouring lists alone.
#include <QByteArray>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app_dir.h"
#include "fault.h"
#include "word_lists.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int kFuzzedList = 2;  // in the middle, so a fault carried into list 3 shows

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

void require(bool ok, const char* what) {
    if (!ok) fail(what);
}

// A fresh decoding each time, without the cost of opening a converter per line.
QString decode(const QByteArray& bytes) {
    static QStringDecoder decoder("CP932");
    decoder.resetState();
    return decoder.decode(bytes);
}

// The line rules applied to raw bytes: CR and LF are single bytes in CP932 and never part of
// a double-byte character, so this is what the file means whatever decoding does. Each line
// keeps the CR that ended it, so that it decodes as it does inside the whole text.
std::vector<QByteArray> byteLines(const QByteArray& bytes) {
    std::vector<QByteArray> lines;
    QByteArray line;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        line += bytes[i];
        if (bytes[i] != '\r') continue;
        lines.push_back(line);
        line.clear();
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    }
    if (!line.isEmpty()) lines.push_back(line);
    return lines;
}

// A line from byteLines, decoded on its own, without its CR.
QString decodeLine(const QByteArray& line) {
    QString text = decode(line);
    if (!line.endsWith('\r')) return text;
    require(text.endsWith(u'\r'), "decoding swallowed a CR");
    text.chop(1);
    return text;
}

// One folder for the whole run; only the fuzzed list is rewritten per input.
struct ListFolder {
    QTemporaryDir dir;
    QString appDir = AppDir(dir.path());
    QString fuzzedPath = appDir + QString::number(kFuzzedList) + u".dat"_s;

    ListFolder() {
        require(dir.isValid(), "temporary folder");
        for (int list = 0; list < WordLists::kLists; ++list) {
            QFile f(appDir + QString::number(list) + u".dat"_s);
            require(f.open(QIODevice::WriteOnly), "writing a fixed list");
            f.write(neighbour(list));
        }
    }
    // Each fixed list holds one double-byte entry, so a stray byte carried over would show.
    static QByteArray neighbour(int list) { return "\x8c\xea" + QByteArray::number(list) + "\r\n"; }
};

void checkSplit(const QByteArray& bytes, const std::vector<QString>& entries) {
    std::vector<QByteArray> model = byteLines(bytes);
    // A last line without its line end reads as if it had one, so a character cut off by
    // the end of the file is kept (as a replacement character), never dropped.
    if (!model.empty() && !model.back().endsWith('\r')) model.back() += '\r';
    require(entries.size() == model.size(), "entry count differs from the line rules");
    for (size_t i = 0; i < entries.size(); ++i) {
        require(!entries[i].contains(u'\r'), "entry holds a CR");
        require(entries[i] == decodeLine(model[i]), "entry differs from its line decoded alone");
    }

    QString joined;
    for (const QString& e : entries) joined += e + u"\r\n";
    require(WordLists::SplitLines(joined) == entries, "CR LF re-join does not split back");
}

void checkLoad(ListFolder& folder, const QByteArray& bytes, const std::vector<QString>& entries) {
    {
        QFile f(folder.fuzzedPath);
        require(f.open(QIODevice::WriteOnly | QIODevice::Truncate), "writing the fuzzed list");
        require(f.write(bytes) == bytes.size(), "writing the fuzzed list");
    }
    WordLists words;
    try {
        words.LoadWordLists(folder.appDir);
    } catch (const Fault& fault) {
        require(entries.size() > size_t(WordLists::kCapacity), "fault for a list within capacity");
        require(fault.file() == folder.fuzzedPath, "fault names another file");
        return;
    }
    require(entries.size() <= size_t(WordLists::kCapacity), "over-long list accepted");
    require(words.WordCount(kFuzzedList) == int(entries.size()), "loaded count differs");
    for (size_t i = 0; i < entries.size(); ++i)
        require(words.Words(kFuzzedList, int(i)) == entries[i], "loaded entry differs");
    for (int list = 0; list < WordLists::kLists; ++list) {
        if (list == kFuzzedList) continue;
        require(words.WordCount(list) == 1, "a neighbouring list changed size");
        require(words.Words(list, 0) == decode(ListFolder::neighbour(list).chopped(2)),
                "a neighbouring list changed content");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static ListFolder folder;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::vector<QString> entries = WordLists::ParseList(bytes);
    checkSplit(bytes, entries);
    checkLoad(folder, bytes, entries);
    return 0;
}
