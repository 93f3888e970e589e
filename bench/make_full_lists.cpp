// Writes five full word lists, 0.dat..4.dat, into FOLDER: 10001 lines each (the most the
// program accepts), CP932 with CR LF, about ten characters a line of everyday Japanese, so that
// reading them costs what real lists cost. Always the same lines.
//   bench_full_lists FOLDER
#include <QFile>
#include <QStringEncoder>
#include <QStringList>
#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char** argv) {
    if (argc != 2) return std::fprintf(stderr, "usage: bench_full_lists FOLDER\n"), 64;
    const QStringList parts[3] = {
        {u"駅前の"_s, u"隣の"_s, u"商店街の"_s, u"裏山の"_s, u"学校の"_s, u"宇宙の"_s, u"北国の"_s},
        {u"おばあさん"_s, u"校長先生"_s, u"八百屋"_s, u"噴水"_s, u"郵便屋さん"_s, u"猫"_s,
         u"せんべい"_s, u"盆踊り"_s, u"金魚"_s, u"占い師"_s, u"焼きそば"_s},
        {u""_s, u"たち"_s, u"を探す"_s, u"に行く"_s, u"じゃ"_s, u"を食べる"_s, u"の裏"_s, u"★"_s}};
    quint32 seed = 12345;
    for (int list = 0; list < 5; ++list) {
        QString text;
        for (int line = 0; line < 10001; ++line) {
            for (const QStringList& words : parts) {
                seed = seed * 1664525u + 1013904223u;
                text += words[static_cast<int>((seed >> 8) % static_cast<quint32>(words.size()))];
            }
            text += u"\r\n"_s;
        }
        QStringEncoder cp932("CP932");
        const QByteArray bytes = cp932(text);
        QFile file(QString::fromLocal8Bit(argv[1]) + u"/%1.dat"_s.arg(list));
        if (cp932.hasError() || !file.open(QIODevice::WriteOnly) ||
            file.write(bytes) != bytes.size())
            return std::fprintf(stderr, "bench_full_lists: cannot write %s\n", argv[1]), 1;
    }
    return 0;
}
