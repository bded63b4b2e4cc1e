#include "RunFixture.h"

#include "job/Paths.h"
#include "ui/TabStrip.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

using namespace PdfReaders;
using namespace RunHelpers;
using TestPdfs::entries;

namespace {

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

// The batch run through the main window: encryption of rows set up
// through the page and read back by independent readers, failures, stop
// and close during a run, progress and the summary.
class TestRun : public QObject
{
    Q_OBJECT

private:
    RunFixture f;

private Q_SLOTS:
    void initTestCase() { f.initTestCase(); }
    void init() { f.init(); }
    void cleanup() { f.cleanup(); }

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
        const QString input = f.makePdf(QStringLiteral("in/Report.pdf"), options);
        const QString out = f.makeFolder(QStringLiteral("out"));

        FormMain window(f.desktop);
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

        f.desktop.answerMessage(Desktop::Answer::No);
        RUN(window);
        QCOMPARE(f.messages(), QStringList{summary(1)});
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
        const QString bad = f.makePdf(QStringLiteral("in/bad.pdf"));
        const QString good = f.makePdf(QStringLiteral("in/good.pdf"));
        const QString out = f.makeFolder(QStringLiteral("out"));
        FormMain window(f.desktop);
        f.prepare(window, {bad, good}, out);
        QVERIFY(TestPdfs::writeBytes(bad, "%PDF-1.4\nnothing else\n"));
        f.desktop.answerMessage();
        f.desktop.answerMessage(Desktop::Answer::No);
        RUN(window);

        QCOMPARE(f.messages(), (QStringList{encryptFailure(bad, 102), summary(1)}));
        QCOMPARE(entries(out), QStringList{QStringLiteral("good.pdf")});
    }

    // While a run lasts: the yield before the first row, progress after each
    // row, the list and page disabled and only Stop available.
    void progressAndStateDuringARun()
    {
        QStringList inputs;
        for (const char* name : {"in/1.pdf", "in/2.pdf", "in/3.pdf"})
            inputs << f.makePdf(QLatin1String(name));
        const QString out = f.makeFolder(QStringLiteral("out"));
        FormMain window(f.desktop);
        f.prepare(window, inputs, out);
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
        f.desktop.answerMessage(Desktop::Answer::No);
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
        QCOMPARE(f.messages(), QStringList{summary(3)});
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
        // More than can be in flight at the first report: two rows written
        // and two flushed per core, and those the same report lets start.
        for (int n = 1; n <= 12; ++n)
            inputs << f.makePdf(QStringLiteral("in/%1.pdf").arg(n), options);
        const QString out = f.makeFolder(QStringLiteral("out"));
        FormMain window(f.desktop);
        f.prepare(window, inputs, out);
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
            return f.desktop.calls.isEmpty();
        });
        f.desktop.answerMessage(Desktop::Answer::No);
        RUN(window);

        QVERIFY(stopped);
        QVERIFY(stopTookEffect);
        QCOMPARE(wrongCommands, QList<int>());
        QVERIFY(!pageEnabled);
        QVERIFY(window.isVisible());
        // The rows that had started when Stop came were finished, the others
        // never started.
        const QStringList written = entries(out);
        QVERIFY(!written.isEmpty() && written.size() < 12);
        for (int n = 1; n <= written.size(); ++n)
            QCOMPARE(written[n - 1], QStringLiteral("%1.pdf").arg(n));
        QCOMPARE(f.messages(), QStringList{summary(int(written.size()))});
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
        const QString a = f.makePdf(QStringLiteral("in/a.pdf"), big);
        const QString b = f.makePdf(QStringLiteral("in/b.pdf"));
        const QString out = f.makeFolder(QStringLiteral("out"));
        const QString outputA = QDir(out).filePath(QStringLiteral("a.pdf"));
        FormMain window(f.desktop);
        f.prepare(window, {a, b}, out);

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
            return f.desktop.calls.isEmpty();
        });
        f.desktop.answerMessage(Desktop::Answer::No);
        RUN(window);

        QVERIFY2(ticks >= 2, "closed before the first row and after it");
        QVERIFY(closesWhileWriting >= 1);
        QCOMPARE(closesAccepted, 0);
        QVERIFY(!settingsWritten);
        QVERIFY(window.isVisible());
        QCOMPARE(f.messages(), QStringList{summary(1)});
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
        QTest::newRow("relative to the start folder") << QStringLiteral("%r") + QStringLiteral("out") << true;
    }

    void summaryOffersTheFolder()
    {
        QFETCH(QString, folder);
        QFETCH(bool, yes);
        folder.replace(QStringLiteral("%w"), QDir::toNativeSeparators(f.work->path()));
        folder.replace(QStringLiteral("%r"),
                       QDir::toNativeSeparators(QDir(StartFolder()).relativeFilePath(f.work->path())) +
                           QDir::separator());
        const QString input = f.makePdf(QStringLiteral("in/a.pdf"));
        const QString out = f.makeFolder(QStringLiteral("out"));
        FormMain window(f.desktop);
        f.prepare(window, {input}, folder);
        f.desktop.answerMessage(yes ? Desktop::Answer::Yes : Desktop::Answer::No);
        RUN(window);
        // The program never moves its current directory: a second Start
        // with the same relative text writes into the same folder.
        QCOMPARE(QDir::currentPath(), f.startDir);
        if (!yes) {
            f.desktop.answerMessage(Desktop::Answer::No);
            RUN(window);
            f.desktop.calls.removeLast();
        }

        QCOMPARE(f.messages(), QStringList{summary(1)});
        QCOMPARE(f.messages().first().section(u'|', 3),
                 QStringLiteral("1 files saved.\r\nDo you want to open the destination folder now?"));
        QCOMPARE(entries(out), QStringList{QStringLiteral("a.pdf")});
        const QList<FakeDesktop::Call> opened = f.desktop.callsOf(FakeDesktop::Kind::OpenFolder);
        QCOMPARE(opened.size(), yes ? 1 : 0);
        if (yes) {
            const QString expected = QDir::isRelativePath(folder)
                                         ? QDir::toNativeSeparators(QDir(out).canonicalPath())
                                         : QDir::toNativeSeparators(out);
            QCOMPARE(opened[0].text, expected + QDir::separator());
            QCOMPARE(f.desktop.calls.last().kind, FakeDesktop::Kind::OpenFolder);
        }
    }
};

QTEST_MAIN(TestRun)
#include "tst_run.moc"
