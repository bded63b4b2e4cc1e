#include "FileListFixture.h"
#include "RunHelpers.h"
#include "ui/CommandIds.h"
#include "ui/CommandTable.h"

#include <QAction>
#include <QApplication>
#include <QCursor>

// Adding files through the open-file dialog: the single and the multiple
// selection, LastFolder, size texts and names that must survive as given.
class TestFileListAdding : public QObject
{
    Q_OBJECT

private:
    FileListFixture f;

    void addThroughDialog(const QStringList& chosen, bool messageExpected = false)
    {
        f.desktop.answerOpenFiles(chosen);
        if (messageExpected)
            f.desktop.answerMessage();
        f.window->commandBars().action(ID_Add)->trigger();
    }

    // The busy pointer's shape as each row came in (-1: none).
    QList<int> cursorsWhileAdding(const QStringList& chosen)
    {
        QList<int> shapes;
        const auto connection = connect(f.view()->model(), &QAbstractItemModel::rowsInserted, this, [&] {
            const QCursor* cursor = QApplication::overrideCursor();
            shapes << (cursor ? int(cursor->shape()) : -1);
        });
        addThroughDialog(chosen);
        disconnect(connection);
        return shapes;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(f.settingsDir.isValid() && f.filesDir.isValid());
        FileListFixture::isolate(f.settingsDir);
    }
    void init() { f.openWindow(); }
    void cleanup()
    {
        VERIFY_DESKTOP(f.desktop);
        f.window.reset();
    }

    void isPdfFile_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("pdf");
        QTest::newRow("lower case") << "/docs/a.pdf" << true;
        QTest::newRow("upper case") << "C:\\Docs\\A.PDF" << true;
        QTest::newRow("mixed case") << "a.PdF" << true;
        QTest::newRow("no dot") << "/docs/reportpdf" << true;
        QTest::newRow("just the ending") << "pdf" << true;
        QTest::newRow("trailing blank") << "/docs/a.pdf " << false;
        QTest::newRow("short ending") << "/docs/a.pd" << false;
        QTest::newRow("other type") << "/docs/a.txt" << false;
        QTest::newRow("empty") << "" << false;
    }
    void isPdfFile()
    {
        QFETCH(QString, path);
        QFETCH(bool, pdf);
        QCOMPARE(FileList::IsPdfFile(path), pdf);
    }

    void singleSelection()
    {
        const QString a = f.pdf(QStringLiteral("docs/a.pdf"), 3);
        const QString folder = f.path(QStringLiteral("docs")) + QDir::separator();
        const QList<int> cursors = cursorsWhileAdding({a});
        QCOMPARE(cursors, QList<int>{-1});   // no busy pointer for one file
        const auto dialogs = f.desktop.callsOf(FakeDesktop::Kind::OpenFiles);
        QCOMPARE(dialogs.size(), 1);
        QCOMPARE(dialogs[0].startFolder, QString());
        QCOMPARE(dialogs[0].filter, QStringLiteral("PDF files (*.pdf)"));
        QCOMPARE(f.list().rowCount(), 1);
        const FileRow row = f.list().row(0);
        QCOMPARE(row.FilePath, a);
        QCOMPARE(row.PageCount, QStringLiteral("3"));
        QCOMPARE(row.FilePassword, QString());
        QVERIFY(f.view()->topLevelItem(0)->textAlignment(FileListView::SizeColumn) & Qt::AlignRight);
        QVERIFY(f.view()->topLevelItem(0)->textAlignment(FileListView::PageCountColumn) & Qt::AlignRight);
        QCOMPARE(f.list().lastFolder(), folder);
        VERIFY_TOTALS(f);

        // The same file again: told so, not added; the dialog opens where the last one left.
        addThroughDialog({a}, true);
        QCOMPARE(f.desktop.callsOf(FakeDesktop::Kind::OpenFiles).last().startFolder, folder);
        const auto messages = f.desktop.callsOf(FakeDesktop::Kind::Message);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].text, a + QStringLiteral(" already in list"));
        QCOMPARE(messages[0].title, QStringLiteral("Sealmark"));
        QCOMPARE(messages[0].icon, Desktop::Icon::Information);
        QCOMPARE(messages[0].buttons, Desktop::Buttons::Ok);
        QCOMPARE(f.list().rowCount(), 1);

        // A name that is no PDF, a file that is gone, a cancelled dialog: nothing, silently.
        addThroughDialog({f.sized(QStringLiteral("docs/notes.txt"), 10)});
        addThroughDialog({f.path(QStringLiteral("docs/gone.pdf"))});
        addThroughDialog({});
        QCOMPARE(f.list().rowCount(), 1);
        QCOMPARE(f.desktop.callsOf(FakeDesktop::Kind::Message).size(), 1);
        QCOMPARE(f.list().lastFolder(), folder);
        VERIFY_TOTALS(f);
    }

    void multipleSelection()
    {
        const QString a = f.pdf(QStringLiteral("multi/a.pdf"), 2);
        addThroughDialog({a});
        const QString upper = f.pdf(QStringLiteral("multi/B.PDF"), 3);
        const QString noDot = f.pdf(QStringLiteral("multi/reportpdf"), 4);
        const QString text = f.sized(QStringLiteral("multi/notes.txt"), 100);
        // The listed one and the text file are passed over without a word.
        const QList<int> cursors = cursorsWhileAdding({upper, a, text, noDot});
        QCOMPARE(cursors, (QList<int>{Qt::WaitCursor, Qt::WaitCursor}));
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QCOMPARE(f.paths(), (QStringList{a, upper, noDot}));
        QCOMPARE(f.column(FileListView::PageCountColumn), texts({"2", "3", "4"}));
        QCOMPARE(f.list().lastFolder(), f.path(QStringLiteral("multi")) + QDir::separator());
        QVERIFY(f.desktop.callsOf(FakeDesktop::Kind::Message).isEmpty());
        VERIFY_TOTALS(f);
    }

    void lastFolderEndsWithOneSeparator()
    {
        const QString root = QDir::toNativeSeparators(QDir::rootPath());
        const QString inRoot = root + QStringLiteral("sealmark-test-none.pdf");
        addThroughDialog({inRoot, root + QStringLiteral("sealmark-test-other.pdf")});
        QCOMPARE(f.list().lastFolder(), root);
        addThroughDialog({inRoot});
        QCOMPARE(f.list().lastFolder(), root);
        QCOMPARE(f.desktop.callsOf(FakeDesktop::Kind::OpenFiles).last().startFolder, root);

        const QString sub = f.path(QStringLiteral("sub"));
        addThroughDialog({sub + QDir::separator() + QStringLiteral("x.pdf"),
                          sub + QDir::separator() + QStringLiteral("y.pdf")});
        QCOMPARE(f.list().lastFolder(), sub + QDir::separator());
        QCOMPARE(f.list().rowCount(), 0);  // none of these files exist
    }

    void namesArrivePreciselyAsGiven()
    {
        // Paths differing only in letter case are two rows; Unicode names work.
        const QString upper = f.pdf(QStringLiteral("Case/Report.pdf"));
        const QString lower = f.pdf(QStringLiteral("case/report.PDF"));
        const QString unicode = f.pdf(QStringLiteral("Übersicht – 報告 😀.pdf"), 2);
        addThroughDialog({upper, lower, unicode});
        QCOMPARE(f.paths(), (QStringList{upper, lower, unicode}));
        QCOMPARE(f.list().row(2).PageCount, QStringLiteral("2"));
        VERIFY_TOTALS(f);
    }

    // A file is opened off the user-interface thread: the window's events go
    // on while a large one is opened.
    void eventsRunWhileAFileOpens()
    {
        const QString big = f.pdf(QStringLiteral("big.pdf"), 4000);
        int passesBeforeTheRow = 0;
        const RunHelpers::Ticker ticker([&] {
            if (f.list().rowCount() > 0)
                return false;
            ++passesBeforeTheRow;
            return true;
        });
        f.list().AddPdfFile(big);
        QCOMPARE(f.list().rowCount(), 1);
        QVERIFY(passesBeforeTheRow > 1);
    }

    void sizeText_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("german");
        QTest::newRow("empty") << qint64(0) << "0 KB" << "0 KB";
        QTest::newRow("511 bytes") << qint64(511) << "0 KB" << "0 KB";
        QTest::newRow("512 bytes") << qint64(512) << "1 KB" << "1 KB";
        QTest::newRow("1.499 KB") << qint64(1535) << "1 KB" << "1 KB";
        QTest::newRow("1.5 KB") << qint64(1536) << "2 KB" << "2 KB";
        QTest::newRow("1 MB") << qint64(1048576) << "1,024 KB" << "1.024 KB";
        QTest::newRow("1,500,000 bytes") << qint64(1500000) << "1,465 KB" << "1.465 KB";
    }
    void sizeText()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, english);
        QFETCH(QString, german);
        // No PDF inside: the file is listed all the same, with the page
        // count the component gives after a failed open.
        const QString file = f.sized(QStringLiteral("size-%1.pdf").arg(bytes), bytes);
        f.list().AddPdfFile(file);
        QCOMPARE(f.list().row(0).SizeText, english);
        QCOMPARE(f.list().row(0).PageCount, QStringLiteral("0"));

        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString again = f.sized(QStringLiteral("size-%1-de.pdf").arg(bytes), bytes);
        f.list().AddPdfFile(again);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(f.list().row(1).SizeText, german);
        VERIFY_TOTALS(f);
    }
};

QTEST_MAIN(TestFileListAdding)
#include "tst_filelist_adding.moc"
