#include "job/FileSource.h"
#include "job/Paths.h"

#include <qpdf/FileInputSource.hh>
#include <qpdf/QPDFExc.hh>

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <vector>

// FileSource stands in for libqpdf's own FileInputSource: whatever libqpdf
// asks of it, it must answer as that one does, across its blocks, past its
// cache and at the end of the file.
class TestFileSource : public QObject
{
    Q_OBJECT

private slots:
    void readsAsLibqpdfsOwnSource_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::newRow("empty") << qint64(0);
        QTest::newRow("small") << qint64(3000);
        QTest::newRow("a block and a bit") << qint64(FileSource::BlockBytes + 17);
        QTest::newRow("beyond the cache") << qint64(FileSource::BlockBytes) *
                                                 (FileSource::CachedBlocks + 3) + 5;
    }
    void readsAsLibqpdfsOwnSource()
    {
        QFETCH(qint64, size);
#ifdef Q_OS_WIN
        // Under Wine, after 4096 bytes read from the start and one ungetc,
        // msvcrt's ftell gives 0 instead of 4095.
        QSKIP("the reference reads through the C runtime's stdio, which answers "
              "tell() wrongly after an unread under Wine");
#endif
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bytes.pdf"));
        QRandomGenerator random(quint32(size) + 7);
        QByteArray bytes(size, Qt::Uninitialized);
        // Mostly text, with runs of line ends of both kinds.
        for (char& byte : bytes) {
            const quint32 pick = random.bounded(40);
            byte = pick == 0 ? '\r' : pick < 3 ? '\n' : char('a' + pick);
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == size);
        file.close();

        FileSource ours(path);
        FileInputSource theirs(LibraryFileName(path).c_str());
        const qint64 lengths[] = {1, 2, 128, 4096, FileSource::BlockBytes,
                                  3 * FileSource::BlockBytes + 1};
        for (int step = 0; step < 4000; ++step) {
            const QByteArray what = QByteArray::number(step);
            switch (random.bounded(7)) {
            case 0: {
                const qint64 to = random.bounded(size + 20);
                ours.seek(to, SEEK_SET);
                theirs.seek(to, SEEK_SET);
                break;
            }
            case 1: {
                const qint64 back = random.bounded(qMin<qint64>(size, 300) + 1);
                ours.seek(-back, SEEK_END);
                theirs.seek(-back, SEEK_END);
                break;
            }
            case 2: {
                const qint64 by = random.bounded(200) - 100;
                if (ours.tell() + by < 0)
                    break;
                ours.seek(by, SEEK_CUR);
                theirs.seek(by, SEEK_CUR);
                break;
            }
            case 3:
                QCOMPARE(ours.findAndSkipNextEOL(), theirs.findAndSkipNextEOL());
                break;
            case 4:
                ours.rewind();
                theirs.rewind();
                break;
            default: {
                const size_t length = size_t(lengths[random.bounded(int(std::size(lengths)))]);
                std::vector<char> a(length), b(length);
                const size_t got = ours.read(a.data(), length);
                QCOMPARE(got, theirs.read(b.data(), length));
                QVERIFY2(std::equal(a.begin(), a.begin() + qsizetype(got), b.begin()),
                         what.constData());
                QCOMPARE(ours.getLastOffset(), theirs.getLastOffset());
                if (got > 0 && random.bounded(2)) {
                    ours.unreadCh(a[got - 1]);
                    theirs.unreadCh(b[got - 1]);
                }
            }
            }
            QVERIFY2(ours.tell() == theirs.tell(), what.constData());
        }
    }

    // A file that cannot be opened is a system error, as libqpdf gives it.
    void missingFile()
    {
        QTemporaryDir dir;
        try {
            FileSource source(dir.filePath(QStringLiteral("missing.pdf")));
            QFAIL("opened a missing file");
        } catch (const QPDFExc& error) {
            QCOMPARE(error.getErrorCode(), qpdf_e_system);
        }
    }
};

QTEST_GUILESS_MAIN(TestFileSource)
#include "tst_filesource.moc"
