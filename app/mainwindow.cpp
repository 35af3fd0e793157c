#include "app/mainwindow.h"

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent) { setWindowTitle("Tenebrion"); }
