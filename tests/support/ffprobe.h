#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

#include <cstdio>

#include <sys/wait.h>

// What ffprobe reads of a file's streams, one "key=value" line per entry
// asked for (e.g. "stream=codec_name,nb_read_frames"), frames counted by
// decoding them; empty when ffprobe is missing or fails. Run through popen,
// not QProcess: QProcess starts programs the vfork way, and the child,
// borrowing this process's memory, runs the thread sanitizer's hooks on the
// parent's state, which then reports races that are not there.
inline QString probe_streams(QString const &path, QString const &entries)
{
    auto quoted = [](QString word) { return '\'' + word.replace("'", "'\\''") + '\''; };
    const QString command = "ffprobe -v error -count_frames -show_entries " + quoted(entries) +
                            " -of default=noprint_wrappers=1 " + quoted(path) + " 2>/dev/null";
    std::FILE *pipe = popen(QFile::encodeName(command).constData(), "r");
    if (!pipe)
        return {};
    QByteArray output;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, qsizetype(n));
    const int status = pclose(pipe);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? QString::fromUtf8(output) : QString();
}
