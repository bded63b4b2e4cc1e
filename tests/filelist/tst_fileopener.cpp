#include "filelist/FileOpener.h"
#include "job/OpenedInput.h"

#include "TestPdfs.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>

// The file list's opener: files opened on worker threads come back to the
// file they were asked for, also when takes nest in the events run while
// one of them waits.
class TestFileOpener : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;
    QStringList files_;  // file n has n + 1 pages; the odd ones are protected

private slots:
    void initTestCase()
    {
        for (int n = 0; n < 6; ++n) {
            TestPdfs::Options options;
            options.pages = n + 1;
            if (n % 2 == 1) {
                options.userPassword = QStringLiteral("secret");
                options.ownerPassword = QStringLiteral("owner");
                options.strength = 3;
            }
            files_ << dir_.filePath(QStringLiteral("%1.pdf").arg(n));
            QVERIFY(TestPdfs::write(files_.last(), options));
        }
    }

    void takesNestedInEachOthersWaitsGetTheirOwnFiles()
    {
        FileOpener outer(files_);
        QStringList nested;
        int posted = 0;
        // While the outer opener waits, its events run a second opener and
        // a one-file open with a password.
        const std::function<void()> nest = [&] {
            if (++posted > 3)
                return;
            FileOpener inner(files_);
            for (int n = 5; n >= 0; n -= 2)
                nested << QString::number(inner.take(5 - n).pages);
            const OpenedInput opened = FileOpener::open(files_[1], QStringLiteral("secret"));
            nested << QString::number(opened.pages) + opened.password;
            QMetaObject::invokeMethod(this, nest, Qt::QueuedConnection);
        };
        QMetaObject::invokeMethod(this, nest, Qt::QueuedConnection);
        for (int n = 0; n < int(files_.size()); ++n) {
            const OpenedInput file = outer.take(n);
            QCOMPARE(file.opened, n % 2 == 0);
            QCOMPARE(file.pages, n % 2 == 0 ? n + 1 : 0);
            QCOMPARE(file.protection.encrypted, n % 2 == 1);
        }
        QCoreApplication::processEvents();
        QVERIFY(!nested.isEmpty());
        for (qsizetype i = 0; i + 3 < nested.size(); i += 4)
            QCOMPARE(nested.mid(i, 4).join(u' '), QStringLiteral("1 3 5 2secret"));
    }
};

QTEST_GUILESS_MAIN(TestFileOpener)
#include "tst_fileopener.moc"
