// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <memory>

class AviWriter;
class Mp4Writer;

// Where the frames go: one image; one numbered image per frame when the name
// holds a printf-like %d (zero-padded to an optional width up to 10, e.g.
// %04d; %% is a plain %); for the suffix .avi, one AVI file of JPEG frames;
// or, for the suffix .mp4, one MP4 file of H.264 video. The image format
// comes from the suffix. Every file is written as a PendingFile: through
// symbolic links, never replacing what is not a regular file or is
// read-only, and taking its name only when complete.
class Output
{
  public:
    Output();
    ~Output();

    // Empty when the name is usable for `frames` frames; else what is wrong.
    [[nodiscard]] QString check(QString const &name, int frames);

    QString name_of(int frame) const;

    // Empty when the file for `frame` can be written; nothing is left behind
    // and nothing that was there is opened.
    [[nodiscard]] QString probe(int frame) const;

    // Writes under a temporary name and renames it when complete, so nothing
    // half-written ever carries the final name. Empty on success.
    [[nodiscard]] QString write(QImage const &image, int frame);

    // Finishes a video file and gives it its name; nothing for images.
    [[nodiscard]] QString finish();

    // Frames the video file holds so far; 0 for images.
    int frames_in_video() const;

    // Frames per second of a video file.
    void set_rate(unsigned rate, unsigned scale);

    // What the user should know about a finished file: the size an MP4
    // video grew to for frames with an odd side.
    QString note() const;

  private:
    [[nodiscard]] QString read_name(QString const &name);
    [[nodiscard]] QString add_to_video(QImage const &image, int frame);
    [[nodiscard]] QString add_to_mp4(QImage const &image, int frame);

    QString before_, after_;
    int width_ = 0;
    bool numbered_ = false;
    QByteArray format_;
    unsigned rate_ = 25, scale_ = 1;
    std::unique_ptr<AviWriter> avi_;
    std::unique_ptr<Mp4Writer> mp4_;
    QSize mp4_frames_;
};
