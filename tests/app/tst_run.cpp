#include "app/FormMain.h"
#include "FakeDesktop.h"
#include "filelist/FileList.h"
#include "filelist/FileListView.h"
#include "PdfReaders.h"
#include "RunHelpers.h"
#include "TestPdfs.h"
#include "TestSettings.h"
#include "ui/CommandTable.h"
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
        window.ui().TextFolder->setText(folder);
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
        ui.TextFolder->setText(folder);
        ui.TextOwner->setText(owner);
        if (requireUser)
            ui.CheckPassword->click();
        ui.TextUser->setText(user);
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
            QCOMPARE(ui.TextFolder->text(), chosen);
        }
        QVERIFY(!window.StopRequested());
        QVERIFY(ui.LvPDF->isEnabled());
        QVERIFY(ui.PicSetting->isEnabled());
        QCOMPARE(entries(out), QStringList());
        QCOMPARE(entries(chosen), QStringList());
        QCOMPARE(entries(path(QStringLiteral("in"))), QStringList{QStringLiteral("a.pdf")});
        QCOMPARE(TestPdfs::readBytes(input), inputBytes);
    }

    // One file at each strength, set up through the page as a user would;
    // the output is read back with poppler and MuPDF. Permission values are
    // the P entries (bits 7, 8, 13-32 always set; 40-bit RC4 sets 9-12 too,
    // AES always grants accessibility, bit 10).
    void runAtEachStrength_data()
    {
        QTest::addColumn<int>("strength");
        QTest::addColumn<QList<int>>("clicks");   // permission boxes; -1 is "Allow all"
        QTest::addColumn<QString>("owner");
        QTest::addColumn<QByteArray>("ownerBytes"); // poppler takes the encoded bytes
        QTest::addColumn<QString>("user");        // typed with the box ticked
        QTest::addColumn<bool>("untickUser");     // then the box is unticked again
        QTest::addColumn<QByteArray>("userBytes"); // what opens the output ("" for none)
        QTest::addColumn<QString>("algorithm");
        QTest::addColumn<int>("revision");
        QTest::addColumn<int>("p");
        QTest::addColumn<QString>("flags");       // pdfinfo's print copy change addNotes

        QTest::newRow("40-bit RC4, print and copy")
            << 0 << QList<int>{0, 1} << QStringLiteral("owner pw") << QByteArray("owner pw")
            << QString() << false << QByteArray() << QStringLiteral("RC4") << 2 << -44
            << QStringLiteral("yes yes no no");
        QTest::newRow("40-bit RC4 after allow all, five boxes hidden")
            << 0 << QList<int>{-1} << QStringLiteral("Kesto") << QByteArray("Kesto")
            << QStringLiteral("Öffnen") << false << QByteArray("\xd6" "ffnen")
            << QStringLiteral("RC4") << 2 << -4 << QStringLiteral("yes yes yes yes");
        QTest::newRow("128-bit RC4, high-res ticks print")
            << 1 << QList<int>{7, 5} << QStringLiteral("Ówner") << QByteArray("\xd3" "wner")
            << QStringLiteral("üser") << false << QByteArray("\xfc" "ser")
            << QStringLiteral("RC4") << 3 << -1340 << QStringLiteral("yes no no no");
        QTest::newRow("128-bit RC4, high-res without print")
            << 1 << QList<int>{7, 0} << QStringLiteral("Kesto") << QByteArray("Kesto")
            << QString() << false << QByteArray() << QStringLiteral("RC4") << 3 << -3904
            << QStringLiteral("no no no no");
        QTest::newRow("128-bit AES, nothing allowed, blanks only")
            << 2 << QList<int>{} << QStringLiteral("   ") << QByteArray("   ")
            << QStringLiteral(" ") << false << QByteArray(" ") << QStringLiteral("AES") << 4
            << -3392 << QStringLiteral("no no no no");
        QTest::newRow("128-bit AES, user password unticked")
            << 2 << QList<int>{1} << QStringLiteral("Kesto") << QByteArray("Kesto")
            << QStringLiteral("kept") << true << QByteArray() << QStringLiteral("AES") << 4
            << -3376 << QStringLiteral("no yes no no");
        QTest::newRow("256-bit AES, Unicode passwords")
            << 3 << QList<int>{2, 3, 4, 6} << QStringLiteral("Eigentümer")
            << QStringLiteral("Eigentümer").toUtf8() << QStringLiteral("пароль €") << false
            << QStringLiteral("пароль €").toUtf8() << QStringLiteral("AES-256") << 6 << -2072
            << QStringLiteral("no no yes yes");
    }

    void runAtEachStrength()
    {
        QFETCH(int, strength);
        QFETCH(QList<int>, clicks);
        QFETCH(QString, owner);
        QFETCH(QByteArray, ownerBytes);
        QFETCH(QString, user);
        QFETCH(bool, untickUser);
        QFETCH(QByteArray, userBytes);
        QFETCH(QString, algorithm);
        QFETCH(int, revision);
        QFETCH(int, p);
        QFETCH(QString, flags);
        const TestPdfs::Options options;
        const QString input = makePdf(QStringLiteral("in/Report.pdf"), options);
        const QString out = makeFolder(QStringLiteral("out"));

        FormMain window(desktop_);
        window.show();
        FormMainUi& ui = window.ui();
        window.fileList().AddPdfFile(input);
        ui.TextFolder->setText(out);
        ui.TextOwner->setText(owner);
        for (const int index : clicks)
            (index < 0 ? static_cast<QAbstractButton*>(ui.CmdAllowAll) : ui.CheckPermission[index])
                ->click();
        ui.OptionKey[strength]->click();
        if (!user.isEmpty()) {
            ui.CheckPassword->click();
            ui.TextUser->setText(user);
            if (untickUser)
                ui.CheckPassword->click();
        }

        desktop_.answerMessage(Desktop::Answer::No);
        RUN(window);
        QCOMPARE(messages(), QStringList{summary(1)});
        QCOMPARE(entries(out), QStringList{QStringLiteral("Report.pdf")});
        const QString output = QDir(out).filePath(QStringLiteral("Report.pdf"));

        const PopplerInfo info = popplerInfo(output, userBytes);
        QVERIFY2(info.opened, qPrintable(info.output));
        QVERIFY(info.encrypted);
        QCOMPARE(info.pages, options.pages);
        QCOMPARE(info.algorithm, algorithm);
        const auto yesNo = [&](const char* flag) {
            return info.permissions.value(QLatin1String(flag)) ? QStringLiteral("yes")
                                                               : QStringLiteral("no");
        };
        QCOMPARE(QStringList({yesNo("print"), yesNo("copy"), yesNo("change"), yesNo("addNotes")})
                     .join(u' '),
                 flags);
        QVERIFY(popplerInfo(output, ownerBytes, As::Owner).opened);
        if (!userBytes.isEmpty()) {
            QVERIFY(!popplerInfo(output, "wrong", As::Owner).opened);
            QVERIFY(!popplerInfo(output).opened);
            QVERIFY(!popplerInfo(output, "wrong").opened);
            QVERIFY(!mupdfOpens(output));
        }

        // MuPDF takes passwords as UTF-8 and encodes them itself.
        const QByteArray mupdfUser = userBytes.isEmpty() ? QByteArray() : user.toUtf8();
        const MupdfEncryption mupdf = mupdfEncryption(output, mupdfUser);
        QVERIFY(mupdf.opened);
        QCOMPARE(mupdf.revision, revision);
        QCOMPARE(mupdf.permissions, p);
        const QString text = mupdfText(output, owner.toUtf8());
        for (int page = 1; page <= options.pages; ++page)
            QVERIFY(text.contains(TestPdfs::pageText(options, page)));
        QVERIFY(qpdfCheck(output, ownerBytes));
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
        if (destination.contains(QStringLiteral("link"))) {
#ifdef Q_OS_UNIX
            QVERIFY(QFile::link(path(QStringLiteral("in")), path(QStringLiteral("link"))));
#else
            QSKIP("folder links need a Unix file system");
#endif
        }
        destination.replace(QStringLiteral("%w"), QDir::toNativeSeparators(work_->path()));
        const QStringList before = entries(path(QStringLiteral("in"))) +
                                   entries(path(QStringLiteral("out")));

        FormMain window(desktop_);
        prepare(window, {inputPath}, destination);
        QCOMPARE(window.fileList().rowCount(), 1);
        desktop_.answerMessage(Desktop::Answer::No);
        RUN(window);

        QCOMPARE(messages(), QStringList{summary(1)});
        const QStringList after = entries(path(QStringLiteral("in"))) +
                                  entries(path(QStringLiteral("out")));
        QCOMPARE(after.size(), before.size() + 1);
        QVERIFY(QFileInfo(path(output)).isFile());
        QVERIFY(popplerInfo(path(output)).encrypted);
        QVERIFY(mupdfOpens(path(output)));
    }

    // Two rows of the same name from different folders write the same
    // output in the list's display order, over an unrelated file of that
    // name.
    void sameNameFromTwoFoldersLaterReplacesEarlier_data()
    {
        QTest::addColumn<bool>("sortedDescending");
        QTest::addColumn<QString>("lastText");
        QTest::addColumn<int>("lastPages");
        QTest::newRow("as added") << false << QStringLiteral("Second file") << 2;
        QTest::newRow("sorted by name, descending") << true << QStringLiteral("First file") << 3;
    }

    void sameNameFromTwoFoldersLaterReplacesEarlier()
    {
        QFETCH(bool, sortedDescending);
        QFETCH(QString, lastText);
        QFETCH(int, lastPages);
        TestPdfs::Options first;
        first.text = QStringLiteral("First file");
        TestPdfs::Options second;
        second.text = QStringLiteral("Second file");
        second.pages = 2;
        const QString a = makePdf(QStringLiteral("a/x.pdf"), first);
        const QString b = makePdf(QStringLiteral("b/x.pdf"), second);
        const QString out = makeFolder(QStringLiteral("out"));
        QVERIFY(TestPdfs::writeBytes(QDir(out).filePath(QStringLiteral("x.pdf")), "not ours"));

        FormMain window(desktop_);
        prepare(window, {a, b}, out);
        if (sortedDescending) {
            // Each click on the name column flips the order.
            for (int click = 0; click < 2 && window.fileList().row(0).FilePath != b; ++click)
                window.fileList().ColumnClick(FileListView::FilePathColumn);
            QCOMPARE(window.fileList().row(0).FilePath, b);
        }
        desktop_.answerMessage(Desktop::Answer::No);
        RUN(window);

        QCOMPARE(messages(), QStringList{summary(2)});
        QCOMPARE(entries(out), QStringList{QStringLiteral("x.pdf")});
        const QString output = QDir(out).filePath(QStringLiteral("x.pdf"));
        QCOMPARE(popplerInfo(output).pages, lastPages);
        const QString text = mupdfText(output);
        QVERIFY(text.contains(lastText + QStringLiteral(" 1")));
        QCOMPARE(text.contains(QStringLiteral("First file")), lastText.startsWith(u'F'));
        QCOMPARE(text.contains(QStringLiteral("Second file")), lastText.startsWith(u'S'));
    }

    // An output that would be another listed row's input gets "_new.pdf".
    void outputNeverHitsAnotherRowsInput()
    {
        TestPdfs::Options first;
        first.text = QStringLiteral("From a");
        TestPdfs::Options second;
        second.text = QStringLiteral("From b");
        const QString a = makePdf(QStringLiteral("a/x.pdf"), first);
        const QString b = makePdf(QStringLiteral("b/x.pdf"), second);
        const QString c = makePdf(QStringLiteral("a/y.pdf"));

        FormMain window(desktop_);
        prepare(window, {a, c, b}, path(QStringLiteral("b")));
        desktop_.answerMessage(Desktop::Answer::No);
        RUN(window);

        QCOMPARE(messages(), QStringList{summary(3)});
        const QString folder = path(QStringLiteral("b"));
        QCOMPARE(entries(folder), (QStringList{QStringLiteral("x.pdf"), QStringLiteral("x_new.pdf"),
                                               QStringLiteral("y.pdf")}));
        // Both x rows wrote x_new.pdf, b's last; b/x.pdf is still its input.
        QVERIFY(mupdfText(QDir(folder).filePath(QStringLiteral("x_new.pdf")))
                    .contains(QStringLiteral("From b 1")));
        QVERIFY(!popplerInfo(b).encrypted);
        QVERIFY(popplerInfo(QDir(folder).filePath(QStringLiteral("y.pdf"))).encrypted);
    }

    // A link in the destination that leads to another row's input is not
    // written through: that output gets "_new.pdf" as well.
    void outputNeverWritesThroughALinkToAnInput()
    {
#ifndef Q_OS_UNIX
        QSKIP("file links need a Unix file system");
#endif
        TestPdfs::Options other;
        other.text = QStringLiteral("Linked input");
        const QString x = makePdf(QStringLiteral("a/x.pdf"));
        const QString y = makePdf(QStringLiteral("b/y.pdf"), other);
        const QString out = makeFolder(QStringLiteral("out"));
        QVERIFY(QFile::link(y, QDir(out).filePath(QStringLiteral("x.pdf"))));

        FormMain window(desktop_);
        prepare(window, {x, y}, out);
        desktop_.answerMessage(Desktop::Answer::No);
        RUN(window);

        QCOMPARE(messages(), QStringList{summary(2)});
        QCOMPARE(entries(out), (QStringList{QStringLiteral("x.pdf"), QStringLiteral("x_new.pdf"),
                                            QStringLiteral("y.pdf")}));
        QCOMPARE(QFileInfo(QDir(out).filePath(QStringLiteral("x.pdf"))).symLinkTarget(), y);
        QVERIFY(!popplerInfo(y).encrypted);
        QVERIFY(popplerInfo(QDir(out).filePath(QStringLiteral("x_new.pdf"))).encrypted);
    }

    // A row that fails gets its message with the component's code, leaves
    // no file behind, and is not counted as saved; the run goes on.
    void failingRows_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("code");
        QTest::newRow("file deleted after adding") << QStringLiteral("deleted") << 101;
        QTest::newRow("wrong stored password") << QStringLiteral("password") << 404;
        QTest::newRow("output cannot be written") << QStringLiteral("unwritable") << 107;
        QTest::newRow("input damaged") << QStringLiteral("damaged") << 102;
    }

    void failingRows()
    {
        QFETCH(QString, failure);
        QFETCH(int, code);
        TestPdfs::Options protectedFile;
        protectedFile.userPassword = QStringLiteral("first");
        protectedFile.ownerPassword = QStringLiteral("first owner");
        protectedFile.strength = 2;
        const QString bad = failure == u"password" ? makePdf(QStringLiteral("in/bad.pdf"), protectedFile)
                                                   : makePdf(QStringLiteral("in/bad.pdf"));
        const QString good = makePdf(QStringLiteral("in/good.pdf"));
        const QString out = makeFolder(QStringLiteral("out"));

        FormMain window(desktop_);
        if (failure == u"password")
            desktop_.answerInput(QStringLiteral("first"));
        window.fileList().AddPdfFile(bad);
        window.fileList().AddPdfFile(good);
        QCOMPARE(window.fileList().rowCount(), 2);
        if (failure == u"password") {
            const QList<FakeDesktop::Call> inputs = desktop_.callsOf(FakeDesktop::Kind::Input);
            QCOMPARE(inputs.size(), 1);
            QCOMPARE(inputs[0].text, QStringLiteral("Please input the password for ") + bad);
            QCOMPARE(inputs[0].title, QStringLiteral("Need password"));
            // The file changes its password after it was listed.
            protectedFile.userPassword = QStringLiteral("second");
            protectedFile.ownerPassword = QStringLiteral("second owner");
            QVERIFY(TestPdfs::write(bad, protectedFile));
        } else if (failure == u"deleted") {
            QVERIFY(QFile::remove(bad));
        } else if (failure == u"unwritable") {
            QVERIFY(QDir(out).mkdir(QStringLiteral("bad.pdf")));
        } else if (failure == u"damaged") {
            QVERIFY(TestPdfs::writeBytes(bad, "%PDF-1.4\nnothing else\n"));
        }
        window.ui().TextFolder->setText(out);
        desktop_.answerMessage();
        desktop_.answerMessage(Desktop::Answer::No);
        RUN(window);

        QCOMPARE(messages(), (QStringList{encryptFailure(bad, code), summary(1)}));
        const QStringList expected = failure == u"unwritable"
                                         ? QStringList{QStringLiteral("bad.pdf"), QStringLiteral("good.pdf")}
                                         : QStringList{QStringLiteral("good.pdf")};
        QCOMPARE(entries(out), expected);
        QVERIFY(QFileInfo(QDir(out).filePath(QStringLiteral("good.pdf"))).isFile());
        if (failure == u"unwritable")
            QVERIFY(QFileInfo(QDir(out).filePath(QStringLiteral("bad.pdf"))).isDir());
    }

    // Security the chosen strength cannot take fails every row: no file at
    // all, and nothing counted.
    void encryptionFailureWritesNothing()
    {
        const QString a = makePdf(QStringLiteral("in/a.pdf"));
        const QString b = makePdf(QStringLiteral("in/b.pdf"));
        const QString out = makeFolder(QStringLiteral("out"));

        FormMain window(desktop_);
        prepare(window, {a, b}, out);
        // The older strengths hold passwords in an 8-bit encoding only.
        window.ui().TextOwner->setText(QStringLiteral("所有者"));
        window.ui().OptionKey[1]->click();
        desktop_.answerMessage();
        desktop_.answerMessage();
        desktop_.answerMessage(Desktop::Answer::No);
        RUN(window);

        QCOMPARE(messages(), (QStringList{encryptFailure(a, 106), encryptFailure(b, 106), summary(0)}));
        QCOMPARE(entries(out), QStringList());
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
        QCOMPARE(progress, (QStringList{QStringLiteral(" 0/3"), QStringLiteral("1/3 1/3"),
                                        QStringLiteral("2/3 2/3")}));
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

    // Stop during the second of three rows: that row is finished, the third
    // is not started, and nothing else can start meanwhile.
    void stopDuringARun()
    {
        QStringList inputs;
        for (const char* name : {"in/1.pdf", "in/2.pdf", "in/3.pdf"})
            inputs << makePdf(QLatin1String(name));
        const QString out = makeFolder(QStringLiteral("out"));
        FormMain window(desktop_);
        prepare(window, inputs, out);
        FormMainUi& ui = window.ui();

        bool stopped = false;
        bool stopTookEffect = false;
        QList<int> wrongCommands;
        bool pageEnabled = false;
        Ticker ticker([&] {
            if (!stopped && ui.Panel4->text() == u"1/3") {
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
        QCOMPARE(messages(), QStringList{summary(2)});
        QCOMPARE(entries(out), (QStringList{QStringLiteral("1.pdf"), QStringLiteral("2.pdf")}));
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
