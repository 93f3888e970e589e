// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#pragma once

#include <QFont>
#include <functional>

class QLabel;

// The faces the window asks for, "ＭＳ Ｐ明朝" and "ＭＳ Ｐゴシック", as the first installed of
// themselves and the free fonts made to the same measure; the asked-for name when none is.
QFont serifFont();
QFont sansFont();

// Gives `label` the font size `pixels` or, where its text then needs more than `room`, the
// largest smaller size at which it fits. Each size tried loads a font: the first is guessed from
// how the need grows with the size (as its `power`), then it goes a pixel less at a time.
void shrinkToFit(QLabel* label, int pixels, int room, double power,
                 const std::function<int()>& need);
