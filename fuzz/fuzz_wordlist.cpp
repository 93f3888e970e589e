// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

// Arbitrary bytes as one word-list file. Beyond "no crash, no sanitizer report": the entries
// are exactly the lines a byte-level reading of the line rules gives (CR LF or a lone CR ends
// a line, a lone LF belongs to the entry, a final line end starts no entry), each decoded on
// its own so no decoder state crosses a line end; and load on a folder whose 2.dat
// holds the bytes loads those entries, refuses more than kCapacity lines with a fault naming
// 2.dat, and leaves the neighbouring lists alone.
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "fault.h"
#include "program_folder.h"
#include "word_lists.h"

#define REQUIRE(ok) \
    if (!(ok)) (std::fprintf(stderr, "invariant broken: %s\n", #ok), std::abort())

namespace {

// CR and LF are single bytes in CP932 and never part of a double-byte character, so this is
// what the file means whatever decoding does. A last line without its end reads as if it had
// one, so a character cut off by the end of the file is kept as a replacement, never dropped.
std::vector<QString> modelEntries(const QByteArray& bytes) {
    std::vector<QString> entries;
    QByteArray line;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        line += bytes[i];
        if (bytes[i] != '\r' && i + 1 < bytes.size()) continue;
        if (!line.endsWith('\r')) line += '\r';
        QString text = QStringDecoder("CP932").decode(line);
        REQUIRE(text.endsWith(u'\r'));
        entries.push_back(text.chopped(1));
        line.clear();
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    }
    return entries;
}

// Each fixed list holds one double-byte entry, so a stray byte carried over would show.
QByteArray neighbour(int list) {
    return "\x8c\xea" + QByteArray::number(list) + "\r\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir dir;
    static const QString folder = programFolder(dir.path());
    const auto path = [](int list) -> QString { return folder + QString::number(list) + u".dat"; };
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (int list = 0; list < WordLists::kLists; ++list) {
        QFile f(path(list));
        REQUIRE(f.open(QIODevice::WriteOnly) && f.write(list == 2 ? bytes : neighbour(list)) >= 0);
    }
    const std::vector<QString> entries = modelEntries(bytes);
    REQUIRE(WordLists::parseList(bytes) == entries);

    WordLists words;
    try {
        words.load(folder);
    } catch (const Fault& fault) {
        REQUIRE(entries.size() > size_t(WordLists::kCapacity) && fault.file() == path(2));
        return 0;
    }
    REQUIRE(words.count(2) == int(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) REQUIRE(words.word(2, int(i)) == entries[i]);
    for (int list : {0, 1, 3, 4})
        REQUIRE(words.count(list) == 1 &&
                words.word(list, 0) == QStringDecoder("CP932").decode(neighbour(list).chopped(2)));
    return 0;
}
