#include "settings/Settings.h"
#include "TestSettings.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

// ReadSetting / WriteSetting over the per-user store, pointed at a
// temporary folder.
class TestSettingsStore : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;


private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        TestSettings::isolate(dir_.path());
    }

    void init() { TestSettings::store().clear(); }

    void missingValuesReadEmpty()
    {
        QCOMPARE(ReadSetting(QStringLiteral("Path")), QString());
        QCOMPARE(ReadSetting(QStringLiteral("Skin")), QString());
    }

    void textRoundTripsExactly_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("folder") << QStringLiteral("/home/ann/Protected PDFs");
        QTest::newRow("blanks kept") << QStringLiteral("  secret  ");
        QTest::newRow("unicode") << QStringLiteral("Kennwort-\u00E4\u00F6\u00FC \u041F\u0430\u0440\u043E\u043B\u044C");
        QTest::newRow("empty") << QString();
    }

    void textRoundTripsExactly()
    {
        QFETCH(QString, value);
        WriteSetting(QStringLiteral("OwnerPassword"), value);
        QCOMPARE(ReadSetting(QStringLiteral("OwnerPassword")), value);
    }

    void nulCharactersAreHandledLikeStoredTerminators()
    {
        // One trailing NUL is a stored terminator: with or without it the
        // text reads the same. A leading NUL makes the whole value empty.
        TestSettings::store().setValue(QStringLiteral("Path"), QStringLiteral("/out") + QChar(0));
        QCOMPARE(ReadSetting(QStringLiteral("Path")), QStringLiteral("/out"));
        TestSettings::store().setValue(QStringLiteral("Path"), QStringLiteral("/out"));
        QCOMPARE(ReadSetting(QStringLiteral("Path")), QStringLiteral("/out"));
        TestSettings::store().setValue(QStringLiteral("Path"), QString(QChar(0)) + QStringLiteral("/out"));
        QCOMPARE(ReadSetting(QStringLiteral("Path")), QString());
    }

    void numbersReadAsDecimalText()
    {
        TestSettings::store().setValue(QStringLiteral("Skin"), 5);
        QCOMPARE(ReadSetting(QStringLiteral("Skin")), QStringLiteral("5"));
    }

    void writeCreatesTheStoreWhenMissing()
    {
        WriteSetting(QStringLiteral("Skin"), QStringLiteral("3"));
        QVERIFY(TestSettings::store().contains(QStringLiteral("Skin")));
        QCOMPARE(TestSettings::store().value(QStringLiteral("Skin")).toString(), QStringLiteral("3"));
    }

#ifdef Q_OS_WIN
    // The settings are the program's registry key of the current user.
    void storeIsTheUsersRegistryKey()
    {
        const QString value = QStringLiteral("Kennwort-\u00E4 \u5BC6\u7801");
        WriteSetting(QStringLiteral("OwnerPassword"), value);
        const QSettings key(
            QStringLiteral("HKEY_CURRENT_USER\\Software\\Corvella Software\\Sealmark"),
            QSettings::NativeFormat);
        QCOMPARE(key.value(QStringLiteral("OwnerPassword")).toString(), value);
    }
#endif

#ifdef Q_OS_UNIX
    // The owner password is kept where only its user can read it, whatever
    // the umask: a new folder 0700, the file 0600, an older file tightened.
    void storeIsPrivate()
    {
        const mode_t oldMask = ::umask(0);
        QTemporaryDir home;
        TestSettings::isolate(home.path());
        const QString file = TestSettings::store().fileName();
        WriteSetting(QStringLiteral("OwnerPassword"), QStringLiteral("secret"));
        const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
        QCOMPARE(QFile::permissions(file) & ~(QFile::ReadUser | QFile::WriteUser), ownerOnly);
        QCOMPARE(QFile::permissions(QFileInfo(file).absolutePath()) &
                     (QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther),
                 QFile::Permissions());
        QVERIFY(QFile::setPermissions(file, ownerOnly | QFile::ReadGroup | QFile::ReadOther));
        WriteSetting(QStringLiteral("OwnerPassword"), QStringLiteral("secret"));
        QCOMPARE(QFile::permissions(file) & ~(QFile::ReadUser | QFile::WriteUser), ownerOnly);
        ::umask(oldMask);
        TestSettings::isolate(dir_.path());
    }
#endif
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settings.moc"
