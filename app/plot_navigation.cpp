// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/plot_navigation.h"

#include <QMouseEvent>
#include <QWheelEvent>

#include <cmath>
#include <utility>

PlotNavigation::PlotNavigation(QObject *plot, std::function<void()> redraw)
    : QObject(plot), redraw_(std::move(redraw))
{
    plot->installEventFilter(this);
}

bool PlotNavigation::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Wheel: {
        // One notch (120) zooms by a quarter; the picture's centre stays put.
        const double factor =
            std::pow(1.25, static_cast<QWheelEvent *>(event)->angleDelta().y() / 120.0);
        zoom_ *= factor;
        pan_ *= factor;
        redraw_();
        return true;
    }
    case QEvent::MouseButtonPress:
        grabbed_ = static_cast<QMouseEvent *>(event)->position();
        dragging_ = true;
        return true;
    case QEvent::MouseMove:
        if (!dragging_)
            break;
        pan_ += static_cast<QMouseEvent *>(event)->position() - grabbed_;
        grabbed_ = static_cast<QMouseEvent *>(event)->position();
        redraw_();
        return true;
    case QEvent::MouseButtonRelease:
        dragging_ = false;
        return true;
    case QEvent::MouseButtonDblClick:
        zoom_ = 1;
        pan_ = {};
        redraw_();
        return true;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
