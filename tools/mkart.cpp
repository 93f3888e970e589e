// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

// Draws all of Myoruka's artwork: the two tank frames and the window icons.
// Usage: mkart [output folder, default ./data]. Output is byte-for-byte the same on every run.
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTransform>
#include <algorithm>
#include <cstdio>

namespace {

// Everything is drawn in a 256 x 256 design space and scaled to the target size.
const QColor kInk(44, 16, 76);
const QColor kWater(0, 0, 192);
const QColor kSkin(150, 240, 150);

struct Pose {
    qreal top, bottom, half;     // body
    QPointF bend, tip;           // left antenna; the right one mirrors it
    QPointF arm1, arm2, armTip;  // left arm as a cubic from the body's side
    QPointF foot;                // left foot tip
    bool blink = false;          // eye shut, mouth open
    bool limbs = true;           // the icon is only a face
    bool detail = true;          // freckles, cheeks, mouth: noise at 16 px
    qreal ink = 7;               // outline width
};

QPainterPath bodyPath(const Pose& o) {
    const qreal cx = 128, h = o.bottom - o.top, w = o.half;
    QPainterPath p(QPointF(cx, o.top));
    p.cubicTo(cx + w * 0.72, o.top, cx + w, o.top + h * 0.3, cx + w, o.bottom - h * 0.32);
    p.cubicTo(cx + w, o.bottom - 3, cx + w * 0.55, o.bottom, cx, o.bottom);
    p.cubicTo(cx - w * 0.55, o.bottom, cx - w, o.bottom - 3, cx - w, o.bottom - h * 0.32);
    p.cubicTo(cx - w, o.top + h * 0.3, cx - w * 0.72, o.top, cx, o.top);
    return p;
}

// Antennae, arms and feet are thick round-capped strokes; the right side mirrors the left.
QPainterPath bothSides(const QPainterPath& left) {
    return left + QTransform(-1, 0, 0, 1, 256, 0).map(left);
}

QPainterPath stalkPath(const Pose& o) {
    QPainterPath left(QPointF(128 - o.half * 0.3, o.top + 12));
    left.quadTo(o.bend, o.tip);
    return bothSides(left);
}

QPainterPath limbPath(const Pose& o) {
    QPainterPath left;
    if (!o.limbs) return left;
    left.moveTo(128 - o.half * 0.8, o.bottom - (o.bottom - o.top) * 0.3);
    left.cubicTo(o.arm1, o.arm2, o.armTip);
    left.moveTo(128 - o.half * 0.38, o.bottom - 8);
    left.lineTo(o.foot);
    return bothSides(left);
}

void drawGlowTip(QPainter& p, QPointF c, qreal ink) {
    QRadialGradient glow(c, 30);
    glow.setColorAt(0, QColor(255, 240, 130, 200));
    glow.setColorAt(1, QColor(255, 240, 130, 0));
    p.fillRect(QRectF(c.x() - 30, c.y() - 30, 60, 60), glow);
    QRadialGradient ball(c + QPointF(-3, -4), 13);
    ball.setColorAt(0, QColor(255, 255, 235));
    ball.setColorAt(1, QColor(255, 200, 50));
    // Thick outlines on tiny icons would swallow the light, so the bulb grows with them.
    const qreal r = 11 + (ink - 7) * 1.1;
    p.setPen(QPen(kInk, 5 + (ink - 7) * 0.25));
    p.setBrush(ball);
    p.drawEllipse(c, r, r);
}

void drawEye(QPainter& p, const Pose& o, QPointF e) {
    if (o.blink) {  // a happy ^ arc
        QPainterPath arc(e + QPointF(-27, 6));
        arc.quadTo(e + QPointF(0, -24), e + QPointF(27, 6));
        p.strokePath(arc, QPen(kInk, o.ink * 1.3, Qt::SolidLine, Qt::RoundCap));
        return;
    }
    QRadialGradient white(e + QPointF(-8, -12), 46);
    white.setColorAt(0, Qt::white);
    white.setColorAt(1, QColor(200, 215, 255));
    p.setPen(QPen(kInk, o.ink));
    p.setBrush(white);
    p.drawEllipse(e, 35, 37);
    QRadialGradient iris(e + QPointF(0, 6), 26);
    iris.setColorAt(0, QColor(190, 120, 255));
    iris.setColorAt(1, QColor(80, 30, 160));
    p.setPen(Qt::NoPen);
    p.setBrush(iris);
    p.drawEllipse(e + QPointF(0, 3), 25, 27);
    p.setBrush(kInk);
    p.drawEllipse(e + QPointF(0, 4), 12, 13);
    p.setBrush(Qt::white);
    p.drawEllipse(e + QPointF(-10, -9), 8.5, 8.5);
    p.drawEllipse(e + QPointF(9, 13), 4, 4);
}

void drawMouth(QPainter& p, const Pose& o, QPointF m) {
    if (!o.blink) {  // a small cat-like "w"
        QPainterPath w(m + QPointF(-13, 0));
        w.quadTo(m + QPointF(-6.5, 9), m + QPointF(0, 1));
        w.quadTo(m + QPointF(6.5, 9), m + QPointF(13, 0));
        p.strokePath(w, QPen(kInk, o.ink * 0.75, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        return;
    }
    QPainterPath open(m + QPointF(-13, -3));
    open.lineTo(m + QPointF(13, -3));
    open.cubicTo(m + QPointF(13, 17), m + QPointF(-13, 17), m + QPointF(-13, -3));
    p.setPen(QPen(kInk, o.ink * 0.75, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(150, 20, 70));
    p.drawPath(open);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 130, 170));  // tongue
    p.drawEllipse(m + QPointF(0, 8), 8, 4);
}

void drawCreature(QPainter& p, const Pose& o) {
    const QPainterPath body = bodyPath(o), stalks = stalkPath(o), arms = limbPath(o);
    const qreal limbW = 19, stalkW = 7;
    QRadialGradient skin(QPointF(98, o.top + 34), 170);
    skin.setColorAt(0, QColor(215, 255, 205));
    skin.setColorAt(0.45, kSkin);
    skin.setColorAt(1, QColor(60, 165, 110));

    // One ink pass for the whole silhouette, then the fills, so limbs merge into the body.
    auto ink = [&](qreal w) { return QPen(kInk, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); };
    p.strokePath(stalks, ink(stalkW + 2 * o.ink));
    p.strokePath(arms, ink(limbW + 2 * o.ink));
    p.strokePath(body, ink(2 * o.ink));
    p.strokePath(stalks, QPen(QBrush(skin), stalkW, Qt::SolidLine, Qt::RoundCap));
    p.strokePath(arms, QPen(QBrush(skin), limbW, Qt::SolidLine, Qt::RoundCap));
    p.fillPath(body, skin);
    drawGlowTip(p, o.tip, o.ink);
    drawGlowTip(p, {256 - o.tip.x(), o.tip.y()}, o.ink);

    const QPointF eye(128, o.top + (o.bottom - o.top) * 0.44);
    p.setPen(Qt::NoPen);
    if (o.detail) {
        p.setBrush(QColor(95, 200, 120));  // freckles
        for (QPointF f : {QPointF(-62, 48), QPointF(-48, 62), QPointF(52, 34), QPointF(62, 52)})
            p.drawEllipse(QPointF(128 + f.x() * o.half / 84, o.top + f.y()), 5.5, 5);
        p.setBrush(QColor(255, 120, 170, 170));  // cheeks
        p.drawEllipse(eye + QPointF(-52, 30), 14, 8);
        p.drawEllipse(eye + QPointF(52, 30), 14, 8);
        drawMouth(p, o, eye + QPointF(0, 52));
    }
    p.save();  // glossy highlight
    p.translate(128 - o.half * 0.52, o.top + 24);
    p.rotate(-35);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 170));
    p.drawEllipse(QPointF(0, 0), 15, 7);
    p.restore();
    drawEye(p, o, eye);
}

void drawBubble(QPainter& p, QPointF c, qreal r) {
    p.setPen(QPen(QColor(190, 225, 255, 210), 2.5));
    p.setBrush(QColor(255, 255, 255, 40));
    p.drawEllipse(c, r, r);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 220));
    p.drawEllipse(c + QPointF(-r * 0.35, -r * 0.35), r * 0.28, r * 0.28);
}

QImage frame(const Pose& o, qreal rise) {
    QImage img(256, 256, QImage::Format_RGB32);
    img.fill(kWater);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // A soft light behind the creature that fades to the tank's own blue at the border.
    QRadialGradient glow(128, 112, 128);
    glow.setColorAt(0, QColor(70, 140, 255, 190));
    glow.setColorAt(0.55, QColor(30, 80, 240, 90));
    glow.setColorAt(1, QColor(0, 0, 192, 0));
    p.fillRect(img.rect(), glow);

    // Sand on its own layer so its ends can fade into the water.
    QImage sand(256, 256, QImage::Format_ARGB32_Premultiplied);
    sand.fill(Qt::transparent);
    {
        QPainter s(&sand);
        s.setRenderHint(QPainter::Antialiasing);
        QLinearGradient g(0, 222, 0, 256);
        g.setColorAt(0, QColor(236, 208, 140));
        g.setColorAt(1, QColor(190, 150, 110));
        s.setPen(Qt::NoPen);
        s.setBrush(g);
        s.drawEllipse(QPointF(128, 276), 150, 54);
        s.setPen(QPen(kInk, 2.5));
        const uint pebbles[][5] = {{58, 244, 9, 6, 0xff8c78},
                                   {74, 250, 5, 4, 0xaa96dc},
                                   {196, 242, 8, 6, 0x8cc8e6},
                                   {212, 250, 5, 4, 0xffbe6e}};  // x, y, rx, ry, colour
        for (const auto& b : pebbles) {
            s.setBrush(QColor(QRgb(b[4])));
            s.drawEllipse(QPointF(b[0], b[1]), b[2], b[3]);
        }
        QLinearGradient fade(0, 0, 256, 0);
        fade.setColorAt(0, Qt::transparent);
        fade.setColorAt(0.22, Qt::black);
        fade.setColorAt(0.78, Qt::black);
        fade.setColorAt(1, Qt::transparent);
        QLinearGradient floor(0, 236, 0, 256);
        floor.setColorAt(0, Qt::black);
        floor.setColorAt(1, Qt::transparent);
        s.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        s.fillRect(sand.rect(), fade);
        s.fillRect(sand.rect(), floor);
    }
    p.drawImage(0, 0, sand);
    p.setPen(Qt::NoPen);  // shadow shrinks while the creature hops
    p.setBrush(QColor(60, 30, 40, 70));
    const qreal shadow = 70 - (218 - o.bottom) * 1.5;
    p.drawEllipse(QPointF(128, 236), shadow, shadow * 0.13);

    const qreal bubbles[][3] = {{30, 76, 9},  {46, 48, 5.5},  {34, 24, 3.5}, {224, 120, 8},
                                {212, 84, 5}, {228, 56, 3.5}, {200, 30, 4}};
    for (const auto& b : bubbles) drawBubble(p, QPointF(b[0], b[1] - rise), b[2]);
    drawCreature(p, o);
    return img;
}

// The icon is the creature's head alone on a clear background, drawn afresh at each size.
QImage icon(int size) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal zoom = 1.16;
    p.scale(size / 256.0 * zoom, size / 256.0 * zoom);
    p.translate(128 / zoom - 128, 128 / zoom - 124);
    Pose o{90, 218, 84, {100, 64}, {84, 52}, {}, {}, {}, {}};
    o.limbs = false;
    o.detail = size >= 32;
    o.ink = std::max(7.0, 256.0 / size * 1.1 / zoom);  // never much under one pixel
    drawCreature(p, o);
    return img;
}

bool save(const QImage& img, const QString& path) {
    if (img.save(path)) return true;
    std::fprintf(stderr, "mkart: cannot write %s\n", qPrintable(path));
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("data");
    if (!QDir().mkpath(out + "/icons")) return 1;

    // Frame 0 rests on the sand looking out; frame 1 blinks, hops and waves.
    Pose rest{90, 218, 84, {96, 44}, {70, 32}, {34, 174}, {24, 204}, {40, 224}, {96, 230}};
    Pose hop{74, 204, 80, {76, 38}, {56, 46}, {30, 150}, {36, 114}, {25, 97}, {84, 224}};
    hop.blink = true;
    bool ok = save(frame(rest, 0).convertToFormat(QImage::Format_RGB888), out + "/0.bmp");
    ok = save(frame(hop, 14).convertToFormat(QImage::Format_RGB888), out + "/1.bmp") && ok;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        ok = save(icon(size), out + QStringLiteral("/icons/myoruka-%1.png").arg(size)) && ok;
    return ok ? 0 : 1;
}
