// Runs the engine's batch run (BatchJob) over PDF files, as the window and
// the command line do, and reports the speed and the peak memory of this
// process.
//
//   bench_encrypt [--strength 0|1|2|3|all] [--jobs N] [--out FOLDER] [--repeat N] INPUT...
//
// Each INPUT is a PDF or a folder whose *.pdf files are taken (large.pdf is
// skipped in a folder: name it on its own). --jobs is the number of rows at
// once (default: one per core). Outputs go to --out (default: a temporary
// folder, removed at the end). The passwords are "USER" and "OWNER", every
// permission allowed, as `qpdf --encrypt USER OWNER 256`.

#include "job/BatchJob.h"
#include "job/Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <sys/resource.h>

namespace {

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

const char* strengthName(int strength)
{
    static const char* const names[] = {"40-bit RC4", "128-bit RC4", "128-bit AES",
                                        "256-bit AES"};
    return names[strength];
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QList<int> strengths{3};
    QString outFolder;
    int repeat = 1;
    int jobs = QThread::idealThreadCount();
    QList<JobRow> rows;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == u"--strength" && i + 1 < args.size()) {
            const QString value = args[++i];
            strengths = value == u"all" ? QList<int>{0, 1, 2, 3} : QList<int>{value.toInt()};
        } else if (arg == u"--jobs" && i + 1 < args.size()) {
            jobs = std::max(1, args[++i].toInt());
        } else if (arg == u"--out" && i + 1 < args.size()) {
            outFolder = args[++i];
        } else if (arg == u"--repeat" && i + 1 < args.size()) {
            repeat = std::max(1, args[++i].toInt());
        } else if (QFileInfo(arg).isDir()) {
            const QDir dir(arg);
            for (const QString& name : dir.entryList({QStringLiteral("*.pdf")}, QDir::Files,
                                                     QDir::Name))
                if (name != u"large.pdf")
                    rows << JobRow(dir.filePath(name));
        } else {
            rows << JobRow(arg);
        }
    }
    if (rows.isEmpty()) {
        std::fprintf(stderr, "usage: bench_encrypt [--strength 0|1|2|3|all] [--jobs N]"
                             " [--out FOLDER] [--repeat N] INPUT...\n");
        return 2;
    }
    QTemporaryDir temporary;
    if (outFolder.isEmpty())
        outFolder = temporary.path();
    QDir().mkpath(outFolder);

    qint64 inputBytes = 0;
    for (const JobRow& row : rows)
        inputBytes += QFileInfo(row.path).size();

    EncryptionSettings settings;
    settings.ownerPassword = QStringLiteral("OWNER");
    settings.requireUserPassword = true;
    settings.userPassword = QStringLiteral("USER");
    settings.permissions.fill(true);
    int failures = 0;
    for (int strength : strengths) {
        settings.strength = strength;
        for (int round = 0; round < repeat; ++round) {
            QElapsedTimer timer;
            timer.start();
            BatchJob job(rows, WithTrailingSeparator(QFileInfo(outFolder).absoluteFilePath()),
                         settings);
            job.setMaxParallelRows(jobs);
            job.onRowDone = [&](int row, const RowResult& result) {
                if (!result.saved) {
                    ++failures;
                    std::fprintf(stderr, "failed (%d): %s\n", result.errorCode,
                                 qPrintable(rows[row].path));
                }
            };
            job.run();
            const double seconds = double(timer.nsecsElapsed()) / 1e9;
            std::printf("%-12s %5lld files  %8.1f MB  %2d at once  %7.3f s  %8.1f files/s"
                        "  %7.1f MB/s  peak %6.1f MB\n",
                        strengthName(strength), static_cast<long long>(rows.size()),
                        double(inputBytes) / 1e6, jobs, seconds, double(rows.size()) / seconds,
                        double(inputBytes) / 1e6 / seconds, double(peakKilobytes()) / 1024.0);
            std::fflush(stdout);
        }
    }
    return failures == 0 ? 0 : 1;
}
