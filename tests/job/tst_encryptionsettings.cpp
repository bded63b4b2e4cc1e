#include "job/EncryptionSettings.h"
#include "job/PdfLibrary.h"

#include "PdfReaders.h"
#include "TestPdfs.h"

#include <QTemporaryDir>
#include <QTest>

using namespace PdfReaders;

// The settings are checked where they end up: in the file written with them.
class TestEncryptionSettings : public QObject
{
    Q_OBJECT

private:
    // Writes a copy of a test PDF with `settings`; its path, or "" on failure.
    QString protect(const EncryptionSettings& settings)
    {
        const QString input = dir_.filePath(QStringLiteral("in.pdf"));
        const QString output = dir_.filePath(QStringLiteral("out.pdf"));
        PdfLibrary library;
        if (!TestPdfs::write(input, {}) || library.OpenFile(input, {}) != 1
            || ApplyEncryptionSettings(library, settings) == 0 || library.SaveFile(output) != 1)
            return {};
        return output;
    }

    QTemporaryDir dir_;

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void effectiveUserPassword()
    {
        EncryptionSettings settings;
        settings.userPassword = QStringLiteral(" typed ");
        QCOMPARE(settings.effectiveUserPassword(), QString());
        settings.requireUserPassword = true;
        QCOMPARE(settings.effectiveUserPassword(), QStringLiteral(" typed "));
    }

    void permissionsInIndexOrder_data()
    {
        QTest::addColumn<int>("permission");
        QTest::addColumn<int>("bit");
        const int bits[] = {3, 5, 4, 6, 9, 10, 11, 12};
        for (int i = 0; i < EncryptionSettings::PermissionCount; ++i)
            QTest::addRow("permission %d", i) << i << bits[i];
    }
    void permissionsInIndexOrder()
    {
        QFETCH(int, permission);
        QFETCH(int, bit);
        EncryptionSettings settings;
        settings.ownerPassword = QStringLiteral("owner");
        settings.strength = EncryptionSettings::Rc4_128;
        settings.permissions[permission] = true;
        // High-resolution printing only counts together with printing.
        if (permission == EncryptionSettings::HighResPrint)
            settings.permissions[EncryptionSettings::Print] = true;
        const QString output = protect(settings);
        QVERIFY(!output.isEmpty());
        const int p = qpdfEncryption(output).permissions;
        QVERIFY(p & (1 << (bit - 1)));
        // Reserved bits aside, nothing else is granted.
        const int others = p & 0xF3C & ~(1 << (bit - 1)) & ~(bit == 12 ? 1 << 2 : 0);
        QCOMPARE(others, 0);
    }

    void strengthCodes()
    {
        EncryptionSettings settings;
        settings.ownerPassword = QStringLiteral("owner");
        const int revisions[] = {2, 3, 4, 6};
        for (int strength = 0; strength <= 3; ++strength) {
            settings.strength = strength;
            const QString output = protect(settings);
            QVERIFY(!output.isEmpty());
            QCOMPARE(qpdfEncryption(output).revision, revisions[strength]);
        }
        settings.strength = 4;
        PdfLibrary library;
        QCOMPARE(library.OpenFile(dir_.filePath(QStringLiteral("in.pdf")), {}), 1);
        QCOMPARE(ApplyEncryptionSettings(library, settings), 0);
        QCOMPARE(library.ErrorCode(), int(PdfLibrary::BadStrength));
    }

    void passwordsExactlyAsTyped()
    {
        EncryptionSettings settings;
        settings.ownerPassword = QStringLiteral("  ");
        settings.userPassword = QStringLiteral(" open ");
        settings.strength = EncryptionSettings::Aes_256;

        // A user password kept in the box but not required is not used.
        QString output = protect(settings);
        QVERIFY(popplerInfo(output).opened);
        QVERIFY(qpdfEncryption(output, "  ").output.contains(QStringLiteral("owner password")));
        QVERIFY(!qpdfEncryption(output, " ").output.contains(QStringLiteral("owner password")));

        settings.requireUserPassword = true;
        output = protect(settings);
        QVERIFY(!popplerInfo(output).opened);
        QVERIFY(!popplerInfo(output, "open").opened);
        QVERIFY(popplerInfo(output, " open ").opened);
        QVERIFY(popplerInfo(output, "  ", As::Owner).opened);
    }
};

QTEST_GUILESS_MAIN(TestEncryptionSettings)
#include "tst_encryptionsettings.moc"
