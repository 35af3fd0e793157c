#include "app/mainwindow.h"

// Empty until the expression engine exists: then it compiles the sixteen
// metric texts and fills the parameters, horizons and orbits.
void MainWindow::reload() {}
