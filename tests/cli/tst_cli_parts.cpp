#include "cli/CliOptions.h"
#include "cli/Console.h"
#include "cli/Inputs.h"
#include "cli/PasswordCsv.h"
#include "cli/PasswordSources.h"
#include "cli/Words.h"

#include "TestPdfs.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_WIN
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <qt_windows.h>
#endif

using namespace Qt::StringLiterals;

namespace {

QStringList strings(std::initializer_list<const char*> texts)
{
    QStringList list;
    for (const char* text : texts)
        list << QString::fromUtf8(text);
    return list;
}

// Records as "line:field;field|line:field".
QString recordsText(const QList<CsvRecord>& records)
{
    QStringList texts;
    for (const CsvRecord& record : records)
        texts << QString::number(record.line) + u':' + record.fields.join(u';');
    return texts.join(u'|');
}

// Permission names joined by ",", in --allow's order.
QString names(const std::array<bool, EncryptionSettings::PermissionCount>& permissions)
{
    QStringList granted;
    for (size_t i = 0; i < permissions.size(); ++i)
        if (permissions[i])
            granted << QLatin1String(Words::PermissionNames[i]);
    return granted.join(u',');
}

}  // namespace

// The parts of sealmark-cli that need no PDF: reading CSV and password
// lines, the command line, the permission names and walking the inputs.
class TestCliParts : public QObject
{
    Q_OBJECT

private slots:
    // Each row: the text, then its records ("line:field;field|line:...") or the error.
    void csv_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        // clang-format off
        QTest::newRow("CR LF") << "a,b\r\nc,d\r\n" << "1:a;b|2:c;d";
        QTest::newRow("LF, no last line end") << "a,b\nc,d" << "1:a;b|2:c;d";
        QTest::newRow("quoted comma, quote, line break")
            << "\"x,y\",\"say \"\"hi\"\"\"\r\n\"two\r\nlines\",z\r\nw,v"
            << "1:x,y;say \"hi\"|2:two\r\nlines;z|4:w;v";
        QTest::newRow("spaces kept") << " a , b \n" << "1: a ; b ";
        QTest::newRow("empty fields and lines") << "a,,\n\n\"\",b\n" << "1:a;;|3:;b";
        QTest::newRow("quote inside a field") << "a,b\nc\"d,e\n" << "line 2: a quote inside";
        QTest::newRow("text after quotes") << "\"ab\"c,d\n" << "line 1: text after";
        QTest::newRow("quotes not closed") << "a\n\"b,\nc\n" << "line 2: a quoted field";
        // clang-format on
    }
    void csv()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const CsvTable table = ParseCsv(text);
        QCOMPARE(table.error.isEmpty() ? recordsText(table.records)
                                       : table.error.left(expected.size()),
                 expected);
    }

    // Each row: the CSV, then its rows ("file/user/owner|...") or the error.
    void passwordRows_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        // clang-format off
        QTest::newRow("columns in any order") << "user_password,file\nu 1,a.pdf\n" << "a.pdf/u 1/";
        QTest::newRow("owner column, cleaned file")
            << "file,user_password,owner_password\n./sub/a.pdf,u,o\nb.pdf,v,\n"
            << "sub/a.pdf/u/o|b.pdf/v/";
        QTest::newRow("misspelt column") << "file,user_pasword\n" << "line 1: column 2 of";
        QTest::newRow("column missing") << "file\n" << "line 1: the columns";
        QTest::newRow("short row") << "file,user_password\na.pdf\n" << "line 2: 1 fields";
        QTest::newRow("file named twice") << "file,user_password\na.pdf,x\n./a.pdf,y\n"
                                          << "line 3: a.pdf is named on line 2";
        // clang-format on
    }
    void passwordRows()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const PasswordRows read = ReadPasswordRows(text);
        QStringList rows;
        for (const PasswordRow& row : read.rows)
            rows << QStringList{row.file, row.userPassword, row.ownerPassword}.join(u'/');
        QCOMPARE(read.error.isEmpty() ? rows.join(u'|') : read.error.left(expected.size()),
                 expected);
    }

    void passwordLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<bool>("valid");
        // clang-format off
        QTest::newRow("LF") << QByteArray("one\ntwo\n") << strings({"one", "two"}) << true;
        QTest::newRow("CR LF, spaces, empty line")
            << QByteArray(" a b \r\n\r\nc") << strings({" a b ", "", "c"}) << true;
        QTest::newRow("byte order mark")
            << QByteArray("\xef\xbb\xbfp\xc3\xa4ss\n") << strings({"p\u00e4ss"}) << true;
        QTest::newRow("not UTF-8") << QByteArray("p\xe4ss\n") << QStringList{} << false;
        // clang-format on
    }
    void passwordLines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QFETCH(bool, valid);
        bool wasValid = !valid;
        QCOMPARE(SplitLines(bytes, &wasValid), lines);
        QCOMPARE(wasValid, valid);
    }

    void inputPasswordsEndWithNoPassword()
    {
        QCOMPARE(InputPasswordsToTry({}), QStringList{QString()});
        QCOMPARE(InputPasswordsToTry(strings({"a", "b"})), strings({"a", "b", ""}));
        QCOMPARE(InputPasswordsToTry(strings({"", "a"})), strings({"", "a"}));
    }

    // Each row: the arguments, then "help", "version", "encrypt" or the usage error.
    void commandLine_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("expected");
        const QString encrypt = u"encrypt -o out --owner-password-env PW"_s;
        // clang-format off
        QTest::newRow("help") << "--help" << "help";
        QTest::newRow("command help") << "info -h" << "help";
        QTest::newRow("version") << "--version" << "version";
        QTest::newRow("unknown command") << "seal" << "unknown command 'seal'";
        QTest::newRow("owner password as value") << encrypt + u" --owner-password=s3cret in"_s
            << "--owner-password is refused: a password on the command line can be read by every";
        QTest::newRow("user password as value") << encrypt + u" --user-password s3cret in"_s
                                                << "--user-password is refused";
        QTest::newRow("password value to info") << "info --user-password=s3cret a.pdf"
                                                << "--user-password is refused";
        QTest::newRow("a file name after --") << encrypt + u" -- --owner-password=x.pdf"_s
                                              << "encrypt";
        QTest::newRow("no output folder") << "encrypt --owner-password-stdin in"
                                          << "--output-dir is required";
        QTest::newRow("two owner sources") << encrypt + u" --owner-password-stdin in"_s
                                           << "give the owner password with exactly one";
        QTest::newRow("two user sources")
            << encrypt + u" --user-password-env A --user-password-file f in"_s
            << "give the user password with one";
        QTest::newRow("option twice") << encrypt + u" -o other in"_s
                                      << "--output-dir is given more than once";
        QTest::newRow("unknown strength") << encrypt + u" --strength aes in"_s << "--strength must";
        QTest::newRow("unknown --on-signed") << encrypt + u" --on-signed warn in"_s
                                             << "--on-signed must";
        QTest::newRow("no jobs") << encrypt + u" --jobs 0 in"_s << "--jobs must";
        QTest::newRow("no input") << encrypt << "no INPUT";
        QTest::newRow("unknown option") << encrypt + u" --force in"_s << "Unknown option 'force'";
        // clang-format on
    }
    void commandLine()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, expected);
        const CommandLine line = ParseCommandLine(u"sealmark-cli "_s.append(arguments).split(u' '));
        const QString kinds[] = {u"help"_s, u"version"_s, u"encrypt"_s, u"info"_s};
        QCOMPARE(line.command == CommandLine::UsageError ? line.text.left(expected.size())
                                                         : kinds[line.command],
                 expected);
        QVERIFY(!line.text.contains("s3cret"_L1));
    }

    // Each row: the list, the strength, then the names granted or the error.
    void allowList_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("strength");
        QTest::addColumn<QString>("expected");
        // clang-format off
        QTest::newRow("none") << "none" << 3 << "";
        QTest::newRow("all") << "all" << 3
            << "print,copy,edit,annotate,fill-forms,accessibility,assemble,hires-print";
        QTest::newRow("all that 40-bit RC4 holds") << "all" << 0 << "print,copy,edit,annotate";
        QTest::newRow("high resolution brings print") << "hires-print" << 1 << "print,hires-print";
        QTest::newRow("list") << "edit, annotate" << 0 << "edit,annotate";
        QTest::newRow("40-bit RC4 cannot hold it") << "print,assemble" << 0 << "--allow: rc4-40";
        QTest::newRow("unknown") << "print,scan" << 3 << "--allow: unknown permission 'scan'";
        // clang-format on
    }
    void allowList()
    {
        QFETCH(QString, list);
        QFETCH(int, strength);
        QFETCH(QString, expected);
        QString error;
        const auto permissions = ParseAllowList(list, strength, &error);
        QCOMPARE(permissions ? names(*permissions) : error.left(expected.size()), expected);
    }

    void inputs()
    {
        QTemporaryDir work;
        const QDir dir(work.path());
        for (const char* file :
             {"in/b.pdf", "in/A.PDF", "in/notes.txt", "in/.hidden.pdf", "in/sub/c.pdf",
              "in/sub/deep/d.pdf", "in/.git/e.pdf", "in/out/b.pdf", "other/x.pdf"}) {
            QVERIFY(dir.mkpath(QFileInfo(dir.filePath(QLatin1String(file))).path()));
            QVERIFY(TestPdfs::writeBytes(dir.filePath(QLatin1String(file)), "%PDF"));
        }
        // Each file as "relative>subfolder", or the error.
        const auto collect = [&](const char* inputs, bool recursive) {
            QStringList given;
            for (const QString& input : QString::fromLatin1(inputs).split(u' '))
                given << dir.filePath(input);
            const Inputs collected = CollectInputs(given, recursive, dir.filePath(u"in/out"_s));
            QStringList found;
            for (const InputFile& file : collected.files)
                found << file.relative + u'>' + file.subfolder;
            return collected.error.isEmpty() ? found.join(u' ') : collected.error;
        };
        // Hidden entries and the output folder are passed over; a file
        // reached twice is taken once.
        QCOMPARE(collect("in other/x.pdf in/b.pdf", true),
                 u"A.PDF> b.pdf> sub/c.pdf>sub sub/deep/d.pdf>sub/deep x.pdf>"_s);
        QCOMPARE(collect("in/sub in", false), u"c.pdf> A.PDF> b.pdf>"_s);
        QVERIFY(collect("in/notes.txt", false)
                    .endsWith("not a PDF file (its name does not end in .pdf)"_L1));
        QVERIFY(collect("in/gone.pdf", false).endsWith("no such file or folder"_L1));
    }

#ifdef Q_OS_WIN
    // A console shows the text as written, whatever its code page.
    void consoleShowsUnicode()
    {
        if (!GetConsoleWindow())
            QSKIP("no console: Wine gives one only to a program whose input is a terminal");
        const HANDLE screen =
            CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, CONSOLE_TEXTMODE_BUFFER, nullptr);
        QVERIFY(screen != INVALID_HANDLE_VALUE);
        const int screenFd = _open_osfhandle(intptr_t(screen), _O_WRONLY);
        const UINT codePage = GetConsoleOutputCP();
        SetConsoleOutputCP(850);
        std::fflush(stdout);
        const int savedFd = _dup(_fileno(stdout));
        QCOMPARE(_dup2(screenFd, _fileno(stdout)), 0);
        const QString text = u"Bericht-\u00e4\u00f6\u00fc \u5831\u544a \u2192 ok"_s;
        Console().out(text);
        std::fflush(stdout);
        _dup2(savedFd, _fileno(stdout));
        _close(savedFd);
        SetConsoleOutputCP(codePage);

        std::wstring shown(size_t(text.size()), L' ');
        DWORD read = 0;
        QVERIFY(ReadConsoleOutputCharacterW(screen, shown.data(), DWORD(shown.size()), COORD{0, 0},
                                            &read));
        _close(screenFd);
        QCOMPARE(QString::fromStdWString(shown.substr(0, read)), text);
    }

    // The status line is redrawn in place on a console: its control
    // sequences are carried out, not shown.
    void statusLineIsRedrawnOnAConsole()
    {
        if (!GetConsoleWindow())
            QSKIP("no console: Wine gives one only to a program whose input is a terminal");
        const HANDLE screen =
            CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, CONSOLE_TEXTMODE_BUFFER, nullptr);
        QVERIFY(screen != INVALID_HANDLE_VALUE);
        const int screenFd = _open_osfhandle(intptr_t(screen), _O_WRONLY);
        std::fflush(stderr);
        const int savedFd = _dup(_fileno(stderr));
        QCOMPARE(_dup2(screenFd, _fileno(stderr)), 0);
        bool redrawn = false;
        {
            Console console;
            redrawn = console.errorIsTerminal();
            console.setStatus(u"[####----] 1/2 files"_s);
            console.setStatus(u"[########] 2/2"_s);
        }
        std::fflush(stderr);
        _dup2(savedFd, _fileno(stderr));
        _close(savedFd);

        std::wstring shown(40, L' ');
        DWORD read = 0;
        QVERIFY(ReadConsoleOutputCharacterW(screen, shown.data(), DWORD(shown.size()), COORD{0, 0},
                                            &read));
        _close(screenFd);
        QVERIFY(redrawn);
        QCOMPARE(QString::fromStdWString(shown.substr(0, read)).trimmed(), u"[########] 2/2"_s);
    }

    // A password typed at a console arrives as typed, in UTF-8, whatever
    // the console's code page, and is not shown on the screen.
    void passwordTypedAtAConsole()
    {
        if (!GetConsoleWindow())
            QSKIP("no console: Wine gives one only to a program whose input is a terminal");
        const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
        DWORD modeBefore = 0;
        QVERIFY(GetConsoleMode(input, &modeBefore));
        const UINT codePage = GetConsoleCP();
        SetConsoleCP(850);
        const QString typed = u"p\u00e4ss \u5bc6\u7801 w\u00f6rd"_s;
        std::vector<INPUT_RECORD> keys;
        for (const QChar key : typed + u'\r') {
            INPUT_RECORD record{};
            record.EventType = KEY_EVENT;
            record.Event.KeyEvent.bKeyDown = TRUE;
            record.Event.KeyEvent.wRepeatCount = 1;
            record.Event.KeyEvent.wVirtualKeyCode = key == u'\r' ? VK_RETURN : 0;
            record.Event.KeyEvent.uChar.UnicodeChar = wchar_t(key.unicode());
            keys.push_back(record);
        }
        DWORD written = 0;
        QVERIFY(WriteConsoleInputW(input, keys.data(), DWORD(keys.size()), &written));
        const QByteArray line = ReadInputLine("Owner password: ");
        SetConsoleCP(codePage);
        QCOMPARE(QString::fromUtf8(line), typed + u"\r\n"_s);
        DWORD modeAfter = 0;
        QVERIFY(GetConsoleMode(input, &modeAfter));
        QCOMPARE(modeAfter, modeBefore);

        const HANDLE screen = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr);
        QVERIFY(screen != INVALID_HANDLE_VALUE);
        CONSOLE_SCREEN_BUFFER_INFO info{};
        QVERIFY(GetConsoleScreenBufferInfo(screen, &info));
        std::wstring shown(size_t(info.dwSize.X) * size_t(info.dwSize.Y), L' ');
        DWORD read = 0;
        QVERIFY(ReadConsoleOutputCharacterW(screen, shown.data(), DWORD(shown.size()), COORD{0, 0},
                                            &read));
        CloseHandle(screen);
        QVERIFY(!QString::fromStdWString(shown).contains(u"ss \u5bc6"_s));
    }
#endif
};

QTEST_GUILESS_MAIN(TestCliParts)
#include "tst_cli_parts.moc"
