#include "app/mainwindow.h"

#include "scene/state.h"
#include "ui_mainwindow.h"

#include <QResizeEvent>

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

} // namespace

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent), ui(new Ui::MainWindow)
{
    register_resources();
    inicialize();
    acr.load(":/kepler.png");
    // setupUi makes its own index choices before it connects the slots, so
    // they fire nothing; the two settings below happen after and do fire.
    ui->setupUi(this);
    ui->tabWidget->setCurrentIndex(0);
    ui->radButn4->setChecked(true);
    ui->checkBox_anim->setChecked(false);
    ui->widget_anim->setEnabled(ui->checkBox_anim->isChecked());
    build_file_menu();
    fit_content();
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

MainWindow::~MainWindow() = default;

void MainWindow::resizeEvent(QResizeEvent *e)
{
    QMainWindow::resizeEvent(e);
    if (ui->tabWidget->currentIndex() == geodesics_tab)
        draw_geodetics();
}

void MainWindow::on_tabWidget_currentChanged(int)
{
    if (ui->tabWidget->currentIndex() == geodesics_tab)
        draw_geodetics();
}

void MainWindow::on_checkBox_anim_stateChanged(int)
{
    ui->widget_anim->setEnabled(ui->checkBox_anim->isChecked());
}
