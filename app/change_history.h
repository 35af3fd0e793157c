// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QUndoStack>

#include <functional>

class QWidget;

// Undo and redo of what the user confirmed in the window: every change of a
// field, a preset or a setting is one step from the whole view before it to
// the whole view after it, both as scene files. Changes that come together
// (a preset filling sixteen fields, the pipeline updating the horizons) are
// one step: they are taken together once the event loop is back.
class ChangeHistory : public QObject
{
    Q_OBJECT

  public:
    using Capture = std::function<QByteArray()>;
    using Restore = std::function<void(QByteArray const &)>;

    ChangeHistory(Capture capture, Restore restore, QObject *parent);

    // Watches the line edits, buttons, boxes and sliders under `root` for
    // confirmed changes; `except` are browsed, not settings.
    void watch(QWidget *root, QList<QWidget *> const &except);
    // Takes a change now, as one step of its own (an opened scene).
    void take_change();
    // The view as it is now is the one saved: the window is unmodified.
    void mark_saved();

    QUndoStack &stack() { return stack_; }

  private:
    void take_change_later();
    void set_view(QByteArray const &view);

    friend class ViewChange;
    Capture capture_;
    Restore restore_;
    QUndoStack stack_;
    QByteArray view_; // the view after the last step taken
    bool queued_ = false;
    bool restoring_ = false;
};
