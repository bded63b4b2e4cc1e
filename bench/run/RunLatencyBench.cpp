// How the main window keeps up while a run encrypts one large PDF and, on
// the other cores, small ones: a real, visible window (offscreen) runs the
// files while we measure
//   - the longest gap between ticks of a 5 ms timer (the event loop),
//   - the time from a repaint request to the widget's paint, every 50 ms,
//   - the time from a click on the Stop button to StopEncrypt having run,
//     every 100 ms (the run keeps Stop enabled until its row is done).
// Requests and clicks are posted from another thread, as the window system
// delivers them, so a blocked user-interface thread shows in their times.
// Exits with 2 when any of the three exceeds 100 ms.
//
//   bench_run [--mb MB] [--small N] [--strength 0..3] [--runs N] [--input FILE] [--dir FOLDER]
//
// The files are run N times (default 3), the figures gathered over all runs.
// Without --input, make_corpus (built beside this program) makes a file of
// at least MB megabytes (default 300) of image streams and N ten-page files
// (default 40), listed after it, in a temporary folder under --dir (default
// the system's temporary folder).

#include "BenchDesktop.h"
#include "app/FormMain.h"
#include "filelist/FileList.h"
#include "platform/Desktop.h"
#include "ui/CommandTable.h"
#include "ui/SettingsPage.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointingDevice>
#include <QProcess>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

namespace {

constexpr double TargetMs = 100.0;

// Milliseconds from each posted repaint request to the paint that follows.
class PaintWatch final : public QObject
{
public:
    PaintWatch(QWidget* widget, const QElapsedTimer& clock) : widget_(widget), clock_(clock)
    {
        widget_->installEventFilter(this);
    }

    // Thread-safe: asks for a repaint unless one is still outstanding.
    void request()
    {
        qint64 idle = -1;
        if (!pendingSince_.compare_exchange_strong(idle, clock_.nsecsElapsed()))
            return;
        QMetaObject::invokeMethod(widget_, [widget = widget_] { widget->update(); },
                                  Qt::QueuedConnection);
    }

    std::vector<double> latencies;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == widget_ && event->type() == QEvent::Paint) {
            const qint64 since = pendingSince_.exchange(-1);
            if (since >= 0)
                latencies.push_back(double(clock_.nsecsElapsed() - since) / 1e6);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget* widget_;
    const QElapsedTimer& clock_;
    std::atomic<qint64> pendingSince_{-1};
};

struct Stats
{
    size_t count = 0;
    double median = 0;
    double p99 = 0;
    double max = 0;
};

Stats statsOf(std::vector<double> values)
{
    Stats stats;
    stats.count = values.size();
    if (values.empty())
        return stats;
    std::sort(values.begin(), values.end());
    stats.median = values[values.size() / 2];
    stats.p99 = values[std::min(values.size() - 1, values.size() * 99 / 100)];
    stats.max = values.back();
    return stats;
}

// Thread-safe: a left click at `local` in `button`, as the window system
// would deliver it from `mouse`.
void postClick(QAbstractButton* button, QPointF local, QPointF global,
               const QPointingDevice* mouse)
{
    QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonPress, local, global,
                                                        Qt::LeftButton, Qt::LeftButton,
                                                        Qt::NoModifier, mouse));
    QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonRelease, local, global,
                                                        Qt::LeftButton, Qt::NoButton,
                                                        Qt::NoModifier, mouse));
}

bool waitForExposed(QWidget& window)
{
    QElapsedTimer waited;
    waited.start();
    while (!(window.windowHandle() && window.windowHandle()->isExposed())) {
        if (waited.elapsed() > 10000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());

    qint64 megabytes = 300;
    int small = 40;
    int strength = 2;
    int runs = 3;
    QString input;
    QString base = QDir::tempPath();
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == u"--mb" && i + 1 < args.size())
            megabytes = args[++i].toLongLong();
        else if (arg == u"--small" && i + 1 < args.size())
            small = std::max(0, args[++i].toInt());
        else if (arg == u"--strength" && i + 1 < args.size())
            strength = std::clamp(args[++i].toInt(), 0, 3);
        else if (arg == u"--runs" && i + 1 < args.size())
            runs = std::max(1, args[++i].toInt());
        else if (arg == u"--input" && i + 1 < args.size())
            input = args[++i];
        else if (arg == u"--dir" && i + 1 < args.size())
            base = args[++i];
        else {
            std::fprintf(stderr, "usage: bench_run [--mb MB] [--small N] [--strength 0..3] [--runs N]"
                                 " [--input FILE] [--dir FOLDER]\n");
            return 2;
        }
    }

    QTemporaryDir work(QDir(base).filePath(QStringLiteral("bench_run-XXXXXX")));
    if (!work.isValid()) {
        std::fprintf(stderr, "bench_run: cannot make a folder in %s\n", qPrintable(base));
        return 1;
    }
    QElapsedTimer step;
    QStringList smallFiles;
    if (input.isEmpty()) {
        step.start();
        QProcess corpus;
        corpus.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        corpus.start(QCoreApplication::applicationDirPath() + QStringLiteral("/make_corpus"),
                     {work.path(), QStringLiteral("--files"), QString::number(small),
                      QStringLiteral("--pages"), QStringLiteral("10"),
                      QStringLiteral("--large-mb"), QString::number(megabytes)});
        if (!corpus.waitForFinished(-1) || corpus.exitCode() != 0) {
            std::fprintf(stderr, "bench_run: make_corpus failed\n");
            return 1;
        }
        input = work.filePath(QStringLiteral("large.pdf"));
        for (const QString& name : QDir(work.path()).entryList({QStringLiteral("corpus-*.pdf")}))
            smallFiles << work.filePath(name);
        std::printf("input made in %.1f s\n", double(step.elapsed()) / 1000);
    }
    const QString out = work.filePath(QStringLiteral("out"));
    QDir().mkpath(out);
    const double inputMb = double(QFileInfo(input).size()) / 1e6;

    BenchDesktop desktop;
    FormMain window(desktop);
    window.show();
    if (!waitForExposed(window)) {
        std::fprintf(stderr, "bench_run: the window was never exposed\n");
        return 1;
    }
    step.restart();
    window.fileList().AddPdfFile(input);
    for (const QString& file : std::as_const(smallFiles))
        window.fileList().AddPdfFile(file);
    const int rows = window.fileList().rowCount();
    if (rows != 1 + smallFiles.size()) {
        std::fprintf(stderr, "bench_run: %s could not be listed\n", qPrintable(input));
        return 1;
    }
    std::printf("input: %s, %.1f MB, and %d small files, listed in %.2f s\n",
                qPrintable(input), inputMb, rows - 1, double(step.elapsed()) / 1000);
    window.ui().PicSetting->TextFolder->setText(out);
    window.ui().PicSetting->OptionKey[strength]->click();

    QElapsedTimer clock;
    clock.start();

    // The run's span: from its first yield to its summary.
    bool inRun = false;
    qint64 runStart = 0;
    qint64 lastTick = -1;
    std::vector<double> tickGaps;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (inRun && lastTick >= 0)
            tickGaps.push_back(double(now - lastTick) / 1e6);
        lastTick = now;
    });

    PaintWatch paints(window.ui().PicSetting, clock);
    QAbstractButton* stopButton = window.commandBars().toolButton(ID_STOP);
    const QPointF stopLocal = QRectF(stopButton->rect()).center();
    const QPointF stopGlobal = stopButton->mapToGlobal(stopLocal);
    const QPointingDevice* mouse = QPointingDevice::primaryPointingDevice();
    std::vector<double> stopLatencies;
    std::atomic<qint64> stopPostedAt{-1};
    QObject::connect(&window.commandBars(), &CommandBars::execute, [&](int id) {
        // FormMain's own connection came first: StopEncrypt has run.
        const qint64 posted = stopPostedAt.exchange(-1);
        if (id == ID_STOP && posted >= 0 && window.StopRequested())
            stopLatencies.push_back(double(clock.nsecsElapsed() - posted) / 1e6);
    });

    // The user: asks for a repaint every 50 ms while the run lasts, and
    // clicks Stop every 100 ms from a second into it on, so that until then
    // every core has rows to work on.
    std::atomic<bool> inRunShared{false};
    std::atomic<qint64> runStartShared{0};
    std::atomic<bool> userDone{false};
    std::thread user([&] {
        for (int beat = 0; !userDone; ++beat) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (!inRunShared)
                continue;
            paints.request();
            qint64 idle = -1;
            const bool stopping = clock.nsecsElapsed() - runStartShared > 1000000000LL;
            if (stopping && beat % 2 == 0 &&
                stopPostedAt.compare_exchange_strong(idle, clock.nsecsElapsed()))
                postClick(stopButton, stopLocal, stopGlobal, mouse);
        }
    });

    std::vector<double> runSeconds;
    desktop.onSummary = [&] {
        const qint64 now = clock.nsecsElapsed();
        if (inRun && lastTick >= 0)
            tickGaps.push_back(double(now - lastTick) / 1e6);
        runSeconds.push_back(double(now - runStart) / 1e9);
        inRun = false;
        inRunShared = false;
    };
    ticker.start();
    bool saved = true;
    for (int run = 0; run < runs; ++run) {
        // Delivered at the run's first yield.
        QMetaObject::invokeMethod(&window, [&] {
            inRun = true;
            inRunShared = true;
            runStart = clock.nsecsElapsed();
            runStartShared = runStart;
            lastTick = runStart;
        }, Qt::QueuedConnection);
        desktop.summary.clear();
        window.commandBars().action(ID_CONVERT)->trigger();
        // Stop leaves the rows after those in flight; the large file, the
        // first row, is always done.
        saved = saved && desktop.summary.section(u' ', 0, 0).toInt() >= 1 &&
                desktop.summary.contains(QStringLiteral(" files saved."));
    }
    ticker.stop();
    userDone = true;
    user.join();

    const QString output = QDir(out).filePath(QFileInfo(input).completeBaseName() +
                                              QStringLiteral(".pdf"));
    const double outputMb = double(QFileInfo(output).size()) / 1e6;
    // Other processes competing for the processors show in every figure.
    QFile loadFile(QStringLiteral("/proc/loadavg"));
    if (loadFile.open(QIODevice::ReadOnly))
        std::printf("load average: %s\n", loadFile.readLine().trimmed().constData());
    const Stats seconds = statsOf(runSeconds);
    std::printf("%zu runs (strength %d): median %.2f s, %.1f MB/s, output %.1f MB\n",
                seconds.count, strength, seconds.median,
                seconds.median > 0 ? inputMb / seconds.median : 0.0, outputMb);

    const Stats ticks = statsOf(tickGaps);
    const Stats paint = statsOf(paints.latencies);
    const Stats stop = statsOf(stopLatencies);
    std::printf("event loop: %zu gaps of a 5 ms timer, median %.2f ms, p99 %.2f ms, longest %.2f ms\n",
                ticks.count, ticks.median, ticks.p99, ticks.max);
    std::printf("repaint:    %zu updates, median %.2f ms, p99 %.2f ms, longest %.2f ms\n",
                paint.count, paint.median, paint.p99, paint.max);
    std::printf("stop click: %zu clicks, median %.2f ms, p99 %.2f ms, longest %.2f ms\n",
                stop.count, stop.median, stop.p99, stop.max);

    bool ok = true;
    if (desktop.otherPrompts != 0 || !saved || outputMb <= 0) {
        std::printf("FAILED: the run did not save its output\n");
        ok = false;
    }
    if (ticks.max > TargetMs || paint.count == 0 || stop.count == 0 || paint.max > TargetMs ||
        stop.max > TargetMs) {
        std::printf("FAILED: the event loop, repaint and Stop must each keep within %.0f ms\n",
                    TargetMs);
        ok = false;
    }
    if (ok)
        std::printf("target met: event loop, repaint and Stop within %.0f ms\n", TargetMs);
    return ok ? 0 : 2;
}
