// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#include "tank.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <climits>
#include <cmath>

#include "fonts.h"
#include "layout.h"

using namespace Qt::StringLiterals;

namespace {
const QColor kWater(0, 0, 192);
}

Tank::Tank(QWidget* parent)
    : QFrame(parent), m_alien(new QWidget(this)), m_status(new QLabel(this)) {
    setObjectName(u"tank"_s);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setAttribute(Qt::WA_OpaquePaintEvent);  // the frame and the composed tank cover it all
    setToolTip(u"ヘルプは宇宙人をクリックして下さい。"_s);
    setAccessibleName(u"水槽"_s);
    setAccessibleDescription(u"とらわれの宇宙人がいる水槽"_s);

    m_alien->setObjectName(u"alien"_s);
    m_alien->setToolTip(u"ヘルプを表示します"_s);
    m_alien->setAccessibleName(u"宇宙人"_s);
    m_alien->setAccessibleDescription(u"クリックするとヘルプを表示します"_s);
    m_alien->setCursor(Qt::PointingHandCursor);
    m_alien->installEventFilter(this);

    m_status->setObjectName(u"status"_s);
    m_status->setText(u"Label1"_s);  // the placeholder until the counters are read
    m_status->setTextFormat(Qt::PlainText);
    QPalette red = m_status->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    m_status->setPalette(red);
    QFont font = sansFont();
    font.setBold(true);
    m_status->setFont(font);
    setStatusPointSize(9.75);
    m_status->setAccessibleDescription(u"状態"_s);
    m_status->setAttribute(Qt::WA_TransparentForMouseEvents);  // clicks go on to the alien
    m_status->move(contentsRect().topLeft());
    m_status->raise();
}

void Tank::setAlienPicture(const QImage& picture) {
    m_picture = picture;
    update(contentsRect());
}

void Tank::placeAlien(const QRectF& units) {
    m_alienUnits = units;
    for (Composed& c : m_cache) c = Composed{};
    applyAlienGeometry();
    update();
}

void Tank::setStatus(const QString& text) {
    QString shown = text;
    m_status->setText(shown.replace(u"\r\n"_s, u"\n"_s));
    m_status->setAccessibleName(shown);  // flat review reads names, not descriptions
    fitStatus();
}

void Tank::setStatusPointSize(double points) {
    m_statusPixels = std::max(1, Layout::pointsToPixels(points));
    fitStatus();
}

void Tank::fitStatus() {
    // Counters grow to three digits with long use: the line gets smaller rather than run past
    // the tank's wall. Measured only once the tank has its size; widths grow with the size.
    const int room = testAttribute(Qt::WA_Resized) ? contentsRect().width() : INT_MAX;
    shrinkToFit(m_status, m_statusPixels, room, 1, [this] { return m_status->sizeHint().width(); });
    m_status->adjustSize();
}

void Tank::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    m_status->move(contentsRect().topLeft());
    fitStatus();
    applyAlienGeometry();
}

void Tank::applyAlienGeometry() {
    const QRect inside = contentsRect();
    m_alien->setGeometry(
        Layout::tankToPixels(m_alienUnits, inside.size()).translated(inside.topLeft()));
}

bool Tank::eventFilter(QObject* watched, QEvent* event) {
    // Clicks on the picture belong to the alien, in the inverted corners too.
    if (watched == m_alien && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        m_alien->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
        Q_EMIT alienClicked();
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

namespace {

// Inverts what lies outside the ellipse the image's edges enclose: the tank's corners. By hand,
// row by row: Qt's inverting fills start helper threads for an area this size, which cost more
// at start-up than the whole inversion.
void invertCorners(QImage& tank) {
    const int width = tank.width(), height = tank.height();
    for (int y = 0; y < height; ++y) {
        const double t = (y + 0.5) * 2 / height - 1;  // -1 at the top edge, 1 at the bottom
        const double half = width / 2.0 * std::sqrt(1 - t * t);
        // Pixels whose centres lie outside the ellipse on this row, on each side.
        const int outside = std::clamp(int(std::ceil(width / 2.0 - half - 0.5)), 0, width / 2);
        auto* row = reinterpret_cast<QRgb*>(tank.scanLine(y));
        for (int x = 0; x < outside; ++x) {
            row[x] ^= 0x00ffffff;
            row[width - 1 - x] ^= 0x00ffffff;
        }
    }
}

}  // namespace

const QImage& Tank::composed() {
    const QRect inside = contentsRect();
    const qreal dpr = devicePixelRatioF();
    const QSize size = (QSizeF(inside.size()) * dpr).toSize();
    for (const Composed& c : m_cache)
        if (c.tank.size() == size && c.picture == m_picture) return c.tank;

    // The water and the alien, then the corners outside the ellipse inverted.
    Composed& slot = m_cache[m_nextSlot];
    m_nextSlot = 1 - m_nextSlot;
    slot.picture = m_picture;
    if (slot.tank.size() != size) slot.tank = QImage(size, QImage::Format_RGB32);
    slot.tank.setDevicePixelRatio(dpr);
    slot.tank.fill(kWater);
    if (!m_picture.isNull()) {
        QPainter p(&slot.tank);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(m_alien->geometry().translated(-inside.topLeft()), m_picture);
    }
    invertCorners(slot.tank);
    return slot.tank;
}

void Tank::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    const QRect inside = contentsRect();
    if (inside.isEmpty()) return;
    QPainter(this).drawImage(inside.topLeft(), composed());
}
