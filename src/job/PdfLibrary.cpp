#include "job/PdfLibrary.h"

#include "job/Paths.h"

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFWriter.hh>
#include <qpdf/QUtil.hh>

#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace {

// The new security, its passwords already in the bytes the strength takes.
struct Security
{
    int strength = 0;
    int permissions = 0;
    std::string ownerPassword;
    std::string userPassword;
};

// Hands QPDFWriter's output to a QSaveFile opened unbuffered. QPDFWriter
// writes in pieces of a few bytes; gathering them here costs far less than
// a trip through QIODevice for each. QPDFWriter also writes from
// destructors, where an exception would end the program, so a failed write
// is only recorded: the rest is dropped and the caller checks failed().
class SaveFilePipeline final : public Pipeline
{
public:
    explicit SaveFilePipeline(QSaveFile& file)
        : Pipeline("output file", nullptr), file_(file)
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
        const auto size = static_cast<qint64>(length);
        if (!failed_ && size > 0 && file_.write(data, size) != size)
            failed_ = true;
    }

    QSaveFile& file_;
    std::string buffer_;
    bool failed_ = false;
};

std::string toStd(const QByteArray& bytes)
{
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// The byte strings a reader or writer may have made of `password`: UTF-8,
// its NFKC form (256-bit AES), PDFDocEncoding (older revisions) and the
// common mis-encodings qpdf knows how to undo.
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
    std::string pdfDoc;
    if (QUtil::utf8_to_pdf_doc(utf8, pdfDoc))
        add(pdfDoc);
    add(toStd(password.normalized(QString::NormalizationForm_KC).toUtf8()));
    for (const std::string& repaired : QUtil::possible_repaired_encodings(utf8))
        add(repaired);
    return candidates;
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

void setEncryption(QPDFWriter& writer, const Security& security)
{
    const auto allows = [&](int bit) { return ((security.permissions >> (bit - 1)) & 1) != 0; };
    const bool print = allows(3), modify = allows(4), extract = allows(5), annotate = allows(6),
               fillForms = allows(9), accessibility = allows(10), assemble = allows(11);
    // High resolution means nothing without printing.
    const qpdf_r3_print_e printing = !print ? qpdf_r3p_none
                                     : allows(12) ? qpdf_r3p_full
                                                  : qpdf_r3p_low;
    const char* user = security.userPassword.c_str();
    const char* owner = security.ownerPassword.c_str();
    switch (security.strength) {
    case 0:
        writer.setR2EncryptionParametersInsecure(user, owner, print, modify, extract, annotate);
        break;
    case 1:
        writer.setR3EncryptionParametersInsecure(user, owner, accessibility, extract, assemble,
                                                 annotate, fillForms, modify, printing);
        break;
    case 2:
        writer.setR4EncryptionParametersInsecure(user, owner, accessibility, extract, assemble,
                                                 annotate, fillForms, modify, printing,
                                                 /*encrypt_metadata=*/true, /*use_aes=*/true);
        break;
    default:
        writer.setR6EncryptionParameters(user, owner, accessibility, extract, assemble,
                                         annotate, fillForms, modify, printing,
                                         /*encrypt_metadata_aes=*/true);
        break;
    }
}

} // namespace

struct PdfLibrary::Document
{
    std::shared_ptr<QPDF> pdf;
    QString path;
    int id = 0;
    int pageCount = 0;
    std::optional<Security> security;
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

int PdfLibrary::OpenFile(const QString& path, const QString& password)
{
    document_.reset();
    try {
        const QFileInfo info(path);
        if (path.isEmpty() || !info.isFile() || !info.isReadable())
            return fail(FileUnreadable);
        const std::string file = LibraryFileName(path);

        for (const std::string& candidate : passwordCandidates(password)) {
            std::shared_ptr<QPDF> pdf = QPDF::create();
            pdf->setSuppressWarnings(true);
            try {
                pdf->processFile(file.c_str(), candidate.c_str());
            } catch (const QPDFExc& error) {
                if (error.getErrorCode() == qpdf_e_password)
                    continue;
                return fail(openErrorFor(error));
            }
            // A document whose pages cannot be found is of no use to anyone.
            int pageCount = 0;
            try {
                pageCount = static_cast<int>(pdf->getAllPages().size());
            } catch (...) {
                return fail(NotPdf);
            }
            auto document = std::make_unique<Document>();
            document->pdf = std::move(pdf);
            document->path = path;
            document->pageCount = pageCount;
            document->id = nextDocumentId_;
            nextDocumentId_ = nextDocumentId_ == std::numeric_limits<int>::max()
                                  ? 1 : nextDocumentId_ + 1;
            document_ = std::move(document);
            return succeed();
        }
        return fail(PasswordRequired);
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
    try {
        Security security;
        security.strength = strength;
        security.permissions = permissions;
        if (strength == 3) {
            security.ownerPassword =
                toStd(ownerPassword.normalized(QString::NormalizationForm_KC).toUtf8());
            security.userPassword =
                toStd(userPassword.normalized(QString::NormalizationForm_KC).toUtf8());
        } else if (!QUtil::utf8_to_pdf_doc(toStd(ownerPassword.toUtf8()), security.ownerPassword)
                   || !QUtil::utf8_to_pdf_doc(toStd(userPassword.toUtf8()),
                                              security.userPassword)) {
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
    if (!document_)
        return fail(NoDocument);
    if (!document_->security)
        return fail(SecurityNotApplied);
    if (IsSameFile(outputPath, document_->path))
        return fail(OutputIsInput);
    if (outputPath.isEmpty())
        return fail(WriteFailed);

    try {
        QSaveFile out(outputPath);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return fail(WriteFailed);
        try {
            SaveFilePipeline pipeline(out);
            QPDFWriter writer(*document_->pdf);
            writer.setOutputPipeline(&pipeline);
            // Streams go out exactly as they came in, only re-encrypted.
            writer.setDecodeLevel(qpdf_dl_none);
            writer.setCompressStreams(false);
            writer.setRecompressFlate(false);
            writer.setObjectStreamMode(qpdf_o_preserve);
            setEncryption(writer, *document_->security);
            writer.write();
            pipeline.finish();
            if (pipeline.failed()) {
                out.cancelWriting();
                return fail(WriteFailed);
            }
        } catch (const QPDFExc& error) {
            out.cancelWriting();
            // Damage found only while copying the input is the input's fault.
            return fail(error.getErrorCode() == qpdf_e_system ? WriteFailed : NotPdf);
        } catch (...) {
            out.cancelWriting();
            return fail(WriteFailed);
        }
        if (!out.commit())
            return fail(WriteFailed);
        return succeed();
    } catch (...) {
        return fail(WriteFailed);
    }
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
