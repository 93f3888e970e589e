// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#pragma once

#include <QRect>
#include <QSize>
#include <array>

// Where everything goes, from the screen height: the outer window is 10 x 15 layout units of a
// seventeenth of the screen height, the client area is scaled 10 x 15 and the tank 110 x 110.
// On a screen narrower than two thirds of its height (turned upright) the unit follows the width
// instead, so the window keeps the same margins and never runs off the screen's sides. Pixels
// here are logical pixels at 96 per inch (15 twips each).
struct Layout {
    QSize outer;      // the window, frame included
    QSize client;     // what is left inside the window manager's frame
    QRect tank;       // the tank, in client pixels
    QRect speech;     // the speech area
    QRect indicator;  // the blinking square
    std::array<QRect, 5> buttons;
    int speechPointSize = 0;  // twice the whole hundreds of twips in a unit: 12 on a 768 screen
    int buttonPointSize = 0;  // the speech's + 5
    // 9.75 on a 768 screen, in proportion elsewhere; the tank shrinks it further should long
    // counters not fit its width.
    double statusPointSize = 0;

    // The alien in tank units: (x, x, s, s) with s = years + 20, x = floor((110 - s) / 2).
    static QRectF alienUnits(int years);
    // Tank units to pixels of the tank's inside of `inside` size.
    static QRect tankToPixels(const QRectF& units, QSize inside);
    // Points to logical pixels at the 96 dots per inch the layout unit assumes.
    static int pointsToPixels(double points) { return qRound(points * 96.0 / 72.0); }
};

// `decoration`: what the window manager's frame adds to the client size (zero before it is
// known).
Layout computeLayout(QSize screenPx, QSize decoration = QSize(0, 0));
