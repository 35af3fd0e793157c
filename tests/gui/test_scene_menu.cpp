// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/pipeline.h"
#include "app/state.h"
#include "scene/scene_file.h"
#include "tests/gui/support/answers.h"
#include "tests/gui/support/widgets.h"
#include "tests/support/ffprobe.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <vector>

namespace
{

// The texts of the warnings the window shows after the action; they are closed.
QStringList trigger(MainWindow &w, const char *action, QString const &name)
{
    answer_dialogs(w).scene = name;
    child<QAction>(w, action)->trigger();
    return shown_warnings(w);
}

std::vector<unsigned> pixels_of_frame_0()
{
    std::vector<unsigned> out;
    for (int y = 0; y < image[0].height(); ++y)
        for (int x = 0; x < image[0].width(); ++x)
            out.push_back(image[0].read(x, y));
    return out;
}

// The frame the headless renderer writes for these arguments.
std::vector<unsigned> rendered(QStringList const &args, QString const &dir)
{
    const QString png = dir + "/cli.png";
    const auto [log, ok] = run_program(TENEBRION_RENDER, args + QStringList{"--quiet", "-o", png});
    EXPECT_TRUE(ok) << log.toStdString();
    const QImage img(png);
    std::vector<unsigned> out;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            out.push_back(img.pixel(x, y));
    return out;
}

} // namespace

// Window → file → window: the same fields and the same frame. A panorama
// chosen with the button is kept beside the scene file by a relative name;
// the video's rate and format are kept too.
TEST(SceneMenu, SavedSceneOpensToTheSameFieldsAndFrame)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("view.json");
    ASSERT_TRUE(QDir(dir.path()).mkdir("skies"));
    QImage sky(8, 4, QImage::Format_RGB32);
    sky.fill(0xff3366cc);
    ASSERT_TRUE(sky.save(dir.filePath("skies/sky.png")));
    std::vector<unsigned> first;
    QByteArray saved;
    {
        MainWindow w;
        answer_dialogs(w).panorama = dir.filePath("skies/sky.png");
        child<QPushButton>(w, "OpenImageButton")->click();
        child<QComboBox>(w, "comboBox_FrameRate")->setCurrentText("12.5");
        auto *formats = child<QComboBox>(w, "comboBox_FVid");
        formats->setCurrentIndex(formats->findData("mp4"));
        confirm(child<QLineEdit>(w, "lineEdit_r"), "30");
        confirm(child<QLineEdit>(w, "lineEdit_inK"), "6.5");
        child<QCheckBox>(w, "checkBox_kepler")->setChecked(true);
        child<QCheckBox>(w, "checkBox_redshift")->setChecked(true);
        child<QComboBox>(w, "comboBox_transp")->setCurrentIndex(1);
        child<QComboBox>(w, "comboBox_smooth")->setCurrentIndex(1);
        child<QDoubleSpinBox>(w, "spinBox_v")->setValue(0.3);
        child<QSlider>(w, "verticalSlider")->setValue(3);
        EXPECT_TRUE(trigger(w, "action_save_scene", path).isEmpty());
        EXPECT_EQ(w.statusBar()->currentMessage(), "Saved scene view.json");
        saved = write_scene(w.scene_settings());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        for (const char *kept : {"\"panorama\": \"skies/sky.png\"", "\"fps\": 12.5",
                                 "\"video format\": \"mp4\"", "\"smooth edges\": 4"})
            EXPECT_TRUE(text.contains(kept)) << kept;
        w.recomp(32, 24);
        first = pixels_of_frame_0();
    }
    MainWindow w;
    const long runs = pipeline_runs();
    const QStringList warnings = trigger(w, "action_open_scene", path);
    EXPECT_EQ(pipeline_runs(), runs + 1);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join("; ").toStdString();
    EXPECT_EQ(write_scene(w.scene_settings()), saved);
    w.recomp(32, 24);
    EXPECT_EQ(pixels_of_frame_0(), first);
    b_gnd = QImage();
}

// A file the scene reader refuses, or one whose values the window's boxes
// cannot show, says what is wrong, naming the key, and changes nothing.
TEST(SceneMenu, BadFilesWarnAndChangeNothing)
{
    QTemporaryDir dir;
    const struct {
        QByteArray text;
        const char *named;
        QString path = {}; // instead of a file holding the text
    } cases[] = {
        {"not json", "not a scene file"},
        {"{\"version\": 1}" + QByteArray(1024 * 1024, ' '), "longer than 1024 KiB"},
        {{}, "/dev/zero: not a regular file", "/dev/zero"},
        {"{\"version\": 1, \"size\": \"640x480\"}", "\"size\""},
        {"{\"version\": 1, \"accuracy\": 0.03}", "\"accuracy\""},
        {"{\"version\": 1, \"fps\": 7}", "\"fps\""},
        {"{\"version\": 1, \"panorama\": \"missing.png\"}", "\"panorama\""},
    };
    MainWindow w;
    const QByteArray before = write_scene(w.scene_settings());
    for (const auto &c : cases) {
        const QString path = c.path.isEmpty() ? dir.filePath("bad.json") : c.path;
        QFile file(dir.filePath("bad.json"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.text);
        file.close();
        const long runs = pipeline_runs();
        const QStringList warnings = trigger(w, "action_open_scene", path);
        ASSERT_EQ(warnings.size(), 1) << c.text.toStdString();
        EXPECT_TRUE(warnings[0].contains(QString::fromUtf8(c.named))) << warnings[0].toStdString();
        EXPECT_EQ(pipeline_runs(), runs);
        EXPECT_EQ(write_scene(w.scene_settings()), before);
    }
    EXPECT_EQ(trigger(w, "action_save_scene", dir.filePath("no/such/dir/view.json")).size(), 1)
        << "an unwritable file is reported";
}

// The 16:9 sizes follow the 4:3 ones and go through scene files both ways,
// which the headless renderer reads as they are.
TEST(SceneMenu, WideSizesAreSavedAndOpened)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("wide.json");
    MainWindow w, other;
    auto *sizes = child<QComboBox>(w, "cBox_res");
    auto *opened = child<QComboBox>(other, "cBox_res");
    for (const char *size : {"1280x720", "1920x1080", "3840x2160"}) {
        sizes->setCurrentText(size);
        ASSERT_EQ(sizes->currentText(), size);
        ASSERT_TRUE(w.save_scene(path));
        SceneSettings read;
        QStringList warnings;
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        ASSERT_EQ(read_scene(file.readAll(), read, warnings), "");
        EXPECT_EQ(QString("%1x%2").arg(read.width).arg(read.height), size);
        opened->setCurrentIndex(0);
        EXPECT_TRUE(trigger(other, "action_open_scene", path).isEmpty());
        EXPECT_EQ(opened->currentText(), size);
    }
    EXPECT_EQ(sizes->itemText(sizes->count() - 4), "4096x3072");
}

TEST(SceneMenu, FileMenuHasTheUsualShortcutsAndQuitCloses)
{
    MainWindow w;
    w.show();
    EXPECT_EQ(child<QAction>(w, "action_open_scene")->shortcut(), QKeySequence(QKeySequence::Open));
    EXPECT_EQ(child<QAction>(w, "action_save_scene")->shortcut(), QKeySequence(QKeySequence::Save));
    EXPECT_EQ(child<QAction>(w, "action_quit")->shortcut(), QKeySequence(QKeySequence::Quit));
    EXPECT_TRUE(trigger(w, "action_open_scene", QString()).isEmpty())
        << "a cancelled dialog does nothing";
    trigger(w, "action_quit", QString());
    EXPECT_FALSE(w.isVisible());
}

// The headless renderer draws the window's frames pixel for pixel: the start-up
// view, and a saved scene with the disk, the effects, smoothed edges and a
// typed inner radius.
TEST(SceneMenu, HeadlessRendererDrawsTheWindowsFrame)
{
    QTemporaryDir dir;
    MainWindow w;
    w.recomp(32, 24);
    EXPECT_EQ(rendered({"--size", "32x24"}, dir.path()), pixels_of_frame_0());

    confirm(child<QLineEdit>(w, "lineEdit_inK"), "5.5");
    for (const char *box :
         {"checkBox_kepler", "checkBox_redshift", "checkBox_beam", "checkBox_aber"})
        child<QCheckBox>(w, box)->setChecked(true);
    child<QComboBox>(w, "comboBox_transp")->setCurrentIndex(0);
    child<QComboBox>(w, "comboBox_smooth")->setCurrentIndex(2);
    ASSERT_TRUE(w.save_scene(dir.filePath("view.json")));
    w.recomp(32, 24);
    EXPECT_EQ(rendered({"--scene", dir.filePath("view.json"), "--size", "32x24"}, dir.path()),
              pixels_of_frame_0());
}
