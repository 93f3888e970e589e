// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

class QIODevice;

// One frame of the alien, read from disk at every flip so a replaced picture shows at once.
class PictureFile {
public:
    // The picture at `path`; decoding is skipped while its bytes are unchanged. Throws Fault
    // naming the file when it cannot be read or decoded, or its pixel data is cut short. A
    // picture that was readable before is given a few milliseconds first: it is most likely
    // being copied over.
    const QImage& read(const QString& path);

    // False when a BMP's pixel data ends before its header says it does (the decoder would
    // fill the rest with whatever was in memory). Other formats are left to the decoder.
    static bool isComplete(const QByteArray& bytes);

    // `device` read as an image of the given format, one Qt reads itself (BMP, PNG);
    // null when it is no such image.
    static QImage decode(QIODevice* device, const char* format);

private:
    bool load(const QString& path);

    QByteArray m_bytes;
    QImage m_image;
};
