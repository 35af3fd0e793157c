// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QObject>
#include <QTest>

#include <ostream>
#include <stdexcept>
#include <string>

// Readable texts in failure messages.
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

// The named widget of the window, or a failed test when the form lacks it.
template <class W> W *child(QObject &parent, const char *name)
{
    W *w = parent.findChild<W *>(name);
    if (!w)
        throw std::runtime_error(std::string("no widget named ") + name);
    return w;
}

// What the user does to commit a field: replace its text and press Return,
// which emits editingFinished (and no textEdited).
inline void confirm(QLineEdit *field, const QString &text)
{
    field->setText(text);
    QTest::keyClick(field, Qt::Key_Return);
}

// The number of frames of the next run. A count below the ten the list starts
// at is added to it, so that a run renders no more frames than a test checks.
inline void choose_frames(QObject &window, const QString &count)
{
    auto *frames = child<QComboBox>(window, "comboBox_Frames");
    if (frames->findText(count) < 0)
        frames->addItem(count);
    frames->setCurrentText(count);
}

// The texts of the warnings the window shows; they are closed.
inline QStringList shown_warnings(QObject &window)
{
    QStringList texts;
    for (QMessageBox *box : window.findChildren<QMessageBox *>()) {
        if (box->isVisible())
            texts << box->text();
        box->close();
    }
    QCoreApplication::processEvents();
    return texts;
}
