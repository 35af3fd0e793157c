// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProxyStyle>

// The application's style, except that a left click on a slider's track moves
// the handle to the click.
class ClickJumpStyle : public QProxyStyle
{
  public:
    // Owned by `owner`, the widget that uses it.
    explicit ClickJumpStyle(QObject *owner) { setParent(owner); }

    int styleHint(StyleHint hint, const QStyleOption *option = nullptr,
                  const QWidget *widget = nullptr,
                  QStyleHintReturn *returned = nullptr) const override
    {
        if (hint == QStyle::SH_Slider_AbsoluteSetButtons)
            return Qt::LeftButton;
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }
};
