// SPDX-License-Identifier: GPL-3.0-or-later
// Takes the README's pictures of the window's Help, status bar and plots from
// the real window on the offscreen platform. Usage: window_screenshots DIR
#include "app/file_dialogs.h"
#include "app/mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace
{

// Saves go to a folder that is removed afterwards.
struct Into : FileDialogs {
    QString folder;
    QString open_panorama(QWidget *) override { return {}; }
    QString save_image(QWidget *) override { return folder + "/view.png"; }
    QString save_video(QWidget *) override { return folder + "/orbit.avi"; }
    QString save_image_sequence(QWidget *) override { return {}; }
    QString save_mp4(QWidget *) override { return folder + "/orbit.mp4"; }
    QString open_scene(QWidget *) override { return {}; }
    QString save_scene(QWidget *) override { return folder + "/orbit.json"; }
};

template <class W> W *named(QObject &parent, const char *name)
{
    return parent.findChild<W *>(QString::fromLatin1(name));
}

void confirm(QLineEdit *field, QString const &text)
{
    field->setText(text);
    QTest::keyClick(field, Qt::Key_Return);
}

// The widget, or its bottom `rows` rows.
bool save(QWidget &w, QString const &path, int rows = 0)
{
    QCoreApplication::processEvents();
    const QRect part = rows > 0 ? QRect(0, w.height() - rows, w.width(), rows) : w.rect();
    const bool ok = w.grab(part).save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("Usage: window_screenshots DIR\n", stderr);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QTemporaryDir scratch;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, scratch.path());
    MainWindow w;
    auto dialogs = std::make_unique<Into>();
    dialogs->folder = scratch.path();
    w.set_file_dialogs(std::move(dialogs));
    w.resize(860, 600);
    w.show();
    bool ok = true;

    named<QAction>(w, "action_formula_syntax")->trigger();
    QDialog *syntax = named<QDialog>(w, "formula_syntax");
    syntax->resize(560, 440);
    ok &= save(*syntax, out + "/help-formula-syntax.png");
    syntax->close();

    named<QRadioButton>(w, "radButn2")->click();
    confirm(named<QLineEdit>(w, "lineEdit_r"), QStringLiteral("12"));
    confirm(named<QLineEdit>(w, "lineEdit_th"), QStringLiteral("90"));
    confirm(named<QLineEdit>(w, "lineEdit_v"), QStringLiteral("0.29"));
    auto *tabs = named<QTabWidget>(w, "tabWidget");
    tabs->setCurrentIndex(1);
    ok &= save(w, out + "/plots.png");

    named<QComboBox>(w, "cBox_res")->setCurrentIndex(1);
    tabs->setCurrentIndex(2);
    named<QPushButton>(w, "PlayButton")->click();
    named<QAction>(w, "action_save_scene")->trigger();
    ok &= save(w, out + "/status-bar.png", 80);
    return ok ? 0 : 1;
}
