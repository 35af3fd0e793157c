// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/gui/support/window_test.h"

// The form header brings the widget classes of the window.
#include "../../app/ui_mainwindow.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <numbers>

using Window = WindowTest;

TEST_F(Window, StartsOnFirstTabWithKerrPresetAndAnimationOff)
{
    EXPECT_EQ(child<QTabWidget>(w, "tabWidget")->currentIndex(), 0);
    for (int i = 1; i <= 5; ++i)
        EXPECT_EQ(child<QRadioButton>(w, qPrintable(QString("radButn%1").arg(i)))->isChecked(),
                  i == 4);
    EXPECT_TRUE(child<QPushButton>(w, "PlayButton")->isEnabled());
    EXPECT_FALSE(child<QPushButton>(w, "StopButton")->isEnabled());
    for (const char *box : {"checkBox_anim", "checkBox_kepler", "checkBox_beam",
                            "checkBox_redshift", "checkBox_aber", "checkBox_sour"})
        EXPECT_FALSE(child<QCheckBox>(w, box)->isChecked()) << box;
    auto *panel = child<QWidget>(w, "widget_anim");
    EXPECT_FALSE(panel->isEnabled());
    child<QCheckBox>(w, "checkBox_anim")->setChecked(true);
    EXPECT_TRUE(panel->isEnabled());
}

TEST_F(Window, NothingIsClippedOnAnyTab)
{
    w.show();
    auto *tabs = child<QTabWidget>(w, "tabWidget");
    for (int tab = 0; tab < tabs->count(); ++tab) {
        tabs->setCurrentIndex(tab);
        QCoreApplication::processEvents();
        for (auto *widget : tabs->widget(tab)->findChildren<QWidget *>()) {
            auto *label = qobject_cast<QLabel *>(widget);
            if (label && (label->wordWrap() || label->text().isEmpty()))
                continue;
            const bool has_text = label || qobject_cast<QAbstractButton *>(widget) ||
                                  qobject_cast<QComboBox *>(widget);
            const int needed = std::min(widget->sizeHint().width(), widget->maximumWidth());
            EXPECT_TRUE(!has_text || widget->width() >= needed)
                << widget->objectName().toStdString();
        }
    }
}

// Every by-name slot must find its widget's signal, or it silently never fires.
TEST(Slots, EachByNameSlotFindsItsSignal)
{
    static QStringList warnings;
    const auto previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &m) { warnings << m; });
    delete new MainWindow;
    qInstallMessageHandler(previous);
    EXPECT_TRUE(warnings.filter("connectSlotsByName").isEmpty())
        << warnings.join('\n').toStdString();
}

// Typed letters become coordinates and parameters; the settings boxes and the
// start fields reach the scene, the fields in single precision.
TEST_F(Window, EditsReachTheScene)
{
    // Typed key by key: only the key just typed is replaced, function names
    // survive, T is the time coordinate, and a t already there stays.
    const std::pair<QString, QString> typed[] = {
        {"cos(t)+flmq", "cos(θ)+φΛMQ"},
        {"sqrt(1-2*m/r)*tanh(T)+log(exp(l))", "sqrt(1-2*M/r)*tanh(t)+log(exp(Λ))"},
        {"FLa r", "FLa r"}};
    auto *tt = child<QLineEdit>(w, "tt");
    for (const auto &[keys, shown] : typed) {
        tt->clear();
        QTest::keyClicks(tt, keys);
        EXPECT_EQ(tt->text(), shown) << keys.toStdString();
    }
    tt->setText("t*t");
    tt->setCursorPosition(1);
    QTest::keyClicks(tt, "+r");
    EXPECT_EQ(tt->text(), "t+r*t");

    auto *box = child<QComboBox>(w, "comboBox_transp");
    const int weights[] = {1, 2, 5, 9, 65535};
    for (int i = 4; i >= 0; --i) {
        box->setCurrentIndex(i);
        EXPECT_EQ(transp, weights[i]) << i;
    }
    box->setCurrentIndex(-1);
    EXPECT_EQ(transp, 1) << "no item selected keeps the last weight";
    child<QComboBox>(w, "cBox_precise")->setCurrentIndex(0);
    EXPECT_EQ(precise, 0.10000000149011612);
    auto *whole = child<QCheckBox>(w, "checkBox_accurate");
    EXPECT_FALSE(whole->isChecked() || accurate);
    whole->setChecked(true);
    EXPECT_TRUE(accurate);

    confirm(field("lineEdit_r"), "50.1");
    EXPECT_EQ(poc_sour_poz[1], 50.099998474121094);
    confirm(field("lineEdit_th"), "90");
    EXPECT_EQ(poc_sour_poz[2], std::numbers::pi / 2);
}

// The embedded icon in every mode, unless the theme has one.
TEST(Icon, EmbeddedIconUnlessTheThemeHasOne)
{
    ASSERT_FALSE(QIcon::hasThemeIcon("applications-science")) << "test needs a bare theme";
    const QIcon icon = MainWindow().windowIcon();
    for (auto mode : {QIcon::Normal, QIcon::Disabled, QIcon::Active, QIcon::Selected})
        EXPECT_FALSE(icon.availableSizes(mode).isEmpty()) << mode;
    EXPECT_TRUE(icon.name().isEmpty());

    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("probe/64x64/apps"));
    QFile index(dir.filePath("probe/index.theme"));
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=probe\nDirectories=64x64/apps\n\n"
                "[64x64/apps]\nSize=64\nType=Fixed\n");
    index.close();
    ASSERT_TRUE(
        QImage(":/uni.png").save(dir.filePath("probe/64x64/apps/applications-science.png")));
    const QStringList paths = QIcon::themeSearchPaths();
    const QString theme = QIcon::themeName();
    QIcon::setThemeSearchPaths({dir.path()});
    QIcon::setThemeName("probe");
    const QString name = MainWindow().windowIcon().name();
    QIcon::setThemeName(theme);
    QIcon::setThemeSearchPaths(paths);
    EXPECT_EQ(name, "applications-science");
}

TEST_F(Window, ResourcesLoad)
{
    EXPECT_EQ(acr.size(), QSize(2048, 2048)) << "the window loads the disk texture";
    EXPECT_FALSE(child<QLabel>(w, "label_logo")->pixmap().isNull());

    // Opaque wherever the renderer looks: ρ in [0, 1) from inner to outer edge, any angle ψ.
    QImage disk(":/kepler.png");
    ASSERT_TRUE(disk.hasAlphaChannel());
    for (double rho = 0; rho < 1; rho += 1.0 / 512)
        for (double psi = 0; psi < 2 * std::numbers::pi; psi += 0.01) {
            const int column = int(0.5 * disk.width() * (rho * std::sin(psi) + 1));
            const int row = int(0.5 * disk.height() * (rho * std::cos(psi) + 1));
            ASSERT_EQ(qAlpha(disk.pixel(column, row)), 255) << rho << " " << psi;
        }
    EXPECT_EQ(qAlpha(disk.pixel(0, 0)), 0) << "corners lie outside the disk";
    EXPECT_GT(qGray(disk.pixel(1024, 1024)), qGray(disk.pixel(1024, 2000)))
        << "the inner edge is the hot one";
}
