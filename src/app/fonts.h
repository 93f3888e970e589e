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
// largest smaller size at which it fits.
void shrinkToFit(QLabel* label, int pixels, int room, const std::function<int()>& need);
