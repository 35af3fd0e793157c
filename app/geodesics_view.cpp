#include "app/mainwindow.h"

// Empty until geodesic integration exists: then it draws the observer's path.
void MainWindow::draw_geodetics() {}
