// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#include "menu_button.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPen>
#include <QPolygonF>

namespace {
const QColor kFace(128, 128, 255);
const QColor kEdge(176, 176, 255);
const QColor kFocusEdge(255, 255, 255);
const QColor kCaption(0, 0, 0);
const QColor kDisabledCaption(80, 80, 128);

// Enter and Return press a focused button as Space does: down on the press, clicked on the
// release, so a held key cannot run on into a box the click opens.
template <typename Handler>
void asSpace(QKeyEvent* event, Handler handle) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) return handle(event);
    QKeyEvent space(event->type(), Qt::Key_Space, event->modifiers(), QStringLiteral(" "),
                    event->isAutoRepeat(), event->count());
    handle(&space);
    event->setAccepted(space.isAccepted());
}
}  // namespace

MenuButton::MenuButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {}

void MenuButton::showFocusFrame() {
    m_focusFrame = true;
    update();
}

void MenuButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRectF r = rect();
    p.fillRect(r, kFace);

    // The lit sides (top and left when raised) in a lighter shade of the edge colour; the
    // sides meet on the diagonals.
    const QColor edge = hasFocus() ? kFocusEdge : kEdge;
    const QColor lit = edge.lighter(), shaded = edge;
    const bool sunk = isDown();
    const qreal w = kEdgeWidth;
    const QPointF topLeft = r.topLeft(), topRight = r.topRight(), bottomLeft = r.bottomLeft(),
                  bottomRight = r.bottomRight();
    const QPointF innerTopLeft = topLeft + QPointF(w, w), innerTopRight = topRight + QPointF(-w, w),
                  innerBottomLeft = bottomLeft + QPointF(w, -w),
                  innerBottomRight = bottomRight + QPointF(-w, -w);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(sunk ? shaded : lit);
    p.drawPolygon(QPolygonF{topLeft, topRight, innerTopRight, innerTopLeft});
    p.drawPolygon(QPolygonF{topLeft, innerTopLeft, innerBottomLeft, bottomLeft});
    p.setBrush(sunk ? lit : shaded);
    p.drawPolygon(QPolygonF{bottomLeft, innerBottomLeft, innerBottomRight, bottomRight});
    p.drawPolygon(QPolygonF{topRight, bottomRight, innerBottomRight, innerTopRight});

    p.setPen(isEnabled() ? kCaption : kDisabledCaption);
    p.drawText(r.adjusted(w, w, -w, -w), Qt::AlignCenter | Qt::TextShowMnemonic, text());

    // The white edges alone hardly show on the pale face: a dotted frame inside them says
    // where the keys act, as on classic buttons.
    if (hasFocus() && m_focusFrame) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(kCaption, 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        const int inset = static_cast<int>(2 * w);
        p.drawRect(rect().adjusted(inset, inset, -inset - 1, -inset - 1));
    }
}

void MenuButton::keyPressEvent(QKeyEvent* event) {
    asSpace(event, [this](QKeyEvent* e) { QPushButton::keyPressEvent(e); });
}

void MenuButton::keyReleaseEvent(QKeyEvent* event) {
    asSpace(event, [this](QKeyEvent* e) { QPushButton::keyReleaseEvent(e); });
}
