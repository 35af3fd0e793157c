// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/mainwindow.h"

#include "app/change_history.h"
#include "app/file_history.h"
#include "app/metric_fields.h"
#include "app/resolutions.h"
#include "app/shared.h"
#include "app/state.h"
#include "app/status_messages.h"
#include "expr/presets.h"
#include "render/smooth_edges.h"
#include "scene/scene_file.h"
#include "ui_mainwindow.h"
#include "video/output_file.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

#include <algorithm>
#include <iterator>

namespace
{

QRadioButton *preset_button(Ui::MainWindow const &ui, int index)
{
    QRadioButton *const buttons[] = {ui.radButn1, ui.radButn2, ui.radButn3, ui.radButn4,
                                     ui.radButn5};
    return buttons[index];
}

int resolution_item(int w, int h)
{
    for (int i = 0; i < int(std::size(resolutions)); ++i)
        if (resolutions[i].w == w && resolutions[i].h == h)
            return i;
    return -1;
}

// The accuracy box's item of the same single-precision value, as the window reads it.
int accuracy_item(QComboBox const &box, double accuracy)
{
    for (int i = 0; i < box.count(); ++i)
        if (box.itemText(i).toFloat() == field_text(accuracy).toFloat())
            return i;
    return -1;
}

QString items(QComboBox const &box)
{
    QStringList all;
    for (int i = 0; i < box.count(); ++i)
        all << box.itemText(i);
    return all.join(QStringLiteral(", "));
}

QString panorama_path(QString const &scene_path, QString const &name)
{
    return QFileInfo(name).isAbsolute() ? name : QFileInfo(scene_path).dir().absoluteFilePath(name);
}

// Relative to the scene file when the panorama lies in its folder or below,
// so that the two can move together; otherwise where it is.
QString panorama_name(QString const &scene_path, QString const &panorama)
{
    if (panorama.isEmpty())
        return panorama;
    const QString relative = QFileInfo(scene_path).absoluteDir().relativeFilePath(panorama);
    return relative.startsWith(QLatin1String("..")) || QFileInfo(relative).isAbsolute() ? panorama
                                                                                        : relative;
}

// Which item of the video format box saves in the scene file's format
// `index`; -1 for none.
int video_format_item(QComboBox const &box, int index)
{
    return box.findData(QString::fromUtf8(video_format_names[index]));
}

} // namespace

void MainWindow::build_file_menu()
{
    QMenu *file = menuBar()->addMenu(tr("&File"));
    QAction *open = file->addAction(tr("&Open scene…"), this, [this] {
        const QString name = file_dialogs->open_scene(this);
        if (!name.isEmpty())
            open_scene(name);
    });
    open->setShortcut(QKeySequence::Open);
    open->setObjectName(QStringLiteral("action_open_scene"));
    QMenu *recent = file->addMenu(tr("Open &Recent"));
    recent->setObjectName(QStringLiteral("menu_recent"));
    connect(recent, &QMenu::aboutToShow, this, [this, recent] { fill_recent_menu(recent); });
    QAction *save = file->addAction(tr("&Save scene…"), this, [this] {
        const QString name = file_dialogs->save_scene(this);
        if (!name.isEmpty())
            save_scene(name);
    });
    save->setShortcut(QKeySequence::Save);
    save->setObjectName(QStringLiteral("action_save_scene"));
    file->addSeparator();
    QAction *quit = file->addAction(tr("&Quit"), this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);
    quit->setObjectName(QStringLiteral("action_quit"));
}

void MainWindow::fill_recent_menu(QMenu *menu)
{
    menu->clear();
    const QStringList scenes = recent_scenes();
    for (int i = 0; i < scenes.size(); ++i) {
        const QString path = scenes[i];
        menu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()), this,
                        [this, path] { open_scene(path); })
            ->setToolTip(QDir::toNativeSeparators(path));
    }
    if (scenes.isEmpty())
        menu->addAction(tr("No recent scenes"))->setEnabled(false);
}

// Every confirmed change of the tabs' fields, buttons and boxes, and a scene
// opened, can be undone; the frame browser only shows, so it is left out.
void MainWindow::build_edit_menu()
{
    history = new ChangeHistory([this] { return write_scene(scene_settings()); },
                                [this](QByteArray const &view) {
                                    SceneSettings s;
                                    QStringList ignored;
                                    if (read_scene(view, s, ignored).isEmpty())
                                        apply_scene(s);
                                },
                                this);
    history->watch(ui->tabWidget, {ui->horizontalSlider});
    connect(&history->stack(), &QUndoStack::cleanChanged, this,
            [this](bool clean) { setWindowModified(!clean); });
    QMenu *edit = menuBar()->addMenu(tr("&Edit"));
    QAction *undo = history->stack().createUndoAction(edit, tr("&Undo"));
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    undo->setObjectName(QStringLiteral("action_undo"));
    QAction *redo = history->stack().createRedoAction(edit, tr("&Redo"));
    redo->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    redo->setObjectName(QStringLiteral("action_redo"));
    edit->addAction(undo);
    edit->addAction(redo);
    set_scene_path({});
}

void MainWindow::set_scene_path(QString const &path)
{
    setWindowTitle(path.isEmpty() ? tr("Tenebrion[*]")
                                  : tr("%1[*] — Tenebrion").arg(QFileInfo(path).fileName()));
    if (!path.isEmpty())
        add_recent_scene(path);
    history->mark_saved();
}

SceneSettings MainWindow::scene_settings() const
{
    SceneSettings s;
    for (int i = 0; i < 5; ++i)
        if (preset_button(*ui, i)->isChecked())
            s.preset = i;
    const auto fields = metric_fields(*ui);
    for (int i = 0; i < 16; ++i)
        s.metric[i] = fields[i]->text();
    s.M = ui->lineEdit_M->text().toDouble();
    s.a = ui->lineEdit_a->text().toDouble();
    s.Q = ui->lineEdit_Q->text().toDouble();
    s.Λ = ui->lineEdit_L->text().toDouble();
    // The pipeline writes the same text into both fields; anything else was
    // typed. Flat space leaves the inner radius empty.
    bool typed = false;
    const float inner = ui->lineEdit_inK->text().toFloat(&typed);
    if (typed && ui->lineEdit_inK->text() != ui->lineEdit_RSO->text())
        s.inner = inner;
    s.outer = ui->lineEdit_outK->text().toDouble();
    s.disk = ui->checkBox_kepler->isChecked();
    s.transparency = std::clamp(ui->comboBox_transp->currentIndex(), 0, 4);
    s.accuracy = ui->cBox_precise->currentText().toDouble();
    s.accurate = ui->checkBox_accurate->isChecked();
    s.smooth_edges = smooth_choices[std::clamp(ui->comboBox_smooth->currentIndex(), 0, 2)];
    s.r = ui->lineEdit_r->text().toDouble();
    s.θ = ui->lineEdit_th->text().toDouble();
    s.φ = ui->lineEdit_phi->text().toDouble();
    s.v = ui->spinBox_v->value();
    s.rounds = ui->spinBox_round->value();
    s.shift = ui->checkBox_redshift->isChecked();
    s.beaming = ui->checkBox_beam->isChecked();
    s.simulated = ui->radioButton_sim->isChecked();
    s.aberration = ui->checkBox_aber->isChecked();
    s.overlay = ui->checkBox_sour->isChecked();
    s.zoom = ui->verticalSlider->value();
    const FrameSize size = resolution(ui->cBox_res->currentIndex());
    s.width = size.w;
    s.height = size.h;
    s.frames = ui->comboBox_Frames->currentText().toInt();
    s.animation = ui->checkBox_anim->isChecked();
    s.live = live->enabled();
    if (!b_gnd.isNull() && b_gnd.cacheKey() == panorama_key)
        s.panorama = panorama_file;
    s.fps = ui->comboBox_FrameRate->currentText().toDouble();
    for (int i = 0; i < int(std::size(video_format_names)); ++i)
        if (video_format_item(*ui->comboBox_FVid, i) == ui->comboBox_FVid->currentIndex())
            s.video_format = i;
    return s;
}

// What a scene file may hold but the window's widgets cannot show.
QString MainWindow::window_check(SceneSettings const &s) const
{
    if (resolution_item(s.width, s.height) < 0)
        return tr("\"size\" must be one of %1").arg(items(*ui->cBox_res));
    if (ui->comboBox_Frames->findText(QString::number(s.frames)) < 0)
        return tr("\"frames\" must be one of %1").arg(items(*ui->comboBox_Frames));
    if (accuracy_item(*ui->cBox_precise, s.accuracy) < 0)
        return tr("\"accuracy\" must be one of %1").arg(items(*ui->cBox_precise));
    if (s.fps && ui->comboBox_FrameRate->findText(field_text(*s.fps)) < 0)
        return tr("\"fps\" must be one of %1").arg(items(*ui->comboBox_FrameRate));
    if (video_format_item(*ui->comboBox_FVid, s.video_format) < 0)
        return tr("\"video format\" %1 cannot be chosen here")
            .arg(QString::fromUtf8(video_format_names[s.video_format]));
    return {};
}

// As if the user had typed it all: the fields first, one run of the pipeline,
// then what is typed after it (a disk radius of its own, a speed of its own)
// and the boxes that act at once.
void MainWindow::apply_scene(SceneSettings const &s)
{
    {
        QSignalBlocker block[] = {QSignalBlocker(ui->radButn1), QSignalBlocker(ui->radButn2),
                                  QSignalBlocker(ui->radButn3), QSignalBlocker(ui->radButn4),
                                  QSignalBlocker(ui->radButn5)};
        preset_button(*ui, s.preset)->setChecked(true);
    }
    mink = presets[s.preset].flat;
    const auto fields = metric_fields(*ui);
    for (int i = 0; i < 16; ++i) {
        fields[i]->setText(s.metric[i]);
        fields[i]->setCursorPosition(0);
    }
    // A file's formulas that are not its preset's leave no preset checked.
    uncheck_edited_preset();
    ui->lineEdit_M->setText(field_text(s.M));
    ui->lineEdit_a->setText(field_text(s.a));
    ui->lineEdit_Q->setText(field_text(s.Q));
    ui->lineEdit_L->setText(field_text(s.Λ));
    ui->lineEdit_outK->setText(field_text(s.outer));
    ui->cBox_precise->setCurrentIndex(accuracy_item(*ui->cBox_precise, s.accuracy));
    ui->lineEdit_r->setText(field_text(s.r));
    ui->lineEdit_th->setText(field_text(s.θ));
    ui->lineEdit_phi->setText(field_text(s.φ));
    take_azimuth();
    {
        const QSignalBlocker quiet(ui->spinBox_round);
        ui->spinBox_round->setValue(s.rounds);
    }
    ui->verticalSlider->setValue(s.zoom);
    ui->cBox_res->setCurrentIndex(resolution_item(s.width, s.height));
    ui->comboBox_Frames->setCurrentIndex(ui->comboBox_Frames->findText(QString::number(s.frames)));
    ui->checkBox_anim->setChecked(s.animation);
    // A file without a rate gets the form's, as any other missing key.
    ui->comboBox_FrameRate->setCurrentText(field_text(s.fps.value_or(10)));
    ui->comboBox_FVid->setCurrentIndex(video_format_item(*ui->comboBox_FVid, s.video_format));
    ui->comboBox_transp->setCurrentIndex(s.transparency);
    ui->checkBox_redshift->setChecked(s.shift);
    ui->checkBox_beam->setChecked(s.beaming);
    (s.simulated ? ui->radioButton_sim : ui->radioButton_clasic)->setChecked(true);
    ui->checkBox_aber->setChecked(s.aberration);
    ui->checkBox_accurate->setChecked(s.accurate);
    ui->comboBox_smooth->setCurrentIndex(static_cast<int>(
        std::find(std::begin(smooth_choices), std::end(smooth_choices), s.smooth_edges) -
        std::begin(smooth_choices)));
    ui->checkBox_sour->setChecked(s.overlay);
    live->set_enabled(s.live);

    reload();

    if (s.inner && *s.inner != P[4]) {
        ui->lineEdit_inK->setText(field_text(*s.inner));
        on_lineEdit_inK_editingFinished();
    }
    if (s.v) {
        ui->spinBox_v->setValue(*s.v);
        ui->lineEdit_v->setText(ui->spinBox_v->text());
    }
    ui->checkBox_kepler->setChecked(s.disk);
}

bool MainWindow::open_scene(QString const &path)
{
    QByteArray text;
    if (const QString e = read_scene_file(path, text); !e.isEmpty()) {
        warn(sentence(e));
        return false;
    }
    SceneSettings s;
    QStringList warnings;
    QString error = read_scene(text, s, warnings);
    if (error.isEmpty())
        error = window_check(s);
    QImage panorama;
    if (error.isEmpty() && !s.panorama.isEmpty() && !panorama.load(panorama_path(path, s.panorama)))
        error = tr("\"panorama\": cannot read the image %1").arg(s.panorama);
    if (!error.isEmpty()) {
        warn(tr("%1: %2").arg(path, error));
        return false;
    }
    apply_scene(s);
    b_gnd = panorama;
    panorama_file = s.panorama.isEmpty() ? QString() : panorama_path(path, s.panorama);
    panorama_key = b_gnd.cacheKey();
    set_scene_path(path);
    // The scene is open; what it held that the window ignores needs no box.
    statusBar()->showMessage(
        warnings.isEmpty()
            ? tr("Opened scene %1").arg(QFileInfo(path).fileName())
            : tr("Opened scene %1, ignoring %2")
                  .arg(QFileInfo(path).fileName(), warnings.join(QStringLiteral("; "))));
    return true;
}

bool MainWindow::save_scene(QString const &path)
{
    SceneSettings s = scene_settings();
    s.panorama = panorama_name(path, s.panorama);
    if (const QString error = write_whole_file(path, write_scene(s)); !error.isEmpty()) {
        warn(sentence(error));
        return false;
    }
    set_scene_path(path);
    statusBar()->showMessage(scene_saved_text(path));
    return true;
}

void MainWindow::take_move()
{
    history->take_change();
}
