// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/change_history.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QTimer>
#include <QUndoCommand>

#include <utility>

// One step: the view before and after, set as a whole either way.
class ViewChange : public QUndoCommand
{
  public:
    ViewChange(ChangeHistory &history, QByteArray before, QByteArray after)
        : history_(history), before_(std::move(before)), after_(std::move(after))
    {
        setText(QCoreApplication::translate("MainWindow", "change"));
    }
    void undo() override { history_.set_view(before_); }
    // Pushing calls redo; the view already is the one after.
    void redo() override
    {
        if (!first_)
            history_.set_view(after_);
        first_ = false;
    }

  private:
    ChangeHistory &history_;
    QByteArray before_, after_;
    bool first_ = true;
};

ChangeHistory::ChangeHistory(Capture capture, Restore restore, QObject *parent)
    : QObject(parent), capture_(std::move(capture)), restore_(std::move(restore))
{
    view_ = capture_();
}

void ChangeHistory::watch(QWidget *root, QList<QWidget *> const &except)
{
    const auto later = [this] { take_change_later(); };
    for (QWidget *w : root->findChildren<QWidget *>()) {
        if (except.contains(w))
            continue;
        if (auto *field = qobject_cast<QLineEdit *>(w); field && !field->isReadOnly())
            connect(field, &QLineEdit::editingFinished, this, later);
        else if (auto *button = qobject_cast<QAbstractButton *>(w); button && button->isCheckable())
            connect(button, &QAbstractButton::toggled, this, later);
        else if (auto *box = qobject_cast<QComboBox *>(w))
            connect(box, &QComboBox::currentIndexChanged, this, later);
        else if (auto *spin = qobject_cast<QDoubleSpinBox *>(w))
            connect(spin, &QDoubleSpinBox::valueChanged, this, later);
        else if (auto *slider = qobject_cast<QAbstractSlider *>(w))
            connect(slider, &QAbstractSlider::valueChanged, this, later);
    }
}

void ChangeHistory::take_change_later()
{
    if (restoring_ || queued_)
        return;
    queued_ = true;
    QTimer::singleShot(0, this, [this] {
        if (queued_)
            take_change();
    });
}

void ChangeHistory::take_change()
{
    queued_ = false;
    QByteArray now = capture_();
    if (now == view_)
        return;
    QByteArray before = std::exchange(view_, now);
    stack_.push(new ViewChange(*this, std::move(before), std::move(now)));
}

void ChangeHistory::mark_saved()
{
    take_change();
    stack_.setClean();
}

void ChangeHistory::set_view(QByteArray const &view)
{
    restoring_ = true;
    restore_(view);
    restoring_ = false;
    queued_ = false;
    view_ = capture_();
}
