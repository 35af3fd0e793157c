#pragma once

#include <QString>

class QWidget;

// What the window asks the user through dialogs: file names and warnings.
// The window owns one; tests put in their own answers.
class Dialogs
{
  public:
    virtual ~Dialogs() = default;
    // Empty when the user cancels.
    virtual QString open_name(QWidget *parent, QString const &title, QString const &filter) = 0;
    virtual QString save_name(QWidget *parent, QString const &title, QString const &filter) = 0;
    virtual void warn(QWidget *parent, QString const &title, QString const &text) = 0;
};

// The toolkit's file dialogs and message boxes.
class StandardDialogs : public Dialogs
{
  public:
    QString open_name(QWidget *parent, QString const &title, QString const &filter) override;
    QString save_name(QWidget *parent, QString const &title, QString const &filter) override;
    void warn(QWidget *parent, QString const &title, QString const &text) override;
};
