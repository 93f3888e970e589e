// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#include "layout.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kTwipsPerPixel = 15.0;
constexpr double kTankUnits = 110.0;
}  // namespace

Layout computeLayout(QSize screenPx, QSize decoration) {
    Layout l;
    const int height = std::min(screenPx.height(), screenPx.width() * 15 / 10);
    const double u = height * kTwipsPerPixel / 17;  // the unit, in twips
    l.outer = QSize(qRound(10 * u / kTwipsPerPixel), qRound(15 * u / kTwipsPerPixel));
    l.client = l.outer - decoration;

    const double sx = l.client.width() / 10.0;
    const double sy = l.client.height() / 15.0;
    auto place = [&](double left, double top, double width, double height) {
        const int x0 = qRound(left * sx), y0 = qRound(top * sy);
        return QRect(x0, y0, qRound((left + width) * sx) - x0, qRound((top + height) * sy) - y0);
    };
    l.tank = place(0, 0, 10, 10);
    l.speech = place(0, 10, 10, 5);
    l.indicator = place(9, 13, 0.5, 0.5);
    for (int i = 0; i < 5; ++i) l.buttons[i] = place(i * 2.0, 14, 2, 1);

    const int b = 2 * static_cast<int>(std::floor(u / 100));
    l.speechPointSize = b;
    l.buttonPointSize = b + 5;
    l.statusPointSize = 9.75 * height / 768;
    return l;
}

QRectF Layout::alienUnits(int years) {
    const int s = years + 20;
    const int x = static_cast<int>(std::floor((kTankUnits - s) / 2.0));
    return QRectF(x, x, s, s);
}

QRect Layout::tankToPixels(const QRectF& units, QSize inside) {
    const double sx = inside.width() / kTankUnits;
    const double sy = inside.height() / kTankUnits;
    const int x0 = qRound(units.left() * sx), y0 = qRound(units.top() * sy);
    return QRect(x0, y0, qRound(units.right() * sx) - x0, qRound(units.bottom() * sy) - y0);
}
