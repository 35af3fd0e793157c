#include "render/overlay.h"

#include "physics/frames.h"
#include "scene/scene.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <cmath>
#include <numbers>

overlay_caption caption_of(Scene const &s, f_vec x, f_vec v)
{
    const double γ = t_tet(s, v, x)[0];
    // γ a rounding below 1 is an observer at rest, not a non-number.
    const double radicand = 1 - 1 / γ / γ;
    const double speed = std::sqrt(radicand < 0 ? 0.0 : radicand);
    const double degrees = 180 * x[2] / std::numbers::pi;
    return {
        QStringLiteral("r:") + QString::number(x[1], 'f', 2),
        QStringLiteral("θ:") + QStringLiteral("%1").arg(degrees, 5, 'f', 1, QLatin1Char('0')) +
            QStringLiteral("°"),
        QStringLiteral("t:") +
            QString::number(x[0], 'f', 2).leftJustified(7, QLatin1Char(' '), true),
        QStringLiteral("v:") + QString::number(speed, 'f', 2),
    };
}

template <class T> T with_caption(T picture, MyImage &frame, Scene const &s, bool show)
{
    if (!show || picture.isNull())
        return picture;
    const overlay_caption caption = caption_of(s, frame.x(), frame.v());

    QFont font;
    font.setPointSize(10);
    QPainter painter(&picture);
    painter.setFont(font);
    painter.setPen(QColor(0, 0, 0, 0));
    painter.setBrush(QColor(0, 0, 0, 128));
    painter.drawRect(QRect(QPoint(5, 11), QPoint(92, 30)));
    painter.setPen(Qt::white);
    painter.drawText(QPointF(5, 20), caption.r);
    painter.drawText(QPointF(50, 20), caption.θ);
    painter.drawText(QPointF(5, 30), caption.t);
    painter.drawText(QPointF(60, 30), caption.v);
    painter.end();
    return picture;
}

template <class T> T addTxtImg(T picture, MyImage &frame, Scene const &s)
{
    return with_caption(picture, frame, s, s.sour);
}

template QImage with_caption(QImage, MyImage &, Scene const &, bool);
template QPixmap with_caption(QPixmap, MyImage &, Scene const &, bool);
template QImage addTxtImg(QImage, MyImage &, Scene const &);
template QPixmap addTxtImg(QPixmap, MyImage &, Scene const &);
