// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#pragma once

#include <QFrame>
#include <QImage>

class QLabel;
class QWidget;

// The alien's tank: blue water, the alien, and the four corners outside the inscribed ellipse
// shown in inverted colours; the status line sits on top and is never inverted.
class Tank : public QFrame {
    Q_OBJECT

public:
    explicit Tank(QWidget* parent = nullptr);

    void setAlienPicture(const QImage& picture);
    // The alien in tank units (110 x 110 across the inside); it is clipped at the walls.
    void placeAlien(const QRectF& units);
    void setStatus(const QString& text);
    void setStatusPointSize(double points);  // at most: a line too long for the tank is smaller

Q_SIGNALS:
    void alienClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyAlienGeometry();
    void fitStatus();
    const QImage& composed();

    // The finished tank for the last two pictures. The alien flips between two frames, so
    // each flip finds its frame here instead of recomposing the whole tank at every tick.
    struct Composed {
        QImage picture;
        QImage tank;
    };
    Composed m_cache[2];
    int m_nextSlot = 0;

    QImage m_picture;
    QRectF m_alienUnits;
    QWidget* m_alien;  // takes the clicks; the tank paints the picture
    QLabel* m_status;
    int m_statusPixels = 13;  // the size the layout asks for
};
