#include "cli/EncryptCommand.h"

#include "cli/Console.h"
#include "cli/Inputs.h"
#include "cli/PasswordCsv.h"
#include "cli/Report.h"
#include "cli/StopSignal.h"
#include "cli/Words.h"
#include "job/BatchJob.h"
#include "job/OpenedInput.h"
#include "job/Paths.h"
#include "job/PdfLibrary.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

namespace {

constexpr int AnyFeature =
    PdfLibrary::Signed | PdfLibrary::Certified | PdfLibrary::UsageRights | PdfLibrary::PdfA;

// What opening an input before the run found.
struct Opened : OpenedInput
{
    bool reached = false;  // false when a stop came first
};

// Which opened inputs stay open for the run, so that it need not open them
// again: the first ones, as long as they fit in half the memory budget (the
// run's rows count them in it) and leave the process files to spare.
class Keeper
{
public:
    Keeper()
        : budget_(BatchJob::DefaultMemoryBudget() / 2)
        , files_(maxOpenFiles())
    {}

    bool keep(const QString& path, const OpenedInput& input)
    {
        const qint64 cost = BatchJob::MemoryCost(QFileInfo(path).size(), input.objects);
        const std::lock_guard lock(mutex_);
        if (full_ || kept_ >= files_ || cost_ + cost > budget_) {
            // The rows after it will not find theirs open either: the run
            // takes the rows that hold theirs first, and frees these as it
            // goes.
            full_ = true;
            return false;
        }
        cost_ += cost;
        ++kept_;
        return true;
    }

private:
    static int maxOpenFiles()
    {
#ifdef Q_OS_UNIX
        rlimit limit{};
        if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
            return int(std::min<rlim_t>(1024, limit.rlim_cur / 4));
#endif
        return 128;
    }

    const qint64 budget_;
    const int files_;
    std::mutex mutex_;
    qint64 cost_ = 0;
    int kept_ = 0;
    bool full_ = false;
};

Opened openInput(PdfLibrary& pdf, const QString& path, const QStringList& passwords, Keeper& keeper)
{
    Opened opened;
    static_cast<OpenedInput&>(opened) = OpenInput(
        pdf, path, passwords, [&](const OpenedInput& input) { return keeper.keep(path, input); });
    opened.reached = true;
    return opened;
}

// Opens every input on `threads` threads, each with its own PdfLibrary, until
// a stop is asked for; `progress` is told now and then how far they got. The
// first inputs stay open for the run (Keeper).
std::vector<Opened> openInputs(const QList<InputFile>& files, const QStringList& passwords,
                               int threads, const std::function<void(qsizetype)>& progress)
{
    std::vector<Opened> opened(size_t(files.size()));
    Keeper keeper;
    std::atomic<qsizetype> next{0};
    std::mutex mutex;
    std::condition_variable allDone;
    int running = std::max(1, threads);
    std::vector<std::thread> workers;
    for (int i = running; i > 0; --i)
        workers.emplace_back([&] {
            PdfLibrary pdf;
            for (qsizetype row = next++; row < files.size() && !StopSignal::requested();
                 row = next++)
                opened[size_t(row)] = openInput(pdf, files[row].path, passwords, keeper);
            const std::lock_guard lock(mutex);
            if (--running == 0)
                allDone.notify_all();
        });
    {
        std::unique_lock lock(mutex);
        while (
            !allDone.wait_for(lock, std::chrono::milliseconds(250), [&] { return running == 0; }))
            progress(std::min(next.load(), files.size()));
    }
    for (std::thread& worker : workers)
        worker.join();
    return opened;
}

// The progress bar on a terminal: files done, the speed and the time left.
class ProgressBar
{
public:
    ProgressBar(Console& console, int files, qint64 bytes)
        : console_(console)
        , files_(files)
        , bytes_(bytes)
    {
        clock_.start();
        QObject::connect(&timer_, &QTimer::timeout, [this] { draw(); });
        timer_.start(500);
        draw();
    }
    ~ProgressBar() { console_.setStatus(QString()); }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void fileDone(qint64 bytes)
    {
        ++done_;
        bytesDone_ += bytes;
        draw();
    }

private:
    void draw()
    {
        constexpr int width = 24;
        const int filled = files_ > 0 ? int(qint64(width) * done_ / files_) : width;
        const double seconds = double(clock_.elapsed()) / 1000;
        const double rate = seconds > 0 ? double(bytesDone_) / seconds : 0;
        QString left = QStringLiteral("--:--");
        if (rate > 0) {
            const qint64 remaining = qint64(double(bytes_ - bytesDone_) / rate);
            left = QStringLiteral("%1:%2")
                       .arg(remaining / 60)
                       .arg(remaining % 60, 2, 10, QLatin1Char('0'));
        }
        console_.setStatus(QStringLiteral("[%1%2] %3/%4 files  %5 MB/s  %6 left")
                               .arg(QString(filled, u'#'), QString(width - filled, u'-'))
                               .arg(done_)
                               .arg(files_)
                               .arg(rate / 1e6, 0, 'f', 1)
                               .arg(left));
    }

    Console& console_;
    int files_;
    qint64 bytes_;
    int done_ = 0;
    qint64 bytesDone_ = 0;
    QElapsedTimer clock_;
    QTimer timer_;
};

class EncryptRun
{
public:
    EncryptRun(const EncryptOptions& options, Console& console)
        : options_(options)
        , console_(console)
    {}

    int exec()
    {
        if (!readSettings() || !collectInputs() || !matchPasswordsCsv())
            return ExitUsage;
        stop_.emplace();
        const int threads = options_.jobs > 0 ? options_.jobs : QThread::idealThreadCount();
        const std::vector<Opened> opened =
            openInputs(inputFiles(), inputPasswords_, threads, [&](qsizetype reached) {
                if (showProgress())
                    console_.setStatus(QStringLiteral("Opening the inputs: %1/%2")
                                           .arg(reached)
                                           .arg(entries_.size()));
            });
        console_.setStatus(QString());
        for (qsizetype i = 0; i < entries_.size(); ++i)
            entries_[i].opened = opened[size_t(i)];
        if (!handleSignedInputs())
            return ExitUsage;
        if (!QDir().mkpath(options_.outputDir)) {
            console_.error(QStringLiteral("cannot create the output folder ") + options_.outputDir);
            return ExitUsage;
        }
        run();
        return finish();
    }

private:
    struct Entry
    {
        InputFile file;
        std::optional<EncryptionSettings> security;  // from the passwords CSV
        Opened opened;
        bool runs = false;  // opened, and not left out
        bool started = false;
        FileOutcome outcome;
    };

    QList<InputFile> inputFiles() const
    {
        QList<InputFile> files;
        for (const Entry& entry : entries_)
            files << entry.file;
        return files;
    }

    bool showProgress() const { return console_.errorIsTerminal() && !options_.quiet; }

    bool fail(const QString& message)
    {
        console_.error(message);
        return false;
    }

    bool readSettings()
    {
        settings_.strength = options_.strength;
        settings_.permissions = options_.permissions;
        const PasswordText owner = ReadPassword(options_.ownerPassword);
        if (!owner.error.isEmpty())
            return fail(owner.error);
        settings_.ownerPassword = owner.text;
        if (options_.userPassword) {
            const PasswordText user = ReadPassword(*options_.userPassword);
            if (!user.error.isEmpty())
                return fail(user.error);
            settings_.requireUserPassword = true;
            settings_.userPassword = user.text;
        }
        const SettingsCheck check = CheckSettings(settings_);
        if (check.problem != SettingsCheck::None)
            return fail(QStringLiteral("cannot protect with these passwords: ") +
                        Words::SettingsProblemWords(check, settings_.strength));
        QStringList lines;
        if (!options_.inputPasswordFile.isEmpty()) {
            const PasswordText read = ReadPasswordLines(options_.inputPasswordFile);
            if (!read.error.isEmpty())
                return fail(read.error);
            lines = read.lines;
        }
        inputPasswords_ = InputPasswordsToTry(lines);

        const QFileInfo output(options_.outputDir);
        if (output.exists() && !output.isDir())
            return fail(options_.outputDir + QStringLiteral(" is not a folder"));
        if (!options_.reportFile.isEmpty()) {
            const QFileInfo report(options_.reportFile);
            if (report.isDir() || !report.absoluteDir().exists())
                return fail(QStringLiteral("cannot write the report to ") + options_.reportFile);
        }
        return true;
    }

    bool collectInputs()
    {
        const Inputs inputs =
            CollectInputs(options_.inputs, options_.recursive, options_.outputDir);
        if (!inputs.error.isEmpty())
            return fail(inputs.error);
        if (inputs.files.isEmpty())
            return fail(QStringLiteral("no PDF files in the inputs"));
        for (const InputFile& file : inputs.files) {
            Entry entry;
            entry.file = file;
            entry.outcome.input = QDir::toNativeSeparators(QFileInfo(file.path).absoluteFilePath());
            entries_ << entry;
        }
        return true;
    }

    bool matchPasswordsCsv()
    {
        if (options_.passwordsCsv.isEmpty())
            return true;
        const QString& csv = options_.passwordsCsv;
        const PasswordText text = ReadTextFile(csv);
        if (!text.error.isEmpty())
            return fail(text.error);
        const PasswordRows table = ReadPasswordRows(text.text);
        if (!table.error.isEmpty())
            return fail(csv + QStringLiteral(": ") + table.error);
        QHash<QString, qsizetype> rowOfFile;
        for (qsizetype i = 0; i < table.rows.size(); ++i)
            rowOfFile.insert(table.rows[i].file, i);
        QSet<qsizetype> matched;
        for (Entry& entry : entries_) {
            const auto found = rowOfFile.constFind(entry.file.relative);
            if (found == rowOfFile.cend())
                continue;
            const PasswordRow& row = table.rows[*found];
            matched.insert(*found);
            EncryptionSettings own = settings_;
            own.requireUserPassword = true;
            own.userPassword = row.userPassword;
            if (!row.ownerPassword.isEmpty())
                own.ownerPassword = row.ownerPassword;
            const SettingsCheck check = CheckSettings(own);
            if (check.problem != SettingsCheck::None)
                return fail(QStringLiteral("%1 line %2 (%3): %4")
                                .arg(csv)
                                .arg(row.line)
                                .arg(row.file, Words::SettingsProblemWords(check, own.strength)));
            entry.security = own;
        }
        bool allMatched = true;
        for (qsizetype i = 0; i < table.rows.size(); ++i) {
            if (matched.contains(i))
                continue;
            allMatched = false;
            console_.error(QStringLiteral("%1 line %2: %3 matches no input")
                               .arg(csv)
                               .arg(table.rows[i].line)
                               .arg(table.rows[i].file));
        }
        return allMatched || fail(QStringLiteral("nothing written: every row of %1 must match "
                                                 "an input (by its path under its INPUT)")
                                      .arg(csv));
    }

    // Applies --on-signed; false when the run must not start. Also settles
    // the inputs that did not open.
    bool handleSignedInputs()
    {
        QStringList refused;
        for (Entry& entry : entries_) {
            FileOutcome& outcome = entry.outcome;
            if (!entry.opened.reached)
                continue;
            if (entry.opened.errorCode != 0) {
                outcome.status = FileOutcome::Failed;
                outcome.errorCode = entry.opened.errorCode;
                outcome.message = Words::ErrorWords(entry.opened.errorCode);
                continue;
            }
            outcome.pages = entry.opened.pages;
            entry.runs = true;
            const QString features = Words::FeatureWords(entry.opened.features & AnyFeature);
            if (features.isEmpty())
                continue;
            const QString path = entry.file.path;
            switch (options_.onSigned) {
            case OnSigned::Fail:
                refused << path;
                console_.error(
                    QStringLiteral("%1 is %2: protecting it would break that").arg(path, features));
                break;
            case OnSigned::Skip:
                entry.runs = false;
                outcome.status = FileOutcome::Skipped;
                outcome.message = QStringLiteral("skipped: ") + features;
                if (!options_.quiet)
                    console_.error(QStringLiteral("skipped %1: %2").arg(path, features));
                break;
            case OnSigned::Protect:
                console_.error(QStringLiteral("warning: %1 is %2: protecting it breaks that")
                                   .arg(path, features));
                protectedAnyway_.insert(path);
                break;
            }
        }
        return refused.isEmpty() ||
               fail(QStringLiteral("nothing written: %1 of the inputs %2 signed, certified, "
                                   "Reader-extended or PDF/A (--on-signed skip leaves them out, "
                                   "--on-signed protect protects them anyway)")
                        .arg(refused.size())
                        .arg(refused.size() == 1 ? QStringLiteral("is") : QStringLiteral("are")));
    }

    void run()
    {
        // Inputs that do not run are still inputs: the engine names no
        // output after any of them.
        QList<JobRow> rows;
        QStringList leftOut;
        QList<qsizetype> entryOfRow;
        qint64 bytes = 0;
        for (qsizetype i = 0; i < entries_.size(); ++i) {
            Entry& entry = entries_[i];
            if (!entry.runs) {
                entry.opened.held.reset();
                leftOut << entry.file.path;
                continue;
            }
            JobRow row(entry.file.path, entry.opened.password);
            row.subfolder = entry.file.subfolder;
            row.security = entry.security;
            row.objects = entry.opened.objects;
            row.opened = std::move(entry.opened.held);
            rows << row;
            entryOfRow << i;
            bytes += QFileInfo(entry.file.path).size();
        }
        const int files = int(rows.size());
        // Moved in: the job's workers then never share the list with this one.
        BatchJob job(std::move(rows),
                     WithTrailingSeparator(QFileInfo(options_.outputDir).absoluteFilePath()),
                     settings_, leftOut);
        if (options_.jobs > 0)
            job.setMaxParallelRows(options_.jobs);
        // A script's batch often ends with its largest file; started last,
        // it would run alone while the other workers wait.
        job.startLargestFirst();
        job.setRowWork([](PdfLibrary& pdf, const JobRow& row, const QString& output,
                          const EncryptionSettings& settings) {
            // Subfolders are made as rows need them, so failed rows leave none.
            if (!QDir().mkpath(QFileInfo(output).absolutePath()))
                return RowResult{false, PdfLibrary::WriteFailed, 0};
            return EncryptRow(pdf, row, output, settings);
        });
        std::optional<ProgressBar> progress;
        if (showProgress() && files > 0)
            progress.emplace(console_, files, bytes);
        job.onRowStarted = [&](int row) { entries_[entryOfRow[row]].started = true; };
        job.onRowDone = [&](int row, const RowResult& result) {
            Entry& entry = entries_[entryOfRow[row]];
            FileOutcome& outcome = entry.outcome;
            outcome.seconds = result.seconds;
            if (result.saved) {
                outcome.status = FileOutcome::Saved;
                outcome.output = job.outputs()[row];
                outcome.repairNote = result.repairNote;
                outcome.message = protectedAnyway_.contains(entry.file.path)
                                      ? QStringLiteral("saved, although it was ") +
                                            Words::FeatureWords(entry.opened.features)
                                      : QStringLiteral("saved");
            } else {
                outcome.status = FileOutcome::Failed;
                outcome.errorCode = result.errorCode;
                outcome.message = Words::ErrorWords(result.errorCode);
            }
            if (progress)
                progress->fileDone(QFileInfo(entry.file.path).size());
            reportFailuresUpTo(entryOfRow[row] + 1);
        };
        stop_->setOnStop([&job] { job.requestStop(); });
        if (StopSignal::requested())
            job.requestStop();
        job.run();
        stop_->setOnStop({});
    }

    // One line per failure, in list order, up to entry `end`.
    void reportFailuresUpTo(qsizetype end)
    {
        for (; reported_ < end; ++reported_) {
            const FileOutcome& outcome = entries_[reported_].outcome;
            if (outcome.status == FileOutcome::Failed && outcome.errorCode)
                console_.error(QStringLiteral("%1: %2 (error %3)")
                                   .arg(entries_[reported_].file.path, outcome.message)
                                   .arg(*outcome.errorCode));
        }
    }

    int finish()
    {
        int notStarted = 0;
        for (Entry& entry : entries_) {
            if (entry.opened.reached && (!entry.runs || entry.started))
                continue;
            ++notStarted;
            entry.outcome.status = FileOutcome::Failed;
            entry.outcome.message = QStringLiteral("not started: the run was stopped");
        }
        reportFailuresUpTo(entries_.size());
        if (notStarted > 0)
            console_.error(QStringLiteral("stopped: %1 %2 not started")
                               .arg(notStarted)
                               .arg(notStarted == 1 ? QStringLiteral("file was")
                                                    : QStringLiteral("files were")));

        QList<FileOutcome> outcomes;
        int attempted = 0;
        int saved = 0;
        for (const Entry& entry : std::as_const(entries_)) {
            outcomes << entry.outcome;
            attempted += entry.outcome.status != FileOutcome::Skipped ? 1 : 0;
            saved += entry.outcome.status == FileOutcome::Saved ? 1 : 0;
        }
        int code = saved == attempted ? ExitSuccess : saved > 0 ? ExitSomeFailed : ExitNoneSaved;
        if (!options_.reportFile.isEmpty()) {
            const QString error = WriteReport(options_.reportFile, ReportJson(settings_, outcomes));
            if (!error.isEmpty()) {
                console_.error(QStringLiteral("cannot write the report to %1: %2")
                                   .arg(options_.reportFile, error));
                code = code == ExitSuccess ? ExitSomeFailed : code;
            }
        }
        return code;
    }

    const EncryptOptions& options_;
    Console& console_;
    // From the first input opened on: before, Ctrl+C ends the program at once.
    std::optional<StopSignal> stop_;
    EncryptionSettings settings_;
    QStringList inputPasswords_;
    QList<Entry> entries_;
    QSet<QString> protectedAnyway_;
    qsizetype reported_ = 0;
};

}  // namespace

int RunEncrypt(const EncryptOptions& options, Console& console)
{
    return EncryptRun(options, console).exec();
}
