// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#include "tank.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

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
    setAttribute(Qt::WA_OpaquePaintEvent);  // the frame and the painted tank cover it all
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
    m_status->setText(u"Label1"_s);
    m_status->setTextFormat(Qt::PlainText);
    QPalette red = m_status->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    m_status->setPalette(red);
    QFont font = sansFont();
    font.setPixelSize(Layout::pointsToPixels(9.75));
    font.setBold(true);
    m_status->setFont(font);
    m_status->setAccessibleDescription(u"状態"_s);
    m_status->setAttribute(Qt::WA_TransparentForMouseEvents);  // clicks go on to the alien
    m_status->move(contentsRect().topLeft());
    m_status->adjustSize();
    m_status->raise();
}

void Tank::setAlienPicture(const QImage& picture) {
    m_picture = picture;
    update(contentsRect());
}

void Tank::placeAlien(const QRectF& units) {
    m_alienUnits = units;
    applyAlienGeometry();
    update();
}

void Tank::setStatus(const QString& text) {
    QString shown = text;
    m_status->setText(shown.replace(u"\r\n"_s, u"\n"_s));
    m_status->setAccessibleName(shown);  // flat review reads names, not descriptions
    m_status->adjustSize();
}

void Tank::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    m_status->move(contentsRect().topLeft());
    applyAlienGeometry();
}

void Tank::applyAlienGeometry() {
    const QRect inside = contentsRect();
    m_alien->setGeometry(
        Layout::tankToPixels(m_alienUnits, inside.size()).translated(inside.topLeft()));
}

bool Tank::eventFilter(QObject* watched, QEvent* event) {
    // Clicks on the picture belong to the alien even where the inverting shapes cover it.
    if (watched == m_alien && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        m_alien->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
        Q_EMIT alienClicked();
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

void Tank::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    const QRect inside = contentsRect();
    if (inside.isEmpty()) return;
    // Straight into the window's buffer, with no tank-sized image of our own: at start-up the
    // memory that image would touch costs more than painting the tank again when it changes.
    QPainter p(this);
    p.setClipRect(inside);
    p.fillRect(inside, kWater);
    if (!m_picture.isNull()) {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(m_alien->geometry(), m_picture);
    }
    // The corners outside the inscribed ellipse, inverted; a path, not two inverting fills of
    // the whole tank, which would start Qt's helper threads.
    QPainterPath corners;
    corners.addRect(inside);
    corners.addEllipse(QRectF(inside));
    p.setCompositionMode(QPainter::RasterOp_NotDestination);
    p.fillPath(corners, Qt::black);
}
