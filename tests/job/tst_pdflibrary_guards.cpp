#include "job/DocumentFacts.h"
#include "job/EncryptionSettings.h"
#include "job/FileSource.h"
#include "job/PdfLibrary.h"
#include "job/PdfSecurity.h"

#include "PdfReaders.h"
#include "TestPdfs.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFWriter.hh>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

// Allocations fail on a thread that asks for it, as when memory runs out,
// or one of them does, the nth from when it asks. Windows gives each DLL
// its own operator new: there a program's replacement never reaches
// libqpdf, and these tests do not run.
namespace {
thread_local bool allocationsFail = false;
thread_local int allocationsBeforeOneFails = 0;
}  // namespace

#ifndef Q_OS_WIN
void* operator new(std::size_t size)
{
    const bool fail =
        allocationsFail || (allocationsBeforeOneFails > 0 && --allocationsBeforeOneFails == 0);
    void* memory = fail ? nullptr : std::malloc(size ? size : 1);
    if (!memory)
        throw std::bad_alloc();
    return memory;
}
void operator delete(void* memory) noexcept
{
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept
{
    std::free(memory);
}
#endif

using namespace PdfReaders;
using TestPdfs::entries;

// What PdfLibrary refuses so that no output is unprotected, unreadable or
// incomplete: passwords readers would take otherwise, documents it cannot
// walk or that have no pages, inputs that change or fail while copied,
// outputs that do not read back as asked. Also what it reports of a
// document that protecting would break.
class TestPdfLibraryGuards : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;

    QString path(const QString& name) const { return dir_->filePath(name); }
    QString makeInput(const QString& name, const TestPdfs::Options& options = {})
    {
        const QString file = path(name);
        if (!TestPdfs::write(file, options))
            qFatal("cannot write the test PDF");
        return file;
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(missingTools().isEmpty()); }
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
    }

    // Security that would leave an output open to all, or that readers
    // would read differently, is refused before anything is written.
    void refusedSecurity_data()
    {
        QTest::addColumn<int>("strength");
        QTest::addColumn<QString>("owner");
        QTest::addColumn<QString>("user");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("atFault");  // the character CheckPassword names
        for (int strength = 0; strength <= 3; ++strength)
            QTest::addRow("empty owner, strength %d", strength)
                << strength << QString() << QStringLiteral("user") << 111 << QString();
        const QString nul = QStringLiteral("abc") + QChar(0) + QStringLiteral("def");
        QTest::newRow("NUL in the owner password")
            << 3 << nul << QString() << 106 << QString(QChar(0));
        QTest::newRow("NUL in the user password")
            << 1 << QStringLiteral("owner") << nul << 106 << QString(QChar(0));
        QTest::newRow("Cyrillic at 128-bit AES")
            << 2 << QStringLiteral("owner")
            << QStringLiteral("\u043f\u0430\u0440\u043e\u043b\u044c") << 106
            << QStringLiteral("\u043f");
        QTest::newRow("ligature at 256-bit AES")
            << 3 << QStringLiteral("of\uFB01ce") << QString() << 106 << QStringLiteral("\uFB01");
        QTest::newRow("circled digit")
            << 3 << QStringLiteral("owner") << QStringLiteral("pin\u2460") << 106
            << QStringLiteral("\u2460");
        QTest::newRow("full-width letter")
            << 3 << QStringLiteral("\uFF21bc") << QString() << 106 << QStringLiteral("\uFF21");
        QTest::newRow("combining mark")
            << 3 << QStringLiteral("owner") << QStringLiteral("cafe\u0301") << 106
            << QStringLiteral("\u0301");
    }
    void refusedSecurity()
    {
        QFETCH(int, strength);
        QFETCH(QString, owner);
        QFETCH(QString, user);
        QFETCH(int, code);
        QFETCH(QString, atFault);
        const QString input = makeInput(QStringLiteral("in.pdf"));
        PdfLibrary library;
        QCOMPARE(library.OpenFile(input, {}), 1);
        QCOMPARE(library.ApplyEncryption(owner, user, strength, -4), 0);
        QCOMPARE(library.ErrorCode(), code);
        QCOMPARE(library.SaveFile(path(QStringLiteral("out.pdf"))), 0);
        QCOMPARE(entries(dir_->path()), QStringList{QStringLiteral("in.pdf")});
        if (!atFault.isEmpty()) {
            const PdfLibrary::PasswordCheck check =
                PdfLibrary::CheckPassword(owner.contains(atFault) ? owner : user, strength);
            QVERIFY(check.fault != PdfLibrary::PasswordFault::None);
            QCOMPARE(QString(check.character), atFault);
        }
    }

    // At 256-bit AES only the first 127 bytes of a password count, for the
    // readers as for us: a longer one opens the file as typed, and so do its
    // first 127 bytes. (poppler 22 takes no such password longer than 32
    // bytes at all, so MuPDF and qpdf read these.)
    void longPasswordsOpenAsTyped()
    {
        const QString input = makeInput(QStringLiteral("in.pdf"));
        const QString output = path(QStringLiteral("out.pdf"));
        const QString user = QStringLiteral("\u00e4").repeated(100);  // 200 bytes
        const QString owner = QStringLiteral("owner-").repeated(30);  // 180 bytes
        PdfLibrary library;
        QCOMPARE(library.OpenFile(input, {}), 1);
        QCOMPARE(library.ApplyEncryption(owner, user, 3, -4), 1);
        QCOMPARE(library.SaveFile(output), 1);
        QVERIFY(mupdfOpens(output, user.toUtf8()));
        QVERIFY(mupdfOpens(output, user.toUtf8().left(127)));
        QVERIFY(!mupdfOpens(output, user.toUtf8().left(126)));
        QVERIFY(mupdfOpens(output, owner.toUtf8()));
        QVERIFY(qpdfEncryption(output, user.toUtf8()).opened);
        QVERIFY(qpdfCheck(output, owner.toUtf8()));
        QCOMPARE(library.OpenFile(output, user), 1);
        QCOMPARE(library.OpenFile(output, owner), 1);
    }

    // Passwords that differ only past what the strength stores are one
    // password to a reader: the settings check refuses them as equal, and
    // a file written with them anyway fails its read-back.
    void passwordsStoredAlike_data()
    {
        QTest::addColumn<int>("strength");
        QTest::addColumn<int>("commonBytes");  // of owner and user password
        QTest::addColumn<bool>("alike");
        QTest::newRow("256-bit AES, 127 bytes alike") << 3 << 127 << true;
        QTest::newRow("256-bit AES, 126 bytes alike") << 3 << 126 << false;
        QTest::newRow("128-bit AES, 32 bytes alike") << 2 << 32 << true;
        QTest::newRow("128-bit AES, 31 bytes alike") << 2 << 31 << false;
        QTest::newRow("40-bit RC4, 32 bytes alike") << 0 << 32 << true;
    }
    void passwordsStoredAlike()
    {
        QFETCH(int, strength);
        QFETCH(int, commonBytes);
        QFETCH(bool, alike);
        EncryptionSettings settings;
        settings.strength = strength;
        settings.ownerPassword = QString(commonBytes, u'k') + QStringLiteral("owner");
        settings.requireUserPassword = true;
        settings.userPassword = QString(commonBytes, u'k') + QStringLiteral("user");
        QCOMPARE(CheckSettings(settings).problem,
                 alike ? SettingsCheck::UserSameAsOwner : SettingsCheck::None);

        PdfLibrary library;
        QCOMPARE(library.OpenFile(makeInput(QStringLiteral("in.pdf")), {}), 1);
        QCOMPARE(ApplyEncryptionSettings(library, settings), 1);
        QCOMPARE(library.SaveFile(path(QStringLiteral("out.pdf"))), alike ? 0 : 1);
        QCOMPARE(library.ErrorCode(), alike ? int(PdfLibrary::NotProtectedOnReadBack) : 0);
    }

    // Memory running out while a file is read is no sign of damage, when
    // it is opened or when every object is read before the copy, which is
    // then not written.
    void outOfMemoryIsNotDamage_data()
    {
        QTest::addColumn<bool>("whileOpening");
        QTest::newRow("opening") << true;
        QTest::newRow("reading every object") << false;
    }
    void outOfMemoryIsNotDamage()
    {
#ifdef Q_OS_WIN
        QSKIP("a program's own operator new does not reach into libqpdf's DLL on Windows");
#endif
        QFETCH(bool, whileOpening);
        const QString input = makeInput(QStringLiteral("in.pdf"));
        PdfLibrary library;
        if (whileOpening) {
            allocationsFail = true;
            const int opened = library.OpenFile(input, {});
            allocationsFail = false;
            QCOMPARE(opened, 0);
        } else {
            QCOMPARE(library.OpenFile(input, {}), 1);
            QCOMPARE(library.ApplyEncryption(QStringLiteral("owner"), {}, 3, -4), 1);
            allocationsFail = true;
            library.RepairNote();
            allocationsFail = false;
            QCOMPARE(library.SaveFile(path(QStringLiteral("out.pdf"))), 0);
            QVERIFY(!entries(dir_->path()).contains(QStringLiteral("out.pdf")));
        }
        QCOMPARE(library.ErrorCode(), int(PdfLibrary::FileUnreadable));
    }

    // libqpdf turns most failures to read an object into a warning and
    // the object into null, memory's too: wherever memory fails once while
    // every object is read, that is never taken for a repair.
    void memoryFailingOnceIsNeverARepair()
    {
#ifdef Q_OS_WIN
        QSKIP("a program's own operator new does not reach into libqpdf's DLL on Windows");
#endif
        const QString input = makeInput(QStringLiteral("in.pdf"));
        const QString output = path(QStringLiteral("out.pdf"));
#ifdef __SANITIZE_ADDRESS__
        // libqpdf leaks some of what it had built when an allocation in it
        // fails: not this program's leaks.
        const __lsan::ScopedDisabler libqpdfLeaksOnFailure;
#endif
        int refused = 0;
        for (int n = 1;; n += 3) {
            PdfLibrary library;
            QCOMPARE(library.OpenFile(input, {}), 1);
            QCOMPARE(library.ApplyEncryption(QStringLiteral("owner"), {}, 3, -4), 1);
            allocationsBeforeOneFails = n;
            const QString note = library.RepairNote();
            const bool failed = allocationsBeforeOneFails == 0;
            allocationsBeforeOneFails = 0;
            if (!failed)
                break;  // the pass made fewer allocations
            if (library.SaveFile(output) == 1) {
                QVERIFY2(note.isEmpty(), qPrintable(note));
            } else {
                QCOMPARE(library.ErrorCode(), int(PdfLibrary::FileUnreadable));
                QVERIFY(!QFileInfo::exists(output));
                ++refused;
            }
        }
        QVERIFY(refused > 0);
    }

    // Documents libqpdf cannot walk safely, or that hold no page, are not
    // opened; a deep but sound tree is.
    void unusablePageTrees_data()
    {
        QTest::addColumn<int>("levels");  // 0: no pages at all
        QTest::addColumn<int>("opened");
        QTest::newRow("no pages") << 0 << 0;
        QTest::newRow("40,000 levels") << 40000 << 0;
        QTest::newRow("50 levels") << 50 << 1;
        QTest::newRow("as deep as allowed") << DocumentFacts::MaxPageTreeDepth << 1;
        QTest::newRow("one level deeper") << DocumentFacts::MaxPageTreeDepth + 1 << 0;
    }
    void unusablePageTrees()
    {
        QFETCH(int, levels);
        QFETCH(int, opened);
        const QString file = path(QStringLiteral("tree.pdf"));
        QVERIFY(levels == 0 ? TestPdfs::writeWithoutPages(file)
                            : TestPdfs::writeDeepPageTree(file, levels));
        PdfLibrary library;
        QCOMPARE(library.OpenFile(file, {}), opened);
        QCOMPARE(library.ErrorCode(), opened ? 0 : int(PdfLibrary::NotPdf));
        QCOMPARE(library.LastPagesFault(), !opened ? (levels ? PdfLibrary::PagesFault::TooDeep
                                                             : PdfLibrary::PagesFault::NoPages)
                                                   : PdfLibrary::PagesFault::None);
        if (opened)
            QCOMPARE(library.CountPages(), 1);
    }

    // An input that fails while it is copied, or that changes between
    // opening and saving, gives no output.
    void inputFailsOrChangesWhileCopied_data()
    {
        QTest::addColumn<QString>("when");
        QTest::addColumn<int>("code");
        // Stream data that can no longer be read, while the path shows a
        // file of the same size and time: libqpdf only warns, while it
        // reads every object before writing or while it copies.
        QTest::newRow("cut short before the copy") << QStringLiteral("before") << 102;
        QTest::newRow("cut short while copying") << QStringLiteral("writing") << 102;
        QTest::newRow("rewritten after opening") << QStringLiteral("rewritten") << 101;
    }
    void inputFailsOrChangesWhileCopied()
    {
        QFETCH(QString, when);
        QFETCH(int, code);
#ifndef Q_OS_UNIX
        if (when != u"rewritten")
            QSKIP("an open file can only be renamed on Unix");
#endif
        // Larger than the read cache, which holds a small file whole: pages
        // of letters that do not compress away.
        QString letters;
        for (quint32 i = 1; letters.size() < 2000; i = i * 1103515245u + 12345u)
            letters += QChar(u'a' + (i >> 16) % 26);
        const QString input =
            makeInput(QStringLiteral("in.pdf"), {.pages = 2500, .text = letters});
        QVERIFY(QFileInfo(input).size() > 2 * FileSource::BlockBytes * FileSource::CachedBlocks);
        const QByteArray bytes = TestPdfs::readBytes(input);
        const QDateTime modified = QFileInfo(input).lastModified();
        const QString held = path(QStringLiteral("held.pdf"));
        PdfLibrary library;
        QCOMPARE(library.OpenFile(input, {}), 1);
        QCOMPARE(library.ApplyEncryption(QStringLiteral("owner"), {}, 3, -4), 1);

        // The file libqpdf holds open is cut in its first stream.
        const auto cutShort = [&] {
            QVERIFY(QFile::rename(input, held));
            QVERIFY(TestPdfs::writeBytes(input, bytes));
            QFile copy(input);
            QVERIFY(copy.open(QIODevice::ReadWrite) &&
                    copy.setFileTime(modified, QFileDevice::FileModificationTime));
            QVERIFY(QFile::resize(held, bytes.indexOf("stream\n") + 20));
        };
        if (when == u"before") {
            cutShort();
        } else if (when == u"writing") {
            library.setWriterHookForTests([&](QPDFWriter&) { cutShort(); });
        } else {
            QFile file(input);
            QVERIFY(file.open(QIODevice::ReadWrite));
            // The header of the first page's contents, which opening never
            // read.
            const qsizetype header = bytes.lastIndexOf(" 0 obj", bytes.indexOf("stream\n"));
            QVERIFY(header > 0);
            QVERIFY(file.seek(header - 1) && file.write("xxxxxxxx") == 8 && file.flush());
            QVERIFY(file.setFileTime(modified.addSecs(5), QFileDevice::FileModificationTime));
        }

        QCOMPARE(library.SaveFile(path(QStringLiteral("out.pdf"))), 0);
        QCOMPARE(library.ErrorCode(), code);
        QVERIFY(!entries(dir_->path()).contains(QStringLiteral("out.pdf")));
    }

    // What goes wrong while the copy is written is the input's fault when
    // libqpdf finds damage, the output's when the system fails or the
    // folder is gone; an output that does not read back as asked is refused.
    // Nothing is left behind, and an existing file stays as it was.
    void writeGoesWrong_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("code");
        QTest::newRow("damage reported while copying") << QStringLiteral("damaged") << 102;
        QTest::newRow("system error while copying") << QStringLiteral("system") << 107;
#ifndef Q_OS_WIN
        // Windows keeps a folder while a file in it is open.
        QTest::newRow("folder removed during the write") << QStringLiteral("folder") << 107;
#endif
        QTest::newRow("permissions not as asked") << QStringLiteral("permissions") << 110;
        QTest::newRow("user password opens as owner") << QStringLiteral("owner") << 110;
        QTest::newRow("passwords swapped") << QStringLiteral("swapped") << 110;
    }
    void writeGoesWrong()
    {
        QFETCH(QString, fault);
        QFETCH(int, code);
        const QString input = makeInput(QStringLiteral("in.pdf"));
        const QString folder = path(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(folder));
        const QString output = QDir(folder).filePath(QStringLiteral("out.pdf"));
        QVERIFY(TestPdfs::writeBytes(output, "an earlier output"));
        PdfLibrary library;
        library.setWriterHookForTests([&](QPDFWriter& writer) {
            if (fault == u"damaged")
                throw QPDFExc(qpdf_e_damaged_pdf, "in.pdf", "object 5 0", 0, "bad object");
            if (fault == u"system")
                throw QPDFExc(qpdf_e_system, "in.pdf", "", 0, "read error");
            if (fault == u"folder")
                QDir(folder).removeRecursively();
            if (fault == u"permissions")
                writer.setR6EncryptionParameters("", "owner", true, true, true, true, true, true,
                                                 qpdf_r3p_full, true);
            if (fault == u"owner")
                writer.setR6EncryptionParameters("owner", "owner", false, false, false, false,
                                                 false, false, qpdf_r3p_none, true);
            if (fault == u"swapped")
                writer.setR6EncryptionParameters("owner", "user", false, false, false, false, false,
                                                 false, qpdf_r3p_none, true);
        });
        QCOMPARE(library.OpenFile(input, {}), 1);
        QCOMPARE(library.ApplyEncryption(
                     QStringLiteral("owner"),
                     fault == u"owner" || fault == u"swapped" ? QStringLiteral("user") : QString(),
                     3, library.ComposePermissions(0, 0, 0, 0, 0, 0, 0, 0)),
                 1);
        QCOMPARE(library.SaveFile(output), 0);
        QCOMPARE(library.ErrorCode(), code);
        QCOMPARE(entries(dir_->path()), fault == u"folder" ? QStringList{QStringLiteral("in.pdf")}
                                                           : (QStringList{QStringLiteral("in.pdf"),
                                                                          QStringLiteral("out")}));
        if (fault != u"folder") {
            QCOMPARE(entries(folder), QStringList{QStringLiteral("out.pdf")});
            QCOMPARE(TestPdfs::readBytes(output), QByteArray("an earlier output"));
        }
    }

    // A symbolic link at the output path is replaced by the output; the file
    // it leads to is never written.
    void linkAtTheOutputIsReplaced()
    {
        const QString input = makeInput(QStringLiteral("in.pdf"));
        const QString elsewhere = path(QStringLiteral("elsewhere.txt"));
        QVERIFY(TestPdfs::writeBytes(elsewhere, "not to be touched"));
        // A mode no new file gets: the output must not take it over.
        QVERIFY(QFile::setPermissions(elsewhere, QFile::ReadOwner | QFile::WriteOwner |
                                                     QFile::ExeOwner | QFile::ExeGroup));
        const QString output = path(QStringLiteral("out.pdf"));
        if (!makeSymLink(elsewhere, output))
            QSKIP("no symbolic link can be made here");
        PdfLibrary library;
        QCOMPARE(library.OpenFile(input, {}), 1);
        QCOMPARE(library.ApplyEncryption(QStringLiteral("owner"), {}, 2, -4), 1);
        QCOMPARE(library.SaveFile(output), 1);
        QVERIFY(!QFileInfo(output).isSymLink());
        // The mode any new file gets under the umask, not the target's.
        QFile fresh(path(QStringLiteral("fresh")));
        QVERIFY(fresh.open(QIODevice::WriteOnly));
        QCOMPARE(QFileInfo(output).permissions(), QFileInfo(fresh).permissions());
        QVERIFY(popplerInfo(output).encrypted);
        QCOMPARE(TestPdfs::readBytes(elsewhere), QByteArray("not to be touched"));
    }

    // What protecting a document would break, as it is found when opening.
    void documentFeatures_data()
    {
        QTest::addColumn<int>("features");
        QTest::addColumn<bool>("emptyField");
        QTest::addColumn<int>("found");
        QTest::addColumn<QByteArray>("rightsKey");
        const QByteArray current("/UR3");
        QTest::newRow("plain") << 0 << false << 0 << current;
        QTest::newRow("empty signature field") << 0 << true << 0 << current;
        QTest::newRow("signed") << int(PdfLibrary::Signed) << true << int(PdfLibrary::Signed)
                                << current;
        QTest::newRow("certified") << int(PdfLibrary::Certified) << false
                                   << int(PdfLibrary::Certified | PdfLibrary::Signed) << current;
        QTest::newRow("usage rights") << int(PdfLibrary::UsageRights) << false
                                      << int(PdfLibrary::UsageRights) << current;
        QTest::newRow("older usage rights") << int(PdfLibrary::UsageRights) << false
                                            << int(PdfLibrary::UsageRights) << QByteArray("/UR");
        QTest::newRow("PDF/A") << int(PdfLibrary::PdfA) << false << int(PdfLibrary::PdfA)
                               << current;
    }
    void documentFeatures()
    {
        QFETCH(int, features);
        QFETCH(bool, emptyField);
        QFETCH(int, found);
        QFETCH(QByteArray, rightsKey);
        TestPdfs::Options options;
        options.features = features;
        options.emptySignatureField = emptyField;
        options.usageRightsKey = rightsKey.constData();
        // Found through the input's own encryption too.
        options.strength = 2;
        options.ownerPassword = QStringLiteral("in-owner");
        const QString input = makeInput(QStringLiteral("in.pdf"), options);
        PdfLibrary library;
        QCOMPARE(library.OpenFile(input, {}), 1);
        QCOMPARE(library.DocumentFeatures(), found);
        const PdfLibrary::Protection protection = library.DocumentProtection();
        QVERIFY(protection.encrypted && protection.aes);
        QCOMPARE(protection.revision, 4);
        QCOMPARE(protection.keyBits, 128);
    }

    // The read-back takes a written file only when each password opens it
    // as what it is and the file holds the strength, permissions and page
    // count asked for.
    void readBackChecksEveryPromise_data()
    {
        QTest::addColumn<int>("strength");
        QTest::addColumn<QString>("fault");
        for (const int strength : {2, 3}) {
            const QString name =
                strength == 3 ? QStringLiteral("256-bit AES, ") : QStringLiteral("128-bit AES, ");
            for (const char* fault :
                 {"none", "owner", "user", "swapped", "pages", "strength", "permissions"})
                QTest::newRow(qPrintable(name + QLatin1String(fault)))
                    << strength << QString::fromLatin1(fault);
        }
    }
    void readBackChecksEveryPromise()
    {
        QFETCH(int, strength);
        QFETCH(QString, fault);
        TestPdfs::Options options;
        options.pages = 4;
        options.strength = strength;
        options.userPassword = QStringLiteral("user");
        options.ownerPassword = QStringLiteral("owner");
        options.restricted = true;
        const QString file = makeInput(QStringLiteral("written.pdf"), options);

        AppliedSecurity asked;
        asked.strength = fault == u"strength" ? 5 - strength : strength;
        asked.permissions = fault == u"permissions" ? -4 : int(0xFFFFF0C0u);
        asked.ownerPassword = fault == u"owner" ? "other" : fault == u"swapped" ? "user" : "owner";
        asked.userPassword = fault == u"user" ? "other" : fault == u"swapped" ? "owner" : "user";
        const long long pages = fault == u"pages" ? 5 : 4;
        QCOMPARE(ReadsBackAsProtected(file, asked, pages), fault == u"none");
    }

    // A document opened and saved stays loaded: it saves again and tells
    // its features; once its file changed, it tells none and saves nothing.
    void documentStaysUsableAfterASave_data()
    {
        QTest::addColumn<bool>("changed");
        QTest::newRow("file as opened") << false;
        QTest::newRow("file replaced after the save") << true;
    }
    void documentStaysUsableAfterASave()
    {
        QFETCH(bool, changed);
        TestPdfs::Options options;
        options.features = PdfLibrary::UsageRights;
        const QString input = makeInput(QStringLiteral("in.pdf"), options);
        PdfLibrary library;
        QCOMPARE(library.OpenFile(input, {}), 1);
        QCOMPARE(library.ApplyEncryption(QStringLiteral("owner"), {}, 3, -4), 1);
        QCOMPARE(library.SaveFile(path(QStringLiteral("1.pdf"))), 1);
        if (changed) {
            options.pages = 5;
            options.features = PdfLibrary::Signed;
            makeInput(QStringLiteral("in.pdf"), options);
        }
        QCOMPARE(library.DocumentFeatures(), changed ? 0 : int(PdfLibrary::UsageRights));
        QCOMPARE(library.SaveFile(path(QStringLiteral("2.pdf"))), changed ? 0 : 1);
        QCOMPARE(library.ErrorCode(), changed ? int(PdfLibrary::FileUnreadable) : 0);
        if (changed)
            QVERIFY(!QFile::exists(path(QStringLiteral("2.pdf"))));
        else
            QCOMPARE(popplerInfo(path(QStringLiteral("2.pdf")), "owner", As::Owner).pages, 3);
    }

    // An output declares the page count its input declared, also when that
    // is not the count of the pages the tree holds: such a file is saved.
    void declaredPageCountIsKept()
    {
        const QString input = makeInput(QStringLiteral("in.pdf"));
        {
            // QPDFWriter keeps the name it is given until it is gone.
            const QByteArray from = QFile::encodeName(input);
            const QByteArray to = QFile::encodeName(path(QStringLiteral("miscounted.pdf")));
            QPDF pdf;
            pdf.processFile(from.constData());
            pdf.getRoot().getKey("/Pages").replaceKey("/Count", QPDFObjectHandle::newInteger(7));
            QPDFWriter writer(pdf, to.constData());
            writer.write();
        }
        PdfLibrary library;
        QCOMPARE(library.OpenFile(path(QStringLiteral("miscounted.pdf")), {}), 1);
        QCOMPARE(library.CountPages(), 3);
        QCOMPARE(library.ApplyEncryption(QStringLiteral("owner"), {}, 3, -4), 1);
        QCOMPARE(library.SaveFile(path(QStringLiteral("out.pdf"))), 1);
    }
};

QTEST_GUILESS_MAIN(TestPdfLibraryGuards)
#include "tst_pdflibrary_guards.moc"
