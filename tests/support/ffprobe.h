// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <utility>

#include <sys/wait.h>

// What a program prints (standard error joined to standard output) and
// whether it ended well. Run through popen, not QProcess: QProcess starts
// programs the vfork way, and the child, borrowing this process's memory,
// runs the thread sanitizer's hooks on the parent's state, which then
// reports races that are not there.
inline std::pair<QString, bool> run_program(QString const &program, QStringList const &arguments)
{
    auto quoted = [](QString word) { return '\'' + word.replace("'", "'\\''") + '\''; };
    QString command = quoted(program);
    for (QString const &a : arguments)
        command += ' ' + quoted(a);
    std::FILE *pipe = popen(QFile::encodeName(command + " 2>&1").constData(), "r");
    if (!pipe)
        return {QString(), false};
    QByteArray output;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, qsizetype(n));
    const int status = pclose(pipe);
    return {QString::fromUtf8(output), WIFEXITED(status) && WEXITSTATUS(status) == 0};
}

// What ffprobe reads of a file's streams, one "key=value" line per entry
// asked for (e.g. "stream=codec_name,nb_read_frames"), frames counted by
// decoding them; empty when ffprobe is missing or fails.
inline QString probe_streams(QString const &path, QString const &entries)
{
    const auto [output, ok] =
        run_program("ffprobe", {"-v", "error", "-count_frames", "-show_entries", entries, "-of",
                                "default=noprint_wrappers=1", path});
    return ok ? output : QString();
}
