#include "job/BatchJob.h"

#include "job/Paths.h"
#include "job/PdfLibrary.h"

#include "job/WorkerThreads.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QThread>

#include <algorithm>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <unistd.h>
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
    if (pdf.OpenFile(row.path, row.password) == 1 && pdf.ClearSecurity() == 1 &&
        ApplyEncryptionSettings(pdf, settings) != 0 && pdf.SaveFile(output) == 1)
        result.saved = true;
    else
        result.errorCode = pdf.ErrorCode();
    pdf.CloseDocument(pdf.DocumentIdAt(1));
    return result;
}

// A worker's place: its own PdfLibrary, the row it works on and what came
// of it.
struct BatchJob::Slot
{
    PdfLibrary pdf;
    int row = -1;  // -1: free
    RowResult result;
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
    QStringList inputs = leftOut;
    inputs.reserve(rows_.size() + leftOut.size());
    for (const JobRow& row : std::as_const(rows_)) {
        inputs << row.path;
        sizes_.push_back(std::max<qint64>(0, QFileInfo(row.path).size()));
    }
    OutputNamer namer(inputs);
    for (const JobRow& row : std::as_const(rows_))
        outputs_ << namer.next(
            row.subfolder.isEmpty() ? folder : WithTrailingSeparator(folder + row.subfolder),
            row.path);
    counts_.total = int(rows_.size());
    setMaxParallelRows(QThread::idealThreadCount());
}

qint64 BatchJob::DefaultMemoryBudget()
{
    const qint64 budget = 512LL << 20;
    const qint64 memory = physicalMemory();
    return memory > 0 ? std::min(budget, memory / 4) : budget;
}

// Rows still worked on when run() never got to wait for them finish as
// workers_ goes, first of all.
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
    while (!stopRequested_ && nextRow_ < counts_.total) {
        const auto free = std::find_if(slots_.begin(), slots_.end(),
                                       [](const auto& slot) { return slot->row < 0; });
        if (free == slots_.end())
            return;
        if (inFlight_ > 0 && bytesInFlight_ + sizes_[size_t(nextRow_)] > budget_)
            return;
        Slot& slot = **free;
        const int row = nextRow_++;
        slot.row = row;
        ++inFlight_;
        bytesInFlight_ += sizes_[size_t(row)];
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
            {
                const std::lock_guard lock(finishedMutex_);
                slot.result = result;
                finished_.push_back(&slot);
            }
            rowHandedBack_.notify_one();
            waker_->wake();
        });
    }
}

void BatchJob::collectFinishedRows()
{
    for (;;) {
        Slot* slot = nullptr;
        {
            const std::lock_guard lock(finishedMutex_);
            if (finished_.empty())
                return;
            slot = finished_.front();
            finished_.erase(finished_.begin());
        }
        rowFinished(*slot);
    }
}

void BatchJob::rowFinished(Slot& slot)
{
    results_[size_t(slot.row)] = slot.result;
    bytesInFlight_ -= sizes_[size_t(slot.row)];
    slot.row = -1;
    --inFlight_;
    // A row that finishes while an earlier one is being reported (its
    // message box is up) waits its turn; its worker takes the next row.
    if (!reporting_)
        reportFinishedRows();
    startRows();
    if (ended() && loop_)
        loop_->quit();
}

void BatchJob::reportFinishedRows()
{
    reporting_ = true;
    while (nextReport_ < nextRow_ && results_[size_t(nextReport_)]) {
        const int row = nextReport_++;
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
    return inFlight_ == 0 && nextReport_ == nextRow_ &&
           (stopRequested_ || nextRow_ == counts_.total);
}
