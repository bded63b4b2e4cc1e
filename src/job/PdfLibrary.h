#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class OutputFile;
class QPDF;
class QPDFWriter;

// The PDF component: opens one PDF at a time, replaces its security and writes
// the protected copy. Every operation returns an integer and never throws;
// ErrorCode() tells why the last failing operation failed.
//
// Error codes:
//   0    no error (set by every operation that succeeds)
//   404  the file is encrypted and the password opens it neither as user nor
//        as owner password
//   101  the file is missing or cannot be read (memory ran out while it was
//        read, too), or it changed (size or time of last change) between
//        opening and the end of saving
//   102  not a PDF, damaged beyond repair, or without pages
//   103  encrypted with a security handler we cannot open (e.g. certificates)
//   104  no document is loaded
//   105  strength code out of range (valid: 0 to 3)
//   106  a password the chosen strength cannot store as it stands (see
//        CheckPassword): a NUL, a character outside the PDF 8-bit encoding
//        below 256-bit AES, or at 256-bit AES one that NFKC normalisation
//        changes
//   107  the output could not be written (folder missing, no permission,
//        disk full); nothing is left behind and an existing file is untouched
//   108  no new security has been applied since the document was opened, or
//        the last ApplyEncryption failed: nothing is written
//   109  the output path names the loaded document's own file
//   110  the written file did not read back as protected: it did not open
//        with the passwords as user and as owner, or its revision, key
//        length, permissions or page count differ from what was asked;
//        nothing is written
//   111  the owner password is empty: every reader would open the file with
//        owner rights
//
// Strength codes: 0 = 40-bit RC4 (revision 2), 1 = 128-bit RC4 (revision 3),
// 2 = 128-bit AES (revision 4), 3 = 256-bit AES (revision 6).
//
// Permission bits (ComposePermissions) and what each strength can hold:
//   - 40-bit RC4 stores only print, edit, copy and annotate (bits 3 to 6);
//     bits 9 to 12 mean nothing there and are written set;
//   - high-resolution printing without printing grants no printing at all
//     (bits 3 and 12 both clear);
//   - 128-bit RC4 stores every bit as given, accessibility (bit 10) included;
//   - at 128-bit and 256-bit AES "copy for accessibility" is always granted:
//     the bit is deprecated there, readers must honour accessibility, and
//     libqpdf always sets it.
//
// Passwords are Unicode. 256-bit AES stores them as UTF-8 cut to its first
// 127 bytes, as the standard says and readers do when they open a file, so
// the password as typed opens it; the standard normalises (NFKC) first, but
// readers compare the password as typed, so one that normalisation changes
// is refused. The older strengths store them in the PDF 8-bit encoding
// (PDFDocEncoding). Opening tries a password the ways readers may have
// encoded it.
//
// Not thread-safe: one thread at a time may use an instance.
class PdfLibrary
{
public:
    enum Error {
        NoError = 0,
        FileUnreadable = 101,
        NotPdf = 102,
        UnsupportedSecurity = 103,
        NoDocument = 104,
        BadStrength = 105,
        PasswordNotEncodable = 106,
        WriteFailed = 107,
        SecurityNotApplied = 108,
        OutputIsInput = 109,
        NotProtectedOnReadBack = 110,
        NoOwnerPassword = 111,
        PasswordRequired = 404,
    };

    // What protecting a document would break (DocumentFeatures).
    enum Feature {
        Signed = 1,       // a signature field with a value, kids included
        Certified = 2,    // a certification signature (/Perms /DocMDP); also Signed
        UsageRights = 4,  // "Reader extensions" (/Perms /UR3 or /UR)
        PdfA = 8,         // a PDF/A identification in the XMP metadata
    };

    // The features among `features`, in words and in the order above:
    // "digitally signed", "certified", "Reader extensions", "PDF/A".
    static QStringList FeatureNames(int features);

    // The security a document has.
    struct Protection
    {
        bool encrypted = false;
        int revision = 0;     // R of the standard security handler
        int keyBits = 0;      // 40 to 256
        bool aes = false;     // AES rather than RC4 for the streams
        int permissions = 0;  // the P value
    };

    // Why a strength cannot store a password as it stands.
    enum class PasswordFault { None, Nul, NotEncodable, ChangedByNormalising };
    struct PasswordCheck
    {
        PasswordFault fault = PasswordFault::None;
        QChar character;  // the first character at fault
    };
    static PasswordCheck CheckPassword(const QString& password, int strength);

    // True when a file of `strength` would hold `a` and `b` as one password:
    // 256-bit AES keeps the first 127 UTF-8 bytes of a password, the older
    // strengths the first 32 bytes of its PDF 8-bit encoding. Passwords the
    // strength cannot encode are compared as text.
    static bool PasswordsStoredAlike(const QString& a, const QString& b, int strength);

    PdfLibrary();
    ~PdfLibrary();
    PdfLibrary(const PdfLibrary&) = delete;
    PdfLibrary& operator=(const PdfLibrary&) = delete;

    // Opens path as the loaded document; 1 when open, 0 otherwise. Any
    // document loaded before is released first, also when the open fails.
    // An encrypted file opens with its user or its owner password; a file
    // with an owner password only opens with "". A damaged file that can be
    // repaired opens normally. The file is only ever read.
    int OpenFile(const QString& path, const QString& password);

    // Code of the last failure, 0 after an operation that succeeded.
    int ErrorCode() const;

    // When the last OpenFile gave 102 because of the pages: the document has
    // none, or its page tree is too deep to walk safely.
    enum class PagesFault { None, NoPages, TooDeep };
    PagesFault LastPagesFault() const { return pagesFault_; }

    // Pages of the loaded document; 0 with ErrorCode 104 when none is loaded.
    int CountPages();

    // The Feature bits of the loaded document; 0 with ErrorCode 104 when
    // none is loaded. An empty signature field is not Signed. Found on the
    // first call, so that opening for a run does not pay for it.
    int DocumentFeatures();

    // The security the loaded document had when it was opened; all zero
    // with ErrorCode 104 when none is loaded.
    Protection DocumentProtection();

    // Makes the loaded document drop its old security: what SaveFile writes
    // carries only the security set by ApplyEncryption. SaveFile never keeps
    // an input's security, so this only checks that a document is loaded:
    // 1, or 0 with ErrorCode 104.
    int ClearSecurity();

    // The PDF permission value (the P entry): each argument 0 denies, 1
    // allows; print = bit 3, edit = bit 4, copy = bit 5, annotate = bit 6,
    // fill in forms = bit 9, accessibility = bit 10, assemble = bit 11,
    // high-resolution print = bit 12; bits 7, 8 and 13 to 32 are set and
    // bits 1 and 2 clear, as the PDF standard requires.
    int ComposePermissions(int print, int copy, int edit, int annotate, int fillForms,
                           int accessibility, int assemble, int highResPrint);

    // Sets the security that the next SaveFile writes: owner password, user
    // password ("" for none), strength code and a value from
    // ComposePermissions. Non-zero on success; 0 with ErrorCode 104, 105,
    // 106 or 111 otherwise, and then SaveFile writes nothing.
    int ApplyEncryption(const QString& ownerPassword, const QString& userPassword, int strength,
                        int permissions);

    // Writes the loaded document with its new security to outputPath: 1 on
    // success, 0 with ErrorCode 104, 107, 108, 109 or 110, 102 when the copy
    // would lack content the input has, or 101 when the input changed since
    // it was opened or could not be read. Every object is read first (see
    // RepairNote), so the repairs readers make too are done before writing
    // starts and do not fail the save; stream data not found in full gives
    // 102 there, and a failure of the system or of memory 101. A warning of
    // libqpdf while writing then means stream data that could not be read in
    // full, or an input that failed or was cut short, and gives 102. Nothing
    // is written in either case. The copy is written to a temporary file
    // beside outputPath, read back (it must open with the user password, or
    // none, as user and with the owner password as owner, and show the
    // revision, key length, permissions and page count asked for), flushed
    // to disk and renamed over outputPath only then. A symbolic link at outputPath is
    // replaced, never written through. Streams are copied as they are: no
    // decoding, no recompression. The input's objects are let go as soon
    // as they are written, before the copy is read back; what needs them
    // afterwards opens the file again.
    int SaveFile(const QString& outputPath);

    // SaveFile without its last two steps: on 1, `written` holds the copy,
    // written, closed and read back as protected, whose flushToDisk() and
    // then commit() finish the save; until then nothing is at outputPath,
    // and dropping `written` removes the copy.
    int WriteFile(const QString& outputPath, std::unique_ptr<OutputFile>& written);

    // The objects of the loaded document, as its trailer counts them: what
    // it costs in memory once written grows with them. 0 with ErrorCode 104
    // when none is loaded.
    qint64 DocumentObjects();

    // A loaded document set aside, to be loaded again by this or any other
    // PdfLibrary, once (LoadHeldDocument). A thread may load it that did
    // not open it.
    class HeldDocument;
    // Takes the loaded document out of this instance (which then has none);
    // null with ErrorCode 104 when none is loaded.
    std::shared_ptr<HeldDocument> HoldDocument();
    // Makes `held` the loaded document, as OpenFile would have: 1, or 0 with
    // ErrorCode 104 when it was loaded already. Any document loaded before
    // is released.
    int LoadHeldDocument(HeldDocument& held);

    // libqpdf's first warning about the loaded document, without the file
    // name ("object 8 0: object has offset 0"): the first repair it needed,
    // such as an object found by rebuilding the cross-reference table, read
    // as null, or a duplicated key of which the last counts; "" when it
    // needed none. libqpdf repairs an object only when it first reads it, so
    // the first call reads every object of the cross-reference table, as
    // QPDFWriter does before it writes, unless SaveFile or WriteFile did
    // already. "" with ErrorCode 104 when no document is loaded.
    QString RepairNote();

    // Identifier (never 0) of the loaded document for position 1; 0 with
    // ErrorCode 104 when no document is loaded or for any other position.
    int DocumentIdAt(int position);

    // Releases the document with that identifier; 1 when it was the loaded
    // one, 0 with ErrorCode 104 otherwise.
    int CloseDocument(int documentId);

    // For tests only: called with SaveFile's writer right before it writes,
    // to make it write something else than was asked for.
    void setWriterHookForTests(std::function<void(QPDFWriter&)> hook)
    {
        writerHook_ = std::move(hook);
    }

private:
    struct Document;
    int fail(int code);
    int succeed(int result = 1);
    void readEveryObject();

    std::unique_ptr<Document> document_;
    std::function<void(QPDFWriter&)> writerHook_;
    PagesFault pagesFault_ = PagesFault::None;
    int errorCode_ = NoError;
    int nextDocumentId_ = 1;
};
