#include "job/Paths.h"
#include "job/PdfLibrary.h"

#include "PdfReaders.h"
#include "TestPdfs.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

using namespace PdfReaders;

namespace {

const QString owner = QStringLiteral("Owner-1");
const QString user = QStringLiteral("User-1");

// Permission arguments of ComposePermissions as a mask: bit i is argument i
// (print, copy, edit, annotate, fill forms, accessibility, assemble, high-res).
int compose(PdfLibrary& library, int mask)
{
    const auto arg = [mask](int i) { return (mask >> i) & 1; };
    return library.ComposePermissions(arg(0), arg(1), arg(2), arg(3), arg(4), arg(5), arg(6),
                                      arg(7));
}

// The P value a file with exactly these permission bits allowed must hold.
int pWithBits(const QList<int>& bits)
{
    quint32 value = 0xFFFFF0C0u;
    for (int bit : bits)
        value |= 1u << (bit - 1);
    return static_cast<int>(value);
}

QByteArray bytes(const QString& text)
{
    return text.toUtf8();
}

// Raw data and filter of every page's content stream and image, in order.
QList<QByteArray> rawStreams(const QString& path, const QByteArray& password)
{
    QList<QByteArray> streams;
    QPDF pdf;
    pdf.processFile(LibraryFileName(path).c_str(), password.constData());
    for (QPDFObjectHandle page : pdf.getAllPages()) {
        QList<QPDFObjectHandle> objects{page.getKey("/Contents")};
        QPDFObjectHandle images = page.getKey("/Resources").getKey("/XObject");
        if (images.isDictionary())
            for (const auto& entry : images.ditems())
                objects << entry.second;
        for (QPDFObjectHandle& stream : objects) {
            const auto data = stream.getRawStreamData();
            streams << QByteArray(reinterpret_cast<const char*>(data->getBuffer()),
                                  static_cast<qsizetype>(data->getSize()))
                    << QByteArray::fromStdString(stream.getDict().getKey("/Filter").unparse());
        }
    }
    return streams;
}

}  // namespace

class TestPdfLibrary : public QObject
{
    Q_OBJECT

private:
    QString path(const QString& name) const { return dir_->filePath(name); }
    QString makeInput(const QString& name, const TestPdfs::Options& options = {})
    {
        const QString file = path(name);
        if (!TestPdfs::write(file, options))
            qFatal("cannot write the test PDF");
        return file;
    }
    // Opens, applies and saves; true when every step succeeded.
    bool protect(PdfLibrary& library, const QString& input, const QString& output,
                 const QString& ownerPassword, const QString& userPassword, int strength,
                 int permissions, const QString& inputPassword = {})
    {
        return library.OpenFile(input, inputPassword) == 1 && library.ClearSecurity() == 1 &&
               library.ApplyEncryption(ownerPassword, userPassword, strength, permissions) != 0 &&
               library.SaveFile(output) == 1 && library.ErrorCode() == 0;
    }
    QStringList entries() const
    {
        return QDir(dir_->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    std::unique_ptr<QTemporaryDir> dir_;

private slots:
    void initTestCase()
    {
        QVERIFY2(missingTools().isEmpty(),
                 qPrintable(QStringLiteral("missing readers: ") + missingTools().join(u' ')));
    }
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
    }

    void composePermissions()
    {
        PdfLibrary library;
        QCOMPARE(compose(library, 0), -3904);  // reserved bits only
        QCOMPARE(compose(library, 0xFF), -4);
        const int bitOfArgument[] = {3, 5, 4, 6, 9, 10, 11, 12};
        for (int i = 0; i < 8; ++i)
            QCOMPARE(compose(library, 1 << i), pWithBits({bitOfArgument[i]}));
        QCOMPARE(library.ErrorCode(), 0);
    }

    void protectsAtEveryStrength_data()
    {
        QTest::addColumn<int>("strength");
        QTest::addColumn<bool>("withUser");
        for (int strength = 0; strength <= 3; ++strength)
            for (bool withUser : {false, true})
                QTest::addRow("strength %d, %s", strength, withUser ? "user+owner" : "owner only")
                    << strength << withUser;
    }
    void protectsAtEveryStrength()
    {
        QFETCH(int, strength);
        QFETCH(bool, withUser);
        TestPdfs::Options options;
        options.withImage = true;
        const QString input = makeInput(QStringLiteral("in.pdf"), options);
        const QByteArray inputBytes = TestPdfs::readBytes(input);
        const QString output = path(QStringLiteral("out.pdf"));

        PdfLibrary library;
        const int print = 1 << 0, copy = 1 << 1;
        QVERIFY(protect(library, input, output, owner, withUser ? user : QString(), strength,
                        compose(library, print | copy)));
        QCOMPARE(TestPdfs::readBytes(input), inputBytes);

        // Print and copy live in bits 3 and 5 at every revision; below 4 the
        // accessibility bit follows the request, from 4 on it is always set.
        Expected expected;
        expected.strength = strength;
        expected.permissions = pWithBits(strength == 0   ? QList<int>{3, 5, 9, 10, 11, 12}
                                         : strength == 1 ? QList<int>{3, 5}
                                                         : QList<int>{3, 5, 10});
        expected.userPassword = withUser ? user : QString();
        expected.ownerPassword = owner;
        for (int page = 1; page <= options.pages; ++page)
            expected.pageTexts << TestPdfs::pageText(options, page);
        const QString problems = protectionProblems(output, expected);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }

    void permissionBits_data()
    {
        QTest::addColumn<int>("strength");
        QTest::addColumn<int>("mask");
        QTest::addColumn<QList<int>>("allowedBits");
        const int print = 1, copy = 2, edit = 4, annotate = 8, forms = 16, access = 32,
                  assemble = 64, highRes = 128;
        // 40-bit RC4 holds bits 3 to 6 only; qpdf sets the undefined rest.
        QTest::newRow("R2 none") << 0 << 0 << QList<int>{9, 10, 11, 12};
        QTest::newRow("R2 all") << 0 << 0xFF << QList<int>{3, 4, 5, 6, 9, 10, 11, 12};
        QTest::newRow("R2 edit+annotate, rest ignored")
            << 0 << (edit | annotate | forms | assemble) << QList<int>{4, 6, 9, 10, 11, 12};
        QTest::newRow("R3 all") << 1 << 0xFF << QList<int>{3, 4, 5, 6, 9, 10, 11, 12};
        QTest::newRow("R3 print") << 1 << print << QList<int>{3};
        QTest::newRow("R3 print+high-res") << 1 << (print | highRes) << QList<int>{3, 12};
        QTest::newRow("R3 copy") << 1 << copy << QList<int>{5};
        QTest::newRow("R3 edit") << 1 << edit << QList<int>{4};
        QTest::newRow("R3 annotate") << 1 << annotate << QList<int>{6};
        QTest::newRow("R3 forms") << 1 << forms << QList<int>{9};
        QTest::newRow("R3 accessibility") << 1 << access << QList<int>{10};
        QTest::newRow("R3 assemble") << 1 << assemble << QList<int>{11};
        // High-resolution printing without printing grants no printing.
        for (int strength : {1, 2, 3})
            QTest::addRow("R%d high-res without print", strength == 3 ? 6 : strength + 2)
                << strength << highRes << (strength == 1 ? QList<int>{} : QList<int>{10});
        // From revision 4 on, accessibility is always granted.
        QTest::newRow("R4 none") << 2 << 0 << QList<int>{10};
        QTest::newRow("R6 none") << 3 << 0 << QList<int>{10};
        QTest::newRow("R6 all but accessibility")
            << 3 << (0xFF & ~access) << QList<int>{3, 4, 5, 6, 9, 10, 11, 12};
        QTest::newRow("R4 forms+assemble") << 2 << (forms | assemble) << QList<int>{9, 10, 11};
    }
    void permissionBits()
    {
        QFETCH(int, strength);
        QFETCH(int, mask);
        QFETCH(QList<int>, allowedBits);
        const QString input = makeInput(QStringLiteral("in.pdf"), {.pages = 1});
        const QString output = path(QStringLiteral("out.pdf"));
        PdfLibrary library;
        QVERIFY(protect(library, input, output, owner, {}, strength, compose(library, mask)));

        const int expected = pWithBits(allowedBits);
        QCOMPARE(qpdfEncryption(output).permissions, expected);
        QCOMPARE(mupdfEncryption(output).permissions, expected);
        const PopplerInfo info = popplerInfo(output);
        QCOMPARE(info.permissions.value(QStringLiteral("print")), allowedBits.contains(3));
        QCOMPARE(info.permissions.value(QStringLiteral("change")), allowedBits.contains(4));
        QCOMPARE(info.permissions.value(QStringLiteral("copy")), allowedBits.contains(5));
        QCOMPARE(info.permissions.value(QStringLiteral("addNotes")), allowedBits.contains(6));
    }

    // How the readers take a non-ASCII password (poppler 22, MuPDF 1.21):
    // poppler hands the bytes it is given to the security handler as they
    // are, so revisions 2 to 4 need the PDFDocEncoding bytes and revision 6
    // UTF-8; MuPDF takes UTF-8 and converts it itself for every revision.
    void unicodePasswords_data()
    {
        QTest::addColumn<int>("strength");
        QTest::addColumn<QString>("password");
        const QString german = QStringLiteral("Kennwort-\u00e4\u00f6\u00fc");
        for (int strength = 0; strength <= 3; ++strength)
            QTest::addRow("strength %d", strength) << strength << german;
        QTest::newRow("Cyrillic at 256-bit AES")
            << 3 << QStringLiteral("\u041f\u0430\u0440\u043e\u043b\u044c");
    }
    void unicodePasswords()
    {
        QFETCH(int, strength);
        QFETCH(QString, password);
        const QString input = makeInput(QStringLiteral("in.pdf"));
        const QString output = path(QStringLiteral("out.pdf"));
        const QString ownerPassword = password + QStringLiteral("-owner");
        PdfLibrary library;
        QVERIFY(protect(library, input, output, ownerPassword, password, strength,
                        compose(library, 0xFF)));

        const QByteArray utf8 = password.toUtf8();
        const QByteArray latin1 = password.toLatin1();
        const QByteArray popplerTyped = strength == 3 ? utf8 : latin1;
        const QByteArray popplerWrong = strength == 3 ? latin1 : utf8;
        QVERIFY(popplerInfo(output, popplerTyped).opened);
        QVERIFY(popplerInfo(output, ownerPassword.toUtf8(), As::Owner).opened == (strength == 3));
        if (strength != 3)
            QVERIFY(popplerInfo(output, ownerPassword.toLatin1(), As::Owner).opened);
        QVERIFY(!popplerInfo(output, popplerWrong).opened);
        QVERIFY(mupdfOpens(output, utf8));
        QVERIFY(mupdfOpens(output, ownerPassword.toUtf8()));
        QVERIFY(!mupdfOpens(output));

        // We open it again with the text as typed, as user and as owner.
        QCOMPARE(library.OpenFile(output, password), 1);
        QCOMPARE(library.OpenFile(output, ownerPassword), 1);
        QCOMPARE(library.OpenFile(output, QStringLiteral("Kennwort-aou")), 0);
        QCOMPARE(library.ErrorCode(), int(PdfLibrary::PasswordRequired));
    }

    void unencodablePasswordIsRefused_data()
    {
        QTest::addColumn<int>("strength");
        QTest::addColumn<QString>("ownerPassword");
        QTest::addColumn<QString>("userPassword");
        const QString cyrillic = QStringLiteral("\u041f\u0430\u0440\u043e\u043b\u044c");
        QTest::newRow("Cyrillic user, 128-bit RC4") << 1 << owner << cyrillic;
        QTest::newRow("Cyrillic owner, 40-bit RC4") << 0 << cyrillic << QString();
        QTest::newRow("Chinese user, 128-bit AES") << 2 << owner << QStringLiteral("\u5bc6\u7801");
    }
    void unencodablePasswordIsRefused()
    {
        QFETCH(int, strength);
        QFETCH(QString, ownerPassword);
        QFETCH(QString, userPassword);
        const QString input = makeInput(QStringLiteral("in.pdf"));
        PdfLibrary library;
        QCOMPARE(library.OpenFile(input, {}), 1);
        QCOMPARE(library.ApplyEncryption(owner, {}, strength, -4), 1);
        QCOMPARE(library.ApplyEncryption(ownerPassword, userPassword, strength, -4), 0);
        QCOMPARE(library.ErrorCode(), int(PdfLibrary::PasswordNotEncodable));
        // The security applied before the failure is gone too.
        QCOMPARE(library.SaveFile(path(QStringLiteral("out.pdf"))), 0);
        QCOMPARE(library.ErrorCode(), int(PdfLibrary::SecurityNotApplied));
        QCOMPARE(entries(), QStringList{QStringLiteral("in.pdf")});
    }

    void opensEncryptedInputs_data()
    {
        QTest::addColumn<int>("strength");
        for (int strength = 0; strength <= 3; ++strength)
            QTest::addRow("strength %d", strength) << strength;
    }
    void opensEncryptedInputs()
    {
        QFETCH(int, strength);
        TestPdfs::Options options;
        options.strength = strength;
        options.userPassword = QStringLiteral("in-user");
        options.ownerPassword = QStringLiteral("in-owner");
        options.restricted = true;
        const QString input = makeInput(QStringLiteral("in.pdf"), options);
        options.userPassword.clear();
        const QString ownerOnly = makeInput(QStringLiteral("owner-only.pdf"), options);

        PdfLibrary library;
        for (const QString& password : {QString(), QStringLiteral("wrong")}) {
            QCOMPARE(library.OpenFile(input, password), 0);
            QCOMPARE(library.ErrorCode(), int(PdfLibrary::PasswordRequired));
            QCOMPARE(library.CountPages(), 0);
        }
        QCOMPARE(library.OpenFile(input, QStringLiteral("in-owner")), 1);
        QCOMPARE(library.CountPages(), 3);
        QCOMPARE(library.OpenFile(ownerOnly, {}), 1);
        QCOMPARE(library.CountPages(), 3);

        // Opened with the user password only, its restrictions do not stop a
        // new security replacing the old.
        const QString output = path(QStringLiteral("out.pdf"));
        QVERIFY(protect(library, input, output, owner, {}, 3 - strength, -4,
                        QStringLiteral("in-user")));
        QVERIFY(!qpdfEncryption(output).output.contains(QStringLiteral("not allowed")));
        const QString text = popplerText(output);
        for (int page = 1; page <= 3; ++page)
            QVERIFY(text.contains(TestPdfs::pageText(options, page)));
    }

    void streamsPassThrough()
    {
        TestPdfs::Options options;
        options.withImage = true;
        options.objectStreams = true;
        options.strength = 2;
        options.ownerPassword = QStringLiteral("in-owner");
        const QString input = makeInput(QStringLiteral("in.pdf"), options);
        const QString output = path(QStringLiteral("out.pdf"));
        PdfLibrary library;
        QVERIFY(protect(library, input, output, owner, {}, 3, -4));
        QCOMPARE(rawStreams(output, bytes(owner)), rawStreams(input, {}));
        QVERIFY(TestPdfs::readBytes(output).contains("/ObjStm"));
    }

    void badInputs_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("error");
        QTest::newRow("missing") << QStringLiteral("missing") << int(PdfLibrary::FileUnreadable);
        QTest::newRow("folder") << QStringLiteral("folder") << int(PdfLibrary::FileUnreadable);
        QTest::newRow("zero bytes") << QStringLiteral("zero") << int(PdfLibrary::NotPdf);
        QTest::newRow("text named .pdf") << QStringLiteral("text") << int(PdfLibrary::NotPdf);
        QTest::newRow("truncated halfway") << QStringLiteral("half") << int(PdfLibrary::NotPdf);
        QTest::newRow("certificate security")
            << QStringLiteral("pubsec") << int(PdfLibrary::UnsupportedSecurity);
    }
    void badInputs()
    {
        QFETCH(QString, kind);
        QFETCH(int, error);
        const QString good = makeInput(QStringLiteral("good.pdf"));
        const QString bad = path(QStringLiteral("bad.pdf"));
        if (kind == u"folder")
            QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("bad.pdf")));
        else if (kind == u"zero")
            QVERIFY(TestPdfs::writeBytes(bad, {}));
        else if (kind == u"text")
            QVERIFY(TestPdfs::writeBytes(bad, "Dear reader,\nthis is not a PDF.\n"));
        else if (kind == u"half")
            QVERIFY(TestPdfs::writeTruncated(good, bad, QFileInfo(good).size() / 2));
        else if (kind == u"pubsec")
            QVERIFY(TestPdfs::writeCertificateSecured(bad));

        PdfLibrary library;
        QCOMPARE(library.OpenFile(good, {}), 1);
        QCOMPARE(library.OpenFile(bad, {}), 0);
        QCOMPARE(library.ErrorCode(), error);
        // The document loaded before is gone.
        QCOMPARE(library.CountPages(), 0);
        QCOMPARE(library.DocumentIdAt(1), 0);
        QCOMPARE(library.OpenFile(bad, QStringLiteral("password")), 0);
        QCOMPARE(library.ErrorCode(), error);
    }

    // Damage that libqpdf repairs, at opening or when it first reads the
    // object, as readers repair it: the file is protected whole, and the
    // first repair is told.
    void repairedInputsAreProtected_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::newRow("none") << QString();
        QTest::newRow("wrong startxref offset") << QStringLiteral("startxref");
        QTest::newRow("truncated after the trailer") << QStringLiteral("truncated");
        using TestPdfs::Repair;
        const std::pair<const char*, Repair> repairs[] = {
            {"xref entry with offset 0", Repair::OffsetZero},
            {"xref entry at another object", Repair::WrongObject},
            {"duplicated key", Repair::DuplicatedKey},
            {"empty object", Repair::EmptyObject},
            {"unknown token", Repair::UnknownToken},
            {"number too large", Repair::NumberTooLarge}};
        for (const auto& [name, repair] : repairs)
            QTest::newRow(name) << QString::number(int(repair));
    }
    void repairedInputsAreProtected()
    {
        QFETCH(QString, damage);
        const TestPdfs::Options options{.pages = 3};
        const QString good = makeInput(QStringLiteral("good.pdf"), options);
        const QString input = path(QStringLiteral("in.pdf"));
        const QByteArray goodBytes = TestPdfs::readBytes(good);
        if (damage.isEmpty())
            QVERIFY(QFile::copy(good, input));
        else if (damage == u"startxref")
            QVERIFY(TestPdfs::writeWithBrokenXref(good, input));
        else if (damage == u"truncated")
            QVERIFY(TestPdfs::writeTruncated(good, input, goodBytes.lastIndexOf("startxref")));
        else
            QVERIFY(TestPdfs::writeNeedingRepair(input, TestPdfs::Repair(damage.toInt()), options));
        QCOMPARE(qpdfCheck(input), damage.isEmpty());

        const QString output = path(QStringLiteral("out.pdf"));
        PdfLibrary library;
        QVERIFY(protect(library, input, output, owner, {}, 3, -4));
        // The first repair, as the qpdf tool tells it, without the file.
        const QString note = library.RepairNote();
        const QString message =
            note.contains(QStringLiteral(": ")) ? note.section(QStringLiteral(": "), 1, -1) : note;
        QVERIFY2(qpdfFirstWarning(input).endsWith(message), qPrintable(note));
        QCOMPARE(note.isEmpty(), damage.isEmpty());
        QVERIFY(!note.contains(QStringLiteral("in.pdf")));
        Expected expected;
        expected.permissions = -4;
        expected.ownerPassword = owner;
        for (int n = 1; n <= options.pages; ++n)
            expected.pageTexts << TestPdfs::pageText(options, n);
        const QString problems = protectionProblems(output, expected);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }

    void writeFailures_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("folder missing") << QStringLiteral("missing");
        QTest::newRow("folder is a file") << QStringLiteral("file");
        QTest::newRow("target is a folder") << QStringLiteral("target folder");
#ifdef Q_OS_UNIX
        QTest::newRow("disk full") << QStringLiteral("full");
#endif
    }
    void writeFailures()
    {
        QFETCH(QString, kind);
        const QString input = makeInput(QStringLiteral("in.pdf"), {.pages = 200});
        PdfLibrary library;
        QCOMPARE(library.OpenFile(input, {}), 1);
        QCOMPARE(library.ApplyEncryption(owner, {}, 3, -4), 1);

        QString output = path(QStringLiteral("out.pdf"));
        QByteArray existing;
        if (kind == u"missing") {
            output = path(QStringLiteral("no such folder/out.pdf"));
        } else if (kind == u"file") {
            QVERIFY(TestPdfs::writeBytes(path(QStringLiteral("plain")), "x"));
            output = path(QStringLiteral("plain/out.pdf"));
        } else if (kind == u"target folder") {
            QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("out.pdf")));
        } else {
            existing = "an older output that must survive";
            QVERIFY(TestPdfs::writeBytes(output, existing));
        }
        const QStringList before = entries();

        int result = -1;
#ifdef Q_OS_UNIX
        if (kind == u"full") {
            // Files may not grow past 8 KB: writes fail as on a full disk.
            const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
            rlimit old{};
            getrlimit(RLIMIT_FSIZE, &old);
            rlimit small = old;
            small.rlim_cur = 8192;
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
            result = library.SaveFile(output);
            setrlimit(RLIMIT_FSIZE, &old);
            std::signal(SIGXFSZ, oldHandler);
        }
#endif
        if (result == -1)
            result = library.SaveFile(output);
        QCOMPARE(result, 0);
        QCOMPARE(library.ErrorCode(), int(PdfLibrary::WriteFailed));
        QCOMPARE(entries(), before);
        if (!existing.isEmpty())
            QCOMPARE(TestPdfs::readBytes(output), existing);
        // Nothing went wrong with the document: the next save succeeds.
        QCOMPARE(library.SaveFile(path(QStringLiteral("next.pdf"))), 1);
    }

    void readOnlyFolder()
    {
        const QString input = makeInput(QStringLiteral("in.pdf"));
        const QString folder = path(QStringLiteral("locked"));
        QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("locked")));
        const auto restore = qScopeGuard([&] { TestPdfs::makeWritable(folder); });
        if (!TestPdfs::makeReadOnly(folder))
            QSKIP("this file system cannot make a folder read-only for this user");
        PdfLibrary library;
        QCOMPARE(library.OpenFile(input, {}), 1);
        QCOMPARE(library.ApplyEncryption(owner, {}, 2, -4), 1);
        QCOMPARE(library.SaveFile(folder + QStringLiteral("/out.pdf")), 0);
        QCOMPARE(library.ErrorCode(), int(PdfLibrary::WriteFailed));
        QVERIFY(QDir(folder).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    }

    void withoutDocument()
    {
        PdfLibrary library;
        QCOMPARE(library.CountPages(), 0);
        QCOMPARE(library.ErrorCode(), int(PdfLibrary::NoDocument));
        QCOMPARE(library.ClearSecurity(), 0);
        QCOMPARE(library.ApplyEncryption(owner, {}, 2, -4), 0);
        QCOMPARE(library.ErrorCode(), int(PdfLibrary::NoDocument));
        QCOMPARE(library.SaveFile(path(QStringLiteral("out.pdf"))), 0);
        QCOMPARE(library.ErrorCode(), int(PdfLibrary::NoDocument));
        QCOMPARE(library.DocumentIdAt(1), 0);
        QCOMPARE(library.CloseDocument(1), 0);
        QVERIFY(entries().isEmpty());
    }

    void saveNeedsAppliedSecurity()
    {
        const QString input = makeInput(QStringLiteral("in.pdf"));
        const QString output = path(QStringLiteral("out.pdf"));
        PdfLibrary library;
        QCOMPARE(library.OpenFile(input, {}), 1);
        QCOMPARE(library.ClearSecurity(), 1);
        QCOMPARE(library.SaveFile(output), 0);
        QCOMPARE(library.ErrorCode(), int(PdfLibrary::SecurityNotApplied));
        for (int strength : {-1, 4}) {
            QCOMPARE(library.ApplyEncryption(owner, {}, 2, -4), 1);
            QCOMPARE(library.ApplyEncryption(owner, {}, strength, -4), 0);
            QCOMPARE(library.ErrorCode(), int(PdfLibrary::BadStrength));
            QCOMPARE(library.SaveFile(output), 0);
            QCOMPARE(library.ErrorCode(), int(PdfLibrary::SecurityNotApplied));
        }
        // Opening again forgets the security applied to the last document.
        QCOMPARE(library.ApplyEncryption(owner, {}, 2, -4), 1);
        QCOMPARE(library.OpenFile(input, {}), 1);
        QCOMPARE(library.SaveFile(output), 0);
        QCOMPARE(library.ErrorCode(), int(PdfLibrary::SecurityNotApplied));
        QVERIFY(!QFile::exists(output));
    }

    void neverWritesOntoItsInput()
    {
        const QString input = makeInput(QStringLiteral("in.pdf"));
        const QByteArray inputBytes = TestPdfs::readBytes(input);
        QVERIFY(makeSymLink(input, path(QStringLiteral("link.pdf"))));
        PdfLibrary library;
        QCOMPARE(library.OpenFile(input, {}), 1);
        QCOMPARE(library.ApplyEncryption(owner, {}, 2, -4), 1);
        for (const QString& same : {input, dir_->path() + QStringLiteral("/./in.pdf"),
                                    path(QStringLiteral("link.pdf"))}) {
            QCOMPARE(library.SaveFile(same), 0);
            QCOMPARE(library.ErrorCode(), int(PdfLibrary::OutputIsInput));
        }
        QCOMPARE(TestPdfs::readBytes(input), inputBytes);
    }

    void unicodeFileNames()
    {
        const QString input = makeInput(
            QStringLiteral("Bericht-\u00e4\u00f6\u00fc \u041e\u0442\u0447\u0451\u0442.pdf"));
        const QString output = path(QStringLiteral("Ausgabe-\u00df \u62a5\u544a.pdf"));
        PdfLibrary library;
        QVERIFY(protect(library, input, output, owner, {}, 2, -4));
        QCOMPARE(popplerInfo(output).pages, 3);
    }

    void documentIds()
    {
        const QString input = makeInput(QStringLiteral("in.pdf"));
        PdfLibrary library;
        QCOMPARE(library.OpenFile(input, {}), 1);
        const int first = library.DocumentIdAt(1);
        QVERIFY(first != 0);
        QCOMPARE(library.DocumentIdAt(2), 0);
        QCOMPARE(library.CloseDocument(first + 1), 0);
        QCOMPARE(library.CountPages(), 3);
        QCOMPARE(library.CloseDocument(first), 1);
        QCOMPARE(library.ErrorCode(), 0);
        QCOMPARE(library.CountPages(), 0);
        QCOMPARE(library.CloseDocument(first), 0);

        QCOMPARE(library.OpenFile(input, {}), 1);
        const int second = library.DocumentIdAt(1);
        QVERIFY(second != 0 && second != first);
        QCOMPARE(library.CloseDocument(first), 0);
        QCOMPARE(library.CloseDocument(second), 1);
    }
};

QTEST_GUILESS_MAIN(TestPdfLibrary)
#include "tst_pdflibrary.moc"
