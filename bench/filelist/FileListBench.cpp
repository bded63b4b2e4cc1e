// Times adding 5,000 small PDFs through FileList::AddPdfFile into a real,
// visible main window (offscreen), against PdfLibrary alone opening and
// counting the same files, and times sorting the 5,000 rows by size. Exits
// with 2 when a target is missed.
//
//   bench_filelist [file count]     (default 5000)

#include "BenchDesktop.h"
#include "app/FormMain.h"
#include "filelist/FileList.h"
#include "filelist/FileListView.h"
#include "job/PdfLibrary.h"
#include "platform/Desktop.h"
#include "ui/TabStrip.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>

namespace {

// Counts the paints of one widget.
class PaintCounter final : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

// A PDF of 1 to 9 pages, its size spread over 0 to 40 KB by uncompressed
// padding in the first page's content, so sizes and page counts vary.
bool writePdf(const QString& path, int index)
{
    try {
        QPDF pdf;
        pdf.emptyPDF();
        QPDFPageDocumentHelper pages(pdf);
        const int pageCount = 1 + index % 9;
        const size_t padding = size_t((index * 7919) % (40 * 1024));
        for (int page = 0; page < pageCount; ++page) {
            std::string content = "0 0 m 100 100 l S\n";
            if (page == 0)
                content += "%" + std::string(padding, 'x') + "\n";
            QPDFObjectHandle pageObject = pdf.makeIndirectObject(QPDFObjectHandle::parse(
                "<< /Type /Page /MediaBox [0 0 612 792] /Resources << >> >>"));
            pageObject.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, content));
            pages.addPage(QPDFPageObjectHelper(pageObject), false);
        }
        const QByteArray file = QFile::encodeName(path);
        QPDFWriter writer(pdf, file.constData());
        writer.setCompressStreams(false);
        writer.write();
        return true;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path), error.what());
        return false;
    }
}

// Wall-clock and main-thread CPU time of a stretch of work. The CPU figure
// is the steadier one on a machine shared with other jobs.
class Stopwatch
{
public:
    Stopwatch() { restart(); }
    void restart()
    {
        wall_.start();
        cpuStart_ = threadCpuSeconds();
    }
    double wall() const { return double(wall_.nsecsElapsed()) / 1e9; }
    double cpu() const { return threadCpuSeconds() - cpuStart_; }

private:
    static double threadCpuSeconds()
    {
#ifdef Q_OS_UNIX
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
#else
        return 0;
#endif
    }

    QElapsedTimer wall_;
    double cpuStart_ = 0;
};

struct Time
{
    double wall = 1e9;
    double cpu = 1e9;
    void keepBest(const Stopwatch& watch)
    {
        wall = std::min(wall, watch.wall());
        cpu = std::min(cpu, watch.cpu());
    }
};

// PdfLibrary alone: what AddPdfFile asks of it for each file.
qint64 libraryAlone(const QStringList& paths, Time& time)
{
    PdfLibrary pdf;
    qint64 pageSum = 0;
    const Stopwatch watch;
    for (const QString& path : paths) {
        pdf.OpenFile(path, QString());
        (void)pdf.ErrorCode();
        pageSum += pdf.CountPages();
        pdf.CloseDocument(pdf.DocumentIdAt(1));
    }
    time.keepBest(watch);
    return pageSum;
}

// A visible main window on its File List tab.
struct Window
{
    BenchDesktop desktop;
    FormMain form{desktop};
    PaintCounter counter;

    Window()
    {
        form.show();
        form.ui().TabStrip1->setCurrentIndex(1);
        QApplication::processEvents();
        form.ui().LvPDF->viewport()->installEventFilter(&counter);
    }
    ~Window()
    {
        form.ui().LvPDF->viewport()->removeEventFilter(&counter);
        form.close();
        // Adding files prompts for nothing here, not even a summary.
        const int prompts = desktop.otherPrompts + (desktop.summary.isEmpty() ? 0 : 1);
        if (prompts != 0)
            std::fprintf(stderr, "unexpected prompts: %d\n", prompts);
    }
    FileList& list() { return form.fileList(); }
};

qint64 kilobytesIn(const QString& sizeText)
{
    QString digits = sizeText;
    digits.remove(QStringLiteral(" KB")).remove(QLatin1Char(','));
    return digits.toLongLong();
}

bool sortedBySize(const FileList& list, bool ascending)
{
    for (int index = 1; index < list.rowCount(); ++index) {
        const qint64 before = kilobytesIn(list.row(index - 1).SizeText);
        const qint64 after = kilobytesIn(list.row(index).SizeText);
        if (ascending ? before > after : before < after)
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(2, QString::fromLocal8Bit(argv[1]).toInt()) : 5000;

    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;
    // The main window reads and writes its settings: keep them away from the user's.
    QStandardPaths::setTestModeEnabled(true);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       folder.filePath(QStringLiteral("settings")));
    const QString pdfFolder = folder.filePath(QStringLiteral("pdfs"));
    QDir().mkpath(pdfFolder);

    QStringList paths;
    const Stopwatch making;
    for (int index = 0; index < count; ++index) {
        const QString path = QDir::toNativeSeparators(
            pdfFolder + QStringLiteral("/doc-%1.pdf").arg(index, 5, 10, QLatin1Char('0')));
        if (!writePdf(path, index))
            return 1;
        paths << path;
    }
    std::printf("made %d PDFs in %.2f s\n", count, making.wall());

    // Best of three of each, the library and the list taking turns so that
    // both meet the same machine load and a warm file cache.
    constexpr int Rounds = 3;
    Time library, adding, sortDown, sortUp;
    qint64 pageSum = 0;
    int paints = 0;
    for (int round = 0; round < Rounds; ++round) {
        pageSum = libraryAlone(paths, library);

        Window window;
        FileList& list = window.list();
        Stopwatch watch;
        // The drop handler is AddPdfFile's caller for a batch: one AddPdfFile
        // and one turn of the event loop per file.
        list.AddDroppedFiles(paths);
        adding.keepBest(watch);
        paints = window.counter.paints;
        if (list.rowCount() != count || list.totalPages() != pageSum) {
            std::fprintf(stderr, "wrong list: %d rows, %d pages (expected %d, %lld)\n",
                         list.rowCount(), list.totalPages(), count, pageSum);
            return 1;
        }

        watch.restart();
        list.ColumnClick(FileListView::SizeColumn);
        QApplication::processEvents();
        sortDown.keepBest(watch);
        const bool descending = sortedBySize(list, false);
        watch.restart();
        list.ColumnClick(FileListView::SizeColumn);
        QApplication::processEvents();
        sortUp.keepBest(watch);
        if (!descending || !sortedBySize(list, true)) {
            std::fprintf(stderr, "the rows are not in size order\n");
            return 1;
        }
    }

    // For comparison: every file laid out and painted (a plain AddPdfFile and
    // processEvents loop), over the first 1,000 files.
    const QStringList some = paths.mid(0, 1000);
    Time everyFile;
    int everyFilePaints = 0;
    {
        Window window;
        const Stopwatch watch;
        for (const QString& path : some) {
            window.list().AddPdfFile(path);
            QApplication::processEvents();
        }
        everyFile.keepBest(watch);
        everyFilePaints = window.counter.paints;
    }

    const auto perFile = [](double seconds, qsizetype files) { return seconds * 1e6 / double(files); };
    std::printf("%d files, %lld pages; best of %d, wall clock (main-thread CPU)\n", count, pageSum,
                Rounds);
    std::printf("PdfLibrary open+count:        %6.3f s (%6.3f s)  %5.0f us/file\n", library.wall,
                library.cpu, perFile(library.wall, count));
    std::printf("list, dropped (AddPdfFile):   %6.3f s (%6.3f s)  %5.0f us/file, %d list paints\n",
                adding.wall, adding.cpu, perFile(adding.wall, count), paints);
    std::printf("ratio list / library:         %6.2f   (%6.2f)    target <= 1.50\n",
                adding.wall / library.wall, adding.cpu / library.cpu);
    std::printf("sort by size, descending:     %6.3f s (%6.3f s)  target < 0.5 s\n", sortDown.wall,
                sortDown.cpu);
    std::printf("sort by size, ascending:      %6.3f s (%6.3f s)  target < 0.5 s\n", sortUp.wall,
                sortUp.cpu);
    std::printf("for comparison, painting after every file: %.0f us/file over %lld files, "
                "%d list paints\n",
                perFile(everyFile.wall, some.size()), qint64(some.size()), everyFilePaints);

    const bool met = adding.wall <= 1.5 * library.wall && sortDown.wall < 0.5 && sortUp.wall < 0.5;
    return met ? 0 : 2;
}
