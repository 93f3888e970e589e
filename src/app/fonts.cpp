// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#include "fonts.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QStringList>
#include <QTextBoundaryFinder>
#include <QWidget>
#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// Named directly rather than through QFont's substitutions: for a family no font has, Qt asks
// fontconfig for a sorted fallback list once per script of every text, which at start-up costs
// more than drawing the whole window.
QString firstInstalled(const QStringList& families) {
    const QStringList installed = QFontDatabase::families();
    for (const QString& family : families)
        if (installed.contains(family)) return family;
    return families.first();
}

// Unhinted: these faces carry no hints of their own, so FreeType would run its auto-hinter,
// which measures dozens of reference glyphs of each face before the first line is drawn. That
// was a tenth of the start-up time; at these sizes the text looks the same.
QFont unhinted(const QString& family) {
    QFont font(family);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

}  // namespace

QFont serifFont() {
    static const QString family = firstInstalled(
        {u"ＭＳ Ｐ明朝"_s, u"IPAPMincho"_s, u"Noto Serif CJK JP"_s, u"Noto Sans CJK JP"_s});
    return unhinted(family);
}

QFont sansFont() {
    static const QString family =
        firstInstalled({u"ＭＳ Ｐゴシック"_s, u"IPAPGothic"_s, u"Noto Sans CJK JP"_s});
    return unhinted(family);
}

void shrinkToFit(QWidget* widget, int pixels, int room, double power,
                 const std::function<int()>& need) {
    const auto setPixels = [widget](int size) {
        if (widget->font().pixelSize() == size) return;
        QFont font = widget->font();
        font.setPixelSize(size);
        widget->setFont(font);
    };
    setPixels(pixels);
    const int needed = need();
    if (needed <= room || pixels <= 1) return;
    // Each size tried loads a font, and the chant's text is fitted afresh at every tick: a first
    // guess from how the need grows with the size, then a pixel at a time from there.
    int size = std::clamp(int(pixels * std::pow(double(room) / needed, 1 / power)), 1, pixels - 1);
    setPixels(size);
    if (need() > room) {
        while (size > 1) {
            setPixels(--size);
            if (need() <= room) return;
        }
        return;
    }
    for (; size + 1 < pixels; ++size) {
        setPixels(size + 1);
        if (need() > room) return setPixels(size);
    }
}

QString breakOverlongWords(const QString& text, const QFontMetricsF& metrics, int width) {
    // Measured only where enough characters stand together to be that wide: the chant's
    // text is broken up afresh at every tick.
    const qsizetype fewest = std::max(2, int(width / std::max(1.0, metrics.maxWidth())));
    QTextBoundaryFinder lineBreaks(QTextBoundaryFinder::Line, text);
    QString broken;
    qsizetype start = 0;
    for (qsizetype end = lineBreaks.toNextBoundary(); end > 0; end = lineBreaks.toNextBoundary()) {
        const QString word = text.mid(start, end - start);
        start = end;
        if (word.size() < fewest || metrics.horizontalAdvance(word.trimmed()) <= width) {
            broken += word;
            continue;
        }
        QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, word);
        qsizetype from = 0;
        for (qsizetype to = characters.toNextBoundary(); to > 0; to = characters.toNextBoundary()) {
            if (from > 0) broken += QChar(0x200B);
            broken += QStringView(word).mid(from, to - from);
            from = to;
        }
    }
    return broken;
}
