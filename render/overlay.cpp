// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/overlay.h"

#include "expr/metric.h"
#include "physics/frames.h"

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace
{

// Two decimals while the number is short; exponent form beyond, where the
// fixed form would run far out of the box, or lose its leading digits if cut.
QString caption_number(double x)
{
    constexpr int longest = 7;
    const QString fixed = QString::number(x, 'f', 2);
    return fixed.size() <= longest ? fixed : QString::number(x, 'e', 2);
}

} // namespace

OverlayCaption caption_of(Metric const &m, f_vec x, f_vec v)
{
    const double γ = t_tet(m, v, x)[0];
    // γ a rounding below 1 is an observer at rest, not a non-number.
    const double radicand = 1 - 1 / γ / γ;
    const double speed = std::sqrt(radicand < 0 ? 0.0 : radicand);
    const double degrees = 180 * x[2] / std::numbers::pi;
    return {
        QStringLiteral("r:") + caption_number(x[1]),
        QStringLiteral("θ:") + QStringLiteral("%1").arg(degrees, 5, 'f', 1, QLatin1Char('0')) +
            QStringLiteral("°"),
        QStringLiteral("t:") + caption_number(x[0]).leftJustified(7, QLatin1Char(' ')),
        QStringLiteral("v:") + QString::number(speed, 'f', 2),
    };
}

QFont caption_font(QSize picture)
{
    // 13 pixels from 300 rows up; smaller frames get smaller text, down to
    // 8 pixels, the least that stays readable.
    QFont font;
    font.setPixelSize(std::clamp(picture.height() * 13 / 300, 8, 13));
    return font;
}

CaptionLayout layout_caption(const OverlayCaption &c, const QFont &font)
{
    const QFontMetrics fm(font);
    // Margins in proportion to the text: 5, 3 and 8 pixels at 13-pixel text.
    const int size = font.pixelSize();
    const int left = std::max(2, size * 5 / 13), top = left, pad = std::max(1, size * 3 / 13),
              gap = std::max(4, size * 8 / 13);
    const QString *const texts[4] = {&c.r, &c.θ, &c.t, &c.v};
    const int first = std::max(fm.horizontalAdvance(c.r), fm.horizontalAdvance(c.t));
    const int second = std::max(fm.horizontalAdvance(c.θ), fm.horizontalAdvance(c.v));
    const int x[2] = {left + pad, left + pad + first + gap};
    const int line = fm.height();
    CaptionLayout l;
    l.box = QRect(left, top, 2 * pad + first + gap + second, 2 * pad + 2 * line);
    for (int i = 0; i < 4; ++i) {
        l.at[i] = QPoint(x[i % 2], top + pad + (i / 2) * line + fm.ascent());
        l.text[i] = fm.boundingRect(*texts[i]).translated(l.at[i]);
    }
    return l;
}

template <class T> T with_caption(T picture, MyImage &frame, Metric const &m, bool show)
{
    if (!show || picture.isNull())
        return picture;
    const OverlayCaption caption = caption_of(m, frame.x(), frame.v());

    const QFont font = caption_font(picture.size());
    const CaptionLayout l = layout_caption(caption, font);
    const QString *const texts[4] = {&caption.r, &caption.θ, &caption.t, &caption.v};
    QPainter painter(&picture);
    painter.setFont(font);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 128));
    painter.drawRect(l.box);
    painter.setPen(Qt::white);
    for (int i = 0; i < 4; ++i)
        painter.drawText(l.at[i], *texts[i]);
    painter.end();
    return picture;
}

template QImage with_caption(QImage, MyImage &, Metric const &, bool);
template QPixmap with_caption(QPixmap, MyImage &, Metric const &, bool);
