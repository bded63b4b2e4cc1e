// Encrypts PDF files through PdfLibrary, the way a run does, and reports
// the speed and the peak memory of this process.
//
//   bench_encrypt [--strength 0|1|2|3|all] [--out FOLDER] [--repeat N] INPUT...
//
// Each INPUT is a PDF or a folder whose *.pdf files are taken (large.pdf is
// skipped in a folder: name it on its own). Outputs go to --out (default: a
// temporary folder, removed at the end). The passwords are "USER" and
// "OWNER", every permission allowed, as `qpdf --encrypt USER OWNER 256`.

#include "job/PdfLibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

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
    QStringList inputs;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == u"--strength" && i + 1 < args.size()) {
            const QString value = args[++i];
            strengths = value == u"all" ? QList<int>{0, 1, 2, 3} : QList<int>{value.toInt()};
        } else if (arg == u"--out" && i + 1 < args.size()) {
            outFolder = args[++i];
        } else if (arg == u"--repeat" && i + 1 < args.size()) {
            repeat = std::max(1, args[++i].toInt());
        } else if (QFileInfo(arg).isDir()) {
            const QDir dir(arg);
            for (const QString& name : dir.entryList({QStringLiteral("*.pdf")}, QDir::Files,
                                                     QDir::Name))
                if (name != u"large.pdf")
                    inputs << dir.filePath(name);
        } else {
            inputs << arg;
        }
    }
    if (inputs.isEmpty()) {
        std::fprintf(stderr, "usage: bench_encrypt [--strength 0|1|2|3|all] [--out FOLDER]"
                             " [--repeat N] INPUT...\n");
        return 2;
    }
    QTemporaryDir temporary;
    if (outFolder.isEmpty())
        outFolder = temporary.path();
    QDir().mkpath(outFolder);

    qint64 inputBytes = 0;
    for (const QString& input : inputs)
        inputBytes += QFileInfo(input).size();

    PdfLibrary library;
    const int permissions = library.ComposePermissions(1, 1, 1, 1, 1, 1, 1, 1);
    int failures = 0;
    for (int strength : strengths) {
        for (int round = 0; round < repeat; ++round) {
            QElapsedTimer timer;
            timer.start();
            for (const QString& input : inputs) {
                const QString output =
                    QDir(outFolder).filePath(QFileInfo(input).fileName());
                const bool saved = library.OpenFile(input, {}) == 1
                    && library.ClearSecurity() == 1
                    && library.ApplyEncryption(QStringLiteral("OWNER"), QStringLiteral("USER"),
                                               strength, permissions) != 0
                    && library.SaveFile(output) == 1;
                if (!saved) {
                    ++failures;
                    std::fprintf(stderr, "failed (%d): %s\n", library.ErrorCode(),
                                 qPrintable(input));
                }
                library.CloseDocument(library.DocumentIdAt(1));
            }
            const double seconds = double(timer.nsecsElapsed()) / 1e9;
            std::printf("%-12s %5lld files  %8.1f MB  %7.3f s  %8.1f files/s  %7.1f MB/s"
                        "  peak %6.1f MB\n",
                        strengthName(strength), static_cast<long long>(inputs.size()),
                        double(inputBytes) / 1e6, seconds, double(inputs.size()) / seconds,
                        double(inputBytes) / 1e6 / seconds, double(peakKilobytes()) / 1024.0);
            std::fflush(stdout);
        }
    }
    return failures == 0 ? 0 : 1;
}
