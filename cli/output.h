#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Where the frames go: one image, or one numbered image per frame when the
// name holds a printf-like %d (with an optional zero-padded width, e.g. %04d;
// %% is a plain %). The format comes from the suffix.
class Output
{
  public:
    // Empty when the name is usable for `frames` frames; else what is wrong.
    QString check(QString const &name, int frames);

    QString name_of(int frame) const;

    // Empty when the file for `frame` can be created; nothing is left behind.
    QString probe(int frame) const;

    // Writes under a temporary name and renames it when complete, so nothing
    // half-written ever carries the final name. Empty on success.
    QString write(QImage const &image, int frame) const;

  private:
    QString before_, after_;
    int width_ = 0;
    bool numbered_ = false;
    QByteArray format_;
};
