// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#include "picture_file.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QThread>
#include <QtEndian>

#include "fault.h"

using namespace Qt::StringLiterals;

namespace {

// Long enough for `cp` to finish a picture of a few hundred kilobytes, short enough not to
// be felt when the picture really is broken.
constexpr qint64 kPatienceMs = 50;

template <typename T>
qint64 at(const QByteArray& bytes, qsizetype offset) {
    return qFromLittleEndian<T>(bytes.constData() + offset);
}

}  // namespace

bool PictureFile::isComplete(const QByteArray& bytes) {
    if (!bytes.startsWith("BM")) return true;
    if (bytes.size() < 18) return false;
    const qint64 pixelsStart = at<quint32>(bytes, 10);
    const qint64 headerSize = at<quint32>(bytes, 14);
    if (bytes.size() < 14 + std::max<qint64>(headerSize, 12)) return false;
    qint64 width, height, bitsPerPixel, compression = 0, imageSize = 0;
    if (headerSize == 12) {  // OS/2 core header
        width = at<quint16>(bytes, 18);
        height = at<quint16>(bytes, 20);
        bitsPerPixel = at<quint16>(bytes, 24);
    } else {
        if (headerSize < 40) return true;  // unknown: the decoder decides
        width = at<qint32>(bytes, 18);
        height = std::abs(at<qint32>(bytes, 22));  // negative: stored top-down
        bitsPerPixel = at<quint16>(bytes, 28);
        compression = at<quint32>(bytes, 30);
        imageSize = at<quint32>(bytes, 34);
    }
    const qint64 room = bytes.size() - pixelsStart;
    if (room < 0) return false;
    // Plain pixels (also with bit masks) fill whole rows padded to four bytes; packed ones
    // (run lengths) say their size in the header.
    const bool plain = compression == 0 || compression == 3 || compression == 6;
    if (!plain) return imageSize <= room;
    if (width <= 0 || bitsPerPixel <= 0) return true;  // nonsense: the decoder refuses it
    const qint64 row = (width * bitsPerPixel + 31) / 32 * 4;
    return height <= room / row;
}

QImage PictureFile::decode(QIODevice* device, const char* format) {
    // Told the format, Qt would still load every image format plugin to ask each about it,
    // which costs more at start-up than the decoding; its own readers need none of them.
    QImageReader reader(device, format);
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

bool PictureFile::load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = file.readAll();
    if (bytes == m_bytes && !m_image.isNull()) return true;
    QImage image;
    if (isComplete(bytes)) {
        QBuffer buffer;
        buffer.setData(bytes);
        image = bytes.startsWith("BM") ? decode(&buffer, "BMP") : QImage::fromData(bytes);
    }
    if (image.isNull()) return false;
    m_bytes = bytes;
    m_image = std::move(image);
    return true;
}

const QImage& PictureFile::read(const QString& path) {
    requireRegularFile(path);  // opening a FIFO would wait for a writer
    const bool readBefore = !m_image.isNull();
    QElapsedTimer waited;
    waited.start();
    while (!load(path)) {
        if (!readBefore || waited.elapsed() >= kPatienceMs)
            throw Fault(u"宇宙人の絵を読めません"_s, path);
        QThread::msleep(2);
    }
    return m_image;
}
