// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "video/avi.h"
#include "video/output_file.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPixmap>
#include <QSize>
#include <QString>

// An AVI file of compressed frames, fed with pictures: each one is encoded
// (JPEG for this program) and appended as a frame. An optional PCM WAV file
// is appended whole as one audio block when the file is closed. The file
// grows as a PendingFile and takes its name when closed; one abandoned, or
// never closed, is removed, and what had the name keeps it.
class AviWriter : public QObject
{
    Q_OBJECT

  public:
    // A codec the FOURCC list does not know is not kept.
    AviWriter(const QString &fileName, const QSize &size, unsigned int fps, const QString &codec);
    ~AviWriter() override;

    void setAudioFileName(const QString &fileName);
    // Applies the size to the open file; false when it is unchanged or no file is open.
    bool setSize(const QSize &size);
    // Takes effect at the next open; false when unchanged or unknown.
    bool setCodec(const QString &codec);
    // rate/scale frames per second, for rates such as 12.5 = 25/2; takes
    // effect at the next open. False when either is 0.
    bool set_frame_rate(unsigned int rate, unsigned int scale);
    // No messages on standard error from the file opened next; for a caller
    // that reports failures itself (errorString).
    void set_quiet(bool quiet) { quiet_ = quiet; }
    bool isCodecSupported(const QString &codec);
    QList<QByteArray> supportedVideoFormats();
    QList<QByteArray> supportedAudioFormats();

    bool open();
    bool addFrame(unsigned char *data, size_t length);
    bool addFrame(QImage picture, const char *format, int quality);
    bool addFrame(QPixmap picture, const char *format, int quality);
    bool addAudioFile(const QString &fileName);
    // Finishes the file and gives it its name. The writer is closed
    // afterwards even when that failed; nothing is then left of the file.
    bool close();
    // Closes the writer and removes the file it was writing.
    void abandon();

    int audioChannelCount();
    int audioSampleRate();
    int audioBitsPerSample();
    bool parseAudioFileFormat();

    // Frames appended since construction.
    int frame_count() const { return frames_; }

    // Why the last open, addFrame or close failed (the system's reason).
    QString errorString() const { return error_; }

  private:
    void note_system_error();

    QString file_name_;
    QString audio_file_name_;
    QString codec_;
    QSize size_;
    unsigned int fps_;
    unsigned int scale_ = 1;
    bool quiet_ = false;
    int frames_ = 0;
    unsigned int audio_byte_rate_ = 0;
    avi_t *handle_ = nullptr;
    PendingFile file_;
    avi_audio_t audio_{};
    QString error_;
};
