#include "FileListFixture.h"

// Protected inputs: the last password is tried first, the prompt comes at
// most once per file, and a row keeps the password that opened its file.
class TestFileListPasswords : public QObject
{
    Q_OBJECT

private:
    FileListFixture f;

    void expectPrompt(const QString& file, const QString& defaultText)
    {
        const auto prompts = f.desktop.callsOf(FakeDesktop::Kind::Input);
        QVERIFY(!prompts.isEmpty());
        QCOMPARE(prompts.last().text, QStringLiteral("Please input the password for ") + file);
        QCOMPARE(prompts.last().title, QStringLiteral("Need password"));
        QCOMPARE(prompts.last().defaultText, defaultText);
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

    void passwordIsAskedOnceAndReused()
    {
        const QString first = f.pdf(QStringLiteral("first.pdf"), 2, QStringLiteral("Geheim"));
        const QString second = f.pdf(QStringLiteral("second.pdf"), 3, QStringLiteral("Geheim"));
        f.desktop.answerInput(QStringLiteral("Geheim"));
        f.list().AddPdfFile(first);
        expectPrompt(first, QString());
        // The next file opens with the same password without a prompt.
        f.list().AddPdfFile(second);
        QCOMPARE(f.desktop.callsOf(FakeDesktop::Kind::Input).size(), 1);
        QCOMPARE(f.paths(), (QStringList{first, second}));
        QCOMPARE(f.list().row(0).FilePassword, QStringLiteral("Geheim"));
        QCOMPARE(f.list().row(1).FilePassword, QStringLiteral("Geheim"));
        QCOMPARE(f.column(FileListView::PageCountColumn), texts({"2", "3"}));
        VERIFY_TOTALS(f);
    }

    void wrongPasswordStaysAsDefaultCancelEmptiesIt()
    {
        const QString file = f.pdf(QStringLiteral("locked.pdf"), 4, QStringLiteral("right"));
        f.desktop.answerInput(QStringLiteral("wrong"));
        f.list().AddPdfFile(file);
        QCOMPARE(f.list().rowCount(), 0);
        QCOMPARE(f.list().lastPassword(), QStringLiteral("wrong"));

        // Tried first, fails, and is offered again; Cancel then empties it.
        f.desktop.answerInput(std::nullopt);
        f.list().AddPdfFile(file);
        expectPrompt(file, QStringLiteral("wrong"));
        QCOMPARE(f.list().lastPassword(), QString());

        // OK on an empty box skips the file as well.
        f.desktop.answerInput(QString());
        f.list().AddPdfFile(file);
        expectPrompt(file, QString());
        QCOMPARE(f.list().rowCount(), 0);

        f.desktop.answerInput(QStringLiteral("right"));
        f.list().AddPdfFile(file);
        QCOMPARE(f.list().row(0).FilePassword, QStringLiteral("right"));
        QCOMPARE(f.list().row(0).PageCount, QStringLiteral("4"));
        QVERIFY(f.desktop.callsOf(FakeDesktop::Kind::Message).isEmpty());
        VERIFY_TOTALS(f);
    }

    void onlyTheOpenPasswordAsks()
    {
        // A file with an owner password only opens without one; a damaged
        // file is listed without a prompt either.
        const QString restricted = f.pdf(QStringLiteral("owner.pdf"), 2, QString(), QStringLiteral("owner"));
        const QString damaged = f.sized(QStringLiteral("damaged.pdf"), 700);
        f.list().AddPdfFile(restricted);
        f.list().AddPdfFile(damaged);
        QCOMPARE(f.paths(), (QStringList{restricted, damaged}));
        QCOMPARE(f.list().row(0).FilePassword, QString());
        QCOMPARE(f.list().row(0).PageCount, QStringLiteral("2"));
        VERIFY_TOTALS(f);
    }
};

QTEST_MAIN(TestFileListPasswords)
#include "tst_filelist_passwords.moc"
