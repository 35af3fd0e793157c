// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/mainwindow.h"

#include "app/click_jump_style.h"
#include "app/help_menu.h"
#include "app/input_marks.h"
#include "app/metric_fields.h"
#include "app/plot_navigation.h"
#include "app/potential_plot.h"
#include "app/shared.h"
#include "app/state.h"
#include "physics/ray_batch.h"
#include "render/smooth_edges.h"
#include "scene/settings.h"
#include "ui_mainwindow.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeySequence>
#include <QResizeEvent>
#include <QStatusBar>

#include <algorithm>
#include <iterator>

// The resources live in a static library; referencing their registration
// function is what keeps the linker from dropping them (and with them the
// registration that runs during static initialisation). It must not sit in a
// namespace, or the function it declares would not be the generated one.
static void register_resources()
{
    Q_INIT_RESOURCE(zdroje);
}

namespace
{

constexpr int geodesics_tab = 1;

// Keyboard access to Play and Stop, and what the two time fields count.
void add_help(Ui::MainWindow &ui)
{
    ui.PlayButton->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    ui.PlayButton->setToolTip(QCoreApplication::translate("MainWindow", "Render (Ctrl+R)"));
    ui.StopButton->setShortcut(QKeySequence(Qt::Key_Escape));
    ui.StopButton->setToolTip(QCoreApplication::translate("MainWindow", "Stop (Esc)"));
    ui.lab_est_time->setToolTip(QCoreApplication::translate(
        "MainWindow", "Time left for this frame while it renders; afterwards, the time the "
                      "frame took.\nDays:hours:minutes:seconds, so 00:00:01:07 is 67 seconds."));
    ui.lab_tot_time->setToolTip(QCoreApplication::translate(
        "MainWindow",
        "Time left for the rest of the run.\nDays:hours:minutes:seconds, as beside the bar."));
    // Thousandths of a percent: the bar of the largest frame at the finest
    // accuracy moves within a second too.
    ui.progressBar->setRange(0, 100000);
    ui.progressBar->setFormat(QStringLiteral("0.00 %"));
}

} // namespace

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent), ui(new Ui::MainWindow)
{
    register_resources();
    inicialize();
    acr.load(":/kepler.png");
    // setupUi makes its own index choices before it connects the slots, so
    // they fire nothing; the two settings below happen after and do fire.
    ui->setupUi(this);
    plot_navigation = new PlotNavigation(ui->label_geo, [this] { draw_geodetics(); });
    add_potential_plot(*ui);
    ui->tabWidget->setCurrentIndex(0);
    ui->radButn4->setChecked(true);
    ui->checkBox_anim->setChecked(false);
    ui->widget_anim->setEnabled(ui->checkBox_anim->isChecked());
    add_help(*ui);
    // The scene file names the format; the items' texts are for people, MP4
    // first as the one most players show. AVI stays the default: scene files
    // without a format have always meant it.
    constexpr int format_of_item[] = {2, 0, 1};
    for (int i = 0; i < int(std::size(format_of_item)); ++i)
        ui->comboBox_FVid->setItemData(i, QString::fromUtf8(video_format_names[format_of_item[i]]));
    for (QLineEdit *field : metric_fields(*ui))
        connect(field, &QLineEdit::textChanged, this, &MainWindow::refresh_formula_help);
    refresh_formula_help();
    connect(ui->horizontalSlider, &QSlider::valueChanged, this, &MainWindow::show_browsed);
    // A click on the track goes to the frame under the pointer, not a page on.
    ui->horizontalSlider->setStyle(new ClickJumpStyle(ui->horizontalSlider));
    // The display shows whatever frame it is given scaled to fit; its own
    // size must not follow the picture, or it could only ever grow.
    ui->label_screen->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    ui->label_screen->setAlignment(Qt::AlignCenter);
    ui->label_screen->installEventFilter(this);
    // Not a slot by name: the window's slots are a fixed set.
    connect(ui->checkBox_accurate, &QCheckBox::toggled, this, [this](bool on) {
        accurate = on;
        show_tracing_path();
    });
    auto take_smoothing = [](int index) {
        the_scene.smooth = smooth_choices[std::clamp(index, 0, 2)];
    };
    connect(ui->comboBox_smooth, &QComboBox::currentIndexChanged, this, take_smoothing);
    take_smoothing(ui->comboBox_smooth->currentIndex());
    connect(ui->lineEdit_v, &QLineEdit::editingFinished, this, [this] {
        if (ui->lineEdit_v->isModified())
            take_speed_text();
        ui->lineEdit_v->setModified(false);
    });
    connect(ui->lineEdit_phi, &QLineEdit::editingFinished, this, &MainWindow::take_azimuth);
    live = new LiveView(*this, *ui);
    build_file_menu();
    build_edit_menu();
    add_help_menu(*this);
    statusBar();
    fit_content();
}

// A resized display shows the frame it showed, at its new size.
bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->label_screen && event->type() == QEvent::Resize &&
        ui->PlayButton->isEnabled() && shown_frame >= 0)
        show_stored_frame(shown_frame);
    return QMainWindow::eventFilter(watched, event);
}

// What each metric field takes, and its whole formula when the field is too
// narrow to show it.
void MainWindow::refresh_formula_help()
{
    const auto fields = metric_fields(*ui);
    for (int i = 0; i < 16; ++i) {
        QLineEdit *field = fields[i];
        const QString text = field->text();
        const bool fits = field->fontMetrics().horizontalAdvance(text) + 12 <= field->width();
        QString help = fits ? QString() : component_name(i) + QStringLiteral(" = ") + text + u'\n';
        help += tr("Component %1 of the metric, a formula in t, r, θ, φ and M, a, Q, Λ.\n"
                   "Type t for θ, f for φ, l for Λ, m for M, q for Q, T for the time t.\n"
                   "Numbers such as 30, 0.998, .25 or 1.5e-3; operators + - * / ^ and brackets;\n"
                   "sin cos sqrt exp log sinh cosh tanh, each with ( ). x^y with any exponent:\n"
                   "a whole one is exact (r^(-2) = 1/r^2), any other needs x > 0.\n"
                   "A minus at the start or after \"(\" negates.")
                    .arg(component_name(i));
        set_field_help(field, help);
    }
}

// The form's 800×600 suits narrow system fonts. With wider ones the fixed
// texts would be clipped at that size, so the window starts as large as they
// need; it never starts smaller than the form says.
void MainWindow::fit_content()
{
    // Size hints are final only once the style has polished every widget,
    // and layouts cached their items' sizes before that; an unshown window
    // refreshes neither on its own.
    ensurePolished();
    for (QWidget *w : findChildren<QWidget *>())
        w->updateGeometry();
    resize(size().expandedTo(minimumSizeHint()));
}

// The live view watches the picture through the form, which goes before the
// window's children do.
MainWindow::~MainWindow()
{
    delete live;
}

// Closing (Quit included) while a frame renders or frames are exported stops
// that work as Stop does; the run then unwinds within a fraction of a second,
// and the application, its last window gone, ends.
void MainWindow::closeEvent(QCloseEvent *event)
{
    live->cancel();
    if (!ui->PlayButton->isEnabled()) {
        closing = true;
        stop = true;
    }
    QMainWindow::closeEvent(event);
}

void MainWindow::resizeEvent(QResizeEvent *e)
{
    QMainWindow::resizeEvent(e);
    refresh_formula_help();
    if (ui->tabWidget->currentIndex() == geodesics_tab)
        draw_geodetics();
}

void MainWindow::on_tabWidget_currentChanged(int)
{
    if (ui->tabWidget->currentIndex() == geodesics_tab)
        draw_geodetics();
    if (ui->tabWidget->currentWidget() == ui->tab_settings)
        show_tracing_path();
}

// The path depends on the metric (generated code or not) and the integration.
void MainWindow::show_tracing_path()
{
    ui->label_simd->setText(tr("rays traced: %1").arg(tracing_path_text(the_scene)));
}

void MainWindow::on_checkBox_anim_stateChanged(int)
{
    ui->widget_anim->setEnabled(ui->checkBox_anim->isChecked());
}
