#include "FileListFixture.h"
#include "ui/CommandIds.h"
#include "ui/CommandTable.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>

// Sorting by a header click, the list's pop-up menu, Select All, Invert
// Selection and Remove, with the numbers and totals right after each.
class TestFileListOperations : public QObject
{
    Q_OBJECT

private:
    FileListFixture f;

    void clickHeader(int column)
    {
        QHeaderView* header = f.view()->header();
        const QPoint where(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                           header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, where);
    }

    // Rows of `pages` pages each, in that order; their names are their page counts.
    void addPdfs(const QList<int>& pages)
    {
        for (int count : pages)
            f.list().AddPdfFile(f.pdf(QStringLiteral("p%1.pdf").arg(count), count));
    }

    void select(const QList<int>& rows)
    {
        for (int row : rows)
            f.view()->topLevelItem(row)->setSelected(true);
    }

    QList<int> selectedRows()
    {
        QList<int> rows;
        for (int row = 0; row < f.list().rowCount(); ++row)
            if (f.view()->topLevelItem(row)->isSelected())
                rows << row;
        return rows;
    }

    // The list commands as the pop-up menu and as the command bars reach them.
    QAction* command(bool fromPopup, int id)
    {
        CommandBars& bars = f.window->commandBars();
        if (!fromPopup)
            return bars.action(id);
        return bars.listItem(id);
    }

    void moveFocusAway() { f.window->ui().TabStrip1->setFocus(); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(f.settingsDir.isValid() && f.filesDir.isValid());
        FileListFixture::isolate(f.settingsDir);
    }
    void init()
    {
        f.openWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    }
    void cleanup()
    {
        VERIFY_DESKTOP(f.desktop);
        f.window.reset();
    }

    void sortsByNumbersAndByText()
    {
        addPdfs({10, 9, 100});
        // One direction for the whole list, flipped by every sorting click;
        // the first sort is descending.
        clickHeader(FileListView::PageCountColumn);
        QCOMPARE(f.column(FileListView::PageCountColumn), texts({"100", "10", "9"}));
        VERIFY_TOTALS(f);
        clickHeader(FileListView::PageCountColumn);
        QCOMPARE(f.column(FileListView::PageCountColumn), texts({"9", "10", "100"}));
        clickHeader(FileListView::FilePathColumn);
        QCOMPARE(f.paths(), (QStringList{f.path(QStringLiteral("p9.pdf")), f.path(QStringLiteral("p100.pdf")),
                                         f.path(QStringLiteral("p10.pdf"))}));
        // The row-number column only renumbers and leaves the direction alone.
        clickHeader(FileListView::RowNumberColumn);
        QCOMPARE(f.column(FileListView::PageCountColumn), texts({"9", "100", "10"}));
        clickHeader(FileListView::FilePathColumn);
        QCOMPARE(f.column(FileListView::PageCountColumn), texts({"10", "100", "9"}));
        VERIFY_TOTALS(f);
    }

    void sortsSizesNumerically()
    {
        for (qint64 kilobytes : {999, 12345, 1000})
            f.list().AddPdfFile(f.sized(QStringLiteral("%1.pdf").arg(kilobytes), kilobytes * 1024));
        f.list().ColumnClick(FileListView::SizeColumn);
        QCOMPARE(f.column(FileListView::SizeColumn), texts({"12,345 KB", "1,000 KB", "999 KB"}));
        f.list().ColumnClick(FileListView::SizeColumn);
        QCOMPARE(f.column(FileListView::SizeColumn), texts({"999 KB", "1,000 KB", "12,345 KB"}));
        VERIFY_TOTALS(f);
    }

    void namesSortIgnoringCase()
    {
        for (const char* name : {"b.pdf", "C.pdf", "a.pdf"})
            f.list().AddPdfFile(f.pdf(QString::fromLatin1(name)));
        f.list().ColumnClick(FileListView::FilePathColumn);
        f.list().ColumnClick(FileListView::FilePathColumn);
        QCOMPARE(f.paths(), (QStringList{f.path(QStringLiteral("a.pdf")), f.path(QStringLiteral("b.pdf")),
                                         f.path(QStringLiteral("C.pdf"))}));
    }

    void fewerThanTwoRowsDoNotSort()
    {
        f.list().ColumnClick(FileListView::PageCountColumn);
        addPdfs({5});
        f.list().ColumnClick(FileListView::PageCountColumn);
        VERIFY_TOTALS(f);
        // Those clicks did not flip the direction: this is the first sort.
        addPdfs({1, 7});
        f.list().ColumnClick(FileListView::PageCountColumn);
        QCOMPARE(f.column(FileListView::PageCountColumn), texts({"7", "5", "1"}));
    }

    void selectionSurvivesSortingAndAdding()
    {
        addPdfs({3, 1, 2});
        select({0, 2});   // 3 and 2 pages
        f.list().ColumnClick(FileListView::PageCountColumn);
        f.list().ColumnClick(FileListView::PageCountColumn);
        QCOMPARE(f.column(FileListView::PageCountColumn), texts({"1", "2", "3"}));
        QCOMPARE(selectedRows(), (QList<int>{1, 2}));
        // A row added to a sorted list is numbered and counted like any other.
        addPdfs({4});
        QCOMPARE(f.list().rowCount(), 4);
        VERIFY_TOTALS(f);
    }

    void invertAndSelectAll_data()
    {
        QTest::addColumn<bool>("fromPopup");
        QTest::newRow("pop-up menu") << true;
        QTest::newRow("command") << false;
    }
    void invertAndSelectAll()
    {
        QFETCH(bool, fromPopup);
        // On an empty list they do nothing.
        command(fromPopup, ID_INVERTSELECTION)->trigger();
        command(fromPopup, ID_SELECTALL)->trigger();
        addPdfs({1, 2, 3, 4});
        select({0, 2});
        moveFocusAway();
        command(fromPopup, ID_INVERTSELECTION)->trigger();
        QCOMPARE(selectedRows(), (QList<int>{1, 3}));
        QTRY_VERIFY(f.view()->hasFocus());
        moveFocusAway();
        command(fromPopup, ID_SELECTALL)->trigger();
        QCOMPARE(selectedRows(), (QList<int>{0, 1, 2, 3}));
        QTRY_VERIFY(f.view()->hasFocus());
        VERIFY_TOTALS(f);
    }

    void remove_data() { invertAndSelectAll_data(); }
    void remove()
    {
        QFETCH(bool, fromPopup);
        command(fromPopup, ID_REMOVE)->trigger();   // empty list: nothing
        VERIFY_TOTALS(f);
        addPdfs({1, 2, 3, 4, 5});
        const QString second = f.list().row(1).FilePath;
        moveFocusAway();
        command(fromPopup, ID_REMOVE)->trigger();   // nothing selected
        QCOMPARE(f.list().rowCount(), 5);
        QTRY_VERIFY(f.view()->hasFocus());

        select({1, 2});
        moveFocusAway();
        command(fromPopup, ID_REMOVE)->trigger();
        QCOMPARE(f.column(FileListView::PageCountColumn), texts({"1", "4", "5"}));
        QCOMPARE(f.window->ui().Panel1->text(), QStringLiteral("Total files: 3"));
        QCOMPARE(f.window->ui().Panel2->text(), QStringLiteral("Total pages: 10"));
        VERIFY_TOTALS(f);
        QTRY_VERIFY(f.view()->hasFocus());

        // A removed file can come back; it lands at the end.
        f.list().AddPdfFile(second);
        QCOMPARE(f.column(FileListView::PageCountColumn), texts({"1", "4", "5", "2"}));
        VERIFY_TOTALS(f);
    }

    void rightButtonPopsUpTheListMenu()
    {
        QMenu* menu = f.window->commandBars().M_List();
        QWidget* viewport = f.view()->viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(!menu->isVisible());
        // Even over an empty list, and whatever lies under the pointer.
        QTest::mouseClick(viewport, Qt::RightButton, {}, QPoint(10, 10));
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(menu->geometry().topLeft(), viewport->mapToGlobal(QPoint(10, 10)));
        menu->close();
    }
};

QTEST_MAIN(TestFileListOperations)
#include "tst_filelist_operations.moc"
