#include "app/mainwindow.h"

// Empty until the frame renderer exists.
void MainWindow::on_PlayButton_clicked() {}
void MainWindow::on_StopButton_clicked() {}
void MainWindow::on_verticalSlider_sliderReleased() {}
void MainWindow::on_horizontalSlider_sliderMoved(int) {}
void MainWindow::recomp(int, int) {}
