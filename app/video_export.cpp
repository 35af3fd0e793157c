#include "app/mainwindow.h"

// Empty until the video writer exists.
void MainWindow::on_saveVideoButton_clicked() {}
