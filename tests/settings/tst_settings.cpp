#include "settings/Settings.h"
#include "TestSettings.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

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
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settings.moc"
