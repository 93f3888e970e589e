// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#pragma once

#include <QFont>

// The faces the window asks for, "ＭＳ Ｐ明朝" and "ＭＳ Ｐゴシック", as the first installed of
// themselves and the free fonts made to the same measure; the asked-for name when none is.
QFont serifFont();
QFont sansFont();
