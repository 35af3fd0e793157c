// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/emblem.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRadialGradient>

namespace
{

// Half of the disk ellipse: the far half is drawn before the shadow, the near
// half after it, so the hole sits inside the disk.
void draw_disk_half(QPainter &p, QPointF centre, double radius, bool near_half)
{
    const QRectF outer(centre.x() - 1.9 * radius, centre.y() - 0.42 * radius, 3.8 * radius,
                       0.84 * radius);
    const QRectF inner(centre.x() - 1.25 * radius, centre.y() - 0.24 * radius, 2.5 * radius,
                       0.48 * radius);
    QPainterPath ring;
    ring.addEllipse(outer);
    ring.addEllipse(inner);
    // The halves overlap by a pixel so that no seam shows where they meet.
    const double top = near_half ? centre.y() - 1 : outer.top();
    const QRectF half(outer.left(), top, outer.width(), outer.height() / 2 + 1);
    QLinearGradient heat(outer.topLeft(), outer.topRight());
    heat.setColorAt(0.0, QColor(200, 70, 20));
    heat.setColorAt(0.35, QColor(255, 190, 90));
    heat.setColorAt(0.5, QColor(255, 248, 225));
    heat.setColorAt(0.65, QColor(255, 190, 90));
    heat.setColorAt(1.0, QColor(200, 70, 20));
    p.setPen(Qt::NoPen);
    p.setBrush(heat);
    p.setClipRect(half);
    p.drawPath(ring);
    p.setClipping(false);
}

// The light bent around the hole: a glowing ring just outside the shadow.
void draw_photon_ring(QPainter &p, QPointF centre, double radius)
{
    QRadialGradient glow(centre, 1.45 * radius);
    glow.setColorAt(0.0, QColor(255, 200, 110, 0));
    glow.setColorAt(0.62, QColor(255, 200, 110, 0));
    glow.setColorAt(0.70, QColor(255, 236, 190, 255));
    glow.setColorAt(0.78, QColor(255, 150, 50, 170));
    glow.setColorAt(1.0, QColor(200, 60, 10, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(centre, 1.45 * radius, 1.45 * radius);
}

// The far side of the disk, bent over the top of the shadow by the hole's
// gravity, seen as a thin arc.
void draw_lensed_arc(QPainter &p, QPointF centre, double radius)
{
    QPen pen(QColor(255, 214, 140), 0.09 * radius, Qt::SolidLine, Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const double r = 1.09 * radius;
    p.drawArc(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), 10 * 16, 160 * 16);
}

void draw_emblem(QPainter &p, QPointF centre, double radius)
{
    p.setRenderHint(QPainter::Antialiasing);
    draw_disk_half(p, centre, radius, false);
    draw_photon_ring(p, centre, radius);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawEllipse(centre, radius, radius);
    draw_lensed_arc(p, centre, radius);
    draw_disk_half(p, centre, radius, true);
}

} // namespace

QImage logo(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    const double radius = height * 0.22;
    draw_emblem(p, QPointF(width / 2.0, height * 0.38), radius);

    QFont font("DejaVu Sans");
    font.setPixelSize(static_cast<int>(height * 0.14));
    font.setBold(true);
    font.setLetterSpacing(QFont::PercentageSpacing, 106);
    p.setFont(font);
    p.setPen(QColor(40, 40, 48));
    p.drawText(QRectF(0, height * 0.74, width, height * 0.24), Qt::AlignCenter, "Tenebrion");
    return image;
}

QImage icon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    draw_emblem(p, QPointF(size / 2.0, size / 2.0), size * 0.24);
    return image;
}
