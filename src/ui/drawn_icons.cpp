#include "ui/drawn_icons.h"

#include <QPainter>
#include <QPainterPath>

namespace kyv {
namespace {

const QColor kInk(0x2e, 0x34, 0x40);
const QColor kAccent(0x1f, 0x6f, 0xc5);
const QColor kGreen(0x2e, 0xa0, 0x43);
const QColor kGrey(0xa0, 0xa4, 0xab);

void drawApp(QPainter& p, qreal s)
{
    p.setPen(QPen(kInk, s / 24));
    p.setBrush(QColor(0xf4, 0xf6, 0xf8));
    p.drawRoundedRect(QRectF(s * 0.12, s * 0.38, s * 0.76, s * 0.42), s * 0.06, s * 0.06);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(s * 0.28, s * 0.12, s * 0.44, s * 0.28)); // paper out of the printer
    p.setBrush(kAccent);
    QPainterPath bolt;
    bolt.moveTo(s * 0.56, s * 0.44);
    bolt.lineTo(s * 0.42, s * 0.62);
    bolt.lineTo(s * 0.52, s * 0.62);
    bolt.lineTo(s * 0.44, s * 0.78);
    bolt.lineTo(s * 0.62, s * 0.56);
    bolt.lineTo(s * 0.52, s * 0.56);
    bolt.closeSubpath();
    p.drawPath(bolt);
}

void drawSerial(QPainter& p, qreal s)
{
    p.setPen(QPen(kInk, s / 16));
    p.setBrush(QColor(0xe8, 0xec, 0xf1));
    QPainterPath d;
    d.moveTo(s * 0.1, s * 0.3);
    d.lineTo(s * 0.9, s * 0.3);
    d.lineTo(s * 0.78, s * 0.72);
    d.lineTo(s * 0.22, s * 0.72);
    d.closeSubpath();
    p.drawPath(d);
    p.setBrush(kInk);
    for (int i = 0; i < 5; ++i)
        p.drawEllipse(QPointF(s * (0.24 + 0.13 * i), s * 0.44), s * 0.035, s * 0.035);
    for (int i = 0; i < 4; ++i)
        p.drawEllipse(QPointF(s * (0.3 + 0.13 * i), s * 0.58), s * 0.035, s * 0.035);
}

void drawUsb(QPainter& p, qreal s)
{
    p.setPen(QPen(kInk, s / 12, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.5, s * 0.12), QPointF(s * 0.5, s * 0.82));
    p.drawLine(QPointF(s * 0.5, s * 0.6), QPointF(s * 0.26, s * 0.42));
    p.drawLine(QPointF(s * 0.5, s * 0.5), QPointF(s * 0.74, s * 0.34));
    p.setBrush(kInk);
    p.drawEllipse(QPointF(s * 0.5, s * 0.84), s * 0.08, s * 0.08);
    p.drawEllipse(QPointF(s * 0.26, s * 0.38), s * 0.06, s * 0.06);
    p.drawRect(QRectF(s * 0.7, s * 0.24, s * 0.09, s * 0.09));
}

void drawEthernet(QPainter& p, qreal s)
{
    p.setPen(QPen(kInk, s / 16));
    p.setBrush(QColor(0xe8, 0xec, 0xf1));
    QPainterPath jack;
    jack.moveTo(s * 0.15, s * 0.2);
    jack.lineTo(s * 0.85, s * 0.2);
    jack.lineTo(s * 0.85, s * 0.7);
    jack.lineTo(s * 0.65, s * 0.7);
    jack.lineTo(s * 0.65, s * 0.84);
    jack.lineTo(s * 0.35, s * 0.84);
    jack.lineTo(s * 0.35, s * 0.7);
    jack.lineTo(s * 0.15, s * 0.7);
    jack.closeSubpath();
    p.drawPath(jack);
    p.setPen(QPen(kAccent, s / 20));
    for (int i = 0; i < 4; ++i)
        p.drawLine(QPointF(s * (0.3 + 0.13 * i), s * 0.28), QPointF(s * (0.3 + 0.13 * i), s * 0.42));
}

void drawWifi(QPainter& p, qreal s)
{
    p.setPen(QPen(kInk, s / 12, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    for (int i = 1; i <= 3; ++i) {
        qreal r = s * 0.14 * i + s * 0.04;
        p.drawArc(QRectF(s * 0.5 - r, s * 0.78 - r, 2 * r, 2 * r), 45 * 16, 90 * 16);
    }
    p.setBrush(kInk);
    p.drawEllipse(QPointF(s * 0.5, s * 0.78), s * 0.06, s * 0.06);
}

void drawDisc(QPainter& p, qreal s, const QColor& colour, bool glow)
{
    QRadialGradient gradient(QPointF(s * 0.4, s * 0.38), s * 0.5);
    gradient.setColorAt(0, glow ? colour.lighter(170) : colour.lighter(120));
    gradient.setColorAt(1, colour);
    p.setPen(QPen(colour.darker(140), s / 20));
    p.setBrush(gradient);
    p.drawEllipse(QRectF(s * 0.14, s * 0.14, s * 0.72, s * 0.72));
}

} // namespace

QPixmap drawnPixmap(DrawnIcon icon, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    switch (icon) {
    case DrawnIcon::App: drawApp(p, s); break;
    case DrawnIcon::Serial: drawSerial(p, s); break;
    case DrawnIcon::Usb: drawUsb(p, s); break;
    case DrawnIcon::Ethernet: drawEthernet(p, s); break;
    case DrawnIcon::Wifi: drawWifi(p, s); break;
    case DrawnIcon::Detected: drawDisc(p, s, kGreen, true); break;
    case DrawnIcon::NotDetected: drawDisc(p, s, kGrey, false); break;
    case DrawnIcon::LampOn: drawDisc(p, s, QColor(0xf5, 0xb0, 0x0b), true); break;
    case DrawnIcon::LampOff: drawDisc(p, s, QColor(0xd4, 0xd7, 0xdc), false); break;
    }
    return pixmap;
}

QIcon drawnIcon(DrawnIcon icon)
{
    QIcon result;
    for (int size : {16, 24, 32, 48, 64})
        result.addPixmap(drawnPixmap(icon, size));
    return result;
}

} // namespace kyv
