// Turns the UTF-8 word-list sources into the CP932, CR LF files the program reads.
// 1.dat grows with every noun the user teaches: it is only replaced while it still holds
// exactly what the previous build wrote, so a rebuild never loses a taught word.
#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <cstdio>

namespace {

QByteArray readAll(const QString& path, bool* ok = nullptr) {
    QFile file(path);
    const bool opened = file.open(QIODevice::ReadOnly);
    if (ok) *ok = opened;
    return opened ? file.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

int fail(const QString& message) {
    std::fprintf(stderr, "mkwords: %s\n", qPrintable(message));
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return fail(QStringLiteral("usage: mkwords SOURCE_DIR OUTPUT_DIR"));
    const QString from = QString::fromLocal8Bit(argv[1]) + u'/';
    const QString to = QString::fromLocal8Bit(argv[2]) + u'/';

    for (int list = 0; list < 5; ++list) {
        const QString source = from + QString::number(list) + u".txt";
        bool ok = false;
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = utf8(readAll(source, &ok));
        if (!ok || utf8.hasError()) return fail(source + u": cannot read it as UTF-8");

        QStringEncoder cp932("CP932");
        QByteArray bytes = cp932(text);
        if (cp932.hasError()) return fail(source + u": holds characters CP932 cannot represent");
        bytes.replace("\r\n", "\n").replace('\n', "\r\n");

        const QString target = to + QString::number(list) + u".dat";
        const QString stamp = to + u'.' + QString::number(list) + u".dat.built";
        bool exists = false;
        const QByteArray current = readAll(target, &exists);
        if (current == bytes) continue;
        const QByteArray lastBuilt = readAll(stamp);
        const QByteArray currentHash =
            QCryptographicHash::hash(current, QCryptographicHash::Sha256);
        if (list == 1 && exists && currentHash.toHex() != lastBuilt) {
            std::printf("mkwords: keeping %s, which holds taught words\n", qPrintable(target));
            continue;
        }
        const QByteArray newHash =
            QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
        if (!writeAll(target, bytes) || !writeAll(stamp, newHash))
            return fail(target + u": cannot write it");
    }
    return 0;
}
