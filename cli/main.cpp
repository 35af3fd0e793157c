// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/options.h"
#include "cli/output.h"
#include "cli/progress.h"
#include "cli/stop_signal.h"
#include "physics/orbits.h"
#include "physics/ray_batch.h"
#include "render/overlay.h"
#include "render/raw_image.h"
#include "render/run_plan.h"
#include "scene/run.h"
#include "scene/scene.h"
#include "scene/value_ranges.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QThread>

#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

// The texture lives in the core's resources; a static library needs its
// registration referenced, outside any namespace.
static void register_resources()
{
    Q_INIT_RESOURCE(zdroje);
}

namespace
{

enum Exit { done = 0, failed = 1, usage = 2 };

void say(QString const &text)
{
    std::fprintf(stderr, "tenebrion-render: %s\n", qPrintable(text));
}

// A frame in progress polls the stop signals while the workers are busy and
// reports its share as it grows.
RenderHooks hooks_for(Progress &progress, RenderControl &control, int done_frames, int index)
{
    RenderHooks hooks;
    hooks.wait = [&control] {
        QThread::usleep(200);
        if (stop_signal())
            control.stop = true;
    };
    hooks.advanced = [&progress, done_frames, index](double share, long long) {
        progress.during(done_frames, index, share);
    };
    return hooks;
}

// After SIGINT or SIGTERM: the frame being rendered is dropped, the finished
// ones are kept (a video file is closed holding them), and one line says so.
int stopped(Output &output, int written, int asked)
{
    const int signal = stop_signal();
    const QString name = QString::fromLatin1(signal_name(signal));
    const int in_video = output.frames_in_video();
    if (QString e = output.finish(); !e.isEmpty())
        say(name + QStringLiteral(": stopped; ") + e);
    else if (in_video > 0)
        say(QStringLiteral("%1: stopped; %2 holds the first %3 of %4 frames")
                .arg(name, output.name_of(0), QString::number(in_video), QString::number(asked)));
    else
        say(QStringLiteral("%1: stopped after %2 of %3 frames")
                .arg(name, QString::number(written), QString::number(asked)));
    return 128 + signal;
}

// A warning per frame with rays that could not be traced, after the progress
// line is done; a frame none of whose pixels could be traced is a failure.
int untraced_said(std::vector<std::pair<int, long long>> const &untraced, int frames,
                  long long pixels)
{
    bool all_lost = false;
    for (auto [k, lost] : untraced) {
        const QString where = frames > 1 ? QStringLiteral("frame %1: ").arg(k) : QString();
        say(QStringLiteral("warning: ") + where + untraced_note(lost));
        all_lost = all_lost || lost >= pixels;
    }
    return all_lost ? failed : done;
}

// Any range of frames gives the pixels the whole run gives.
int render(Job const &job, Output &output)
{
    Scene scene = build_scene(job.settings);
    scene.simd = job.simd;
    if (QString e =
            start_radius_problem(scene.start_r, capture_radius(scene.horizons, scene.precise),
                                 escape_radius(scene.horizons, scene.precise));
        !e.isEmpty()) {
        say(QStringLiteral("the observer's start: ") + e);
        return usage;
    }
    if (!scene.fault.message.isEmpty()) {
        say((scene.fault.of_observer ? QStringLiteral("the observer's start: ")
                                     : QStringLiteral("the metric: ")) +
            scene.fault.message);
        return usage;
    }
    if (scene.kepler && !job.settings.inner && !scene.mink &&
        std::isnan(lim_stab_orb(scene.metric, scene.horizons, 1))) {
        say(QStringLiteral("--disk-inner: this metric has no stable circular orbit for the disk's "
                           "inner edge to lie on; give the radius"));
        return usage;
    }
    if (scene.kepler) {
        scene.acr.load(QStringLiteral(":/kepler.png"));
        ensure_disk_tables(scene);
    }
    if (!job.settings.panorama.isEmpty() && !scene.b_gnd.load(job.settings.panorama)) {
        say(QStringLiteral("--panorama: cannot read the image %1").arg(job.settings.panorama));
        return usage;
    }
    MyImage frame;
    if (QString e = allocate_frame(frame, scene.width, scene.height); !e.isEmpty()) {
        say(e);
        return failed;
    }
    RenderControl control;
    const Run run(
        scene,
        starting_observer(scene.metric, scene.start_r, scene.start_θ, scene.start_v, scene.start_φ),
        scene.rounds, run_frames(job.settings), scene.zoom, &control.stop);

    if (!job.quiet)
        say(QStringLiteral("rays traced: ") + tracing_path_text(scene));
    const int asked = job.last - job.first + 1;
    Progress progress(asked, static_cast<long long>(scene.width) * scene.height, job.quiet);
    std::vector<std::pair<int, long long>> untraced; // frame, its pixels that could not be traced
    for (int k = job.first; k <= job.last; ++k) {
        const int done_frames = k - job.first;
        if (stop_signal()) {
            progress.finish();
            return stopped(output, done_frames, asked);
        }
        const long long ms = render_frame(
            scene, run.observer(k), run.width(), frame, scene.width, scene.height, control,
            hooks_for(progress, control, done_frames, k), job.threads, scene.smooth);
        if (stop_signal()) {
            progress.finish();
            return stopped(output, done_frames, asked);
        }
        const QImage picture = with_caption(raw_to_image(frame, scene.width, scene.height, 0, 0),
                                            frame, scene.metric, scene.sour);
        if (QString e = output.write(picture, k); !e.isEmpty()) {
            progress.finish();
            say(e);
            return failed;
        }
        progress.frame_done(done_frames + 1, k, ms);
        if (control.untraced > 0)
            untraced.emplace_back(k, control.untraced.load());
    }
    progress.finish();
    if (QString e = output.finish(); !e.isEmpty()) {
        say(e);
        return failed;
    }
    if (!job.quiet && !output.note().isEmpty())
        say(output.note());
    return untraced_said(untraced, asked, static_cast<long long>(scene.width) * scene.height);
}

// Only the renderer's own messages and real failures reach standard error.
void quiet_toolkit(QtMsgType type, QMessageLogContext const &, QString const &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        say(message);
}

} // namespace

int main(int argc, char *argv[])
{
    qInstallMessageHandler(quiet_toolkit);
    // Fonts for the overlay need a GUI application, not a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("tenebrion-render"));
    QGuiApplication::setApplicationVersion(QStringLiteral(TENEBRION_VERSION));
    register_resources();

    QCommandLineParser parser;
    add_options(parser);
    if (!parser.parse(QCoreApplication::arguments())) {
        say(parser.errorText());
        return usage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return done;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("tenebrion-render %s\n", TENEBRION_VERSION);
        return done;
    }
    Job job;
    if (QString e = job_from(parser, job); !e.isEmpty()) {
        say(e);
        return usage;
    }
    for (QString const &w : job.warnings)
        say(QStringLiteral("warning: ") + w);
    Output output;
    output.set_rate(job.rate.rate, job.rate.scale);
    if (QString e = output.check(job.output, job.last - job.first + 1); !e.isEmpty()) {
        say(e);
        return usage;
    }
    if (QString e = output.probe(job.first); !e.isEmpty()) {
        say(e);
        return failed;
    }
    catch_stop_signals();
    return render(job, output);
}
