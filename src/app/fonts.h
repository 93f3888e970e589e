// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#pragma once

#include <QFont>
#include <functional>

class QFontMetricsF;
class QWidget;

// The faces the window asks for, "ＭＳ Ｐ明朝" and "ＭＳ Ｐゴシック", as the first installed of
// themselves and the free fonts made to the same measure; the asked-for name when none is.
QFont serifFont();
QFont sansFont();

// Gives `widget` the font size `pixels` or, where its text then needs more than `room`, the
// largest smaller size at which it fits. The need grows with the size as its `power`.
void shrinkToFit(QWidget* widget, int pixels, int room, double power,
                 const std::function<int()>& need);

// `text` with a zero-width space between the characters of each word wider than `width`: a
// label breaks lines only between words, and such a word would run off its sides.
QString breakOverlongWords(const QString& text, const QFontMetricsF& metrics, int width);
