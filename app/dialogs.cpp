#include "app/dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

QString StandardDialogs::open_name(QWidget *parent, QString const &title, QString const &filter)
{
    return QFileDialog::getOpenFileName(parent, title, QDir::homePath(), filter);
}

QString StandardDialogs::save_name(QWidget *parent, QString const &title, QString const &filter)
{
    return QFileDialog::getSaveFileName(parent, title, QDir::homePath(), filter);
}

void StandardDialogs::warn(QWidget *parent, QString const &title, QString const &text)
{
    QMessageBox::warning(parent, title, text);
}
