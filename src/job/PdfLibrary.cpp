#include "job/PdfLibrary.h"

#include "job/DocumentFacts.h"
#include "job/FileSource.h"
#include "job/OutputFile.h"
#include "job/Paths.h"
#include "job/PdfSecurity.h"

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFCryptoProvider.hh>
#include <qpdf/QPDFLogger.hh>
#include <qpdf/QPDFWriter.hh>
#include <qpdf/QUtil.hh>

#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <limits>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <vector>

namespace {

// libqpdf makes the logger every QPDF shares when it is first asked for,
// and its crypto and random-number providers on the first encryption;
// made here, before main(), no two workers race to make them.
const std::shared_ptr<QPDFLogger> sharedLogger = QPDFLogger::defaultLogger();
const std::string cryptoProvider = QPDFCryptoProvider::getDefaultProvider();
[[maybe_unused]] RandomDataProvider* const randomProvider = QUtil::getRandomDataProvider();

// 256-bit AES keeps only this many bytes of a UTF-8 password, and readers
// cut what is typed to them.
constexpr size_t MaxAes256PasswordBytes = 127;

// Hands QPDFWriter's output to an OutputFile. QPDFWriter writes in pieces
// of a few bytes; gathering them here costs far less than a trip through
// QIODevice for each. QPDFWriter also writes from destructors, where an
// exception would end the program, so a failed write is only recorded: the
// rest is dropped and the caller checks failed().
class OutputPipeline final : public Pipeline
{
public:
    explicit OutputPipeline(OutputFile& file)
        : Pipeline("output file", nullptr)
        , file_(file)
    {
        buffer_.reserve(capacity);
    }

    void write(unsigned char const* data, size_t length) override
    {
        const auto* bytes = reinterpret_cast<const char*>(data);
        if (buffer_.size() + length > capacity)
            flush();
        if (length >= capacity)
            put(bytes, length);
        else
            buffer_.append(bytes, length);
    }

    void finish() override { flush(); }

    bool failed() const { return failed_; }

private:
    static constexpr size_t capacity = 256 * 1024;

    void flush()
    {
        put(buffer_.data(), buffer_.size());
        buffer_.clear();
    }

    void put(const char* data, size_t length)
    {
        if (!failed_ && length > 0 && !file_.write(data, static_cast<qint64>(length)))
            failed_ = true;
    }

    OutputFile& file_;
    std::string buffer_;
    bool failed_ = false;
};

std::string toStd(const QByteArray& bytes)
{
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

std::string aes256Password(const QString& password)
{
    std::string utf8 = toStd(password.toUtf8());
    if (utf8.size() > MaxAes256PasswordBytes)
        utf8.resize(MaxAes256PasswordBytes);
    return utf8;
}

// The byte strings a reader or writer may have made of `password`: UTF-8,
// cut to 127 bytes and NFKC-normalised (256-bit AES), PDFDocEncoding (older
// revisions) and the common mis-encodings qpdf knows how to undo.
std::vector<std::string> passwordCandidates(const QString& password)
{
    std::vector<std::string> candidates;
    const auto add = [&](const std::string& candidate) {
        if (std::find(candidates.begin(), candidates.end(), candidate) == candidates.end())
            candidates.push_back(candidate);
    };
    const std::string utf8 = toStd(password.toUtf8());
    add(utf8);
    if (password.isEmpty())
        return candidates;
    add(aes256Password(password));
    std::string pdfDoc;
    if (QUtil::utf8_to_pdf_doc(utf8, pdfDoc))
        add(pdfDoc);
    add(toStd(password.normalized(QString::NormalizationForm_KC).toUtf8()));
    for (const std::string& repaired : QUtil::possible_repaired_encodings(utf8))
        add(repaired);
    return candidates;
}

bool isPdfDocEncodable(const QString& text)
{
    std::string ignored;
    return QUtil::utf8_to_pdf_doc(toStd(text.toUtf8()), ignored);
}

int openErrorFor(const QPDFExc& error)
{
    switch (error.getErrorCode()) {
    case qpdf_e_password:
        return PdfLibrary::PasswordRequired;
    case qpdf_e_unsupported:
        return PdfLibrary::UnsupportedSecurity;
    case qpdf_e_system:
        return PdfLibrary::FileUnreadable;
    default:
        return PdfLibrary::NotPdf;
    }
}

// When the file last changed, in milliseconds on the file system's clock;
// -1 when that cannot be read.
qint64 modifiedMilliseconds(const QFileInfo& file)
{
    std::error_code error;
    const auto time = std::filesystem::last_write_time(file.filesystemFilePath(), error);
    if (error)
        return -1;
    return std::chrono::floor<std::chrono::milliseconds>(time.time_since_epoch()).count();
}

// A warning in the words the user needs: the file is known already.
QString warningText(const QPDFExc& warning)
{
    QString where = QString::fromStdString(warning.getObject());
    if (warning.getFilePosition() > 0)
        where += (where.isEmpty() ? QString() : QStringLiteral(", ")) +
                 QStringLiteral("offset %1").arg(warning.getFilePosition());
    const QString message = QString::fromStdString(warning.getMessageDetail());
    return where.isEmpty() ? message : where + QStringLiteral(": ") + message;
}

// What a warning met while every object is read says of the copy: 0 when
// libqpdf resolved the object as readers do (null, found by rebuilding the
// cross-reference table, the last of two keys, a number too large), else
// the error the save gives. libqpdf turns every failure to read an object
// into a warning and the object into null: the system's and memory's too,
// and stream data it could not find in full ("treating stream as empty").
int lostContentError(const QPDFExc& warning)
{
    const std::string& message = warning.getMessageDetail();
    if (warning.getErrorCode() == qpdf_e_system ||
        message.find("std::bad_alloc") != std::string::npos)
        return PdfLibrary::FileUnreadable;
    if (message.find("treating stream as empty") != std::string::npos)
        return PdfLibrary::NotPdf;
    return 0;
}

}  // namespace

struct PdfLibrary::Document
{
    // Null once a save has written it: the read-back must not find the
    // input still in memory. Opened again if it is needed after that.
    std::shared_ptr<QPDF> pdf;
    std::string openedWith;  // the password bytes that opened it
    QString path;
    qint64 size = 0;  // of the file when it was opened
    // The file system's own time, to the millisecond: a local date would
    // consult the time zone, which workers must not do side by side.
    qint64 lastModified = 0;
    int id = 0;
    int pageCount = 0;
    long long declaredPages = -1;  // DocumentFacts::DeclaredPageCount
    qint64 objects = 0;            // as the trailer's /Size counts them
    std::optional<int> features;   // found when first asked for: a run never asks
    Protection protection;
    std::optional<AppliedSecurity> security;
    QString repairNote;  // libqpdf's first warning about it
    bool everyObjectRead = false;
    int lostContent = 0;  // the error of a save: content reading every object lost

    // Repairs are tolerated: the first one is what the document is said to
    // have needed. A warning about an object of the wrong type comes from
    // our own look-ups (a key asked of a null), not from a repair.
    void noteRepairs(const std::vector<QPDFExc>& warnings)
    {
        for (const QPDFExc& warning : warnings)
            if (repairNote.isEmpty() && warning.getErrorCode() != qpdf_e_object)
                repairNote = warningText(warning);
    }

    bool fileChanged() const
    {
        const QFileInfo now(path);
        return !now.exists() || now.size() != size || modifiedMilliseconds(now) != lastModified;
    }

    // Opens the file again after a save let it go; false when it changed
    // since it was first opened, or no longer opens.
    bool reload()
    {
        if (pdf)
            return true;
        if (fileChanged())
            return false;
        std::shared_ptr<QPDF> again = QPDF::create();
        again->setSuppressWarnings(true);
        try {
            ProcessFile(*again, path, openedWith.c_str());
            // Repairs made while opening were noted the first time; the
            // objects are to be read again before the next write.
            again->getWarnings();
            everyObjectRead = false;
            lostContent = 0;
        } catch (...) {
            return false;
        }
        pdf = std::move(again);
        return true;
    }
};

class PdfLibrary::HeldDocument
{
public:
    explicit HeldDocument(std::unique_ptr<Document> document)
        : document_(std::move(document))
    {}
    std::unique_ptr<Document> take()
    {
        const std::lock_guard lock(mutex_);
        return std::move(document_);
    }

private:
    std::mutex mutex_;
    std::unique_ptr<Document> document_;
};

PdfLibrary::PdfLibrary() = default;
PdfLibrary::~PdfLibrary() = default;

int PdfLibrary::fail(int code)
{
    errorCode_ = code;
    return 0;
}

int PdfLibrary::succeed(int result)
{
    errorCode_ = NoError;
    return result;
}

QStringList PdfLibrary::FeatureNames(int features)
{
    QStringList names;
    if (features & Signed)
        names << QStringLiteral("digitally signed");
    if (features & Certified)
        names << QStringLiteral("certified");
    if (features & UsageRights)
        names << QStringLiteral("Reader extensions");
    if (features & PdfA)
        names << QStringLiteral("PDF/A");
    return names;
}

PdfLibrary::PasswordCheck PdfLibrary::CheckPassword(const QString& password, int strength)
{
    PasswordCheck check;
    const auto faultAt = [&](PasswordFault fault, QChar character) {
        check.fault = fault;
        check.character = character;
        return check;
    };
    if (const qsizetype nul = password.indexOf(QChar(0)); nul >= 0)
        return faultAt(PasswordFault::Nul, QChar(0));
    if (strength == 3) {
        if (password.normalized(QString::NormalizationForm_KC) == password)
            return check;
        // The character to name: one that normalisation changes on its own,
        // or a combining mark that it joins to the one before.
        for (qsizetype i = 0; i < password.size(); ++i) {
            const qsizetype length = password.at(i).isHighSurrogate() ? 2 : 1;
            const QString character = password.mid(i, length);
            if (character.normalized(QString::NormalizationForm_KC) != character ||
                character.front().isMark())
                return faultAt(PasswordFault::ChangedByNormalising, character.front());
            i += length - 1;
        }
        return faultAt(PasswordFault::ChangedByNormalising, password.front());
    }
    for (const QChar character : password)
        if (!isPdfDocEncodable(QString(character)))
            return faultAt(PasswordFault::NotEncodable, character);
    if (!isPdfDocEncodable(password))
        return faultAt(PasswordFault::NotEncodable, password.front());
    return check;
}

bool PdfLibrary::PasswordsStoredAlike(const QString& a, const QString& b, int strength)
{
    std::string encodedA;
    std::string encodedB;
    if (strength == 3) {
        encodedA = aes256Password(a);
        encodedB = aes256Password(b);
    } else if (!QUtil::utf8_to_pdf_doc(toStd(a.toUtf8()), encodedA) ||
               !QUtil::utf8_to_pdf_doc(toStd(b.toUtf8()), encodedB)) {
        return a == b;
    }
    return StoredPasswordBytes(encodedA, strength) == StoredPasswordBytes(encodedB, strength);
}

int PdfLibrary::OpenFile(const QString& path, const QString& password)
{
    document_.reset();
    pagesFault_ = PagesFault::None;
    try {
        const QFileInfo info(path);
        if (path.isEmpty() || !info.isFile() || !info.isReadable())
            return fail(FileUnreadable);

        for (const std::string& candidate : passwordCandidates(password)) {
            std::shared_ptr<QPDF> pdf = QPDF::create();
            pdf->setSuppressWarnings(true);
            try {
                ProcessFile(*pdf, path, candidate.c_str());
            } catch (const QPDFExc& error) {
                if (error.getErrorCode() == qpdf_e_password)
                    continue;
                return fail(openErrorFor(error));
            }
            auto document = std::make_unique<Document>();
            // A document whose pages cannot be found, or that has none, is of
            // no use to anyone; a page tree too deep for libqpdf's walk would
            // end the program.
            try {
                if (!DocumentFacts::PageTreeIsSound(*pdf)) {
                    pagesFault_ = PagesFault::TooDeep;
                    return fail(NotPdf);
                }
                document->pageCount = static_cast<int>(pdf->getAllPages().size());
                document->declaredPages = DocumentFacts::DeclaredPageCount(*pdf);
                document->protection = DocumentFacts::ProtectionOf(*pdf);
                QPDFObjectHandle size = pdf->getTrailer().getKey("/Size");
                document->objects = size.isInteger() ? std::max<qint64>(0, size.getIntValue()) : 0;
            } catch (const std::bad_alloc&) {
                return fail(FileUnreadable);
            } catch (...) {
                return fail(NotPdf);
            }
            if (document->pageCount == 0) {
                pagesFault_ = PagesFault::NoPages;
                return fail(NotPdf);
            }
            document->noteRepairs(pdf->getWarnings());
            document->pdf = std::move(pdf);
            document->openedWith = candidate;
            document->path = path;
            document->size = info.size();
            document->lastModified = modifiedMilliseconds(info);
            document->id = nextDocumentId_;
            nextDocumentId_ =
                nextDocumentId_ == std::numeric_limits<int>::max() ? 1 : nextDocumentId_ + 1;
            document_ = std::move(document);
            return succeed();
        }
        return fail(PasswordRequired);
    } catch (const std::bad_alloc&) {
        // Running out of memory is no fault of the file.
        document_.reset();
        return fail(FileUnreadable);
    } catch (...) {
        document_.reset();
        return fail(NotPdf);
    }
}

int PdfLibrary::ErrorCode() const
{
    return errorCode_;
}

int PdfLibrary::CountPages()
{
    if (!document_)
        return fail(NoDocument);
    return succeed(document_->pageCount);
}

int PdfLibrary::DocumentFeatures()
{
    if (!document_)
        return fail(NoDocument);
    if (!document_->features) {
        try {
            document_->features =
                document_->reload() ? DocumentFacts::Features(*document_->pdf) : 0;
        } catch (...) {
            // What cannot be read says nothing of signatures or PDF/A.
            document_->features = 0;
        }
    }
    return succeed(*document_->features);
}

PdfLibrary::Protection PdfLibrary::DocumentProtection()
{
    if (!document_) {
        fail(NoDocument);
        return {};
    }
    succeed();
    return document_->protection;
}

int PdfLibrary::ClearSecurity()
{
    // SaveFile never carries the input's security over, so there is
    // nothing to undo here beyond checking that a document is loaded.
    if (!document_)
        return fail(NoDocument);
    return succeed();
}

int PdfLibrary::ComposePermissions(int print, int copy, int edit, int annotate, int fillForms,
                                   int accessibility, int assemble, int highResPrint)
{
    // Bits 7, 8 and 13 to 32 set; bits 1 and 2 and every permission clear.
    quint32 value = 0xFFFFF0C0u;
    const auto grant = [&](int allowed, int bit) {
        if (allowed != 0)
            value |= 1u << (bit - 1);
    };
    grant(print, 3);
    grant(edit, 4);
    grant(copy, 5);
    grant(annotate, 6);
    grant(fillForms, 9);
    grant(accessibility, 10);
    grant(assemble, 11);
    grant(highResPrint, 12);
    return succeed(static_cast<int>(value));
}

int PdfLibrary::ApplyEncryption(const QString& ownerPassword, const QString& userPassword,
                                int strength, int permissions)
{
    if (!document_)
        return fail(NoDocument);
    document_->security.reset();
    if (strength < 0 || strength > 3)
        return fail(BadStrength);
    if (ownerPassword.isEmpty())
        return fail(NoOwnerPassword);
    if (CheckPassword(ownerPassword, strength).fault != PasswordFault::None ||
        CheckPassword(userPassword, strength).fault != PasswordFault::None)
        return fail(PasswordNotEncodable);
    try {
        AppliedSecurity security;
        security.strength = strength;
        security.permissions = permissions;
        if (strength == 3) {
            security.ownerPassword = aes256Password(ownerPassword);
            security.userPassword = aes256Password(userPassword);
        } else if (!QUtil::utf8_to_pdf_doc(toStd(ownerPassword.toUtf8()), security.ownerPassword) ||
                   !QUtil::utf8_to_pdf_doc(toStd(userPassword.toUtf8()), security.userPassword)) {
            return fail(PasswordNotEncodable);
        }
        document_->security = std::move(security);
        return succeed();
    } catch (...) {
        return fail(PasswordNotEncodable);
    }
}

int PdfLibrary::SaveFile(const QString& outputPath)
{
    std::unique_ptr<OutputFile> written;
    if (WriteFile(outputPath, written) != 1)
        return 0;
    return written->flushToDisk() && written->commit() ? succeed() : fail(WriteFailed);
}

int PdfLibrary::WriteFile(const QString& outputPath, std::unique_ptr<OutputFile>& written)
{
    written.reset();
    if (!document_)
        return fail(NoDocument);
    if (!document_->security)
        return fail(SecurityNotApplied);
    if (IsSameFile(outputPath, document_->path))
        return fail(OutputIsInput);
    if (outputPath.isEmpty())
        return fail(WriteFailed);

    try {
        if (!document_->reload())
            return fail(FileUnreadable);
        readEveryObject();
        if (document_->lostContent)
            return fail(document_->lostContent);
        auto out = std::make_unique<OutputFile>(outputPath);
        if (!out->open())
            return fail(WriteFailed);
        {
            // Released before the output is read back: the writer has read
            // every object of the input, and a row must not hold those and
            // the read-back at once.
            const std::shared_ptr<QPDF> pdf = std::move(document_->pdf);
            // Every object was read and its repairs noted; a warning from now
            // on is stream data libqpdf could not read in full (an I/O error,
            // memory, a file cut short): the copy is not whole.
            pdf->getWarnings();
            try {
                OutputPipeline pipeline(*out);
                QPDFWriter writer(*pdf);
                writer.setOutputPipeline(&pipeline);
                // Streams go out exactly as they came in, only re-encrypted.
                writer.setDecodeLevel(qpdf_dl_none);
                writer.setCompressStreams(false);
                writer.setRecompressFlate(false);
                writer.setObjectStreamMode(qpdf_o_preserve);
                SetEncryption(writer, *document_->security);
                if (writerHook_)
                    writerHook_(writer);
                writer.write();
                pipeline.finish();
                if (pipeline.failed())
                    return fail(WriteFailed);
            } catch (const QPDFExc& error) {
                // Damage found only while copying the input is the input's fault.
                return fail(error.getErrorCode() == qpdf_e_system ? WriteFailed : NotPdf);
            } catch (...) {
                return fail(WriteFailed);
            }
            // libqpdf reports a failure to read the input in the middle of the
            // copy (an I/O error, memory, a file cut short) as a warning only,
            // and the copy is then not whole.
            if (document_->fileChanged())
                return fail(FileUnreadable);
            if (pdf->anyWarnings())
                return fail(NotPdf);
        }
        if (!out->close())
            return fail(WriteFailed);
        if (!ReadsBackAsProtected(out->temporaryPath(), *document_->security,
                                  document_->declaredPages))
            return fail(NotProtectedOnReadBack);
        written = std::move(out);
        return succeed();
    } catch (...) {
        return fail(WriteFailed);
    }
}

void PdfLibrary::readEveryObject()
{
    Document& document = *document_;
    if (document.everyObjectRead)
        return;
    document.everyObjectRead = true;
    QPDF& pdf = *document.pdf;
    try {
        // What QPDFWriter does first: every object of the cross-reference
        // table is read, also those nothing refers to.
        pdf.fixDanglingReferences();
    } catch (const std::bad_alloc&) {
        document.lostContent = FileUnreadable;
    } catch (...) {
        // What cannot be read now is left to the writer, which fails on it.
    }
    try {
        const std::vector<QPDFExc> warnings = pdf.getWarnings();
        document.noteRepairs(warnings);
        for (const QPDFExc& warning : warnings)
            if (!document.lostContent)
                document.lostContent = lostContentError(warning);
    } catch (const std::bad_alloc&) {
        document.lostContent = FileUnreadable;
    }
}

QString PdfLibrary::RepairNote()
{
    if (!document_) {
        fail(NoDocument);
        return {};
    }
    // After a write the objects were read, and the input is let go.
    if (!document_->everyObjectRead && document_->reload())
        readEveryObject();
    succeed();
    return document_->repairNote;
}

std::shared_ptr<PdfLibrary::HeldDocument> PdfLibrary::HoldDocument()
{
    if (!document_) {
        fail(NoDocument);
        return {};
    }
    succeed();
    return std::make_shared<HeldDocument>(std::move(document_));
}

int PdfLibrary::LoadHeldDocument(HeldDocument& held)
{
    document_.reset();
    pagesFault_ = PagesFault::None;
    document_ = held.take();
    return document_ ? succeed() : fail(NoDocument);
}

qint64 PdfLibrary::DocumentObjects()
{
    if (!document_)
        return fail(NoDocument);
    succeed();
    return document_->objects;
}

int PdfLibrary::DocumentIdAt(int position)
{
    if (!document_ || position != 1)
        return fail(NoDocument);
    return succeed(document_->id);
}

int PdfLibrary::CloseDocument(int documentId)
{
    if (!document_ || document_->id != documentId)
        return fail(NoDocument);
    document_.reset();
    return succeed();
}
