#include "RunFixture.h"

#include <QRandomGenerator>

#include "ui/TabStrip.h"

#include <QApplication>
#include <QCheckBox>
#include <QRandomGenerator>
#include <QRadioButton>


using namespace RunHelpers;
using TestPdfs::entries;

namespace {

const QString CrLf = QStringLiteral("\r\n");

} // namespace

// What Start checks before a run, in order, and where each failed check
// leaves the user; the destination the check and the run share; and the
// question before protecting files that would lose signatures and the like.
class TestStartChecks : public QObject
{
    Q_OBJECT

private:
    RunFixture f;

private Q_SLOTS:
    void initTestCase() { f.initTestCase(); }
    void init() { f.init(); }
    void cleanup() { f.cleanup(); }

    // Each failing check: its message, where it leaves the user, and no run
    // even when the user then adds a file or chooses a folder.
    void startChecksStopAtTheFirstThatFails_data()
    {
        QTest::addColumn<bool>("withFile");
        QTest::addColumn<QString>("folder");      // "%w" is the work folder
        QTest::addColumn<QString>("owner");
        QTest::addColumn<bool>("requireUser");
        QTest::addColumn<QString>("user");
        QTest::addColumn<int>("strength");
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

        const QString same = info(error, QStringLiteral(
            "The user (open) password must be different from the owner (master) password. "
            "Otherwise anyone who can open the files can also remove their restrictions."));
        const QString unstorable = info(error, QStringLiteral(
            "The passwords contain characters that the chosen strength cannot store. Choose "
            "256-bit AES, or change the passwords."));
        const QString ligature = info(error, QStringLiteral(
            "The passwords contain a ligature (\"\uFB01\"), which PDF readers do not all take the "
            "same way: the files might not open with the password as typed. Please change the "
            "passwords."));
        const QString cyrillic = QStringLiteral("\u043f\u0430\u0440\u043e\u043b\u044c");
        const QString textFolder = QStringLiteral("TextFolder");
        const QString textOwner = QStringLiteral("TextOwner");
        const QString textUser = QStringLiteral("TextUser");

        // withFile folder owner requireUser user strength | message tab focus browse
        QTest::newRow("empty list") << false << out << owner << false << QString() << 2
                                    << noFile << 1 << QString() << none;
        QTest::newRow("empty list before a bad folder") << false << QString() << QString() << false
                                                        << QString() << 2 << noFile << 1 << QString() << none;
        QTest::newRow("no folder") << true << QString() << owner << false << QString() << 2
                                   << badFolder << 0 << textFolder << QString();
        QTest::newRow("missing folder") << true << QStringLiteral("%w/missing/") << owner << false
                                        << QString() << 2 << badFolder << 0 << textFolder
                                        << QStringLiteral("%w/missing");
        QTest::newRow("folder is a file") << true << QStringLiteral("%w/in/a.pdf") << owner << false
                                          << QString() << 2 << badFolder << 0 << textFolder
                                          << QStringLiteral("%w/in/a.pdf");
        QTest::newRow("blanks around a missing folder")
            << true << QStringLiteral(" %w/missing ") << owner << false << QString() << 2 << badFolder
            << 0 << textFolder << QStringLiteral(" %w/missing ");
        QTest::newRow("bad folder before no owner")
            << true << QStringLiteral("%w/missing") << QString() << false << QString() << 2 << badFolder
            << 0 << textFolder << QStringLiteral("%w/missing");
        QTest::newRow("no owner") << true << out << QString() << false << QString() << 2 << noOwner
                                  << 0 << textOwner << none;
        QTest::newRow("no owner before no user") << true << out << QString() << true << QString() << 2
                                                 << noOwner << 0 << textOwner << none;
        QTest::newRow("no user password") << true << out << owner << true << QString() << 2 << noUser
                                          << 0 << textUser << none;
        QTest::newRow("user password same as owner") << true << out << owner << true << owner << 2
                                                     << same << 0 << textUser << none;
        QTest::newRow("same passwords before unstorable ones")
            << true << out << cyrillic << true << cyrillic << 2 << same << 0 << textUser << none;
        QTest::newRow("owner the strength cannot store") << true << out << cyrillic << false
                                                         << QString() << 1 << unstorable << 0
                                                         << textOwner << none;
        QTest::newRow("user the strength cannot store") << true << out << owner << true << cyrillic
                                                        << 2 << unstorable << 0 << textUser << none;
        QTest::newRow("ligature at 256-bit AES") << true << out << owner << true
                                                 << QStringLiteral("of\uFB01ce") << 3 << ligature
                                                 << 0 << textUser << none;
    }

    void startChecksStopAtTheFirstThatFails()
    {
        QFETCH(bool, withFile);
        QFETCH(QString, folder);
        QFETCH(QString, owner);
        QFETCH(bool, requireUser);
        QFETCH(QString, user);
        QFETCH(int, strength);
        QFETCH(QString, expected);
        QFETCH(int, tab);
        QFETCH(QString, focus);
        QFETCH(QString, browseStart);
        const QString work = QDir::toNativeSeparators(f.work->path());
        folder.replace(QStringLiteral("%w"), work);
        browseStart.replace(QStringLiteral("%w"), work);
        const QString input = f.makePdf(QStringLiteral("in/a.pdf"));
        const QString out = f.makeFolder(QStringLiteral("out"));
        const QString chosen = f.makeFolder(QStringLiteral("chosen"));

        FormMain window(f.desktop);
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
        ui.PicSetting->OptionKey[strength]->click();
        // Start on the other tab so that the switch shows.
        ui.TabStrip1->setCurrentIndex(1 - tab);
        ui.LvPDF->setFocus();

        f.desktop.answerMessage();
        if (!withFile)
            f.desktop.answerOpenFiles({input});
        if (browseStart != u"-")
            f.desktop.answerChooseFolder(chosen);
        const QByteArray inputBytes = TestPdfs::readBytes(input);
        window.commandBars().action(ID_CONVERT)->trigger();

        QCOMPARE(f.messages(), QStringList{expected});
        QCOMPARE(ui.TabStrip1->currentIndex(), tab);
        if (!focus.isEmpty()) {
            QVERIFY(QApplication::focusWidget());
            QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        }
        if (!withFile) {
            // The dialog's file was added, and still nothing ran.
            QCOMPARE(f.desktop.callsOf(FakeDesktop::Kind::OpenFiles).size(), 1);
            QCOMPARE(window.fileList().rowCount(), 1);
        }
        const QList<FakeDesktop::Call> browses = f.desktop.callsOf(FakeDesktop::Kind::ChooseFolder);
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
        QCOMPARE(entries(f.path(QStringLiteral("in"))), QStringList{QStringLiteral("a.pdf")});
        QCOMPARE(TestPdfs::readBytes(input), inputBytes);
    }

    // The check and the run take the folder text with the blanks around it
    // removed: a run goes where the check looked.
    void blanksAroundTheFolder()
    {
        const QString input = f.makePdf(QStringLiteral("in/a.pdf"));
        const QString out = f.makeFolder(QStringLiteral("out"));
        f.makeFolder(QStringLiteral("spaced "));
        FormMain window(f.desktop);
        f.prepare(window, {input}, QStringLiteral(" ") + out + QStringLiteral(" "));
        f.desktop.answerMessage(Desktop::Answer::No);
        RUN(window);
        QCOMPARE(entries(out), QStringList{QStringLiteral("a.pdf")});

        // Only the name with the blank exists: refused at Start, not per row.
        f.desktop.reset();
        window.ui().PicSetting->TextFolder->setText(f.path(QStringLiteral("spaced ")));
        f.desktop.answerMessage();
        f.desktop.answerChooseFolder(QString());
        RUN(window);
        QCOMPARE(f.desktop.calls.first().text,
                 QStringLiteral("The destination folder is invalid. Please browse and select the "
                                "destination folder"));
        QCOMPARE(entries(f.path(QStringLiteral("spaced "))), QStringList());
    }

    // A folder that cannot be written is refused at Start like a missing
    // one, and the test leaves nothing in it.
    void readOnlyFolderIsRefused()
    {
        const QString input = f.makePdf(QStringLiteral("in/a.pdf"));
        const QString locked = f.makeFolder(QStringLiteral("locked"));
        const auto unlock = qScopeGuard([&] { TestPdfs::makeWritable(locked); });
        if (!TestPdfs::makeReadOnly(locked))
            QSKIP("this file system cannot make a folder read-only for this user");
        FormMain window(f.desktop);
        f.prepare(window, {input}, locked);
        f.desktop.answerMessage();
        f.desktop.answerChooseFolder(QString());
        RUN(window);
        QCOMPARE(f.messages(),
                 QStringList{message(QStringLiteral("Sealmark"), Desktop::Icon::Information,
                                     Desktop::Buttons::Ok,
                                     QStringLiteral("The destination folder is invalid. Please "
                                                    "browse and select the destination folder"))});
        QCOMPARE(window.ui().TabStrip1->currentIndex(), 0);
        QCOMPARE(entries(locked), QStringList());
    }

    // Files that protection would break are named before the run: Yes runs
    // every row, No leaves them out, Cancel starts nothing.
    void lossIsAskedAbout_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("outputs");
        const QStringList all{QStringLiteral("all.pdf"), QStringLiteral("plain.pdf"),
                              QStringLiteral("signed.pdf")};
        QTest::newRow("yes") << int(Desktop::Answer::Yes) << all;
        QTest::newRow("no") << int(Desktop::Answer::No) << QStringList{QStringLiteral("plain.pdf")};
        QTest::newRow("cancel") << int(Desktop::Answer::Cancel) << QStringList();
    }
    void lossIsAskedAbout()
    {
        QFETCH(int, answer);
        QFETCH(QStringList, outputs);
        TestPdfs::Options signedFile;
        signedFile.features = PdfLibrary::Signed;
        TestPdfs::Options everything;
        everything.features = PdfLibrary::Certified | PdfLibrary::UsageRights | PdfLibrary::PdfA;
        const QStringList inputs{f.makePdf(QStringLiteral("in/signed.pdf"), signedFile),
                                 f.makePdf(QStringLiteral("in/plain.pdf")),
                                 f.makePdf(QStringLiteral("in/all.pdf"), everything)};
        const QString out = f.makeFolder(QStringLiteral("out"));
        FormMain window(f.desktop);
        f.prepare(window, inputs, out);
        QCOMPARE(window.ui().LvPDF->topLevelItem(0)->toolTip(1), QStringLiteral("digitally signed"));

        f.desktop.answerMessage(Desktop::Answer(answer));
        if (answer != int(Desktop::Answer::Cancel))
            f.desktop.answerMessage(Desktop::Answer::No);
        RUN(window);
        const QString question =
            QStringLiteral("2 of the listed files will lose something when protected:") + CrLf +
            QStringLiteral("signed.pdf \u2013 digitally signed: the signatures will no longer be "
                           "valid") + CrLf +
            QStringLiteral("all.pdf \u2013 digitally signed: the signatures will no longer be "
                           "valid; certified: the certification will no longer be valid; Reader "
                           "extensions: form filling in Adobe Reader will stop working; PDF/A: the "
                           "copy will no longer be PDF/A, which does not allow encryption") + CrLf +
            QStringLiteral("Yes protects them anyway, No leaves them out of this run, Cancel "
                           "returns without starting.");
        QCOMPARE(f.messages().first(),
                 message(QStringLiteral("Sealmark"), Desktop::Icon::Warning,
                         Desktop::Buttons::YesNoCancel, question));
        QCOMPARE(f.messages().size(), answer == int(Desktop::Answer::Cancel) ? 1 : 2);
        if (answer != int(Desktop::Answer::Cancel))
            QCOMPARE(f.messages().last(), summary(int(outputs.size())));
        QCOMPARE(entries(out), outputs);
    }

    // Same names in two folders, the destination one of them, some files
    // flagged and every answer: no listed file is written, each row that
    // runs gets an output of its own, and No with every file flagged starts
    // nothing, as Cancel does.
    void noListedFileIsEverWritten_data()
    {
        QTest::addColumn<quint32>("seed");
        // Seed 0: a/x.pdf signed and b/x.pdf plain into a/, No.
        for (quint32 seed = 0; seed <= 15; ++seed)
            QTest::newRow(qPrintable(QString::number(seed))) << seed;
    }
    void noListedFileIsEverWritten()
    {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        QStringList inputs;
        int flagged = 0;
        const int flagEvery = int(seed % 3);  // none, some or all
        for (const char* file : {"a/x.pdf", "a/y.pdf", "b/x.pdf", "b/y.pdf"}) {
            const bool signedFirst = seed == 0 && inputs.isEmpty();
            if (seed == 0 ? file[2] != 'x' : random.bounded(4) == 0)
                continue;
            TestPdfs::Options options;
            options.features = signedFirst || (flagEvery != 0 && random.bounded(flagEvery) == 0)
                                   ? PdfLibrary::Signed
                                   : 0;
            flagged += options.features != 0 ? 1 : 0;
            inputs << f.makePdf(QString::fromLatin1(file), options);
        }
        if (inputs.isEmpty()) {
            inputs << f.makePdf(QStringLiteral("a/x.pdf"), {.features = PdfLibrary::Signed});
            ++flagged;
        }
        const QString destination = f.path(seed == 0 || random.bounded(2) == 0 ? QStringLiteral("a")
                                                                               : QStringLiteral("b"));
        QDir().mkpath(destination);
        const int before = int(entries(destination).size());
        FormMain window(f.desktop);
        f.prepare(window, inputs, destination);

        const QList<Desktop::Answer> answers{Desktop::Answer::Yes, Desktop::Answer::No,
                                             Desktop::Answer::Cancel};
        const Desktop::Answer answer = answers[seed == 0 ? 1 : int(random.bounded(3))];
        const bool asked = flagged > 0;
        const int running = !asked                          ? int(inputs.size())
                            : answer == Desktop::Answer::Yes ? int(inputs.size())
                            : answer == Desktop::Answer::No  ? int(inputs.size()) - flagged
                                                             : 0;
        if (asked)
            f.desktop.answerMessage(answer);
        if (running > 0)
            f.desktop.answerMessage(Desktop::Answer::No);
        RUN(window);
        QCOMPARE(f.messages().size(), (asked ? 1 : 0) + (running > 0 ? 1 : 0));
        if (running > 0)
            QCOMPARE(f.messages().last(), summary(running));
        QCOMPARE(int(entries(destination).size()), before + running);
    }

    // At most ten files are named; the question says how many more there are.
    void longLossListsAreCut()
    {
        TestPdfs::Options rights;
        rights.features = PdfLibrary::UsageRights;
        QStringList inputs;
        for (int n = 1; n <= 12; ++n)
            inputs << f.makePdf(QStringLiteral("in/%1.pdf").arg(n, 2, 10, QLatin1Char('0')), rights);
        FormMain window(f.desktop);
        f.prepare(window, inputs, f.makeFolder(QStringLiteral("out")));
        f.desktop.answerMessage(Desktop::Answer::Cancel);
        RUN(window);
        const QStringList lines = f.desktop.calls.first().text.split(CrLf);
        QCOMPARE(lines.size(), 13);
        QCOMPARE(lines.first(), QStringLiteral("12 of the listed files will lose something when protected:"));
        QVERIFY(lines[10].startsWith(QStringLiteral("10.pdf ")));
        QCOMPARE(lines[11], QStringLiteral("and 2 more"));
    }
};

QTEST_MAIN(TestStartChecks)
#include "tst_startchecks.moc"
