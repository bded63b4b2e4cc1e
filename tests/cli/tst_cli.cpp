#include "ProgramInfo.h"
#include "job/PdfLibrary.h"

#include "PdfReaders.h"
#include "TestPdfs.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <csignal>
#endif

using namespace PdfReaders;
using namespace Qt::StringLiterals;

namespace {

// "a b" gives {"a", "b"}.
QStringList words(const char* text)
{
    return QString::fromUtf8(text).split(u' ');
}

struct Run
{
    int exitCode = -1;  // -1: crashed or hung
    QByteArray out;
    QByteArray err;
};

// The P value with exactly these bits granted.
int pWithBits(const QList<int>& bits)
{
    quint32 p = 0xFFFFF0C0u;
    for (int bit : bits)
        p |= 1u << (bit - 1);
    return int(p);
}

// The values of the space-separated `keys` of `object` as compact JSON:
// fields(o, "a b") gives "1 null" for {"a": 1}.
QString fields(const QJsonValue& object, const char* keys)
{
    QStringList values;
    for (const QString& key : QString::fromLatin1(keys).split(u' ')) {
        const QByteArray json =
            QJsonDocument(QJsonArray{object.toObject().value(key)}).toJson(QJsonDocument::Compact);
        values << QString::fromUtf8(json.mid(1, json.size() - 2));
    }
    return values.join(u' ');
}

}  // namespace

// sealmark-cli run as a script runs it, its outputs checked by independent
// readers.
class TestCli : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir work_;
    QString dir_;  // this test's own folder in work_

    QString path(const QString& relative) const { return QDir(dir_).filePath(relative); }

    QString makePdf(const QString& relative, const TestPdfs::Options& options = {})
    {
        QDir().mkpath(QFileInfo(path(relative)).path());
        return TestPdfs::write(path(relative), options) ? path(relative) : QString();
    }

    void makeFile(const QString& relative, const QByteArray& bytes)
    {
        QVERIFY(TestPdfs::writeBytes(path(relative), bytes));
    }

    QJsonDocument json(const QString& relative)
    {
        return QJsonDocument::fromJson(TestPdfs::readBytes(path(relative)));
    }

    // Starts sealmark-cli in the test's folder; `environment` adds "NAME=value"s.
    QProcess* start(const QStringList& arguments, const QStringList& environment = {})
    {
        auto* process = new QProcess(this);
        process->setWorkingDirectory(dir_);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString& variable : environment)
            env.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
        process->setProcessEnvironment(env);
        process->start(QStringLiteral(SEALMARK_CLI), arguments);
        return process;
    }

    // What the terminal sends it on Ctrl+C (or the system on shutdown):
    // `stop` is a signal, on Windows a console control event. False when
    // it cannot be sent.
    static bool interrupt(QProcess* process, int stop)
    {
#ifdef Q_OS_WIN
        // The console sends the event to every program on it, this test
        // too, which lets it pass.
        Q_UNUSED(process);
        SetConsoleCtrlHandler([](DWORD) -> BOOL { return TRUE; }, TRUE);
        return GenerateConsoleCtrlEvent(DWORD(stop), 0);
#else
        return ::kill(pid_t(process->processId()), stop) == 0;
#endif
    }

    Run finish(QProcess* process)
    {
        Run run;
        if (process->waitForFinished(120000) && process->exitStatus() == QProcess::NormalExit)
            run.exitCode = process->exitCode();
        run.out = process->readAllStandardOutput();
        run.err = process->readAllStandardError();
        delete process;
        return run;
    }

    Run cli(const QStringList& arguments, const QByteArray& input = {},
            const QStringList& environment = {})
    {
        QProcess* process = start(arguments, environment);
        process->write(input);
        process->closeWriteChannel();
        return finish(process);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(work_.isValid());
        const QStringList missing = missingTools();
        if (!missing.isEmpty())
            QSKIP(qPrintable(u"missing: "_s + missing.join(u' ')));
    }

    void init()
    {
        dir_ = work_.filePath(QString::fromLatin1(QTest::currentTestFunction()) + u'-' +
                              QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'_'));
        QVERIFY(QDir().mkpath(dir_));
    }

    void helpAndVersion()
    {
        const Run help = cli(words("encrypt --help"));
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.startsWith("Usage: sealmark-cli encrypt [OPTIONS] INPUT..."));
        QVERIFY(help.out.contains("--passwords-csv") && help.err.isEmpty());
        const Run version = cli(words("--version"));
        QCOMPARE(version.exitCode, 0);
        QCOMPARE(version.out, "sealmark-cli (Sealmark) " + ProgramVersion.toUtf8() + '\n');
    }

    void linksNoGui()
    {
#ifdef Q_OS_WIN
        // A program names the DLLs it imports in its import table.
        const QByteArray program = TestPdfs::readBytes(QStringLiteral(SEALMARK_CLI));
        QVERIFY(program.contains("Qt6Core.dll"));
        QVERIFY(!program.contains("Qt6Gui.dll") && !program.contains("Qt6Widgets.dll"));
#else
        QProcess ldd;
        ldd.start(u"ldd"_s, {QStringLiteral(SEALMARK_CLI)});
        QVERIFY(ldd.waitForFinished() && ldd.exitCode() == 0);
        const QByteArray libraries = ldd.readAllStandardOutput();
        QVERIFY(libraries.contains("libQt6Core"));
        QVERIFY2(!libraries.contains("libQt6Gui") && !libraries.contains("libQt6Widgets"),
                 libraries.constData());
#endif
    }

    // Each strength, the owner password from each source, read back by
    // every reader and by `info`.
    void strengths_data()
    {
        QTest::addColumn<int>("strength");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("userPassword");
        QTest::addColumn<QList<int>>("bits");  // of the P value written
        QTest::addColumn<QString>("granted");  // as info reports it
        // clang-format off
        QTest::newRow("rc4-40, owner from a CR LF file")
            << 0 << words("--strength rc4-40 --allow all --owner-password-file owner.txt "
                          "--user-password-env SM_USER")
            << " user 1 " << QList<int>{3, 4, 5, 6, 9, 10, 11, 12}
            << "print copy edit annotate fill-forms accessibility assemble hires-print";
        QTest::newRow("rc4-128, owner from a variable")
            << 1 << words("--strength rc4-128 --allow hires-print,fill-forms "
                          "--owner-password-env SM_OWNER --user-password-env SM_USER")
            << "user 2" << QList<int>{3, 9, 12} << "print fill-forms hires-print";
        QTest::newRow("aes-128, owner from standard input")
            << 2 << words("--strength aes-128 --allow copy,assemble --owner-password-stdin")
            << "" << QList<int>{5, 10, 11} << "copy accessibility assemble";
        QTest::newRow("aes-256 by default")
            << 3 << words("--owner-password-file owner.txt --user-password-env SM_USER")
            << "us\u00e9r \u20ac" << QList<int>{10} << "accessibility";
        // clang-format on
    }
    void strengths()
    {
        QFETCH(int, strength);
        QFETCH(QStringList, options);
        QFETCH(QString, userPassword);
        QFETCH(QList<int>, bits);
        QFETCH(QString, granted);
        const QString owner = u"Owner pass "_s + QString::number(strength);
        const TestPdfs::Options pdf{.pages = 2};
        QVERIFY(!makePdf(u"in.pdf"_s, pdf).isEmpty());
        makeFile(u"owner.txt"_s, owner.toUtf8() + "\r\nsecond line\n");
        const Run run = cli(words("encrypt -o out in.pdf") + options, owner.toUtf8() + '\n',
                            {u"SM_OWNER="_s + owner, u"SM_USER="_s + userPassword});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.isEmpty() && run.err.isEmpty(), run.err.constData());
        const QString problems = protectionProblems(
            path(u"out/in.pdf"_s), {strength,
                                    pWithBits(bits),
                                    userPassword,
                                    owner,
                                    {TestPdfs::pageText(pdf, 1), TestPdfs::pageText(pdf, 2)}});
        QVERIFY2(problems.isEmpty(), qPrintable(problems));

        makeFile(u"passwords.txt"_s, "wrong\n" + userPassword.toUtf8() + '\n');
        const Run info = cli(words("info --json --input-password-file passwords.txt out/in.pdf"));
        QCOMPARE(info.exitCode, 0);
        const QJsonValue file = QJsonDocument::fromJson(info.out).array().at(0);
        const char* const expected[] = {"2 40 \"RC4\"", "3 128 \"RC4\"", "4 128 \"AES\"",
                                        "6 256 \"AES\""};
        QCOMPARE(fields(file, "revision key_bits cipher"), QLatin1String(expected[strength]));
        const QJsonObject permissions = file.toObject().value("permissions"_L1).toObject();
        QStringList reported;
        for (const QString& name :
             words("print copy edit annotate fill-forms accessibility assemble hires-print"))
            if (permissions.value(name).toBool())
                reported << name;
        QCOMPARE(reported.join(u' '), granted);
    }

    // The payroll case: a folder tree mirrored, per-file passwords from a
    // CSV that needs its quoting, and the report a script reads.
    void treeWithPasswordsCsvAndReport()
    {
        const TestPdfs::Options one{.pages = 1}, two{.pages = 2};
        const QStringList inputs = {makePdf(u"in/top.pdf"_s, one),
                                    makePdf(u"in/north/alice.pdf"_s, two),
                                    makePdf(u"in/north/east/bob.pdf"_s, one), path(u"carol.pdf"_s)};
        QVERIFY(TestPdfs::writeNeedingRepair(inputs[3], TestPdfs::Repair::WrongObject, one));
        makeFile(u"in/north/notes.txt"_s, "not a PDF");
        makeFile(u"owner.txt"_s, "Global owner\n");
        makeFile(u"payroll.csv"_s, "file,owner_password,user_password\r\n"
                                   "\"north/alice.pdf\",,\"a, \"\"quoted\"\" pw \"\r\n"
                                   "north/east/bob.pdf,Bob owner,bob pw\r\n"
                                   "carol.pdf,,carol pw\r\n");
        const Run run = cli(words("encrypt -r -o out --allow print --owner-password-file owner.txt "
                                  "--passwords-csv payroll.csv --report report.json in carol.pdf"));
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.isEmpty() && run.err.isEmpty(), run.err.constData());
        QCOMPARE(TestPdfs::entries(path(u"out"_s)), words("carol.pdf north top.pdf"));
        QCOMPARE(TestPdfs::entries(path(u"out/north"_s)), words("alice.pdf east"));

        const int print = pWithBits({3, 10});
        const QString owner = u"Global owner"_s;
        const QString alice = u"a, \"quoted\" pw "_s;
        const QStringList page1 = {TestPdfs::pageText(one, 1)};
        const std::pair<QString, Expected> checks[] = {
            {u"out/top.pdf"_s, {3, print, {}, owner, page1}},
            {u"out/north/alice.pdf"_s,
             {3, print, alice, owner, {TestPdfs::pageText(two, 1), TestPdfs::pageText(two, 2)}}},
            {u"out/north/east/bob.pdf"_s, {3, print, u"bob pw"_s, u"Bob owner"_s, page1}}};
        for (const auto& [output, expected] : checks) {
            const QString problems = protectionProblems(path(output), expected);
            QVERIFY2(problems.isEmpty(), qPrintable(output + u": "_s + problems));
        }

        const QByteArray bytes = TestPdfs::readBytes(path(u"report.json"_s));
        for (const QString& password : {owner, alice, u"bob pw"_s, u"Bob owner"_s})
            QVERIFY2(!bytes.contains(password.toUtf8()), "a password is in the report");
        const QJsonObject report = QJsonDocument::fromJson(bytes).object();
        QCOMPARE(fields(report, "version summary"),
                 u"\"%1\" {\"failed\":0,\"saved\":4,\"skipped\":0}"_s.arg(ProgramVersion));
        QCOMPARE(fields(report.value("settings"_L1), "strength permissions"),
                 u"\"aes-256\" {\"accessibility\":false,\"annotate\":false,\"assemble\":false,"
                 "\"copy\":false,\"edit\":false,\"fill-forms\":false,\"hires-print\":false,"
                 "\"print\":true}"_s);
        const QJsonArray files = report.value("files"_L1).toArray();
        const QStringList outputs =
            words("out/top.pdf out/north/alice.pdf out/north/east/bob.pdf out/carol.pdf");
        const char* const pages[] = {"1", "2", "1", "1"};
        // Paths as the report writes them: native, inside JSON strings.
        const auto reported = [](const QString& file) {
            return QDir::toNativeSeparators(file).replace(u'\\', u"\\\\"_s);
        };
        QCOMPARE(files.size(), 4);
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(fields(files[i], "input output status error_code message pages"),
                     u"\"%1\" \"%2\" \"saved\" null \"saved\" %3"_s.arg(
                         reported(inputs[i]), reported(path(outputs[i])), QLatin1String(pages[i])));
            QVERIFY(files[i].toObject().value("seconds"_L1).toDouble() > 0);
            // Only carol.pdf needed a repair.
            QCOMPARE(files[i].toObject().value("repaired"_L1), QJsonValue(i == 3));
            QCOMPARE(files[i].toObject().value("repair_warning"_L1).isString(), i == 3);
        }
    }

    void unmatchedCsvRowWritesNothing()
    {
        makePdf(u"in/alice.pdf"_s);
        makeFile(u"payroll.csv"_s, "file,user_password\nalice.pdf,a\nin/alice.pdf,b\n");
        const Run run = cli(words("encrypt -o out --owner-password-stdin --passwords-csv "
                                  "payroll.csv --report report.json in"),
                            "owner\n");
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains("payroll.csv line 3: in/alice.pdf matches no input"),
                 run.err.constData());
        QCOMPARE(TestPdfs::entries(dir_), words("in payroll.csv"));
    }

    void onSigned_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("outputs");
        QTest::addColumn<QString>("statuses");  // of the report, in input order
        // clang-format off
        QTest::newRow("fail") << "fail" << 2 << QStringList{} << "";
        QTest::newRow("skip") << "skip" << 0 << words("plain.pdf")
                              << "skipped skipped skipped saved skipped";
        QTest::newRow("protect")
            << "protect" << 0 << words("certified.pdf extended.pdf pdfa.pdf plain.pdf signed.pdf")
            << "saved saved saved saved saved";
        // clang-format on
    }
    void onSigned()
    {
        QFETCH(QString, mode);
        QFETCH(int, exitCode);
        QFETCH(QStringList, outputs);
        QFETCH(QString, statuses);
        const std::pair<const char*, int> files[] = {{"certified.pdf", PdfLibrary::Certified},
                                                     {"extended.pdf", PdfLibrary::UsageRights},
                                                     {"pdfa.pdf", PdfLibrary::PdfA},
                                                     {"plain.pdf", 0},
                                                     {"signed.pdf", PdfLibrary::Signed}};
        QVERIFY(QDir().mkpath(path(u"in"_s)));
        for (const auto& [name, features] : files)
            QVERIFY(!makePdf(u"in/"_s + QLatin1String(name), {.features = features}).isEmpty());
        const Run run =
            cli(words("encrypt -o out --owner-password-stdin --report report.json in --on-signed")
                    << mode,
                "owner\n");
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(TestPdfs::entries(path(u"out"_s)), outputs);
        for (const char* name : {"certified.pdf", "extended.pdf", "pdfa.pdf", "signed.pdf"})
            QVERIFY2(run.err.contains(name), run.err.constData());
        QCOMPARE(run.err.count("warning: "), mode == "protect"_L1 ? 4 : 0);
        QStringList reported;
        for (const QJsonValue file : json(u"report.json"_s).object().value("files"_L1).toArray())
            reported << file.toObject().value("status"_L1).toString();
        QCOMPARE(reported.join(u' '), statuses);
    }

    // A skipped input is still an input: no other file's output replaces it.
    void skippedInputIsNeverReplaced()
    {
        const QString skipped = makePdf(u"a/x.pdf"_s, {.features = PdfLibrary::Signed});
        QVERIFY(!makePdf(u"b/x.pdf"_s).isEmpty());
        const QByteArray before = TestPdfs::readBytes(skipped);
        const Run run = cli(
            words("encrypt -o a --owner-password-stdin --on-signed skip a/x.pdf b/x.pdf"), "owner\n");
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(TestPdfs::readBytes(skipped), before);
        QCOMPARE(TestPdfs::entries(path(u"a"_s)), words("x.pdf x_new.pdf"));
    }

    // Failures: one line each in list order, and the exit code.
    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("inputs");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("lines");  // standard error, in order
        const QString damaged = u"sealmark-cli: in/damaged.pdf: not a PDF, damaged beyond "
                                "repair or without pages (error 102)"_s;
        // clang-format off
        QTest::newRow("some failed") << words("in/damaged.pdf in/good.pdf in/locked.pdf") << 1
            << QStringList{damaged, u"sealmark-cli: in/locked.pdf: needs a password (error 404)"_s};
        QTest::newRow("none saved") << words("in/damaged.pdf") << 3 << QStringList{damaged};
        QTest::newRow("input passwords tried in turn")
            << words("--input-password-file passwords.txt in") << 1 << QStringList{damaged};
        // clang-format on
    }
    void exitCodes()
    {
        QFETCH(QStringList, inputs);
        QFETCH(int, exitCode);
        QFETCH(QStringList, lines);
        const QString good = makePdf(u"in/good.pdf"_s);
        makePdf(u"in/locked.pdf"_s,
                {.userPassword = u"open me"_s, .ownerPassword = u"o"_s, .strength = 3});
        QVERIFY(TestPdfs::writeTruncated(good, path(u"in/damaged.pdf"_s), 400));
        makeFile(u"passwords.txt"_s, "wrong\nopen me\n");
        const Run run = cli(words("encrypt -o out --owner-password-stdin") + inputs, "owner\n");
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(QString::fromUtf8(run.err).trimmed().split(u'\n'), lines);
    }

    // Ctrl+C and the like: what was done is kept and reported, nothing
    // partial is left.
    void interruptLeavesNoPartialFile_data()
    {
        QTest::addColumn<int>("stop");
#ifdef Q_OS_WIN
        QTest::newRow("Ctrl+C") << int(CTRL_C_EVENT);
        QTest::newRow("Ctrl+Break") << int(CTRL_BREAK_EVENT);
#else
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGTERM") << SIGTERM;
#endif
    }
    void interruptLeavesNoPartialFile()
    {
        QFETCH(int, stop);
#ifdef Q_OS_WIN
        if (!GetConsoleWindow())
            QSKIP("Ctrl+C needs a console; Wine gives one only to a program whose input is a "
                  "terminal (scripts/windows/wine-run lends it one)");
#endif
        const int count = 40;
        const TestPdfs::Options options{.pages = 400, .withImage = true};
        QVERIFY(!makePdf(u"in/file-00.pdf"_s, options).isEmpty());
        for (int i = 1; i < count; ++i)
            QVERIFY(QFile::copy(path(u"in/file-00.pdf"_s),
                                path(u"in/file-%1.pdf"_s.arg(i, 2, 10, QLatin1Char('0')))));
        QProcess* process = start(
            words(
                "encrypt -q --jobs 1 -o out --owner-password-env SM_OWNER --report report.json in"),
            {u"SM_OWNER=owner"_s});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(path(u"out/file-00.pdf"_s)), 60000);
        if (!interrupt(process, stop)) {
            process->kill();
            finish(process);
            QSKIP("this console cannot send that event (Wine sends Ctrl+C only)");
        }
        const Run run = finish(process);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("files were not started"), run.err.constData());

        const QJsonObject report = json(u"report.json"_s).object();
        const int saved = report.value("summary"_L1).toObject().value("saved"_L1).toInt();
        QVERIFY(saved >= 1 && saved < count);
        QCOMPARE(report.value("summary"_L1).toObject().value("failed"_L1).toInt(), count - saved);
        QStringList outputs;
        for (const QJsonValue file : report.value("files"_L1).toArray())
            if (const QJsonValue output = file.toObject().value("output"_L1); !output.isNull())
                outputs << QFileInfo(output.toString()).fileName();
        // Only the saved files are there: no temporary file, no partial output.
        QCOMPARE(TestPdfs::entries(path(u"out"_s)), outputs);
        QStringList texts;
        for (int page = 1; page <= options.pages; ++page)
            texts << TestPdfs::pageText(options, page);
        const QString problems = protectionProblems(path(u"out/"_s + outputs.last()),
                                                    {3, pWithBits({10}), {}, u"owner"_s, texts});
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }

    // Names outside ASCII in the inputs, the destination and what is shown,
    // which is UTF-8.
    void unicodeNames()
    {
        const QString name = u"Bericht-\u00e4\u00f6\u00fc \u5831\u544a.pdf"_s;
        const QString out = u"out-\u00e9"_s;
        makePdf(u"in/"_s + name);
        const Run run = cli(words("encrypt --owner-password-env SM_OWNER -o") << out << u"in"_s, {},
                            {u"SM_OWNER=owner"_s});
        QCOMPARE(run.exitCode, 0);
        const Run info = cli(QStringList{u"info"_s, out + u'/' + name});
        QCOMPARE(info.exitCode, 0);
        QVERIFY2(info.out.contains((out + u'/' + name).toUtf8()), info.out.constData());
    }

    void info()
    {
        makePdf(
            u"restricted.pdf"_s,
            {.userPassword = u"u"_s, .ownerPassword = u"o"_s, .strength = 1, .restricted = true});
        makePdf(u"locked.pdf"_s,
                {.userPassword = u"other"_s, .ownerPassword = u"o"_s, .strength = 2});
        // Needing a repair too.
        QVERIFY(TestPdfs::writeNeedingRepair(
            path(u"features.pdf"_s), TestPdfs::Repair::EmptyObject,
            {.features = PdfLibrary::Certified | PdfLibrary::UsageRights | PdfLibrary::PdfA}));
        makeFile(u"passwords.txt"_s, "u\n");
        const Run run = cli(words("info --json --input-password-file passwords.txt restricted.pdf "
                                  "locked.pdf features.pdf"));
        QCOMPARE(run.exitCode, 1);
        const QJsonArray files = QJsonDocument::fromJson(run.out).array();
        QCOMPARE(files.size(), 3);
        const char* keys = "encrypted revision key_bits cipher signed certified usage_rights pdfa "
                           "repaired pages error";
        QCOMPARE(fields(files[0], keys),
                 u"true 3 128 \"RC4\" false false false false false 3 null"_s);
        QCOMPARE(fields(files[1], keys),
                 u"true null null null false false false false false null \"needs a password\""_s);
        QCOMPARE(fields(files[2], keys), u"false null null null true true true true true 3 null"_s);
        QVERIFY(files[2].toObject().value("repair_warning"_L1).toString().contains("null"_L1));
        QVERIFY(files[0].toObject().value("repair_warning"_L1).isNull());
        const QJsonObject permissions = files[0].toObject().value("permissions"_L1).toObject();
        QCOMPARE(permissions.size(), 8);
        for (const QJsonValue granted : permissions)
            QVERIFY(!granted.toBool());

        const Run text =
            cli(words("info --input-password-file passwords.txt restricted.pdf features.pdf"));
        QCOMPARE(text.exitCode, 0);
        QVERIFY2(text.out.contains("Encryption:       128-bit RC4, revision 3\n"
                                   "  Permissions:      none\n"),
                 text.out.constData());
        QCOMPARE(text.out.count("  Repaired:         no\n"), 1);
        QCOMPARE(text.out.count("  Repaired:         yes ("), 1);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
