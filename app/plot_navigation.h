// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointF>

#include <functional>

// Wheel and drag on a plot: the wheel zooms about the plot's centre, a drag
// moves the picture with the pointer, a double click fits it again. The owner
// draws with zoom() and pan() whenever `redraw` is called.
class PlotNavigation : public QObject
{
  public:
    PlotNavigation(QObject *plot, std::function<void()> redraw);

    double zoom() const { return zoom_; }
    QPointF pan() const { return pan_; } // in pixels

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    std::function<void()> redraw_;
    double zoom_ = 1;
    QPointF pan_;
    QPointF grabbed_; // where the drag last stood
    bool dragging_ = false;
};
