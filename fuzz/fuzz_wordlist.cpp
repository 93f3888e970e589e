// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

// Arbitrary bytes as 2.dat: its entries are the lines of a plain byte-level reading of the line
// rules, each decoded on its own; more than kCapacity lines is a fault naming 2.dat; the other
// lists are left alone.
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

// CR LF or a lone CR ends a line; CR and LF never occur inside a CP932 double-byte character.
// The last line reads as if it had its end, so a cut-off character becomes a replacement.
std::vector<QString> modelEntries(const QByteArray& bytes) {
    std::vector<QString> entries;
    QByteArray line;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        line += bytes[i];
        if (bytes[i] != '\r' && i + 1 < bytes.size()) continue;
        if (!line.endsWith('\r')) line += '\r';
        entries.push_back(QString(QStringDecoder("CP932").decode(line)).chopped(1));
        line.clear();
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    }
    return entries;
}

// One double-byte entry, so a stray byte carried over from 2.dat would show.
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
