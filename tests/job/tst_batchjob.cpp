#include "job/BatchJob.h"
#include "job/Paths.h"
#include "job/PdfLibrary.h"

#include "PdfReaders.h"
#include "TestPdfs.h"

#include <QDir>
#include <QEventLoop>
#include <QElapsedTimer>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSemaphore>
#include <QThread>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <functional>
#include <numeric>
#include <utility>
#include <memory>

// Counts the calls that change the umask once the tests have started: it is
// process-wide, and files other threads create meanwhile would take it.
namespace {
std::atomic<bool> testsStarted{false};
std::atomic<int> umaskCalls{0};
}  // namespace

#ifndef Q_OS_WIN  // Windows has no umask
#include <dlfcn.h>
#include <sys/stat.h>

extern "C" mode_t umask(mode_t mask)
{
    using Umask = mode_t (*)(mode_t);
    static const auto real = reinterpret_cast<Umask>(dlsym(RTLD_NEXT, "umask"));
    if (testsStarted)
        ++umaskCalls;
    return real(mask);
}
#endif

using namespace PdfReaders;
using TestPdfs::entries;

namespace {

// A small file system of its own, for a destination that runs out of space.
// Needs root (under Wine, on the Linux machine); skipped elsewhere.
class ScratchFileSystem
{
public:
    ScratchFileSystem(const QString& folder, qint64 bytes)
        : folder_(folder)
    {
        QDir().mkpath(folder);
        mounted_ = runOnHost(QStringLiteral("mount"),
                             {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                              QStringLiteral("size=%1").arg(bytes), QStringLiteral("tmpfs"), folder});
    }
    ~ScratchFileSystem()
    {
        if (mounted_)
            runOnHost(QStringLiteral("umount"), {QStringLiteral("-l"), folder_});
    }
    ScratchFileSystem(const ScratchFileSystem&) = delete;
    ScratchFileSystem& operator=(const ScratchFileSystem&) = delete;

    bool mounted() const { return mounted_; }

private:
    QString folder_;
    bool mounted_ = false;
};

struct Outcome
{
    BatchJob::Counts counts;
    QList<RowResult> results;   // as reported, in order
    QStringList outputs;
};

} // namespace

// The run in the engine: outputs named before the first row, rows reported
// in list order, failures that leave nothing behind, stop, and a destination
// that goes wrong in the middle of a run.
class TestBatchJob : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> work_;
    QString readOnlyFolder_;
    QStringList changedInputs_;

    QString path(const QString& relative) const
    {
        return QDir::toNativeSeparators(work_->filePath(relative));
    }

    QString makePdf(const QString& relative, const TestPdfs::Options& options = {})
    {
        const QString file = path(relative);
        QDir().mkpath(QFileInfo(file).path());
        return TestPdfs::write(file, options) ? file : QString();
    }

    QString makeFolder(const QString& relative)
    {
        QDir().mkpath(path(relative));
        return path(relative);
    }

    static EncryptionSettings settings()
    {
        EncryptionSettings settings;
        settings.ownerPassword = QStringLiteral("Kesto");
        return settings;
    }

    static QList<JobRow> rowsOf(const QStringList& inputs)
    {
        QList<JobRow> rows;
        for (const QString& input : inputs)
            rows << JobRow(input);
        return rows;
    }

    // Runs the rows into `folder`, `onDone` seeing every report, and checks
    // that every input is left byte for byte as it was. With `onDone`, one
    // row at a time, so that it sees the run between two rows.
    Outcome run(const QList<JobRow>& rows, const QString& folder,
                const std::function<void(int)>& onDone = {},
                const EncryptionSettings& security = settings())
    {
        QMap<QString, QByteArray> inputs;
        for (const JobRow& row : rows)
            if (QFileInfo::exists(row.path))
                inputs.insert(row.path, TestPdfs::readBytes(row.path));
        Outcome outcome;
        BatchJob job(rows, WithTrailingSeparator(folder), security);
        if (onDone)
            job.setMaxParallelRows(1);
        outcome.outputs = job.outputs();
        job.onRowDone = [&](int row, const RowResult& result) {
            outcome.results << result;
            if (onDone)
                onDone(row);
        };
        outcome.counts = job.run();
        for (auto input = inputs.cbegin(); input != inputs.cend(); ++input)
            if (TestPdfs::readBytes(input.key()) != input.value())
                changedInputs_ << input.key();
        return outcome;
    }

    static QList<int> codes(const Outcome& outcome)
    {
        QList<int> codes;
        for (const RowResult& result : outcome.results)
            codes << (result.saved ? 0 : result.errorCode);
        return codes;
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QStringList missing = missingTools();
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u' ')));
        testsStarted = true;
    }

    // Every run above wrote its files without ever touching the umask.
    void cleanupTestCase() { QCOMPARE(umaskCalls.load(), 0); }

    void init()
    {
        work_ = std::make_unique<QTemporaryDir>();
        QVERIFY(work_->isValid());
    }

    void cleanup()
    {
        if (!readOnlyFolder_.isEmpty())
            TestPdfs::makeWritable(readOnlyFolder_);
        readOnlyFolder_.clear();
        work_.reset();
        QCOMPARE(std::exchange(changedInputs_, {}), QStringList());
    }

    // One row at a time, rows are reported once each, in list order; a
    // stop ends the run after the row in flight.
    void reportsInOrderAndStops()
    {
        BatchJob job(rowsOf({QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"),
                             QStringLiteral("3")}),
                     WithTrailingSeparator(work_->path()), settings());
        job.setMaxParallelRows(1);
        job.setRowWork([](PdfLibrary&, const JobRow& row, const QString&, const EncryptionSettings&) {
            return row.path == u"1" ? RowResult{false, 107, 0} : RowResult{true, 0, 0};
        });
        QList<int> started;
        QStringList reported;
        job.onRowStarted = [&](int row) { started << row; };
        job.onRowDone = [&](int row, const RowResult& result) {
            reported << QStringLiteral("%1:%2").arg(row).arg(result.saved ? 0 : result.errorCode);
            if (row == 2)
                job.requestStop();
        };
        const BatchJob::Counts counts = job.run();
        QCOMPARE(started, (QList<int>{0, 1, 2}));
        QCOMPARE(reported, (QStringList{QStringLiteral("0:0"), QStringLiteral("1:107"),
                                        QStringLiteral("2:0")}));
        QCOMPARE(counts.total, 4);
        QCOMPARE(counts.done, 3);
        QCOMPARE(counts.saved, 2);
    }

    // A row may go to its own subfolder and carry its own security.
    void rowsCarryTheirFolderAndSecurity()
    {
        JobRow own(QStringLiteral("/in/b/x.pdf"));
        own.subfolder = QStringLiteral("b");
        own.security = settings();
        own.security->ownerPassword = QStringLiteral("own");
        const QString folder = WithTrailingSeparator(work_->path());
        BatchJob job({JobRow(QStringLiteral("/in/x.pdf")), own}, folder, settings());
        QStringList seen;
        job.setRowWork([&](PdfLibrary&, const JobRow&, const QString& output,
                           const EncryptionSettings& security) {
            seen << output + u' ' + security.ownerPassword;
            return RowResult{true, 0, 0};
        });
        job.setMaxParallelRows(1);
        job.run();
        QCOMPARE(seen, (QStringList{folder + QStringLiteral("x.pdf Kesto"),
                                    WithTrailingSeparator(folder + QStringLiteral("b")) +
                                        QStringLiteral("x.pdf own")}));
    }

    // Side by side, a row that finishes early waits for the rows before it
    // to be reported; after a stop the rows in flight finish and are
    // reported, and no other row starts.
    void parallelRowsReportInListOrderAndStop()
    {
        QSemaphore rowZeroMayEnd;
        QSemaphore rowTwoMayEnd;
        QMutex mutex;
        QList<int> finished;
        BatchJob job(rowsOf({QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"),
                             QStringLiteral("3"), QStringLiteral("4")}),
                     WithTrailingSeparator(work_->path()), settings());
        job.setMaxParallelRows(2);
        job.setRowWork([&](PdfLibrary&, const JobRow& row, const QString&, const EncryptionSettings&) {
            const int index = row.path.toInt();
            if (index == 0)
                rowZeroMayEnd.acquire();
            if (index == 2) {
                rowZeroMayEnd.release();
                rowTwoMayEnd.acquire();
            }
            const QMutexLocker lock(&mutex);
            finished << index;
            return RowResult{true, 0, 0};
        });
        QList<int> started;
        QList<int> reported;
        job.onRowStarted = [&](int row) { started << row; };
        job.onRowDone = [&](int row, const RowResult&) {
            reported << row;
            if (row == 0) {
                job.requestStop();
                rowTwoMayEnd.release();
            }
        };
        const BatchJob::Counts counts = job.run();
        QCOMPARE(finished, (QList<int>{1, 0, 2}));
        QCOMPARE(started, (QList<int>{0, 1, 2}));
        QCOMPARE(reported, (QList<int>{0, 1, 2}));
        QCOMPARE(counts.done, 3);
    }

    // Started largest first, with any number of rows at once and a stop
    // anywhere: rows that hold their document first, then by cost, ties in
    // list order; every row that
    // started, and no other, is worked on and reported once, in list order;
    // outputs are named as in list order.
    void largestFirstReportsInListOrder_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 40; ++seed)
            QTest::newRow(qPrintable(QString::number(seed))) << seed;
    }
    void largestFirstReportsInListOrder()
    {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        const QString heldPdf = makePdf(QStringLiteral("held.pdf"));
        PdfLibrary library;
        QList<JobRow> rows;
        for (int i = int(random.bounded(1, 12)); i > 0; --i) {
            rows << JobRow(path(QStringLiteral("%1.pdf").arg(i % 4)));
            rows.last().objects = random.bounded(4);
            if (random.bounded(3) == 0) {
                QCOMPARE(library.OpenFile(heldPdf, {}), 1);
                rows.last().opened = library.HoldDocument();
            }
        }
        const QString folder = WithTrailingSeparator(work_->path());
        const QStringList listOrderNames = BatchJob(rows, folder, settings()).outputs();
        BatchJob job(rows, folder, settings());
        job.startLargestFirst();
        job.setMaxParallelRows(int(random.bounded(1, 4)));
        QMutex mutex;
        QSet<QString> worked;
        job.setRowWork([&](PdfLibrary&, const JobRow& row, const QString& output,
                           const EncryptionSettings&) {
            QThread::usleep(unsigned(row.objects) * 100);  // rows end out of order
            const QMutexLocker lock(&mutex);
            worked.insert(output);
            return RowResult{true, 0, 0};
        });
        const int stopAfter = int(random.bounded(int(rows.size()) + 1));
        QList<int> started;
        QList<int> reported;
        job.onRowStarted = [&](int row) { started << row; };
        job.onRowDone = [&](int row, const RowResult&) {
            reported << row;
            if (reported.size() == stopAfter)
                job.requestStop();
        };
        const BatchJob::Counts counts = job.run();

        QCOMPARE(job.outputs(), listOrderNames);
        QList<int> byCost(rows.size());
        std::iota(byCost.begin(), byCost.end(), 0);
        std::stable_sort(byCost.begin(), byCost.end(), [&](int a, int b) {
            return bool(rows[a].opened) != bool(rows[b].opened) ? bool(rows[a].opened)
                                                                : rows[a].objects > rows[b].objects;
        });
        QCOMPARE(started, byCost.first(started.size()));
        QList<int> startedInListOrder = started;
        std::sort(startedInListOrder.begin(), startedInListOrder.end());
        QCOMPARE(reported, startedInListOrder);
        QCOMPARE(counts.done, int(started.size()));
        QSet<QString> startedOutputs;
        for (int row : std::as_const(started))
            startedOutputs.insert(job.outputs()[row]);
        QCOMPARE(worked, startedOutputs);
    }

    // A report that runs an event loop (a message box) is not interrupted
    // by the reports of the rows that finish meanwhile: they wait for it.
    void reportsAreNeverNested()
    {
        BatchJob job(rowsOf({QStringLiteral("0"), QStringLiteral("1")}),
                     WithTrailingSeparator(work_->path()), settings());
        job.setMaxParallelRows(2);
        QSemaphore rowOneMayEnd;
        std::atomic<bool> rowOneEnded{false};
        job.setRowWork([&](PdfLibrary&, const JobRow& row, const QString&, const EncryptionSettings&) {
            if (row.path == u"1") {
                rowOneMayEnd.acquire();
                rowOneEnded = true;
            }
            return RowResult{true, 0, 0};
        });
        int depth = 0;
        int deepest = 0;
        job.onRowDone = [&](int row, const RowResult&) {
            deepest = std::max(deepest, ++depth);
            if (row == 0) {
                // As a message box would: events run until well after row 1 ended.
                rowOneMayEnd.release();
                QElapsedTimer clock;
                clock.start();
                while (!rowOneEnded && !clock.hasExpired(10000))
                    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
                clock.restart();
                while (!clock.hasExpired(100))
                    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            }
            --depth;
        };
        QCOMPARE(job.run().done, 2);
        QCOMPARE(deepest, 1);
    }

    // The inputs in flight stay within the budget; a file larger than the
    // budget runs alone.
    void memoryBudgetIsKept()
    {
        const QList<qint64> sizes = {40, 40, 40, 150, 30, 30, 40};
        QStringList inputs;
        for (qsizetype i = 0; i < sizes.size(); ++i) {
            QFile file(path(QStringLiteral("%1.pdf").arg(i)));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(sizes[i]));
            inputs << file.fileName();
        }
        QMutex mutex;
        qint64 bytes = 0;
        int rows = 0;
        int mostRows = 0;
        QStringList overBudget;
        BatchJob job(rowsOf(inputs), WithTrailingSeparator(work_->path()), settings());
        job.setMaxParallelRows(4);
        job.setMemoryBudget(100);
        job.setRowWork([&](PdfLibrary&, const JobRow& row, const QString&, const EncryptionSettings&) {
            const qint64 size = QFileInfo(row.path).size();
            {
                const QMutexLocker lock(&mutex);
                bytes += size;
                mostRows = std::max(mostRows, ++rows);
                if (rows > 1 && bytes > 100)
                    overBudget << QStringLiteral("%1 bytes in %2 rows").arg(bytes).arg(rows);
            }
            QThread::msleep(30);
            const QMutexLocker lock(&mutex);
            bytes -= size;
            --rows;
            return RowResult{true, 0, 0};
        });
        QCOMPARE(job.run().saved, int(sizes.size()));
        QCOMPARE(overBudget, QStringList());
        QVERIFY(mostRows >= 2);
    }

    // A document's objects count too: two rows whose objects would not fit
    // the budget side by side run one at a time, however small their files;
    // so do two that would, beside a document a later row already holds.
    void objectsCountInTheBudget_data()
    {
        QTest::addColumn<bool>("held");
        QTest::newRow("objects of the rows") << false;
        QTest::newRow("and a document held") << true;
    }
    void objectsCountInTheBudget()
    {
        QFETCH(bool, held);
        QList<JobRow> rows;
        for (int i = 0; i < 2; ++i) {
            JobRow row(path(QStringLiteral("%1.pdf").arg(i)));
            QVERIFY(TestPdfs::writeBytes(row.path, "%PDF"));
            row.objects = 1000;
            rows << row;
        }
        const qint64 cost = BatchJob::MemoryCost(4, 1000);
        PdfLibrary library;
        if (held) {
            JobRow row(makePdf(QStringLiteral("held.pdf")));
            QCOMPARE(library.OpenFile(row.path, {}), 1);
            row.objects = 1000;
            row.opened = library.HoldDocument();
            rows << row;
        }
        QMutex mutex;
        int running = 0;
        int most = 0;
        BatchJob job(rows, WithTrailingSeparator(work_->path()), settings());
        job.setMaxParallelRows(2);
        job.setMemoryBudget(held ? 2 * cost + cost / 2 : cost + cost / 2);
        job.setRowWork(
            [&](PdfLibrary&, const JobRow& row, const QString&, const EncryptionSettings&) {
                if (row.opened)
                    return RowResult{true};
                {
                    const QMutexLocker lock(&mutex);
                    most = std::max(most, ++running);
                }
                QThread::msleep(20);
                const QMutexLocker lock(&mutex);
                --running;
                return RowResult{true};
            });
        QCOMPARE(job.run().saved, int(rows.size()));
        QCOMPARE(most, 1);
    }

    // A real run two rows at a time: every output reads back right.
    void parallelRunWritesCorrectOutputs()
    {
        TestPdfs::Options options;
        options.pages = 40;
        QStringList inputs;
        for (int n = 1; n <= 4; ++n) {
            options.text = QStringLiteral("File %1 page").arg(n);
            inputs << makePdf(QStringLiteral("in/%1.pdf").arg(n), options);
        }
        const QString out = makeFolder(QStringLiteral("out"));
        EncryptionSettings security = settings();
        security.requireUserPassword = true;
        security.userPassword = QStringLiteral("open");
        security.strength = EncryptionSettings::Aes_256;
        BatchJob job(rowsOf(inputs), WithTrailingSeparator(out), security);
        job.setMaxParallelRows(2);
        QCOMPARE(job.run().saved, 4);
        for (int n = 1; n <= 4; ++n) {
            options.text = QStringLiteral("File %1 page").arg(n);
            Expected expected;
            expected.permissions = -3904 | (1 << 9);   // accessibility, always at AES
            expected.userPassword = security.userPassword;
            expected.ownerPassword = security.ownerPassword;
            for (int page = 1; page <= options.pages; ++page)
                expected.pageTexts << TestPdfs::pageText(options, page);
            const QString problems =
                protectionProblems(QDir(out).filePath(QStringLiteral("%1.pdf").arg(n)), expected);
            QVERIFY2(problems.isEmpty(), qPrintable(problems));
        }
    }

    // Where each output goes, from the input's name and the destination.
    void outputNames_data()
    {
        QTest::addColumn<QString>("input");        // in the work folder
        QTest::addColumn<QString>("destination");  // "%w" is the work folder
        QTest::addColumn<QString>("output");       // in the work folder

        QTest::newRow("last extension only") << QStringLiteral("in/Report.final.pdf")
                                             << QStringLiteral("%w/out")
                                             << QStringLiteral("out/Report.final.pdf");
        QTest::newRow("upper-case extension") << QStringLiteral("in/a.PDF") << QStringLiteral("%w/out/")
                                              << QStringLiteral("out/a.pdf");
        QTest::newRow("name without a dot") << QStringLiteral("in/reportpdf") << QStringLiteral("%w/out")
                                            << QStringLiteral("out/reportpdf.pdf");
        QTest::newRow("own folder") << QStringLiteral("in/a.pdf") << QStringLiteral("%w/in")
                                    << QStringLiteral("in/a_new.pdf");
        QTest::newRow("own folder, other extension case") << QStringLiteral("in/a.PDF")
                                                          << QStringLiteral("%w/in/")
                                                          << QStringLiteral("in/a.pdf");
        QTest::newRow("own folder through dot segments") << QStringLiteral("in/a.pdf")
                                                         << QStringLiteral("%w/out/../in/.")
                                                         << QStringLiteral("in/a_new.pdf");
        QTest::newRow("own folder through a link") << QStringLiteral("in/a.pdf")
                                                   << QStringLiteral("%w/link")
                                                   << QStringLiteral("in/a_new.pdf");
    }

    void outputNames()
    {
        QFETCH(QString, input);
        QFETCH(QString, destination);
        QFETCH(QString, output);
        const QString inputPath = makePdf(input);
        QVERIFY(!inputPath.isEmpty());
        makeFolder(QStringLiteral("out"));
        if (QFileInfo::exists(path(output)))
            QSKIP("letter case does not tell files apart here");
        if (destination.contains(QStringLiteral("link")) &&
            !makeSymLink(path(QStringLiteral("in")), path(QStringLiteral("link"))))
            QSKIP("no symbolic link can be made here");
        destination.replace(QStringLiteral("%w"), QDir::toNativeSeparators(work_->path()));
        const QStringList before = entries(path(QStringLiteral("in"))) +
                                   entries(path(QStringLiteral("out")));

        const Outcome outcome = run(rowsOf({inputPath}), DestinationFolder(destination));
        QCOMPARE(codes(outcome), QList<int>{0});
        const QStringList after = entries(path(QStringLiteral("in"))) +
                                  entries(path(QStringLiteral("out")));
        QCOMPARE(after.size(), before.size() + 1);
        QVERIFY(IsSameFile(outcome.outputs.first(), path(output)));
        QVERIFY(popplerInfo(path(output)).encrypted);
    }

    // Two rows of the same name from different folders get two outputs:
    // the first keeps the name and replaces an earlier run's file of that
    // name, the second takes "_new.pdf".
    void sameNameFromTwoFoldersGivesTwoOutputs()
    {
        TestPdfs::Options first;
        first.text = QStringLiteral("First file");
        TestPdfs::Options second;
        second.text = QStringLiteral("Second file");
        const QString a = makePdf(QStringLiteral("a/x.pdf"), first);
        const QString b = makePdf(QStringLiteral("b/x.pdf"), second);
        const QString out = makeFolder(QStringLiteral("out"));
        QVERIFY(TestPdfs::writeBytes(QDir(out).filePath(QStringLiteral("x.pdf")), "an earlier run's"));

        const Outcome outcome = run(rowsOf({a, b}), out);
        QCOMPARE(outcome.counts.saved, 2);
        QCOMPARE(entries(out), (QStringList{QStringLiteral("x.pdf"), QStringLiteral("x_new.pdf")}));
        QVERIFY(mupdfText(QDir(out).filePath(QStringLiteral("x.pdf"))).contains(QStringLiteral("First file 1")));
        QVERIFY(mupdfText(QDir(out).filePath(QStringLiteral("x_new.pdf")))
                    .contains(QStringLiteral("Second file 1")));
    }

    // Whatever the list and whichever files the user leaves out (Yes runs
    // every row, No leaves the flagged ones out, Cancel runs none), no listed
    // file is written, and no two outputs share a path. Lists repeat names
    // in several folders, in letter cases and through links; the destination
    // is one of the inputs' folders or a link to one.
    void noListedFileIsEverWritten_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 120; ++seed)
            QTest::newRow(qPrintable(QString::number(seed))) << seed;
    }

    void noListedFileIsEverWritten()
    {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        const QStringList folders{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
        const QStringList names{QStringLiteral("x.pdf"), QStringLiteral("X.pdf"),
                                QStringLiteral("y.pdf"), QStringLiteral("x_new.pdf")};
        QStringList files;
        for (const QString& folder : folders) {
            QDir().mkpath(path(folder));
            for (const QString& name : names)
                if (random.bounded(3) != 0) {
                    files << path(folder + u'/' + name);
                    QVERIFY(TestPdfs::writeBytes(files.last(), files.last().toUtf8()));
                }
        }
        QStringList destinations = folders;
        if (makeSymLink(path(QStringLiteral("a")), path(QStringLiteral("link-to-a")))) {
            destinations << QStringLiteral("link-to-a");
            if (!files.isEmpty()) {
                const QString linked = path(QStringLiteral("b/linked.pdf"));
                QVERIFY(makeSymLink(files[int(random.bounded(int(files.size())))], linked));
                files << linked;
            }
        }
        QStringList listed;
        for (const QString& file : std::as_const(files))
            if (random.bounded(4) != 0)
                listed << file;
        QList<JobRow> rows;
        QStringList leftOut;
        const int answer = int(random.bounded(3));  // 0 Yes, 1 No, 2 Cancel
        for (const QString& file : std::as_const(listed)) {
            if (answer == 1 && random.bounded(2) == 0)
                leftOut << file;
            else if (answer != 2)
                rows << JobRow(file);
        }
        if (answer == 2)
            return;
        QMap<QString, QByteArray> before;
        for (const QString& file : std::as_const(listed))
            before.insert(file, TestPdfs::readBytes(file));

        const QString destination = destinations[int(random.bounded(int(destinations.size())))];
        BatchJob job(rows, WithTrailingSeparator(path(destination)), settings(), leftOut);
        // Writes through whatever is at the output path, to show any file hit.
        job.setRowWork([](PdfLibrary&, const JobRow&, const QString& output,
                          const EncryptionSettings&) {
            QFile file(output);
            const bool written = file.open(QIODevice::WriteOnly) && file.write("output") == 6;
            return RowResult{written, written ? 0 : 107, 0};
        });
        QCOMPARE(job.run().saved, int(rows.size()));

        QSet<QString> outputs;
        for (const QString& output : job.outputs())
            outputs.insert(OutputKey(QFileInfo(output).canonicalFilePath()));
        QCOMPARE(outputs.size(), job.outputs().size());
        for (auto file = before.cbegin(); file != before.cend(); ++file)
            QVERIFY2(TestPdfs::readBytes(file.key()) == file.value(),
                     qPrintable(file.key() + QStringLiteral(" was written")));
    }

    // An output that would be another row's input gets "_new.pdf".
    void outputNeverHitsAnotherRowsInput()
    {
        TestPdfs::Options first;
        first.text = QStringLiteral("From a");
        TestPdfs::Options second;
        second.text = QStringLiteral("From b");
        const QString a = makePdf(QStringLiteral("a/x.pdf"), first);
        const QString b = makePdf(QStringLiteral("b/x.pdf"), second);
        const QString c = makePdf(QStringLiteral("a/y.pdf"));
        const QString folder = path(QStringLiteral("b"));

        const Outcome outcome = run(rowsOf({a, c, b}), folder);
        QCOMPARE(outcome.counts.saved, 3);
        QCOMPARE(entries(folder), (QStringList{QStringLiteral("x.pdf"), QStringLiteral("x_new.pdf"),
                                               QStringLiteral("x_new2.pdf"), QStringLiteral("y.pdf")}));
        // b/x.pdf is still b's input; the two x rows wrote two outputs.
        QVERIFY(mupdfText(QDir(folder).filePath(QStringLiteral("x_new.pdf")))
                    .contains(QStringLiteral("From a 1")));
        QVERIFY(mupdfText(QDir(folder).filePath(QStringLiteral("x_new2.pdf")))
                    .contains(QStringLiteral("From b 1")));
        QVERIFY(!popplerInfo(b).encrypted);
        QVERIFY(popplerInfo(QDir(folder).filePath(QStringLiteral("y.pdf"))).encrypted);
    }

    // A link in the destination that leads to another row's input is not
    // written through: that output gets "_new.pdf" as well.
    void outputNeverWritesThroughALinkToAnInput()
    {
        TestPdfs::Options other;
        other.text = QStringLiteral("Linked input");
        const QString x = makePdf(QStringLiteral("a/x.pdf"));
        const QString y = makePdf(QStringLiteral("b/y.pdf"), other);
        const QString out = makeFolder(QStringLiteral("out"));
        const QByteArray yBytes = TestPdfs::readBytes(y);
        if (!makeSymLink(y, QDir(out).filePath(QStringLiteral("x.pdf"))))
            QSKIP("no symbolic link can be made here");

        const Outcome outcome = run(rowsOf({x, y}), out);
        QCOMPARE(outcome.counts.saved, 2);
        QCOMPARE(entries(out), (QStringList{QStringLiteral("x.pdf"), QStringLiteral("x_new.pdf"),
                                            QStringLiteral("y.pdf")}));
        QCOMPARE(TestPdfs::readBytes(QDir(out).filePath(QStringLiteral("x.pdf"))), yBytes);
        QCOMPARE(TestPdfs::readBytes(y), yBytes);
        QVERIFY(popplerInfo(QDir(out).filePath(QStringLiteral("x_new.pdf"))).encrypted);
    }

    // A row that fails reports the component's code, leaves no file behind,
    // and the run goes on.
    void failingRows_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("code");
        QTest::newRow("file deleted after adding") << QStringLiteral("deleted") << 101;
        QTest::newRow("password changed after adding") << QStringLiteral("password") << 404;
        QTest::newRow("output cannot be written") << QStringLiteral("unwritable") << 107;
        QTest::newRow("input damaged") << QStringLiteral("damaged") << 102;
    }

    void failingRows()
    {
        QFETCH(QString, failure);
        QFETCH(int, code);
        TestPdfs::Options protectedFile;
        protectedFile.userPassword = QStringLiteral("second");
        protectedFile.ownerPassword = QStringLiteral("second owner");
        protectedFile.strength = 2;
        const QString bad = failure == u"password" ? makePdf(QStringLiteral("in/bad.pdf"), protectedFile)
                                                   : makePdf(QStringLiteral("in/bad.pdf"));
        const QString good = makePdf(QStringLiteral("in/good.pdf"));
        const QString out = makeFolder(QStringLiteral("out"));
        if (failure == u"deleted")
            QVERIFY(QFile::remove(bad));
        else if (failure == u"unwritable")
            QVERIFY(QDir(out).mkdir(QStringLiteral("bad.pdf")));
        else if (failure == u"damaged")
            QVERIFY(TestPdfs::writeBytes(bad, "%PDF-1.4\nnothing else\n"));

        // The row keeps the password the file had when it was listed.
        const Outcome outcome = run({JobRow(bad, QStringLiteral("first")), JobRow(good)}, out);
        QCOMPARE(codes(outcome), (QList<int>{code, 0}));
        QCOMPARE(outcome.counts.saved, 1);
        const QStringList expected = failure == u"unwritable"
                                         ? QStringList{QStringLiteral("bad.pdf"), QStringLiteral("good.pdf")}
                                         : QStringList{QStringLiteral("good.pdf")};
        QCOMPARE(entries(out), expected);
        if (failure == u"unwritable")
            QVERIFY(QFileInfo(QDir(out).filePath(QStringLiteral("bad.pdf"))).isDir());
    }

    // Security the chosen strength cannot take fails every row: no file at
    // all, and nothing counted.
    void encryptionFailureWritesNothing()
    {
        const QString out = makeFolder(QStringLiteral("out"));
        EncryptionSettings security = settings();
        // The older strengths hold passwords in an 8-bit encoding only.
        security.ownerPassword = QStringLiteral("所有者");
        security.strength = EncryptionSettings::Rc4_128;
        const Outcome outcome = run(rowsOf({makePdf(QStringLiteral("in/a.pdf")),
                                            makePdf(QStringLiteral("in/b.pdf"))}),
                                    out, {}, security);
        QCOMPARE(codes(outcome), (QList<int>{106, 106}));
        QCOMPARE(outcome.counts.saved, 0);
        QCOMPARE(entries(out), QStringList());
    }

    // The destination goes wrong between the first and the second row: each
    // file that cannot be written fails with 107 and leaves nothing behind,
    // and the rows after it are still tried.
    void destinationFailsDuringARun_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("removed") << QStringLiteral("removed");
        QTest::newRow("made read-only") << QStringLiteral("read-only");
    }

    void destinationFailsDuringARun()
    {
        QFETCH(QString, fault);
        const QStringList inputs = {makePdf(QStringLiteral("in/1.pdf")),
                                    makePdf(QStringLiteral("in/2.pdf")),
                                    makePdf(QStringLiteral("in/3.pdf"))};
        const QString out = makeFolder(QStringLiteral("out"));
        bool faulted = false;
        const Outcome outcome = run(rowsOf(inputs), out, [&](int row) {
            if (row != 0)
                return;
            faulted = fault == u"removed" ? QDir(out).removeRecursively()
                                           : TestPdfs::makeReadOnly(out);
            if (fault == u"read-only")
                readOnlyFolder_ = out;
        });
        if (!faulted)
            QSKIP("this file system cannot make a folder read-only for this user");
        QCOMPARE(codes(outcome), (QList<int>{0, 107, 107}));
        if (fault == u"removed") {
            QVERIFY(!QFileInfo::exists(out));
            QCOMPARE(entries(work_->path()), QStringList{QStringLiteral("in")});
        } else {
            QCOMPARE(entries(out), QStringList{QStringLiteral("1.pdf")});
            QVERIFY(popplerInfo(QDir(out).filePath(QStringLiteral("1.pdf"))).encrypted);
        }
    }

    // A file too big for what is left on the disk fails alone: nothing of
    // it stays, and the next file, which fits, is saved.
    void destinationRunsOutOfSpace()
    {
        TestPdfs::Options big;
        big.pages = 3000;
        const QStringList inputs = {makePdf(QStringLiteral("in/small1.pdf")),
                                    makePdf(QStringLiteral("in/big.pdf"), big),
                                    makePdf(QStringLiteral("in/small2.pdf"))};
        const qint64 bigSize = QFileInfo(inputs[1]).size();
        QVERIFY(bigSize > 8 * QFileInfo(inputs[0]).size());
        const QString out = path(QStringLiteral("out"));
        ScratchFileSystem disk(out, std::max<qint64>(bigSize / 2, 64 * 1024));
        if (!disk.mounted())
            QSKIP("mounting a small file system needs root");

        const Outcome outcome = run(rowsOf(inputs), out);
        QCOMPARE(codes(outcome), (QList<int>{0, 107, 0}));
        QCOMPARE(entries(out), (QStringList{QStringLiteral("small1.pdf"), QStringLiteral("small2.pdf")}));
        for (const QString& name : entries(out)) {
            const PopplerInfo info = popplerInfo(QDir(out).filePath(name));
            QVERIFY2(info.encrypted, qPrintable(name));
            QCOMPARE(info.pages, 3);
        }
    }
};

QTEST_GUILESS_MAIN(TestBatchJob)
#include "tst_batchjob.moc"
