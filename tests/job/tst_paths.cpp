#include "job/Paths.h"

#include "PdfReaders.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

class TestPaths : public QObject
{
    Q_OBJECT

private slots:
    // Folders end with exactly one separator, whatever they were given with.
    void folders_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("withSeparator");
        const QString root = QDir::toNativeSeparators(QDir::rootPath());
        const QString out = QDir::toNativeSeparators(QStringLiteral("/srv/out/"));
        QTest::newRow("without") << QStringLiteral("/srv/out") << out;
        QTest::newRow("with") << QStringLiteral("/srv/out/") << out;
        QTest::newRow("root") << QDir::rootPath() << root;
    }
    void folders()
    {
        QFETCH(QString, folder);
        QFETCH(QString, withSeparator);
        QCOMPARE(WithTrailingSeparator(folder), withSeparator);
        QCOMPARE(FolderOf(QDir(folder).filePath(QStringLiteral("a.pdf"))), withSeparator);
    }

    // The destination of a run: trimmed, absolute against the folder the
    // program started in, wherever the current folder has gone since.
    void destinationFolder()
    {
        const QString start = StartFolder();
        QVERIFY(QDir::setCurrent(QDir::tempPath()));
        const auto back = qScopeGuard([&] { QDir::setCurrent(start); });
        QCOMPARE(DestinationFolder(QString()), QString());
        QCOMPARE(DestinationFolder(QStringLiteral("  ")), QString());
        const QString elsewhere = QDir::rootPath() + QStringLiteral("srv/out");
        QCOMPARE(DestinationFolder(u' ' + elsewhere + u' '),
                 QDir::toNativeSeparators(elsewhere + u'/'));
        QCOMPARE(DestinationFolder(QStringLiteral("out/../out2/")),
                 WithTrailingSeparator(start + QStringLiteral("/out2")));
    }

    void getOutFileName_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        QTest::newRow("last extension only") << QStringLiteral("/in/Report.final.pdf")
                                             << QStringLiteral("Report.final");
        QTest::newRow("upper-case extension") << QStringLiteral("a.PDF") << QStringLiteral("a");
        QTest::newRow("no dot: whole name") << QStringLiteral("/in/reportpdf")
                                            << QStringLiteral("reportpdf");
        QTest::newRow("dot in the folder only") << QStringLiteral("/in.v2/reportpdf")
                                                << QStringLiteral("reportpdf");
        QTest::newRow("name is only an extension") << QStringLiteral("/in/.pdf") << QString();
        QTest::newRow("empty") << QString() << QString();
#ifdef Q_OS_WIN
        QTest::newRow("backslashes") << QStringLiteral("C:\\In\\Report.final.pdf")
                                     << QStringLiteral("Report.final");
        QTest::newRow("mixed separators") << QStringLiteral("C:\\In/sub\\a.PDF")
                                          << QStringLiteral("a");
#else
        QTest::newRow("backslash is a name character")
            << QStringLiteral("/in/C:\\In\\a.pdf") << QStringLiteral("C:\\In\\a");
#endif
    }
    void getOutFileName()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QCOMPARE(GetOutFileName(path), expected);
    }

    void isSameFile()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString file = dir.filePath(QStringLiteral("a.pdf"));
        QFile touch(file);
        QVERIFY(touch.open(QIODevice::WriteOnly));
        touch.close();
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
        QVERIFY(PdfReaders::makeSymLink(file, dir.filePath(QStringLiteral("link.pdf"))));

        QVERIFY(IsSameFile(file, file));
        QVERIFY(IsSameFile(file, dir.path() + QStringLiteral("/./a.pdf")));
        QVERIFY(IsSameFile(file, dir.path() + QStringLiteral("/sub/../a.pdf")));
        QVERIFY(IsSameFile(file, dir.filePath(QStringLiteral("link.pdf"))));
        // Not existing yet, written differently.
        QVERIFY(IsSameFile(dir.filePath(QStringLiteral("new.pdf")),
                           dir.path() + QStringLiteral("/sub/../new.pdf")));
        QVERIFY(!IsSameFile(file, dir.filePath(QStringLiteral("b.pdf"))));
        QVERIFY(!IsSameFile(file, dir.filePath(QStringLiteral("sub/a.pdf"))));
        QVERIFY(!IsSameFile(file, QString()));
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
        QVERIFY(IsSameFile(file, dir.filePath(QStringLiteral("A.PDF"))));
#else
        QVERIFY(!IsSameFile(dir.filePath(QStringLiteral("new.pdf")),
                            dir.filePath(QStringLiteral("NEW.pdf"))));
#endif
    }

    void outputPathFor()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString in = dir.path() + u'/';
        const QString out = QStringLiteral("/nowhere/out/");
        const QString input = in + QStringLiteral("Report.pdf");
        QFile touch(input);
        QVERIFY(touch.open(QIODevice::WriteOnly));
        touch.close();
        QVERIFY(PdfReaders::makeSymLink(dir.path(), dir.path() + QStringLiteral("-link")));
        auto removeLink = qScopeGuard([&] { QFile::remove(dir.path() + QStringLiteral("-link")); });

        QCOMPARE(OutputPathFor(out, input, QStringList{input}), out + QStringLiteral("Report.pdf"));
        QCOMPARE(OutputPathFor(in, input, QStringList{input}), in + QStringLiteral("Report_new.pdf"));
        // The same folder written another way is still the input's folder.
        for (const QString& folder : {in + QStringLiteral("./"),
                                      in + QStringLiteral("sub/../"),
                                      dir.path() + QStringLiteral("-link/")})
            QCOMPARE(OutputPathFor(folder, input, QStringList{}), folder + QStringLiteral("Report_new.pdf"));
        // Another row's input is never overwritten either.
        const QString other = in + QStringLiteral("a.PDF");
        QCOMPARE(OutputPathFor(in, other, QStringList{input, other, in + QStringLiteral("a.pdf")}),
                 in + QStringLiteral("a_new.pdf"));
        QCOMPARE(OutputPathFor(in, input, QStringList{input, in + QStringLiteral("Report_new.pdf")}),
                 in + QStringLiteral("Report_new2.pdf"));
        QCOMPARE(OutputPathFor(in, input,
                               QStringList{in + QStringLiteral("Report_new.pdf"),
                                in + QStringLiteral("Report_new2.pdf")}),
                 in + QStringLiteral("Report_new3.pdf"));
        QCOMPARE(OutputPathFor(out, QStringLiteral("/in/reportpdf"), QStringList{}),
                 out + QStringLiteral("reportpdf.pdf"));
    }

    // No two rows of a run get the same output: a later one takes the next
    // free "_new" name, also around the inputs it must not hit.
    void outputPathsOfARunNeverRepeat()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString in = dir.path() + u'/';
        const QString input = in + QStringLiteral("x.pdf");
        QFile touch(input);
        QVERIFY(touch.open(QIODevice::WriteOnly));
        touch.close();
        const QStringList rows = {QStringLiteral("/a/x.pdf"), QStringLiteral("/b/x.PDF"), input,
                                  QStringLiteral("/c/x.pdf"), QStringLiteral("/c/y.pdf")};
        QCOMPARE(OutputPathsFor(in, rows),
                 (QStringList{in + QStringLiteral("x_new.pdf"), in + QStringLiteral("x_new2.pdf"),
                              in + QStringLiteral("x_new3.pdf"), in + QStringLiteral("x_new4.pdf"),
                              in + QStringLiteral("y.pdf")}));
        const QString out = QStringLiteral("/nowhere/out/");
        QCOMPARE(OutputPathsFor(out, rows.mid(0, 2)),
                 (QStringList{out + QStringLiteral("x.pdf"), out + QStringLiteral("x_new.pdf")}));
    }
};

QTEST_APPLESS_MAIN(TestPaths)
#include "tst_paths.moc"
