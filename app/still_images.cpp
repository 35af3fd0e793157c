#include "app/mainwindow.h"

// Empty until the frame store exists.
void MainWindow::on_OpenImageButton_clicked() {}
void MainWindow::on_SaveImageButton_clicked() {}
