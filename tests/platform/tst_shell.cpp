#include "platform/QtDesktop.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <qt_windows.h>

using namespace Qt::StringLiterals;

// The help file and the destination folder are opened by the shell, with
// whatever their types are registered to. Here both types are registered
// to a command that writes down what it was given.
class TestShell : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;

    static bool underWine()
    {
        return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    }

    // The shell opens `type` by writing its argument into `record`.
    static void registerOpen(const QString& type, const QString& record)
    {
        QSettings open(u"HKEY_LOCAL_MACHINE\\Software\\Classes\\"_s + type +
                           u"\\shell\\open"_s,
                       QSettings::NativeFormat);
        // No file manager is there to answer a DDE conversation.
        open.remove(u"ddeexec"_s);
        open.setValue(u"command/."_s, u"cmd.exe /c echo \"%1\"> \""_s +
                                          QDir::toNativeSeparators(record) + u'"');
    }

    // What the shell was asked to open, once it has been.
    static QString opened(const QString& record)
    {
        if (!QTest::qWaitFor([&] { return QFile(record).size() > 0; }, 30000))
            return {};
        QFile file(record);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QString text = QString::fromLocal8Bit(file.readAll()).trimmed();
        text.remove(u'"');
        return text;
    }

private slots:
    void initTestCase()
    {
        // The machine's classes, which the test changes, are Wine's own there.
        if (!underWine())
            QSKIP("changes what opens folders and web pages: runs only in the throwaway Wine "
                  "prefix of scripts/windows/test");
        QVERIFY(dir_.isValid());
        QSettings html(u"HKEY_LOCAL_MACHINE\\Software\\Classes\\.html"_s, QSettings::NativeFormat);
        html.setValue(u"."_s, u"Sealmark.TestPage"_s);
        registerOpen(u"Sealmark.TestPage"_s, dir_.filePath(u"help-opened.txt"_s));
        registerOpen(u"Folder"_s, dir_.filePath(u"folder-opened.txt"_s));
    }

    void helpOpensWithItsProgram()
    {
        const QString help = QDir::toNativeSeparators(dir_.filePath(u"help.html"_s));
        QFile file(help);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QtDesktop().openHelp(help);
        QCOMPARE(opened(dir_.filePath(u"help-opened.txt"_s)), help);
    }

    void folderOpensInTheFileManager()
    {
        QVERIFY(QDir(dir_.path()).mkdir(u"out"_s));
        // The program hands over the destination with its trailing separator.
        const QString folder = QDir::toNativeSeparators(dir_.filePath(u"out"_s)) + u'\\';
        QtDesktop().openFolder(folder);
        QCOMPARE(opened(dir_.filePath(u"folder-opened.txt"_s)), folder);
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
