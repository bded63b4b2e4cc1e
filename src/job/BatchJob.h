#pragma once

#include "job/EncryptionSettings.h"
#include "job/PdfLibrary.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

class OutputFile;
class QEventLoop;
class Waker;
class WorkerThreads;

// One input of a run.
struct JobRow
{
    JobRow(QString path_ = {}, QString password_ = {})
        : path(std::move(path_))
        , password(std::move(password_))
    {}

    QString path;
    QString password;   // the password that opened it, "" for none
    QString subfolder;  // where under the destination its output goes, "" for the destination
    std::optional<EncryptionSettings> security;  // its own, instead of the run's
    // Its objects (PdfLibrary::DocumentObjects) when known, 0 when not:
    // what it costs in memory (BatchJob::MemoryCost).
    qint64 objects = 0;
    // The file, opened already with `password`: the row loads it instead
    // of opening the file again. Counts in the memory budget until the
    // row has run.
    std::shared_ptr<PdfLibrary::HeldDocument> opened;
};

// How one row of a run ended.
struct RowResult
{
    RowResult(bool saved_ = false, int errorCode_ = 0, double seconds_ = 0)
        : saved(saved_)
        , errorCode(errorCode_)
        , seconds(seconds_)
    {}

    bool saved;
    int errorCode;       // PdfLibrary's code when nothing was saved
    double seconds;      // the row's own time, as BatchJob measured it
    QString repairNote;  // of a saved row: PdfLibrary::RepairNote
    // Of a saved row of EncryptRow: its output, written and read back but
    // neither flushed to disk nor in place yet (FinishRow).
    std::shared_ptr<OutputFile> written;
};

// Opens the row's file (or loads the document it holds), replaces its
// security with `settings` and writes it as `output` (PdfLibrary::WriteFile);
// the document is closed again whatever happens. Nothing is written unless
// the file opened and took the new security; a failing step ends the row and
// its code is the result's errorCode. A saved row tells what libqpdf
// repaired in its input, and is finished by FinishRow.
RowResult EncryptRow(PdfLibrary& pdf, const JobRow& row, const QString& output,
                     const EncryptionSettings& settings);

// Flushes a saved row's output to disk and renames it into place; the row
// is then saved, or failed with PdfLibrary::WriteFailed. Nothing to do for
// a row without a written output.
void FinishRow(RowResult& result);

// A batch run: every row encrypted into one destination folder with one
// security. Every output is named before the first row starts, and no two
// rows share one. Rows start in list order and are worked on by up to one
// worker per core, each with a PdfLibrary of its own, while the calling
// thread's event loop keeps running; what happens is reported back on the
// calling thread, in list order. Threads of their own flush each written
// output to disk and rename it into place while the workers go on with the
// next rows (at most one output for each worker waits for that); a row is
// reported once its output is in place. The documents
// in memory (rows worked on, documents rows hold) stay within a memory
// budget: a row waits until the rows before it leave room, and a file larger
// than the budget runs alone.
class BatchJob
{
public:
    // What is done for one row; EncryptRow unless a test puts another in.
    using RowWork = std::function<RowResult(PdfLibrary&, const JobRow&, const QString& output,
                                            const EncryptionSettings&)>;

    struct Counts
    {
        int total = 0;
        int done = 0;  // rows reported, failed ones included
        int saved = 0;
    };

    // `folder` is absolute and ends with a separator; `settings` is the
    // security of every row that has none of its own. `leftOut` are files
    // listed with the rows but not run: no output is named after them
    // either, so leaving a file out never exposes it to being replaced.
    BatchJob(QList<JobRow> rows, const QString& folder, EncryptionSettings settings,
             const QStringList& leftOut = {});
    ~BatchJob();
    BatchJob(const BatchJob&) = delete;
    BatchJob& operator=(const BatchJob&) = delete;

    // The output of each row, in list order.
    const QStringList& outputs() const { return outputs_; }

    // Called on the calling thread as each row starts, in list order unless
    // startLargestFirst(); must not run an event loop.
    std::function<void(int row)> onRowStarted;
    // Called on the calling thread once for every row that ran, in list
    // order: a row that finishes early waits until the rows before it have
    // been reported. It may run an event loop (a message box); the workers
    // go on meanwhile and the rows after it are reported once it returns.
    std::function<void(int row, const RowResult& result)> onRowDone;

    void setRowWork(RowWork work) { work_ = std::move(work); }
    // At most this many rows at once (at least 1); the number of cores
    // unless set.
    void setMaxParallelRows(int rows);
    int maxParallelRows() const { return int(slots_.size()); }
    // What the documents in memory may cost at most (MemoryCost);
    // DefaultMemoryBudget() unless set.
    void setMemoryBudget(qint64 bytes) { budget_ = bytes; }
    // Starts the rows that cost the most (MemoryCost) first, ties in list
    // order, the rows that hold their document before all others; they are
    // still named and reported in list order. A large file at the end of
    // the list then no longer runs alone at the end of the run; after a
    // stop, the rows that never started are wherever they are in the list.
    void startLargestFirst();

    // 512 MB, or a quarter of the machine's memory when that is less.
    static qint64 DefaultMemoryBudget();

    // What a row costs in memory, in bytes: libqpdf holds every object it
    // writes (a few KB each, as measured), and a stream at a time (at most
    // the file). With `objects` unknown (0), the file's size alone.
    static qint64 MemoryCost(qint64 fileBytes, qint64 objects);

    // Runs the rows and returns once every row that started has been
    // reported; the calling thread's events are processed meanwhile. Call
    // it once.
    Counts run();

    // No row starts after this; rows in flight finish and are reported.
    // Safe from any thread and from within the callbacks.
    void requestStop() { stopRequested_ = true; }
    bool stopRequested() const { return stopRequested_; }

private:
    struct Slot;

    // What a worker or the flushing thread hands back: a slot that is free
    // again, a row that is done, or both.
    struct HandBack
    {
        Slot* freed = nullptr;
        int row = -1;
        RowResult result;
    };

    void startRows();
    void handBack(HandBack back);
    // Takes what the workers have handed back, one at a time.
    void collectFinishedRows();
    void slotFreed(Slot& slot);
    void rowDone(int row, const RowResult& result);
    void reportFinishedRows();
    bool ended() const;

    QList<JobRow> rows_;
    QStringList outputs_;
    EncryptionSettings settings_;
    RowWork work_;
    std::vector<std::unique_ptr<Slot>> slots_;
    // Rows the workers have finished, handed back under the mutex.
    std::mutex finishedMutex_;
    std::condition_variable rowHandedBack_;
    std::vector<HandBack> finished_;
    std::unique_ptr<Waker> waker_;
    std::vector<std::optional<RowResult>> results_;
    std::vector<qint64> costs_;  // MemoryCost of each row
    qint64 budget_;
    qint64 memoryInUse_ = 0;  // of the rows worked on and the documents rows hold
    static constexpr qint64 TrimAfterBytes = 64 << 20;
    qint64 freedSinceTrim_ = 0;  // MemoryCost of the rows done since the heap was trimmed
    std::atomic<bool> stopRequested_{false};
    QEventLoop* loop_ = nullptr;
    std::vector<int> startOrder_;  // the rows in the order they start
    std::vector<bool> rowStarted_;
    int started_ = 0;     // rows started so far
    int nextReport_ = 0;  // the next row to report, or pass over
    int inFlight_ = 0;    // rows started and not yet done
    int working_ = 0;     // rows a worker is on
    bool reporting_ = false;
    Counts counts_;
    // Flush the outputs to disk and rename them, one thread for each worker.
    std::unique_ptr<WorkerThreads> flusher_;
    std::unique_ptr<WorkerThreads> workers_;  // last: joined before the rest goes
};
