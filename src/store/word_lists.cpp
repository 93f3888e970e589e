// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#include "word_lists.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include "fault.h"
#include "random.h"

using namespace Qt::StringLiterals;

namespace {

constexpr char kCodePage[] = "CP932";

QString listPath(const QString& folder, int list) {
    return folder + QString::number(list) + u".dat"_s;
}

Fault cannotAppend(const QString& path) {
    return writeFault(u"人物リストに書き込めません"_s, path, Writing::AppendsToTheFile);
}

// The line rules on a file's bytes: CR and LF are single bytes in CP932 and never part of a
// double-byte character.
std::vector<WordLists::Span> splitSpans(const QByteArray& bytes) {
    const qsizetype n = bytes.size();
    // Sized up front: growing a vector of ten thousand spans would touch twice the memory.
    std::vector<WordLists::Span> spans;
    spans.reserve(bytes.count('\r') + 1);
    qsizetype pos = 0;
    while (pos < n) {
        qsizetype cr = bytes.indexOf('\r', pos);
        if (cr < 0) cr = n;
        spans.push_back({pos, cr - pos});
        pos = cr + 1;
        if (pos < n && bytes.at(pos) == '\n') ++pos;
    }
    return spans;
}

// One entry's text. The line end that follows it in the file is given back to the decoder,
// so a character cut off by the end of the file is kept (as a replacement), never dropped.
QString decodeEntry(QStringDecoder& decode, QByteArrayView bytes) {
    decode.resetState();
    QString text = decode(bytes);
    text += decode(QByteArrayView("\r"));
    text.chop(1);
    return text;
}

QByteArrayView lineOf(const QByteArray& bytes, WordLists::Span span) {
    return QByteArrayView(bytes).sliced(span.start, span.length);
}

// Input methods and UTF-8 text give these as their JIS code points; CP932 holds the same
// characters under the Windows ones, which is also what the file reads back as.
char16_t windowsForm(char16_t ch) {
    switch (ch) {
        case u'\u301C': return u'\uFF5E';  // 〜 wave dash
        case u'\u2212': return u'\uFF0D';  // − minus sign
        case u'\u2014': return u'\u2015';  // — em dash
        case u'\u2016': return u'\u2225';  // ‖ double vertical line
        case u'\u00A2': return u'\uFFE0';  // ¢
        case u'\u00A3': return u'\uFFE1';  // £
        case u'\u00AC': return u'\uFFE2';  // ¬
        default: return ch;
    }
}

}  // namespace

std::vector<QString> WordLists::parseList(const QByteArray& bytes) {
    QStringDecoder decode(kCodePage);
    std::vector<QString> entries;
    for (const Span& s : splitSpans(bytes))
        entries.push_back(decodeEntry(decode, lineOf(bytes, s)));
    return entries;
}

QString WordLists::word(int list, int index) const {
    const List& l = m_words[list];
    QStringDecoder decode(kCodePage);
    return decodeEntry(decode, lineOf(l.bytes, l.spans[index]));
}

void WordLists::load(const QString& folder) {
    m_folder = folder;
    for (int list = 0; list < kLists; ++list) {
        const QString path = listPath(folder, list);
        requireRegularFile(path);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            throw Fault(
                file.exists() ? u"単語リストを読めません"_s : u"単語リストが見つかりません"_s,
                path);
        }
        List lines{file.readAll(), {}};
        lines.spans = splitSpans(lines.bytes);
        if (lines.spans.size() > kCapacity) {
            throw Fault(u"単語リストが長すぎます（%1 行目：上限は %2 行）"_s.arg(kCapacity + 1)
                            .arg(kCapacity),
                        path);
        }
        // Taught nouns are appended: say now, not when a whole run's counts would be lost.
        if (list == kPeople &&
            !QFile(path).open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::ExistingOnly))
            throw cannotAppend(path);
        m_words[list] = std::move(lines);
    }
}

QString WordLists::randomWord(int list, Random& random) const {
    const int index = random.below(count(list));
    if (index >= count(list)) return QString();
    // Only the start of a long entry is decoded: a CP932 character takes at most two bytes.
    const List& l = m_words[list];
    Span span = l.spans[index];
    span.length = std::min<qsizetype>(span.length, 2 * kLongestShown);
    QStringDecoder decode(kCodePage);
    return decodeEntry(decode, lineOf(l.bytes, span)).left(kLongestShown);
}

bool WordLists::knows(const QString& word) const {
    if (word.isEmpty()) return true;
    const List& people = m_words[kPeople];
    QStringDecoder decode(kCodePage);
    // Compared as it would be stored, so a noun with a "？" in the file is known the second time.
    const QString stored = decodeEntry(decode, encodeLine(word));
    for (const Span& s : people.spans)
        if (decodeEntry(decode, lineOf(people.bytes, s)) == stored) return true;
    return false;
}

QByteArray WordLists::encodeLine(const QString& word) {
    static const QByteArray kUnknown = QStringEncoder(kCodePage).encode(u"？"_s);
    QByteArray bytes;
    for (qsizetype i = 0; i < word.size(); ++i) {
        // One code point at a time, so a character outside CP932 costs one "？".
        const qsizetype len = word[i].isHighSurrogate() && i + 1 < word.size() ? 2 : 1;
        const char16_t mapped = windowsForm(word[i].unicode());
        const QStringView ch = len == 1 ? QStringView(&mapped, 1) : QStringView(word).mid(i, len);
        i += len - 1;
        QStringEncoder encode(kCodePage);
        const QByteArray one = encode(ch);
        const bool fits = !encode.hasError() && ch != u"\r" && !one.isEmpty();
        bytes += fits ? one : kUnknown;
    }
    return bytes;
}

void WordLists::learn(const QString& word) {
    const QString path = listPath(m_folder, kPeople);
    if (count(kPeople) >= kCapacity) throw Fault(u"人物リストがいっぱいです"_s, path);
    requireRegularFile(path);  // replaced since the start: a FIFO would block the read below

    const QByteArray line = encodeLine(word);
    List& people = m_words[kPeople];
    people.spans.push_back({people.bytes.size(), line.size()});
    people.bytes += line + '\r';

    // A noun is a whole line or nothing: a cut-off line would be glued to the next noun. So a
    // failed write (a full disk) is undone before the fault is shown.
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered))
        throw cannotAppend(path);
    const qint64 before = file.size();
    // Without a line break at the end, the noun would be glued to the last entry.
    QByteArray out;
    if (before > 0) {
        file.seek(std::max<qint64>(0, before - 2));
        const QByteArray tail = file.read(2);
        if (tail.isEmpty()) throw cannotAppend(path);
        if (!tail.endsWith('\r') && !tail.endsWith("\r\n")) out += "\r\n";
    }
    out += line + "\r\n";
    if (file.write(out) != out.size()) {
        file.resize(before);
        throw cannotAppend(path);
    }
}
