#include "app/FormMain.h"
#include "FakeDesktop.h"
#include "filelist/FileList.h"
#include "filelist/FileListView.h"
#include "job/PdfLibrary.h"
#include "PdfReaders.h"
#include "RunHelpers.h"
#include "TestPdfs.h"
#include "TestSettings.h"
#include "ui/CommandTable.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <unistd.h>

using namespace RunHelpers;

namespace {

bool run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// A small file system of its own, for a destination that runs out of space.
// Needs root; skipped elsewhere.
class ScratchFileSystem
{
public:
    ScratchFileSystem(const QString& folder, qint64 bytes)
        : folder_(folder)
    {
        QDir().mkpath(folder);
        mounted_ = geteuid() == 0 &&
                   run(QStringLiteral("mount"),
                       {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                        QStringLiteral("size=%1").arg(bytes), QStringLiteral("tmpfs"), folder});
    }
    ~ScratchFileSystem()
    {
        if (mounted_)
            run(QStringLiteral("umount"), {QStringLiteral("-l"), folder_});
    }
    ScratchFileSystem(const ScratchFileSystem&) = delete;
    ScratchFileSystem& operator=(const ScratchFileSystem&) = delete;

    bool mounted() const { return mounted_; }

private:
    QString folder_;
    bool mounted_ = false;
};

// Makes a folder refuse new entries. Permission bits do not stop root, so
// root marks the folder immutable instead (where the file system allows).
bool makeReadOnly(const QString& folder)
{
    if (geteuid() == 0)
        return run(QStringLiteral("chattr"), {QStringLiteral("+i"), folder});
    return QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
}

void makeWritable(const QString& folder)
{
    if (geteuid() == 0)
        run(QStringLiteral("chattr"), {QStringLiteral("-i"), folder});
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace

// What a user meets when the destination goes wrong in the middle of a run:
// each file that cannot be written gets its message and leaves nothing
// behind, the inputs stay as they were and the other rows go on.
class TestRunFaults : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir settingsDir_;
    std::unique_ptr<QTemporaryDir> work_;
    FakeDesktop desktop_;
    QString readOnlyFolder_;

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

    QStringList messages() const
    {
        QStringList result;
        for (const FakeDesktop::Call& call : desktop_.callsOf(FakeDesktop::Kind::Message))
            result << message(call.title, call.icon, call.buttons, call.text);
        return result;
    }

    // Lists the inputs, runs with `folder` as destination, calling `during`
    // on every pass of the event loop, and checks the inputs are untouched.
    void runWith(const QStringList& inputs, const QString& folder,
                 const std::function<void(FormMain&)>& during)
    {
        QList<QByteArray> before;
        for (const QString& input : inputs)
            before << TestPdfs::readBytes(input);
        FormMain window(desktop_);
        window.show();
        for (const QString& input : inputs)
            window.fileList().AddPdfFile(input);
        QCOMPARE(window.fileList().rowCount(), int(inputs.size()));
        window.ui().TextFolder->setText(folder);

        Ticker ticker([&] {
            during(window);
            return window.IsRunning();
        });
        desktop_.answerMessage(Desktop::Answer::No);
        window.commandBars().action(ID_CONVERT)->trigger();

        QVERIFY(!window.IsRunning());
        QVERIFY(window.ui().LvPDF->isEnabled());
        for (int i = 0; i < inputs.size(); ++i)
            QVERIFY2(TestPdfs::readBytes(inputs[i]) == before[i], qPrintable(inputs[i]));
    }

    // True on the pass of the event loop right after the first row was
    // saved and before the next one starts writing.
    static bool betweenFirstAndSecondRow(FormMain& window, const QString& firstOutput)
    {
        return QFileInfo::exists(firstOutput) && window.ui().Panel4->text().isEmpty();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(settingsDir_.isValid());
        TestSettings::isolate(settingsDir_.path());
    }

    void init()
    {
        desktop_.reset();
        work_ = std::make_unique<QTemporaryDir>();
        QVERIFY(work_->isValid());
    }

    void cleanup()
    {
        VERIFY_DESKTOP(desktop_);
        if (!readOnlyFolder_.isEmpty())
            makeWritable(readOnlyFolder_);
        readOnlyFolder_.clear();
        QDir::setCurrent(QDir::tempPath());
        work_.reset();
    }

    void destinationRemovedDuringARun()
    {
        const QStringList inputs = {makePdf(QStringLiteral("in/1.pdf")),
                                    makePdf(QStringLiteral("in/2.pdf")),
                                    makePdf(QStringLiteral("in/3.pdf"))};
        const QString out = path(QStringLiteral("out"));
        QDir().mkpath(out);
        const QString first = QDir(out).filePath(QStringLiteral("1.pdf"));
        bool removed = false;
        desktop_.answerMessage();
        desktop_.answerMessage();
        runWith(inputs, out, [&](FormMain& window) {
            if (!removed && betweenFirstAndSecondRow(window, first))
                removed = QDir(out).removeRecursively();
        });
        QVERIFY(removed);
        QCOMPARE(messages(), (QStringList{encryptFailure(inputs[1], PdfLibrary::WriteFailed),
                                          encryptFailure(inputs[2], PdfLibrary::WriteFailed),
                                          summary(1)}));
        QVERIFY(!QFileInfo::exists(out));
        QCOMPARE(entries(path(QStringLiteral("."))),
                 (QStringList{QStringLiteral("in")}));
    }

    void destinationMadeReadOnlyDuringARun()
    {
        const QStringList inputs = {makePdf(QStringLiteral("in/1.pdf")),
                                    makePdf(QStringLiteral("in/2.pdf")),
                                    makePdf(QStringLiteral("in/3.pdf"))};
        const QString out = path(QStringLiteral("out"));
        QDir().mkpath(out);
        const QString first = QDir(out).filePath(QStringLiteral("1.pdf"));
        bool readOnly = false;
        bool tried = false;
        desktop_.answerMessage();
        desktop_.answerMessage();
        runWith(inputs, out, [&](FormMain& window) {
            if (!tried && betweenFirstAndSecondRow(window, first)) {
                tried = true;
                readOnly = makeReadOnly(out);
                if (readOnly)
                    readOnlyFolder_ = out;
            }
        });
        if (!readOnly) {
            desktop_.reset();
            QSKIP("this file system cannot make a folder read-only for this user");
        }
        QCOMPARE(messages(), (QStringList{encryptFailure(inputs[1], PdfLibrary::WriteFailed),
                                          encryptFailure(inputs[2], PdfLibrary::WriteFailed),
                                          summary(1)}));
        QCOMPARE(entries(out), QStringList{QStringLiteral("1.pdf")});
        QVERIFY(PdfReaders::popplerInfo(first).encrypted);
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
        const qint64 smallSize = QFileInfo(inputs[0]).size();
        QVERIFY(bigSize > 8 * smallSize);
        const QString out = path(QStringLiteral("out"));
        ScratchFileSystem disk(out, std::max<qint64>(bigSize / 2, 64 * 1024));
        if (!disk.mounted())
            QSKIP("mounting a small file system needs root");

        desktop_.answerMessage();
        runWith(inputs, out, [](FormMain&) {});
        QCOMPARE(messages(), (QStringList{encryptFailure(inputs[1], PdfLibrary::WriteFailed),
                                          summary(2)}));
        QCOMPARE(entries(out), (QStringList{QStringLiteral("small1.pdf"), QStringLiteral("small2.pdf")}));
        for (const QString& name : entries(out)) {
            const PdfReaders::PopplerInfo info = PdfReaders::popplerInfo(QDir(out).filePath(name));
            QVERIFY2(info.encrypted, qPrintable(name));
            QCOMPARE(info.pages, 3);
        }
    }
};

QTEST_MAIN(TestRunFaults)
#include "tst_runfaults.moc"
