// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/file_history.h"
#include "tests/gui/support/answers.h"
#include "tests/gui/support/window_test.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

namespace
{

// Each test starts with no recent scenes and no remembered folders.
class Files : public WindowTest
{
  protected:
    void SetUp() override { QSettings().clear(); }
    void TearDown() override { QSettings().clear(); }

    QString at(QString const &name) const { return dir.filePath(name); }
    void save(QString const &path)
    {
        answers.scene = path;
        child<QAction>(w, "action_save_scene")->trigger();
    }
    void open(QString const &path)
    {
        answers.scene = path;
        child<QAction>(w, "action_open_scene")->trigger();
    }
    QStringList recent_menu()
    {
        auto *menu = child<QMenu>(w, "menu_recent");
        emit menu->aboutToShow();
        QStringList texts;
        for (QAction *a : menu->actions())
            texts << a->text();
        return texts;
    }
    // Everything the view records once the event loop had its turn.
    void settle() { QCoreApplication::processEvents(); }
    void undo() { child<QAction>(w, "action_undo")->trigger(); }
    void redo() { child<QAction>(w, "action_redo")->trigger(); }

    QTemporaryDir dir;
    Answers &answers = answer_dialogs(w);
};

struct DialogSeen {
    QString folder, title;
    QStringList filters;
};

// What the standard dialog showed when it opened; it is cancelled.
template <class Ask> DialogSeen seen_dialog(Ask ask)
{
    DialogSeen seen;
    QTimer::singleShot(0, [&seen] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        seen = {dialog->directory().absolutePath(), dialog->windowTitle(), dialog->nameFilters()};
        dialog->reject();
    });
    EXPECT_TRUE(ask().isEmpty());
    return seen;
}

TEST_F(Files, DialogsStartInTheLastFolderOfTheirKindAndNameTheVideoFormat)
{
    StandardFileDialogs dialogs;
    EXPECT_EQ(seen_dialog([&] { return dialogs.open_scene(&w); }).folder, QDir::homePath());
    ASSERT_TRUE(QDir(dir.path()).mkpath("scenes/old"));
    ASSERT_TRUE(QDir(dir.path()).mkpath("videos"));
    remember_folder("scene", at("scenes/old/a.json"));
    remember_folder("video", at("videos/b.mp4"));
    EXPECT_EQ(seen_dialog([&] { return dialogs.save_scene(&w); }).folder, at("scenes/old"));
    EXPECT_EQ(seen_dialog([&] { return dialogs.save_image(&w); }).folder, QDir::homePath());
    const struct {
        QString (StandardFileDialogs::*ask)(QWidget *);
        const char *title, *filter;
    } videos[] = {{&StandardFileDialogs::save_mp4, "Save MP4 video", "MP4 video (*.mp4)"},
                  {&StandardFileDialogs::save_video, "Save AVI video", "AVI video (*.avi)"},
                  {&StandardFileDialogs::save_image_sequence, "Save numbered JPG images",
                   "JPG images (*.jpg)"}};
    for (auto const &v : videos) {
        const DialogSeen seen = seen_dialog([&] { return (dialogs.*v.ask)(&w); });
        EXPECT_EQ(seen.folder, at("videos"));
        EXPECT_EQ(seen.title, v.title);
        EXPECT_EQ(seen.filters, QStringList{v.filter});
    }
    ASSERT_TRUE(QDir(at("scenes/old")).removeRecursively());
    EXPECT_EQ(seen_dialog([&] { return dialogs.open_scene(&w); }).folder, QDir::homePath())
        << "a folder gone falls back to home";
}

TEST_F(Files, OpenRecentListsTheLastEightThatAreStillThere)
{
    EXPECT_EQ(recent_menu(), QStringList{"No recent scenes"});
    for (int i = 0; i < 10; ++i)
        save(at(QString("s%1.json").arg(i)));
    open(at("s3.json"));
    ASSERT_TRUE(QFile::remove(at("s8.json")));
    EXPECT_EQ(recent_menu(), (QStringList{"&1 s3.json", "&2 s9.json", "&3 s7.json", "&4 s6.json",
                                          "&5 s5.json", "&6 s4.json", "&7 s2.json"}));
    ASSERT_TRUE(QFile::copy(at("s9.json"), at("s8.json")));
    EXPECT_EQ(recent_menu().size(), 7) << "a missing file is dropped for good";

    confirm(field("lineEdit_r"), "33");
    child<QMenu>(w, "menu_recent")->actions()[1]->trigger();
    EXPECT_EQ(field("lineEdit_r")->text(), "50") << "s9.json opened";
    EXPECT_EQ(recent_menu().first(), "&1 s9.json");
}

// The title names the scene; the mark follows changes, their undoing, saving
// and opening; an opened scene is one step to undo.
TEST_F(Files, TitleMarksChangesAndUndoRedoesFieldsPresetsAndScenes)
{
    EXPECT_EQ(w.windowTitle(), "Tenebrion[*]");
    EXPECT_FALSE(w.isWindowModified());
    confirm(field("lineEdit_r"), "30");
    settle();
    EXPECT_TRUE(w.isWindowModified());
    undo();
    EXPECT_EQ(field("lineEdit_r")->text(), "50");
    EXPECT_FALSE(w.isWindowModified());
    redo();
    EXPECT_EQ(field("lineEdit_r")->text(), "30");

    save(at("orbit.json"));
    EXPECT_EQ(w.windowTitle(), "orbit.json[*] — Tenebrion");
    EXPECT_FALSE(w.isWindowModified());
    child<QRadioButton>(w, "radButn2")->click();
    settle();
    EXPECT_TRUE(w.isWindowModified());
    EXPECT_EQ(field("tt")->text(), "-(1-2*M/r)");
    undo();
    EXPECT_TRUE(child<QRadioButton>(w, "radButn4")->isChecked());
    EXPECT_EQ(field("tt")->text(), "-1+(2*M*r)/(r^2+a^2*cos(θ)^2)");
    EXPECT_FALSE(w.isWindowModified());

    confirm(field("lineEdit_M"), "2");
    settle();
    open(at("orbit.json"));
    EXPECT_FALSE(w.isWindowModified());
    EXPECT_EQ(field("lineEdit_M")->text(), "1");
    undo();
    EXPECT_EQ(field("lineEdit_M")->text(), "2") << "the opened scene undone in one step";
    EXPECT_TRUE(w.isWindowModified());
    undo();
    EXPECT_EQ(field("lineEdit_M")->text(), "1");
    EXPECT_EQ(field("lineEdit_r")->text(), "30");
}

TEST_F(Files, ASceneOfEditedFormulasNamesNoPreset)
{
    child<QRadioButton>(w, "radButn2")->click();
    field("rr")->setText("1/(1-2*M/r+r^2/9)");
    QTest::keyClick(field("rr"), Qt::Key_Return);
    save(at("edited.json"));
    QFile saved(at("edited.json"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_FALSE(saved.readAll().contains("\"preset\""));

    MainWindow other;
    answer_dialogs(other).scene = at("edited.json");
    child<QAction>(other, "action_open_scene")->trigger();
    EXPECT_EQ(child<QLineEdit>(other, "rr")->text(), "1/(1-2*M/r+r^2/9)");
    for (int i = 1; i <= 5; ++i)
        EXPECT_FALSE(
            child<QRadioButton>(other, qPrintable(QString("radButn%1").arg(i)))->isChecked());
    EXPECT_TRUE(shown_warnings(other).isEmpty());
}

} // namespace
