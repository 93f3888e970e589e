// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

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

QByteArray sha256(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
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
        bool exists = false;
        if (readAll(target, &exists) == bytes) continue;

        // The stamp holds the hash of the 1.dat this tool wrote last; anything else is the
        // user's.
        const bool people = list == 1;
        const QString stamp = to + u".1.dat.built";
        const QByteArray hash = sha256(bytes);
        if (people && exists && sha256(readAll(target)) != readAll(stamp)) {
            std::printf("mkwords: keeping %s, which holds taught words\n", qPrintable(target));
            continue;
        }
        if (!writeAll(target, bytes) || (people && !writeAll(stamp, hash)))
            return fail(target + u": cannot write it");
    }
    return 0;
}
