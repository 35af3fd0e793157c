// SPDX-License-Identifier: GPL-3.0-or-later
// The live view's latencies, measured on the real window (offscreen) driven
// by synthetic events on the default view at 800×600: from an input to the
// complete coarsest level on the display (repainted), the complete coarse
// updates per second while a drag goes on, and from a confirmed parameter or
// formula to the first coarse level. The rays take the path TENEBRION_SIMD
// chooses; the workers are as many as the machine's cores.
#include "app/live_view.h"
#include "app/mainwindow.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTabWidget>
#include <QThread>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace
{

double processor_ms()
{
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    return (use.ru_utime.tv_sec + use.ru_stime.tv_sec) * 1e3 +
           (use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e3;
}

constexpr int samples = 12;

// Where the time of one input goes: the input's own handling (fields,
// speed proposal, the geodesics tab's path), the repaint, and the processor
// time the whole process took meanwhile (two busy workers on an idle machine
// take twice the wall time).
struct Figures {
    std::vector<double> ms, handling_ms, paint_ms, processor_ms, columns;

    double median() const { return median_of(ms); }
    static double median_of(std::vector<double> const &values)
    {
        std::vector<double> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        return sorted.empty() ? 0 : sorted[sorted.size() / 2];
    }
    double worst() const { return ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()); }
};

void print(const char *what, Figures const &f, double budget)
{
    std::printf("%-44s median %7.1f ms  worst %7.1f ms  (budget %4.0f ms, %zu samples)\n", what,
                f.median(), f.worst(), budget, f.ms.size());
    std::printf("%-44s handling %5.1f ms, repaint %5.1f ms, processor %6.1f ms, grid %2.0f² "
                "(medians)\n",
                "", Figures::median_of(f.handling_ms), Figures::median_of(f.paint_ms),
                Figures::median_of(f.processor_ms), Figures::median_of(f.columns));
}

class Bench
{
  public:
    Bench()
    {
        window.show();
        auto *tabs = window.findChild<QTabWidget *>("tabWidget");
        tabs->setCurrentWidget(window.findChild<QWidget *>("tab_compute"));
        window.findChild<QComboBox *>("cBox_res")->setCurrentText("800x600");
        picture->setFocus();
        QObject::connect(&live, &LiveView::shown, &window, [this](int columns, int) {
            // What the display shows, painted now rather than at the next
            // turn of the event loop.
            const double before = clock.nsecsElapsed() / 1e6;
            picture->repaint();
            paint_ms = clock.nsecsElapsed() / 1e6 - before;
            if (!first_level || !on_coarse)
                return;
            first_level = false;
            coarse_columns = columns;
            on_coarse(clock.nsecsElapsed() / 1e6);
        });
        QObject::connect(&live, &LiveView::started, &window, [this] { first_level = true; });
        clock.start();
    }

    // An input while the previous frame refines, every 300 ms: the time
    // from the input to its coarse level on the display.
    Figures input_to_coarse()
    {
        return measure([this] { key(Qt::Key_Left); });
    }

    // A confirmed value of a, or a confirmed formula, alternating between two.
    Figures change_to_coarse(QLineEdit *field, QString const &one, QString const &other)
    {
        int n = 0;
        return measure([=]() mutable {
            field->setText(++n % 2 ? one : other);
            emit field->editingFinished();
        });
    }

    // Mouse moves every 10 ms for three seconds, a pixel each.
    struct DragRate {
        double per_second, processor_ms_each;
    };
    DragRate coarse_updates_per_second()
    {
        int coarse = 0;
        on_coarse = [&](double) { ++coarse; };
        press(QPointF(200, 200));
        int x = 200;
        QTimer mover;
        QElapsedTimer span;
        bool over = false;
        QObject::connect(&mover, &QTimer::timeout, &window, [&] {
            if (span.elapsed() < 3000)
                return move(QPointF(++x, 200));
            mover.stop();
            over = true;
            live.cancel();
        });
        const double processor_at = processor_ms();
        span.start();
        mover.start(10);
        wait_for(over);
        on_coarse = nullptr;
        return {coarse * 1000.0 / double(span.elapsed()),
                (processor_ms() - processor_at) / std::max(coarse, 1)};
    }

  private:
    // The live view renders in loops nested in the event loop, so the next
    // input is sent from within them, 300 ms after the last coarse level.
    Figures measure(std::function<void()> const &input)
    {
        Figures f;
        double sent = 0, processor_at = 0;
        bool over = false;
        QTimer next;
        next.setSingleShot(true);
        QObject::connect(&next, &QTimer::timeout, &window, [&] {
            sent = clock.nsecsElapsed() / 1e6;
            processor_at = processor_ms();
            input();
            f.handling_ms.push_back(clock.nsecsElapsed() / 1e6 - sent);
        });
        on_coarse = [&](double now) {
            f.ms.push_back(now - sent);
            f.paint_ms.push_back(paint_ms);
            f.processor_ms.push_back(processor_ms() - processor_at);
            f.columns.push_back(coarse_columns);
            if (int(f.ms.size()) < samples)
                return next.start(300);
            over = true;
            live.cancel();
        };
        next.start(300);
        wait_for(over);
        on_coarse = nullptr;
        return f;
    }

    static void wait_for(bool const &over)
    {
        while (!over)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }

    void key(int k)
    {
        QKeyEvent e(QEvent::KeyPress, k, Qt::NoModifier);
        QApplication::sendEvent(picture, &e);
    }
    void press(QPointF at)
    {
        QMouseEvent e(QEvent::MouseButtonPress, at, picture->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(picture, &e);
    }
    void move(QPointF at)
    {
        QMouseEvent e(QEvent::MouseMove, at, picture->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                      Qt::NoModifier);
        QApplication::sendEvent(picture, &e);
    }

  public:
    MainWindow window;
    LiveView &live = *window.findChild<LiveView *>();
    QLabel *picture = window.findChild<QLabel *>("label_screen");
    QElapsedTimer clock;
    std::function<void(double)> on_coarse;
    double paint_ms = 0;
    int coarse_columns = 0;
    bool first_level = false;
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Bench bench;
    QFile load(QStringLiteral("/proc/loadavg"));
    load.open(QIODevice::ReadOnly);
    std::printf("live view, default view at 800x600, %d worker threads, TENEBRION_SIMD=%s, "
                "load average %s\n",
                QThread::idealThreadCount(), qgetenv("TENEBRION_SIMD").constData(),
                load.readAll().split(' ').value(0).constData());
    print("input -> complete coarsest level on screen", bench.input_to_coarse(), 100);
    const auto drag = bench.coarse_updates_per_second();
    std::printf("%-44s %7.1f /s (budget at least 10 /s), processor %.1f ms each\n",
                "complete coarse updates while dragging", drag.per_second, drag.processor_ms_each);
    auto *a = bench.window.findChild<QLineEdit *>("lineEdit_a");
    print("confirmed a -> first coarse level", bench.change_to_coarse(a, "0.7", "0.8"), 250);
    auto *tt = bench.window.findChild<QLineEdit *>("tt");
    const QString kerr = tt->text();
    print("confirmed formula -> first coarse level", bench.change_to_coarse(tt, kerr + "+Q", kerr),
          250);
    return 0;
}
