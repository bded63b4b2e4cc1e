#include "FileListFixture.h"
#include "RunHelpers.h"
#include "ui/CommandIds.h"
#include "ui/SettingsPage.h"

#include <QApplication>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QLineEdit>
#include <QPointer>
#include <QStatusBar>
#include <QUrl>

// Dropping files on the list: folders passed over, PDFs only, in the drop's
// order, events running after every file.
class TestFileListDrop : public QObject
{
    Q_OBJECT

private:
    FileListFixture f;

    static QList<QUrl> urls(const QStringList& paths)
    {
        QList<QUrl> result;
        for (const QString& path : paths)
            result << QUrl::fromLocalFile(path);
        return result;
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
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }

    void dropOfMixedEntries()
    {
        const QString a = f.pdf(QStringLiteral("drop/a.pdf"), 2);
        const QString b = f.pdf(QStringLiteral("drop/b.PDF"), 5);
        f.pdf(QStringLiteral("drop/folder/inside.pdf"));
        const QString folder = f.path(QStringLiteral("drop/folder"));
        const QString folderNamedPdf = f.path(QStringLiteral("drop/folder.pdf"));
        QDir().mkpath(folderNamedPdf);
        const QString text = f.sized(QStringLiteral("drop/readme.txt"), 20);

        QMimeData data;
        data.setUrls(urls({folder, b, text, folderNamedPdf, a, b}));
        QWidget* viewport = f.view()->viewport();
        const QPoint where = viewport->rect().center();
        QDragEnterEvent enter(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &enter);
        QVERIFY(enter.isAccepted());
        QCOMPARE(enter.dropAction(), Qt::CopyAction);
        QDropEvent drop(QPointF(where), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &drop);
        QVERIFY(drop.isAccepted());

        QTRY_COMPARE(f.list().rowCount(), 2);
        QCOMPARE(f.paths(), (QStringList{b, a}));
        VERIFY_TOTALS(f);
        // The list shows every row once the drop is done.
        QVERIFY(!f.view()->visualItemRect(f.view()->topLevelItem(1)).isEmpty());
    }

    void dragWithoutFilesIsRefused()
    {
        QMimeData data;
        data.setText(QStringLiteral("/tmp/a.pdf"));
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(f.view()->viewport(), &enter);
        QVERIFY(!enter.isAccepted());
    }

    void eventsRunAfterEachFile()
    {
        const QStringList files{f.pdf(QStringLiteral("each/1.pdf"), 1), f.pdf(QStringLiteral("each/2.pdf"), 2),
                                f.pdf(QStringLiteral("each/3.pdf"), 3)};
        // A posted event sent as each row comes in runs before the next
        // file: it finds the row counted and the busy pointer on.
        QStringList seen;
        connect(f.view()->model(), &QAbstractItemModel::rowsInserted, this, [&] {
            QMetaObject::invokeMethod(this, [&] {
                const QCursor* cursor = QApplication::overrideCursor();
                seen << QStringLiteral("%1 rows, %2, %3")
                            .arg(f.list().rowCount())
                            .arg(f.window->ui().Panel2->text())
                            .arg(QLatin1String(cursor && cursor->shape() == Qt::WaitCursor ? "busy" : "idle"));
            }, Qt::QueuedConnection);
        });
        f.list().AddDroppedFiles(files);
        QCOMPARE(seen, texts({"1 rows, Total pages: 1, busy", "2 rows, Total pages: 3, busy",
                              "3 rows, Total pages: 6, busy"}));
    }

    void entryThatIsGoneEndsTheDrop()
    {
        const QString a = f.pdf(QStringLiteral("gone/a.pdf"));
        const QString b = f.pdf(QStringLiteral("gone/b.pdf"));
        f.list().AddDroppedFiles({a, f.path(QStringLiteral("gone/missing.txt")), b});
        QCOMPARE(f.paths(), QStringList{a});
        VERIFY_TOTALS(f);
    }

    // A name the system's encoding cannot hold, and files the component
    // will not open (no pages, a page tree too deep to walk), are passed
    // over; the rest of the drop still comes in.
    void unusableEntriesArePassedOver()
    {
        const QString a = f.pdf(QStringLiteral("odd/a.pdf"));
        const QString b = f.pdf(QStringLiteral("odd/b.pdf"));
        const QString noPages = f.path(QStringLiteral("odd/empty.pdf"));
        const QString deep = f.path(QStringLiteral("odd/deep.pdf"));
        QVERIFY(TestPdfs::writeWithoutPages(noPages));
        QVERIFY(TestPdfs::writeDeepPageTree(deep, 40000));
        QStringList paths{a, noPages, deep};
#ifdef Q_OS_UNIX
        // Latin-1 bytes in a name on a UTF-8 system.
        const QByteArray raw = QFile::encodeName(f.path(QStringLiteral("odd/"))) + "caf\xe9.pdf";
        QFile undecodable;
        QVERIFY(undecodable.open(::fopen(raw.constData(), "w"), QIODevice::WriteOnly,
                                 QFileDevice::AutoCloseHandle));
        undecodable.close();
        paths << QFile::decodeName(raw);
#endif
        paths << b;
        f.list().AddDroppedFiles(paths);
        QCOMPARE(f.paths(), (QStringList{a, b}));
        VERIFY_TOTALS(f);
    }

    void dropWhileADropIsAdded()
    {
        const QString first = f.pdf(QStringLiteral("nested/first.pdf"));
        const QString second = f.pdf(QStringLiteral("nested/second.pdf"));
        const QString inner = f.pdf(QStringLiteral("nested/inner.pdf"));
        bool dropped = false;
        connect(f.view()->model(), &QAbstractItemModel::rowsInserted, this, [&] {
            if (!std::exchange(dropped, true))
                QMetaObject::invokeMethod(this, [&] { f.list().AddDroppedFiles({inner}); },
                                          Qt::QueuedConnection);
        });
        f.list().AddDroppedFiles({first, second});
        QCOMPARE(f.paths(), (QStringList{first, inner, second}));
        VERIFY_TOTALS(f);
        QVERIFY(!f.view()->visualItemRect(f.view()->topLevelItem(2)).isEmpty());
        QVERIFY(f.view()->updatesEnabled());
    }

    // A Start chosen while a drop is still coming in runs a whole run at
    // once, its progress painting, and the drop goes on after it.
    void startDuringADropPaintsItsProgress()
    {
        const QStringList files{f.pdf(QStringLiteral("start/1.pdf")), f.pdf(QStringLiteral("start/2.pdf")),
                                f.pdf(QStringLiteral("start/3.pdf"))};
        f.window->ui().PicSetting->TextFolder->setText(f.path(QStringLiteral("start")));
        QStatusBar* statusBar = f.window->ui().StatusBar1;
        bool started = false;
        QList<bool> painting;
        connect(f.view()->model(), &QAbstractItemModel::rowsInserted, this, [&] {
            if (!std::exchange(started, true))
                QMetaObject::invokeMethod(this, [&] {
                    RunHelpers::Ticker ticker([&] {
                        painting << statusBar->updatesEnabled();
                        return f.window->IsRunning();
                    });
                    f.window->Execute(ID_CONVERT);
                }, Qt::QueuedConnection);
        });
        f.desktop.answerMessage(Desktop::Answer::No);
        f.list().AddDroppedFiles(files);

        QVERIFY(!painting.isEmpty());
        QCOMPARE(painting, QList<bool>(painting.size(), true));
        QCOMPARE(f.desktop.calls.size(), 1);
        QVERIFY(f.desktop.calls.first().text.startsWith(QStringLiteral("1 files saved.")));
        QCOMPARE(f.paths(), files);
        QVERIFY(statusBar->updatesEnabled());
    }

    void windowClosedDuringADrop()
    {
        const QStringList files{f.pdf(QStringLiteral("close/1.pdf")), f.pdf(QStringLiteral("close/2.pdf"))};
        QPointer<FileListView> view = f.view();
        connect(view->model(), &QAbstractItemModel::rowsInserted, this, [&] {
            QMetaObject::invokeMethod(f.window.get(), [&] { f.window->close(); }, Qt::QueuedConnection);
        });
        f.list().AddDroppedFiles(files);
        QVERIFY(view);
        QCOMPARE(view->topLevelItemCount(), 1);
        QVERIFY(!f.window->isVisible());
    }
};

QTEST_MAIN(TestFileListDrop)
#include "tst_filelist_drop.moc"
