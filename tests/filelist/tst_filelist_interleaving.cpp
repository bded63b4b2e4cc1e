#include "FileListFixture.h"
#include "RunHelpers.h"
#include "ui/CommandIds.h"

#include "job/OpenedInput.h"
#include "job/PdfLibrary.h"

#include <QCoreApplication>
#include <QHash>
#include <QRandomGenerator>

namespace {

// What opening a file alone, with its own password, gives.
struct Facts
{
    QString pages;
    QString password;
    int features = 0;
    qint64 objects = 0;
};

}  // namespace

// Adds interleaved every way the window allows: drops and dialog adds, with
// protected files, prompts answered right, wrong or cancelled, undecodable,
// missing and repeated names, and a second add or a close arriving while a
// file is opened or a prompt is up. Whatever the order, each row carries
// its own file's facts.
class TestFileListInterleaving : public QObject
{
    Q_OBJECT

    FileListFixture f;
    QStringList pool_;
    QByteArray undecodable_;  // QTemporaryDir cannot remove it by name
    QHash<QString, Facts> facts_;

    void addFile(const QString& name, int pages, const QString& password = {}, int features = 0)
    {
        TestPdfs::Options options;
        options.pages = pages;
        options.features = features;
        if (!password.isEmpty()) {
            options.userPassword = password;
            options.ownerPassword = QStringLiteral("owner-") + name;
            options.strength = 2;
        }
        QVERIFY(TestPdfs::write(f.filesDir.filePath(name), options));
        pool_ << f.path(name);
    }

    // A random list of entries from the pool, repeats allowed.
    QStringList pick(QRandomGenerator& random)
    {
        QStringList list;
        const int count = 1 + int(random.bounded(5));
        for (int i = 0; i < count; ++i)
            list << pool_[int(random.bounded(int(pool_.size())))];
        return list;
    }

private slots:
    void initTestCase()
    {
        FileListFixture::isolate(f.settingsDir);
        addFile(QStringLiteral("one.pdf"), 1);
        addFile(QStringLiteral("two.pdf"), 2);
        addFile(QStringLiteral("signed.pdf"), 3, {}, PdfLibrary::Signed);
        addFile(QStringLiteral("alpha.pdf"), 4, QStringLiteral("alpha"));
        addFile(QStringLiteral("beta.pdf"), 5, QStringLiteral("beta"));
        addFile(QStringLiteral("alpha2.pdf"), 6, QStringLiteral("alpha"));
        addFile(QStringLiteral("gamma.pdf"), 7, QStringLiteral("gamma"));
        PdfLibrary pdf;
        for (const QString& path : std::as_const(pool_)) {
            const QString name = QFileInfo(path).completeBaseName();
            const QString password = name.startsWith(u'a')   ? QStringLiteral("alpha")
                                     : name.startsWith(u'b') ? QStringLiteral("beta")
                                     : name.startsWith(u'g') ? QStringLiteral("gamma")
                                                             : QString();
            const OpenedInput opened = OpenInput(pdf, path, {password});
            QVERIFY(opened.opened);
            facts_.insert(path, {QString::number(opened.pages), opened.password, opened.features,
                                opened.objects});
        }
        // Entries that never make a row.
        QDir().mkpath(f.filesDir.filePath(QStringLiteral("folder.pdf")));
        pool_ << f.path(QStringLiteral("folder.pdf")) << f.path(QStringLiteral("missing.pdf"))
              << f.sized(QStringLiteral("notes.txt"), 10);
#ifdef Q_OS_UNIX
        // Latin-1 bytes in a name on a UTF-8 system.
        undecodable_ = QFile::encodeName(f.filesDir.path()) + "/caf\xe9.pdf";
        QFile undecodable;
        QVERIFY(undecodable.open(::fopen(undecodable_.constData(), "w"), QIODevice::WriteOnly,
                                 QFileDevice::AutoCloseHandle));
        undecodable.close();
        pool_ << QFile::decodeName(undecodable_);
#endif
    }
    void cleanupTestCase()
    {
        if (!undecodable_.isEmpty())
            ::remove(undecodable_.constData());
    }

    void eachRowCarriesItsOwnFilesFacts_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 40; ++seed)
            QTest::newRow(qPrintable(QString::number(seed))) << seed;
    }

    void eachRowCarriesItsOwnFilesFacts()
    {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        f.openWindow();
        const QStringList passwords{QStringLiteral("alpha"), QStringLiteral("beta"),
                                    QStringLiteral("gamma"), QStringLiteral("wrong")};
        int nestedLeft = 3;
        bool closed = false;
        QList<FileRow> rowsAtClose;  // the window lets its list go once closed
        const auto add = [&] {
            if (random.bounded(2) == 0) {
                f.window->OpenFiles(pick(random));
            } else {
                f.desktop.answerOpenFiles(pick(random));
                f.window->Execute(ID_Add);
            }
        };
        // While a file is opened or a prompt is up, the window's events run:
        // now and then one of them is another add, or a close.
        RunHelpers::Ticker ticker([&] {
            if (nestedLeft > 0 && random.bounded(6) == 0) {
                --nestedLeft;
                if (random.bounded(8) == 0) {
                    closed = true;
                    nestedLeft = 0;
                    rowsAtClose = f.list().rows();
                    f.window->close();
                } else {
                    add();
                }
            }
            return true;
        });
        f.desktop.onInput = [&](const QString&) -> std::optional<QString> {
            for (int i = int(random.bounded(3)); i > 0; --i)
                QCoreApplication::processEvents();
            if (random.bounded(5) == 0)
                return std::nullopt;
            return passwords[int(random.bounded(int(passwords.size())))];
        };
        f.desktop.onMessage = [](const FakeDesktop::Call&) { return Desktop::Answer::Ok; };
        add();
        if (!closed)
            add();

        const QList<FileRow> rows = closed ? rowsAtClose : f.list().rows();
        QStringList wrong;
        for (const FileRow& row : rows) {
            const Facts expected = facts_.value(row.FilePath);
            if (row.PageCount != expected.pages || row.FilePassword != expected.password ||
                row.Features != expected.features || row.Objects != expected.objects)
                wrong << QStringLiteral("%1: %2 pages, password \"%3\", features %4, objects %5")
                             .arg(row.FilePath, row.PageCount, row.FilePassword)
                             .arg(row.Features)
                             .arg(row.Objects);
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u'\n')));
        QSet<QString> paths;
        for (const FileRow& row : rows)
            paths.insert(row.FilePath);
        QCOMPARE(paths.size(), rows.size());
        if (!closed)
            VERIFY_TOTALS(f);
        f.desktop.reset();
        f.window.reset();
    }
};

QTEST_MAIN(TestFileListInterleaving)
#include "tst_filelist_interleaving.moc"
