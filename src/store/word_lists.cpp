#include "word_lists.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include "fault.h"
#include "rnd.h"

using namespace Qt::StringLiterals;

namespace {

constexpr char kCodePage[] = "CP932";

QString listPath(const QString& appDir, int list) {
    return appDir + QString::number(list) + u".dat"_s;
}

}  // namespace

std::vector<WordLists::Span> WordLists::Split(QStringView text) {
    std::vector<Span> spans;
    const qsizetype n = text.size();
    qsizetype pos = 0;
    while (pos < n) {
        qsizetype cr = text.indexOf(u'\r', pos);
        if (cr < 0) cr = n;
        spans.push_back({pos, cr - pos});
        pos = cr + 1;
        if (pos < n && text[pos] == u'\n') ++pos;
    }
    return spans;
}

std::vector<QString> WordLists::SplitLines(const QString& text) {
    std::vector<QString> lines;
    for (const Span& s : Split(text)) lines.push_back(text.mid(s.start, s.length));
    return lines;
}

WordLists::List WordLists::Parse(QByteArray bytes) {
    // CR and LF never occur inside a CP932 character, so the lines can be split after
    // decoding the whole file at once. The last line gets its line end, so that a character
    // cut off by the end of the file is kept (as a replacement) rather than dropped.
    if (!bytes.isEmpty() && !bytes.endsWith('\r') && !bytes.endsWith('\n')) bytes += '\r';
    List list;
    list.text = QStringDecoder(kCodePage).decode(bytes);
    list.spans = Split(list.text);
    return list;
}

std::vector<QString> WordLists::ParseList(QByteArray bytes) {
    return SplitLines(Parse(std::move(bytes)).text);
}

void WordLists::LoadWordLists(const QString& appDir) {
    m_appDir = appDir;
    for (int list = 0; list < kLists; ++list) {
        const QString path = listPath(appDir, list);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            throw Fault(
                file.exists() ? u"単語リストを読めません"_s : u"単語リストが見つかりません"_s,
                path);
        }
        List lines = Parse(file.readAll());
        if (lines.spans.size() > kCapacity) {
            throw Fault(u"単語リストが長すぎます（%1 行目：上限は %2 行）"_s.arg(kCapacity + 1)
                            .arg(kCapacity),
                        path);
        }
        m_words[list] = std::move(lines);
    }
}

QString WordLists::MojiRnd(int list, Rnd& rnd) const {
    const int index = rnd.below(WordCount(list));
    return index < WordCount(list) ? Words(list, index) : QString();
}

bool WordLists::IsKnownWord(const QString& word) const {
    if (word.isEmpty()) return true;
    for (int i = 0; i < WordCount(kPeople); ++i)
        if (entry(kPeople, i) == word) return true;
    return false;
}

QByteArray WordLists::EncodeLine(const QString& word) {
    static const QByteArray kUnknown = QStringEncoder(kCodePage).encode(u"？"_s);
    QByteArray bytes;
    for (qsizetype i = 0; i < word.size(); ++i) {
        // One code point at a time, so a character outside CP932 costs one "？".
        const qsizetype len = word[i].isHighSurrogate() && i + 1 < word.size() ? 2 : 1;
        const QStringView ch = QStringView(word).mid(i, len);
        i += len - 1;
        QStringEncoder encode(kCodePage);
        const QByteArray one = encode(ch);
        const bool fits = !encode.hasError() && ch != u"\r" && !one.isEmpty();
        bytes += fits ? one : kUnknown;
    }
    return bytes;
}

void WordLists::AddWord(const QString& word) {
    const QString path = listPath(m_appDir, kPeople);
    if (WordCount(kPeople) >= kCapacity) throw Fault(u"人物リストがいっぱいです"_s, path);

    const QByteArray line = EncodeLine(word);
    List& people = m_words[kPeople];
    const QString stored = QStringDecoder(kCodePage).decode(line);
    people.spans.push_back({people.text.size(), stored.size()});
    people.text += stored;

    // Without a line break at the end, the noun would be glued to the last entry.
    QByteArray out;
    QFile old(path);
    if (old.open(QIODevice::ReadOnly) && old.size() > 0) {
        old.seek(std::max<qint64>(0, old.size() - 2));
        const QByteArray tail = old.read(2);
        if (!tail.endsWith('\r') && !tail.endsWith("\r\n")) out += "\r\n";
    }
    old.close();
    out += line + "\r\n";
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(out) != out.size() ||
        !file.flush())
        throw Fault(u"人物リストに書き込めません"_s, path);
}
