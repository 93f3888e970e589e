// Writes five full word lists, 0.dat..4.dat, into a folder: LINES lines each (10001 by default,
// the most the program accepts), CP932 with CR LF, about ten characters a line, made from
// everyday Japanese words so that decoding costs what real lists cost. Always the same lines.
//
//   bench_startup_full_lists FOLDER [LINES]
#include <QFile>
#include <QStringEncoder>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

const QStringList kFirst = {
    u"駅前の"_s,   u"隣の"_s,     u"商店街の"_s,   u"向かいの"_s, u"裏山の"_s,
    u"町内会の"_s, u"学校の"_s,   u"公園の"_s,     u"近所の"_s,   u"富士山の"_s,
    u"夏祭りの"_s, u"田舎の"_s,   u"川沿いの"_s,   u"屋上の"_s,   u"宇宙の"_s,
    u"朝市の"_s,   u"ラジオの"_s, u"カレー屋の"_s, u"北国の"_s,   u"図書館の"_s,
};
const QStringList kMiddle = {
    u"おばあさん"_s, u"校長先生"_s,   u"八百屋"_s,   u"噴水"_s,   u"ほとり"_s,
    u"おじいさん"_s, u"郵便屋さん"_s, u"駄菓子屋"_s, u"屋台"_s,   u"時計台"_s,
    u"猫"_s,         u"せんべい"_s,   u"盆踊り"_s,   u"自転車"_s, u"大根"_s,
    u"金魚"_s,       u"魚屋さん"_s,   u"警察官"_s,   u"花屋"_s,   u"銭湯"_s,
    u"運動会"_s,     u"焼きそば"_s,   u"占い師"_s,   u"消防団"_s, u"湯のみ"_s,
};
const QStringList kLast = {
    u""_s,         u"たち"_s, u"を探す"_s, u"に行く"_s,   u"と話す"_s,
    u"を食べる"_s, u"じゃ"_s, u"で休む"_s, u"を褒める"_s, u"に会う"_s,
    u"を数える"_s, u"の前"_s, u"の裏"_s,   u"を磨く"_s,   u"を歌う"_s,
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_startup_full_lists FOLDER [LINES]\n");
        return 64;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]) + u'/';
    const int lines = argc > 2 ? std::atoi(argv[2]) : 10001;
    quint32 seed = 12345;
    auto next = [&seed](int below) {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<int>((seed >> 8) % static_cast<quint32>(below));
    };
    for (int list = 0; list < 5; ++list) {
        QString text;
        for (int i = 0; i < lines; ++i) {
            text += kFirst[next(kFirst.size())] + kMiddle[next(kMiddle.size())] +
                    kLast[next(kLast.size())] + u"\r\n"_s;
        }
        QStringEncoder cp932("CP932");
        const QByteArray bytes = cp932(text);
        QFile file(folder + QString::number(list) + u".dat"_s);
        if (cp932.hasError() || !file.open(QIODevice::WriteOnly) ||
            file.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "bench_startup_full_lists: cannot write %s\n",
                         qPrintable(file.fileName()));
            return 1;
        }
    }
    return 0;
}
