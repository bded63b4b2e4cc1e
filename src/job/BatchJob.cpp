#include "job/BatchJob.h"

#include "job/OutputFile.h"
#include "job/Paths.h"
#include "job/PdfLibrary.h"

#include "job/WorkerThreads.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <numeric>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <unistd.h>
#endif
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

qint64 physicalMemory()
{
#ifdef Q_OS_WIN
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    return GlobalMemoryStatusEx(&status) ? qint64(status.ullTotalPhys) : 0;
#else
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? qint64(pages) * pageSize : 0;
#endif
}

}  // namespace

RowResult EncryptRow(PdfLibrary& pdf, const JobRow& row, const QString& output,
                     const EncryptionSettings& settings)
{
    RowResult result;
    const bool opened = (row.opened && pdf.LoadHeldDocument(*row.opened) == 1) ||
                        pdf.OpenFile(row.path, row.password) == 1;
    std::unique_ptr<OutputFile> written;
    if (opened && pdf.ClearSecurity() == 1 && ApplyEncryptionSettings(pdf, settings) != 0 &&
        pdf.WriteFile(output, written) == 1) {
        result.saved = true;
        result.written = std::move(written);
        result.repairNote = pdf.RepairNote();
    } else {
        result.errorCode = pdf.ErrorCode();
    }
    pdf.CloseDocument(pdf.DocumentIdAt(1));
    return result;
}

void FinishRow(RowResult& result)
{
    if (!result.written)
        return;
    if (!result.written->flushToDisk() || !result.written->commit()) {
        result.saved = false;
        result.errorCode = PdfLibrary::WriteFailed;
    }
    result.written.reset();
}

// A worker's place: its own PdfLibrary and the row it works on.
struct BatchJob::Slot
{
    PdfLibrary pdf;
    int row = -1;  // -1: free
};

BatchJob::BatchJob(QList<JobRow> rows, const QString& folder, EncryptionSettings settings,
                   const QStringList& leftOut)
    : rows_(std::move(rows))
    , settings_(std::move(settings))
    , work_(EncryptRow)
    , waker_(std::make_unique<Waker>([this] { collectFinishedRows(); }))
    , results_(size_t(rows_.size()))
    , budget_(DefaultMemoryBudget())
{
    startOrder_.resize(size_t(rows_.size()));
    std::iota(startOrder_.begin(), startOrder_.end(), 0);
    rowStarted_.assign(size_t(rows_.size()), false);
    QStringList inputs = leftOut;
    inputs.reserve(rows_.size() + leftOut.size());
    for (const JobRow& row : std::as_const(rows_)) {
        inputs << row.path;
        costs_.push_back(MemoryCost(std::max<qint64>(0, QFileInfo(row.path).size()), row.objects));
        // A document a row holds is in memory from now on.
        if (row.opened)
            memoryInUse_ += costs_.back();
    }
    OutputNamer namer(inputs);
    for (const JobRow& row : std::as_const(rows_))
        outputs_ << namer.next(
            row.subfolder.isEmpty() ? folder : WithTrailingSeparator(folder + row.subfolder),
            row.path);
    counts_.total = int(rows_.size());
    setMaxParallelRows(QThread::idealThreadCount());
}

void BatchJob::startLargestFirst()
{
    // Rows that hold their document go first: it is in memory already, and
    // the budget has room for the others only once they are done.
    const auto held = [this](int row) { return bool(std::as_const(rows_)[row].opened); };
    std::stable_sort(startOrder_.begin(), startOrder_.end(), [&](int a, int b) {
        if (held(a) != held(b))
            return held(a);
        return costs_[size_t(a)] > costs_[size_t(b)];
    });
}

qint64 BatchJob::DefaultMemoryBudget()
{
    const qint64 budget = 512LL << 20;
    const qint64 memory = physicalMemory();
    return memory > 0 ? std::min(budget, memory / 4) : budget;
}

qint64 BatchJob::MemoryCost(qint64 fileBytes, qint64 objects)
{
    // libqpdf 11 (and qpdf --encrypt) took 2 to 6 KB for each object of
    // Debian's manuals, 5 KB for each link of a file of 100,000: the most,
    // so that the budget is not overrun.
    constexpr qint64 bytesPerObject = 6 << 10;
    return fileBytes + objects * bytesPerObject;
}

// Rows still worked on when run() never got to wait for them finish as
// workers_ goes, first of all; outputs not yet flushed are removed.
BatchJob::~BatchJob() = default;

void BatchJob::setMaxParallelRows(int rows)
{
    Q_ASSERT(!loop_);
    slots_.clear();
    for (int i = 0; i < std::max(1, rows); ++i)
        slots_.push_back(std::make_unique<Slot>());
}

BatchJob::Counts BatchJob::run()
{
    QEventLoop loop;
    loop_ = &loop;
    flusher_ = std::make_unique<WorkerThreads>(int(slots_.size()));
    workers_ = std::make_unique<WorkerThreads>(int(slots_.size()));
    startRows();
    // The caller's events run here; the caller decides what they may do
    // (the window allows only Stop, a close that stops, and painting).
    if (!ended())
        loop.exec();
    // The loop also ends when the application quits: no row starts any
    // more, and those in flight are waited for and reported.
    if (!ended())
        requestStop();
    while (inFlight_ > 0) {
        {
            std::unique_lock lock(finishedMutex_);
            rowHandedBack_.wait(lock, [this] { return !finished_.empty(); });
        }
        collectFinishedRows();
    }
    loop_ = nullptr;
    return counts_;
}

void BatchJob::startRows()
{
    // Outputs waiting for their flush hold no document, only a name each;
    // one for each worker keeps the disk busy while the workers are, and
    // keeps what a stop still finishes small.
    const int flushesWaiting = int(slots_.size());
    while (!stopRequested_ && started_ < counts_.total) {
        const auto free = std::find_if(slots_.begin(), slots_.end(),
                                       [](const auto& slot) { return slot->row < 0; });
        if (free == slots_.end())
            return;
        if (inFlight_ - working_ >= flushesWaiting)
            return;
        const int row = startOrder_[size_t(started_)];
        const JobRow& next = std::as_const(rows_)[row];
        const qint64 cost = costs_[size_t(row)];
        if (!next.opened && working_ > 0 && memoryInUse_ + cost > budget_)
            return;
        Slot& slot = **free;
        ++started_;
        rowStarted_[size_t(row)] = true;
        slot.row = row;
        ++inFlight_;
        ++working_;
        if (!next.opened)
            memoryInUse_ += cost;
        if (onRowStarted)
            onRowStarted(row);
        workers_->post([this, &slot, row] {
            // Only const access here: a non-const index would detach a list
            // the caller still shares, from several workers at once.
            const JobRow& job = std::as_const(rows_)[row];
            QElapsedTimer clock;
            clock.start();
            RowResult result = work_(slot.pdf, job, std::as_const(outputs_)[row],
                                     job.security ? *job.security : settings_);
            result.seconds = double(clock.nsecsElapsed()) / 1e9;
            if (!result.written) {
                handBack({&slot, row, std::move(result)});
                return;
            }
            // The document is closed: the slot takes the next row while the
            // output goes to disk.
            handBack({&slot, -1, {}});
            flusher_->post([this, row, result = std::move(result)]() mutable {
                QElapsedTimer flushing;
                flushing.start();
                FinishRow(result);
                result.seconds += double(flushing.nsecsElapsed()) / 1e9;
                handBack({nullptr, row, std::move(result)});
            });
        });
    }
}

void BatchJob::handBack(HandBack back)
{
    {
        const std::lock_guard lock(finishedMutex_);
        finished_.push_back(std::move(back));
    }
    rowHandedBack_.notify_one();
    waker_->wake();
}

void BatchJob::collectFinishedRows()
{
    for (;;) {
        HandBack back;
        {
            const std::lock_guard lock(finishedMutex_);
            if (finished_.empty())
                return;
            back = std::move(finished_.front());
            finished_.erase(finished_.begin());
        }
        if (back.freed)
            slotFreed(*back.freed);
        if (back.row >= 0)
            rowDone(back.row, back.result);
        startRows();
        if (ended() && loop_)
            loop_->quit();
    }
}

void BatchJob::slotFreed(Slot& slot)
{
    const qint64 cost = costs_[size_t(slot.row)];
    memoryInUse_ -= cost;
    slot.row = -1;
    --working_;
#ifdef __GLIBC__
    // A document freed on another thread than the one that read it (the
    // command line's inputs are opened before the run) goes back to that
    // thread's heap, which glibc does not give back to the system by
    // itself: the next rows would come on top of it.
    freedSinceTrim_ += cost;
    if (freedSinceTrim_ >= TrimAfterBytes) {
        freedSinceTrim_ = 0;
        malloc_trim(0);
    }
#endif
}

void BatchJob::rowDone(int row, const RowResult& result)
{
    results_[size_t(row)] = result;
    --inFlight_;
    // A row that finishes while an earlier one is being reported (its
    // message box is up) waits its turn; its worker takes the next row.
    if (!reporting_)
        reportFinishedRows();
}

void BatchJob::reportFinishedRows()
{
    reporting_ = true;
    while (nextReport_ < counts_.total) {
        const int row = nextReport_;
        if (!results_[size_t(row)]) {
            // A row that will never start is passed over after a stop; any
            // other is waited for.
            if (!stopRequested_ || rowStarted_[size_t(row)])
                break;
            ++nextReport_;
            continue;
        }
        ++nextReport_;
        const RowResult result = *results_[size_t(row)];
        ++counts_.done;
        if (result.saved)
            ++counts_.saved;
        if (onRowDone)
            onRowDone(row, result);
    }
    reporting_ = false;
}

bool BatchJob::ended() const
{
    return inFlight_ == 0 && counts_.done == started_ &&
           (stopRequested_ || started_ == counts_.total);
}
