#include "app/FormMain.h"
#include "FakeDesktop.h"
#include "filelist/FileList.h"
#include "filelist/FileListView.h"
#include "PdfReaders.h"
#include "RunHelpers.h"
#include "TestPdfs.h"
#include "TestSettings.h"
#include "ui/CommandTable.h"
#include "ui/SettingsPage.h"
#include "ui/TabStrip.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

using namespace PdfReaders;
using namespace RunHelpers;
using TestPdfs::entries;

namespace {

const QString CrLf = QStringLiteral("\r\n");


// What the list shows, row by row, with each row's hidden password and
// whether it is selected.
QStringList listState(FormMain& window)
{
    QStringList state;
    for (const FileRow& row : window.fileList().rows())
        state << QStringList{row.RowNumber, row.FilePath, row.PageCount, row.SizeText,
                             row.FilePassword}.join(u'|');
    const FileListView* list = window.ui().LvPDF;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        state << (list->topLevelItem(i)->isSelected() ? QStringLiteral("selected")
                                                       : QStringLiteral("-"));
    return state;
}

// Command ids whose enabled state, as shown or as the dispatch decides it,
// differs from "only Stop".
QList<int> commandsNotOnlyStop(FormMain& window)
{
    QList<int> wrong;
    for (const CommandSpec& command : CommandTable()) {
        const bool onlyStop = command.id == ID_STOP;
        if (window.commandBars().action(command.id)->isEnabled() != onlyStop ||
            window.IsCommandEnabled(command.id) != onlyStop)
            wrong << command.id;
    }
    return wrong;
}

QList<int> disabledCommands(FormMain& window)
{
    QList<int> disabled;
    for (const CommandSpec& command : CommandTable())
        if (!window.commandBars().action(command.id)->isEnabled())
            disabled << command.id;
    return disabled;
}

} // namespace

// Runs through TestRun::run() and ends the test when that failed.
#define RUN(window)                                                                              \
    do {                                                                                         \
        run(window);                                                                             \
        if (QTest::currentTestFailed())                                                          \
            return;                                                                              \
    } while (false)

// The batch run through the main window: the start checks, encryption of
// every row checked with independent readers, output names, failures, stop
// and close during a run, progress and the summary.
class TestRun : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir settingsDir_;
    std::unique_ptr<QTemporaryDir> work_;
    QString startDir_;
    FakeDesktop desktop_;

    QString path(const QString& relative) const
    {
        return QDir::toNativeSeparators(work_->filePath(relative));
    }

    // A test PDF at `relative` in the work folder; its folders are made.
    QString makePdf(const QString& relative, const TestPdfs::Options& options = {})
    {
        const QString file = path(relative);
        QDir().mkpath(QFileInfo(file).path());
        if (!TestPdfs::write(file, options))
            return {};
        return file;
    }

    QString makeFolder(const QString& relative)
    {
        const QString folder = path(relative);
        QDir().mkpath(folder);
        return folder;
    }

    // Shows the window with `inputs` listed and `folder` as destination.
    static void prepare(FormMain& window, const QStringList& inputs, const QString& folder)
    {
        window.show();
        for (const QString& input : inputs)
            window.fileList().AddPdfFile(input);
        window.ui().PicSetting->TextFolder->setText(folder);
    }

    QStringList messages() const
    {
        QStringList result;
        for (const FakeDesktop::Call& call : desktop_.callsOf(FakeDesktop::Kind::Message))
            result << message(call.title, call.icon, call.buttons, call.text);
        return result;
    }

    // Chooses Start and checks what every run keeps: each input byte for
    // byte and the list as it was. Use through RUN().
    void run(FormMain& window)
    {
        QMap<QString, QByteArray> inputs;
        for (const FileRow& row : window.fileList().rows())
            if (QFileInfo::exists(row.FilePath))
                inputs.insert(row.FilePath, TestPdfs::readBytes(row.FilePath));
        const QStringList listBefore = listState(window);

        window.commandBars().action(ID_CONVERT)->trigger();

        QVERIFY(!window.IsRunning());
        for (auto input = inputs.cbegin(); input != inputs.cend(); ++input)
            QVERIFY2(TestPdfs::readBytes(input.key()) == input.value(), qPrintable(input.key()));
        QCOMPARE(listState(window), listBefore);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(settingsDir_.isValid());
        TestSettings::isolate(settingsDir_.path());
        startDir_ = QDir::currentPath();
        const QStringList missing = missingTools();
        QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("missing readers: ") +
                                                missing.join(QStringLiteral(", "))));
    }

    void init()
    {
        TestSettings::store().clear();
        desktop_.reset();
        QDir::setCurrent(startDir_);
        work_ = std::make_unique<QTemporaryDir>();
        QVERIFY(work_->isValid());
    }

    void cleanup()
    {
        VERIFY_DESKTOP(desktop_);
        QDir::setCurrent(startDir_);
        work_.reset();
    }

    // Each failing check: its message, where it leaves the user, and no run
    // even when the user then adds a file or chooses a folder.
    void startChecksStopAtTheFirstThatFails_data()
    {
        QTest::addColumn<bool>("withFile");
        QTest::addColumn<QString>("folder");      // "%w" is the work folder
        QTest::addColumn<QString>("owner");
        QTest::addColumn<bool>("requireUser");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("browseStart"); // "-": no browser expected

        const QString sealmark = QStringLiteral("Sealmark");
        const QString error = QStringLiteral("Error");
        const auto info = [](const QString& title, const QString& text) {
            return message(title, Desktop::Icon::Information, Desktop::Buttons::Ok, text);
        };
        const QString noFile = info(sealmark, QStringLiteral("Please add PDF file"));
        const QString badFolder = info(sealmark, QStringLiteral(
            "The destination folder is invalid. Please browse and select the destination folder"));
        const QString noOwner = info(error,
            QStringLiteral("The owner (master) password is required for setting document "
                           "restrictions.") + CrLf + CrLf +
            QStringLiteral("Please input the owner (master) password."));
        const QString noUser = info(error, QStringLiteral("Please input the user (open) password."));
        const QString out = QStringLiteral("%w/out");
        const QString owner = QStringLiteral("Kesto");
        const QString none = QStringLiteral("-");

        QTest::newRow("empty list") << false << out << owner << false << QString()
                                    << noFile << 1 << QString() << none;
        QTest::newRow("empty list before a bad folder") << false << QString() << QString() << false
                                                        << QString() << noFile << 1 << QString() << none;
        QTest::newRow("no folder") << true << QString() << owner << false << QString()
                                   << badFolder << 0 << QStringLiteral("TextFolder") << QString();
        QTest::newRow("missing folder") << true << QStringLiteral("%w/missing/") << owner << false
                                        << QString() << badFolder << 0
                                        << QStringLiteral("TextFolder") << QStringLiteral("%w/missing");
        QTest::newRow("folder is a file") << true << QStringLiteral("%w/in/a.pdf") << owner << false
                                          << QString() << badFolder << 0
                                          << QStringLiteral("TextFolder") << QStringLiteral("%w/in/a.pdf");
        QTest::newRow("blanks around the folder")
            << true << QStringLiteral(" %w/out ") << owner << false << QString() << badFolder << 0
            << QStringLiteral("TextFolder") << QStringLiteral(" %w/out ");
        QTest::newRow("bad folder before no owner")
            << true << QStringLiteral("%w/missing") << QString() << false << QString() << badFolder
            << 0 << QStringLiteral("TextFolder") << QStringLiteral("%w/missing");
        QTest::newRow("no owner") << true << out << QString() << false << QString() << noOwner << 0
                                  << QStringLiteral("TextOwner") << none;
        QTest::newRow("no owner before no user") << true << out << QString() << true << QString()
                                                 << noOwner << 0 << QStringLiteral("TextOwner") << none;
        QTest::newRow("no user password") << true << out << owner << true << QString() << noUser
                                          << 0 << QStringLiteral("TextUser") << none;
    }

    void startChecksStopAtTheFirstThatFails()
    {
        QFETCH(bool, withFile);
        QFETCH(QString, folder);
        QFETCH(QString, owner);
        QFETCH(bool, requireUser);
        QFETCH(QString, user);
        QFETCH(QString, expected);
        QFETCH(int, tab);
        QFETCH(QString, focus);
        QFETCH(QString, browseStart);
        const QString work = QDir::toNativeSeparators(work_->path());
        folder.replace(QStringLiteral("%w"), work);
        browseStart.replace(QStringLiteral("%w"), work);
        const QString input = makePdf(QStringLiteral("in/a.pdf"));
        const QString out = makeFolder(QStringLiteral("out"));
        const QString chosen = makeFolder(QStringLiteral("chosen"));

        FormMain window(desktop_);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        FormMainUi& ui = window.ui();
        if (withFile)
            window.fileList().AddPdfFile(input);
        ui.PicSetting->TextFolder->setText(folder);
        ui.PicSetting->TextOwner->setText(owner);
        if (requireUser)
            ui.PicSetting->CheckPassword->click();
        ui.PicSetting->TextUser->setText(user);
        // Start on the other tab so that the switch shows.
        ui.TabStrip1->setCurrentIndex(1 - tab);
        ui.LvPDF->setFocus();

        desktop_.answerMessage();
        if (!withFile)
            desktop_.answerOpenFiles({input});
        if (browseStart != u"-")
            desktop_.answerChooseFolder(chosen);
        const QByteArray inputBytes = TestPdfs::readBytes(input);
        window.commandBars().action(ID_CONVERT)->trigger();

        QCOMPARE(messages(), QStringList{expected});
        QCOMPARE(ui.TabStrip1->currentIndex(), tab);
        if (!focus.isEmpty()) {
            QVERIFY(QApplication::focusWidget());
            QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        }
        if (!withFile) {
            // The dialog's file was added, and still nothing ran.
            QCOMPARE(desktop_.callsOf(FakeDesktop::Kind::OpenFiles).size(), 1);
            QCOMPARE(window.fileList().rowCount(), 1);
        }
        const QList<FakeDesktop::Call> browses = desktop_.callsOf(FakeDesktop::Kind::ChooseFolder);
        if (browseStart == u"-") {
            QVERIFY(browses.isEmpty());
        } else {
            QCOMPARE(browses.size(), 1);
            QCOMPARE(browses[0].title, QStringLiteral("Please select a folder."));
            QCOMPARE(browses[0].startFolder, browseStart);
            QCOMPARE(ui.PicSetting->TextFolder->text(), chosen);
        }
        QVERIFY(!window.StopRequested());
        QVERIFY(ui.LvPDF->isEnabled());
        QVERIFY(ui.PicSetting->isEnabled());
        QCOMPARE(entries(out), QStringList());
        QCOMPARE(entries(chosen), QStringList());
        QCOMPARE(entries(path(QStringLiteral("in"))), QStringList{QStringLiteral("a.pdf")});
        QCOMPARE(TestPdfs::readBytes(input), inputBytes);
    }

    // One file at each strength, set up through the page as a user would,
    // read back by every independent reader. Permission values are the P
    // entries (bits 7, 8, 13-32 always set; 40-bit RC4 sets 9-12 too, AES
    // always grants accessibility, bit 10).
    void runAtEachStrength_data()
    {
        QTest::addColumn<int>("strength");
        QTest::addColumn<QList<int>>("clicks");   // permission boxes; -1 is "Allow all"
        QTest::addColumn<QString>("owner");
        QTest::addColumn<QString>("user");        // typed with the box ticked
        QTest::addColumn<bool>("untickUser");     // then the box is unticked again
        QTest::addColumn<int>("p");

        QTest::newRow("40-bit RC4, print and copy")
            << 0 << QList<int>{0, 1} << QStringLiteral("owner pw") << QString() << false << -44;
        QTest::newRow("40-bit RC4 after allow all, five boxes hidden")
            << 0 << QList<int>{-1} << QStringLiteral("Kesto") << QStringLiteral("Öffnen") << false << -4;
        QTest::newRow("128-bit RC4, high-res ticks print")
            << 1 << QList<int>{7, 5} << QStringLiteral("Ówner") << QStringLiteral("üser") << false << -1340;
        QTest::newRow("128-bit RC4, high-res without print")
            << 1 << QList<int>{7, 0} << QStringLiteral("Kesto") << QString() << false << -3904;
        QTest::newRow("128-bit AES, nothing allowed, blanks only")
            << 2 << QList<int>{} << QStringLiteral("   ") << QStringLiteral(" ") << false << -3392;
        QTest::newRow("128-bit AES, user password unticked")
            << 2 << QList<int>{1} << QStringLiteral("Kesto") << QStringLiteral("kept") << true << -3376;
        QTest::newRow("256-bit AES, Unicode passwords")
            << 3 << QList<int>{2, 3, 4, 6} << QStringLiteral("Eigentümer") << QStringLiteral("пароль €")
            << false << -2072;
    }

    void runAtEachStrength()
    {
        QFETCH(int, strength);
        QFETCH(QList<int>, clicks);
        QFETCH(QString, owner);
        QFETCH(QString, user);
        QFETCH(bool, untickUser);
        QFETCH(int, p);
        const TestPdfs::Options options;
        const QString input = makePdf(QStringLiteral("in/Report.pdf"), options);
        const QString out = makeFolder(QStringLiteral("out"));

        FormMain window(desktop_);
        window.show();
        SettingsPage& page = *window.ui().PicSetting;
        window.fileList().AddPdfFile(input);
        page.TextFolder->setText(out);
        page.TextOwner->setText(owner);
        for (const int index : clicks)
            (index < 0 ? static_cast<QAbstractButton*>(page.CmdAllowAll) : page.CheckPermission[index])
                ->click();
        page.OptionKey[strength]->click();
        if (!user.isEmpty()) {
            page.CheckPassword->click();
            page.TextUser->setText(user);
            if (untickUser)
                page.CheckPassword->click();
        }

        desktop_.answerMessage(Desktop::Answer::No);
        RUN(window);
        QCOMPARE(messages(), QStringList{summary(1)});
        QCOMPARE(entries(out), QStringList{QStringLiteral("Report.pdf")});

        Expected expected;
        expected.strength = strength;
        expected.permissions = p;
        expected.userPassword = untickUser ? QString() : user;
        expected.ownerPassword = owner;
        for (int n = 1; n <= options.pages; ++n)
            expected.pageTexts << TestPdfs::pageText(options, n);
        const QString problems =
            protectionProblems(QDir(out).filePath(QStringLiteral("Report.pdf")), expected);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }

    // A row that fails gets its message with the component's code in list
    // order, is not counted as saved, and the run goes on.
    void failingRowShowsItsMessage()
    {
        const QString bad = makePdf(QStringLiteral("in/bad.pdf"));
        const QString good = makePdf(QStringLiteral("in/good.pdf"));
        const QString out = makeFolder(QStringLiteral("out"));
        FormMain window(desktop_);
        prepare(window, {bad, good}, out);
        QVERIFY(TestPdfs::writeBytes(bad, "%PDF-1.4\nnothing else\n"));
        desktop_.answerMessage();
        desktop_.answerMessage(Desktop::Answer::No);
        RUN(window);

        QCOMPARE(messages(), (QStringList{encryptFailure(bad, 102), summary(1)}));
        QCOMPARE(entries(out), QStringList{QStringLiteral("good.pdf")});
    }

    // While a run lasts: the yield before the first row, progress after each
    // row, the list and page disabled and only Stop available.
    void progressAndStateDuringARun()
    {
        QStringList inputs;
        for (const char* name : {"in/1.pdf", "in/2.pdf", "in/3.pdf"})
            inputs << makePdf(QLatin1String(name));
        const QString out = makeFolder(QStringLiteral("out"));
        FormMain window(desktop_);
        prepare(window, inputs, out);
        FormMainUi& ui = window.ui();

        bool firstTickSeen = false;
        QStringList firstTick;
        QStringList progress;
        QList<int> wrongCommands;
        bool pageEnabled = false;
        Ticker ticker([&] {
            if (!firstTickSeen) {
                firstTickSeen = true;
                firstTick << QString::number(ui.ProgressBar1->maximum())
                          << QString::number(ui.ProgressBar1->value()) << ui.Panel4->text()
                          << entries(out);
            }
            const QString step = QStringLiteral("%1 %2/%3")
                                     .arg(ui.Panel4->text())
                                     .arg(ui.ProgressBar1->value())
                                     .arg(ui.ProgressBar1->maximum());
            if (progress.isEmpty() || progress.last() != step)
                progress << step;
            wrongCommands += commandsNotOnlyStop(window);
            pageEnabled = pageEnabled || ui.LvPDF->isEnabled() || ui.PicSetting->isEnabled();
            return window.IsRunning();
        });
        desktop_.answerMessage(Desktop::Answer::No);
        RUN(window);

        QCOMPARE(firstTick, (QStringList{QStringLiteral("3"), QStringLiteral("0"), QString()}));
        // Bar and counter move together and only forward. Rows finishing at
        // once may move them by more than one between two passes of the
        // event loop.
        QCOMPARE(progress.first(), QStringLiteral(" 0/3"));
        for (qsizetype i = 1; i < progress.size(); ++i) {
            const int done = progress[i].section(u'/', 0, 0).toInt();
            QCOMPARE(progress[i], QStringLiteral("%1/3 %1/3").arg(done));
            QVERIFY(done > progress[i - 1].section(u'/', 0, 0).toInt());
        }
        QCOMPARE(wrongCommands, QList<int>());
        QVERIFY(!pageEnabled);
        QCOMPARE(messages(), QStringList{summary(3)});
        QCOMPARE(entries(out).size(), 3);
        QCOMPARE(ui.ProgressBar1->value(), 0);
        QCOMPARE(ui.Panel4->text(), QString());
        QVERIFY(ui.LvPDF->isEnabled());
        QVERIFY(ui.PicSetting->isEnabled());
        QCOMPARE(disabledCommands(window), QList<int>());
    }

    // Stop once the first row is done: the rows in flight are finished and
    // counted, no other row starts, and nothing else can start meanwhile.
    void stopDuringARun()
    {
        // Big enough that the window takes its events while rows are written.
        TestPdfs::Options options;
        options.pages = 300;
        QStringList inputs;
        for (int n = 1; n <= 6; ++n)
            inputs << makePdf(QStringLiteral("in/%1.pdf").arg(n), options);
        const QString out = makeFolder(QStringLiteral("out"));
        FormMain window(desktop_);
        prepare(window, inputs, out);
        FormMainUi& ui = window.ui();

        bool stopped = false;
        bool stopTookEffect = false;
        QList<int> wrongCommands;
        bool pageEnabled = false;
        Ticker ticker([&] {
            if (!stopped && !ui.Panel4->text().isEmpty()) {
                stopped = true;
                window.commandBars().action(ID_STOP)->trigger();
                stopTookEffect = window.StopRequested() && !window.IsRunning();
            }
            if (stopped) {
                // Until the run has ended nothing but Stop is available.
                wrongCommands += commandsNotOnlyStop(window);
                pageEnabled = pageEnabled || ui.LvPDF->isEnabled() || ui.PicSetting->isEnabled();
                window.Execute(ID_CONVERT);
                window.Execute(ID_Exit);
                window.commandBars().action(ID_STOP)->trigger();
            }
            return desktop_.calls.isEmpty();
        });
        desktop_.answerMessage(Desktop::Answer::No);
        RUN(window);

        QVERIFY(stopped);
        QVERIFY(stopTookEffect);
        QCOMPARE(wrongCommands, QList<int>());
        QVERIFY(!pageEnabled);
        QVERIFY(window.isVisible());
        // The rows that had started when Stop came were finished, the others
        // never started.
        const QStringList written = entries(out);
        QVERIFY(!written.isEmpty() && written.size() < 6);
        for (int n = 1; n <= written.size(); ++n)
            QCOMPARE(written[n - 1], QStringLiteral("%1.pdf").arg(n));
        QCOMPARE(messages(), QStringList{summary(int(written.size()))});
        QCOMPARE(ui.ProgressBar1->value(), 0);
        QCOMPARE(ui.Panel4->text(), QString());
        QVERIFY(ui.LvPDF->isEnabled());
        QVERIFY(ui.PicSetting->isEnabled());
        QCOMPARE(disabledCommands(window), QList<int>());
    }

    // The user's close during a run stops it and keeps the window, also
    // when repeated while the stopped row is still being finished; once the
    // run has ended, a close closes.
    void closeDuringARun()
    {
        // Big enough that the first row is still being written while the
        // window takes its events.
        TestPdfs::Options big;
        big.pages = 3000;
        const QString a = makePdf(QStringLiteral("in/a.pdf"), big);
        const QString b = makePdf(QStringLiteral("in/b.pdf"));
        const QString out = makeFolder(QStringLiteral("out"));
        const QString outputA = QDir(out).filePath(QStringLiteral("a.pdf"));
        FormMain window(desktop_);
        prepare(window, {a, b}, out);

        int ticks = 0;
        int closesWhileWriting = 0;
        int closesAccepted = 0;
        bool settingsWritten = false;
        Ticker ticker([&] {
            // The first tick is the yield before the first row.
            if (++ticks > 1 && !QFileInfo::exists(outputA))
                ++closesWhileWriting;
            closesAccepted += window.close() ? 1 : 0;
            settingsWritten = settingsWritten || TestSettings::store().contains(QStringLiteral("Path"));
            return desktop_.calls.isEmpty();
        });
        desktop_.answerMessage(Desktop::Answer::No);
        RUN(window);

        QVERIFY2(ticks >= 2, "closed before the first row and after it");
        QVERIFY(closesWhileWriting >= 1);
        QCOMPARE(closesAccepted, 0);
        QVERIFY(!settingsWritten);
        QVERIFY(window.isVisible());
        QCOMPARE(messages(), QStringList{summary(1)});
        QCOMPARE(entries(out), QStringList{QStringLiteral("a.pdf")});
        const PopplerInfo info = popplerInfo(outputA);
        QVERIFY(info.encrypted);
        QCOMPARE(info.pages, big.pages);

        QVERIFY(window.close());
        QCOMPARE(TestSettings::store().value(QStringLiteral("Path")).toString(), out);
    }

    // The summary for one row, and the destination folder it opens on Yes:
    // trimmed, with exactly one trailing separator.
    void summaryOffersTheFolder_data()
    {
        QTest::addColumn<QString>("folder");   // "%w" is the work folder
        QTest::addColumn<bool>("yes");
        const QString sep = QDir::separator();
        QTest::newRow("yes") << QStringLiteral("%w") + sep + QStringLiteral("out") << true;
        QTest::newRow("no") << QStringLiteral("%w") + sep + QStringLiteral("out") << false;
        QTest::newRow("trailing separator kept single")
            << QStringLiteral("%w") + sep + QStringLiteral("out") + sep << true;
        QTest::newRow("relative to the current folder") << QStringLiteral("out") << true;
    }

    void summaryOffersTheFolder()
    {
        QFETCH(QString, folder);
        QFETCH(bool, yes);
        folder.replace(QStringLiteral("%w"), QDir::toNativeSeparators(work_->path()));
        const QString input = makePdf(QStringLiteral("in/a.pdf"));
        const QString out = makeFolder(QStringLiteral("out"));
        QDir::setCurrent(work_->path());
        FormMain window(desktop_);
        prepare(window, {input}, folder);
        desktop_.answerMessage(yes ? Desktop::Answer::Yes : Desktop::Answer::No);
        RUN(window);

        QCOMPARE(messages(), QStringList{summary(1)});
        QCOMPARE(messages().first().section(u'|', 3),
                 QStringLiteral("1 files saved.\r\nDo you want to open the destination folder now?"));
        QCOMPARE(entries(out), QStringList{QStringLiteral("a.pdf")});
        const QList<FakeDesktop::Call> opened = desktop_.callsOf(FakeDesktop::Kind::OpenFolder);
        QCOMPARE(opened.size(), yes ? 1 : 0);
        if (yes) {
            const QString expected = QDir::isRelativePath(folder)
                                         ? QDir::toNativeSeparators(QDir(out).canonicalPath())
                                         : QDir::toNativeSeparators(out);
            QCOMPARE(opened[0].text, expected + QDir::separator());
            QCOMPARE(desktop_.calls.last().kind, FakeDesktop::Kind::OpenFolder);
        }
    }
};

QTEST_MAIN(TestRun)
#include "tst_run.moc"
