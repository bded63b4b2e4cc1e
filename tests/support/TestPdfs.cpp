#include "TestPdfs.h"

#include "job/Paths.h"
#include "job/PdfLibrary.h"

#include "PdfReaders.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <qpdf/QUtil.hh>

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include <exception>
#include <string>

namespace {

std::string toStd(const QByteArray& bytes)
{
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

std::string encodedPassword(const QString& password, int strength)
{
    if (strength == 3)
        return toStd(password.normalized(QString::NormalizationForm_KC).toUtf8());
    return QUtil::utf8_to_pdf_doc(toStd(password.toUtf8()));
}

QPDFObjectHandle makeImage(QPDF& pdf)
{
    constexpr int size = 32;
    std::string pixels;
    pixels.reserve(size * size * 3);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            pixels.push_back(static_cast<char>(x * 8));
            pixels.push_back(static_cast<char>(y * 8));
            pixels.push_back(static_cast<char>(128));
        }
    QPDFObjectHandle image = QPDFObjectHandle::newStream(&pdf, pixels);
    image.replaceDict(
        QPDFObjectHandle::parse("<< /Type /XObject /Subtype /Image /Width 32 /Height 32"
                                " /ColorSpace /DeviceRGB /BitsPerComponent 8 >>"));
    return image;
}

void setEncryption(QPDFWriter& writer, const TestPdfs::Options& options)
{
    const std::string user = encodedPassword(options.userPassword, options.strength);
    const std::string owner = encodedPassword(options.ownerPassword, options.strength);
    const bool allow = !options.restricted;
    const qpdf_r3_print_e print = allow ? qpdf_r3p_full : qpdf_r3p_none;
    switch (options.strength) {
    case 0:
        writer.setR2EncryptionParametersInsecure(user.c_str(), owner.c_str(), allow, allow, allow,
                                                 allow);
        break;
    case 1:
        writer.setR3EncryptionParametersInsecure(user.c_str(), owner.c_str(), allow, allow, allow,
                                                 allow, allow, allow, print);
        break;
    case 2:
        writer.setR4EncryptionParametersInsecure(user.c_str(), owner.c_str(), allow, allow, allow,
                                                 allow, allow, allow, print, true, true);
        break;
    default:
        writer.setR6EncryptionParameters(user.c_str(), owner.c_str(), allow, allow, allow, allow,
                                         allow, allow, print, true);
        break;
    }
}

QPDFObjectHandle signatureValue()
{
    return QPDFObjectHandle::parse("<< /Type /Sig /Filter /Adobe.PPKLite"
                                   " /SubFilter /adbe.pkcs7.detached /Contents <00> >>");
}

// The signatures, certification, usage rights and PDF/A identification of
// `options.features`, as signing and archiving tools write them.
void addFeatures(QPDF& pdf, const TestPdfs::Options& options)
{
    QPDFObjectHandle root = pdf.getRoot();
    QPDFObjectHandle fields = QPDFObjectHandle::newArray();
    if (options.features & (PdfLibrary::Signed | PdfLibrary::Certified)) {
        // The value sits on a kid that takes its type from its parent.
        QPDFObjectHandle parent =
            pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /FT /Sig /T (Signatures) >>"));
        QPDFObjectHandle kid = pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /T (One) >>"));
        kid.replaceKey("/V", pdf.makeIndirectObject(signatureValue()));
        kid.replaceKey("/Parent", parent);
        parent.replaceKey("/Kids", QPDFObjectHandle::newArray({kid}));
        fields.appendItem(parent);
    }
    if (options.emptySignatureField)
        fields.appendItem(
            pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /FT /Sig /T (Unsigned) >>")));
    if (fields.getArrayNItems() > 0)
        root.replaceKey("/AcroForm", QPDFObjectHandle::newDictionary({{"/Fields", fields}}));
    QPDFObjectHandle perms = QPDFObjectHandle::newDictionary();
    if (options.features & PdfLibrary::Certified)
        perms.replaceKey("/DocMDP", pdf.makeIndirectObject(signatureValue()));
    if (options.features & PdfLibrary::UsageRights)
        perms.replaceKey(options.usageRightsKey, pdf.makeIndirectObject(signatureValue()));
    if (!perms.getKeys().empty())
        root.replaceKey("/Perms", perms);
    if (options.features & PdfLibrary::PdfA) {
        QPDFObjectHandle metadata = QPDFObjectHandle::newStream(
            &pdf, "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF"
                  " xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
                  "<rdf:Description xmlns:pdfaid=\"http://www.aiim.org/pdfa/ns/id/\">"
                  "<pdfaid:part>2</pdfaid:part><pdfaid:conformance>B</pdfaid:conformance>"
                  "</rdf:Description></rdf:RDF></x:xmpmeta>");
        metadata.replaceDict(QPDFObjectHandle::parse("<< /Type /Metadata /Subtype /XML >>"));
        root.replaceKey("/Metadata", metadata);
    }
}

}  // namespace

namespace TestPdfs {

QString pageText(const Options& options, int page)
{
    return options.text + u' ' + QString::number(page);
}

// The pages and features of `options` in an empty `pdf`.
static void build(QPDF& pdf, const Options& options)
{
    pdf.emptyPDF();
    QPDFObjectHandle font = pdf.makeIndirectObject(
        QPDFObjectHandle::parse("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica"
                                " /Encoding /WinAnsiEncoding >>"));
    QPDFObjectHandle image = options.withImage ? makeImage(pdf) : QPDFObjectHandle();
    QPDFPageDocumentHelper pages(pdf);
    for (int n = 1; n <= options.pages; ++n) {
        const bool drawImage = options.withImage && n == 1;
        std::string content = "BT /F1 24 Tf 72 720 Td (" +
                              QUtil::utf8_to_pdf_doc(toStd(pageText(options, n).toUtf8())) +
                              ") Tj ET\n";
        if (drawImage)
            content += "q 200 0 0 200 72 400 cm /Im1 Do Q\n";
        QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
        resources.replaceKey("/Font", QPDFObjectHandle::newDictionary({{"/F1", font}}));
        if (drawImage)
            resources.replaceKey("/XObject", QPDFObjectHandle::newDictionary({{"/Im1", image}}));
        QPDFObjectHandle page = pdf.makeIndirectObject(
            QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 612 792] >>"));
        page.replaceKey("/Resources", resources);
        page.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, content));
        pages.addPage(QPDFPageObjectHelper(page), false);
    }
    addFeatures(pdf, options);
}

bool write(const QString& path, const Options& options)
{
    try {
        QPDF pdf;
        build(pdf, options);
        const std::string name = LibraryFileName(path);
        QPDFWriter writer(pdf, name.c_str());
        writer.setObjectStreamMode(options.objectStreams ? qpdf_o_generate : qpdf_o_disable);
        if (options.strength >= 0)
            setEncryption(writer, options);
        writer.write();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

namespace {

// Writes `pdf` with every object on its own, so its bytes can be edited.
void writeEditable(QPDF& pdf, const QString& path)
{
    const std::string name = LibraryFileName(path);
    QPDFWriter writer(pdf, name.c_str());
    writer.setObjectStreamMode(qpdf_o_disable);
    writer.write();
}

// The number n in the first "<key> n 0 R" of `bytes`; 0 when there is none.
int referenceAfter(const QByteArray& bytes, const QByteArray& key)
{
    const qsizetype at = bytes.indexOf(key + ' ');
    return at < 0 ? 0 : bytes.mid(at + key.size() + 1, 12).split(' ').first().toInt();
}

// Where the offset of object `number` stands in the one xref table.
qsizetype xrefEntry(const QByteArray& bytes, int number)
{
    const qsizetype table = bytes.lastIndexOf("\nxref\n0 ");
    const qsizetype entries = bytes.indexOf('\n', table + 6) + 1;
    return table < 0 || entries <= 0 ? -1 : entries + 20 * qsizetype(number);
}

}  // namespace

bool writeNeedingRepair(const QString& path, Repair repair, const Options& options)
{
    const QByteArray title = "(Sealmark repair test)";
    try {
        QPDF pdf;
        build(pdf, options);
        // Written next to /Subject, /Subjecu becomes a second /Subject below.
        QPDFObjectHandle info = QPDFObjectHandle::parse("<< /Subject (A) /Subjecu (B) >>");
        pdf.getTrailer().replaceKey("/Info", pdf.makeIndirectObject(info));
        // Under a key readers ignore, reached only through a stream's
        // dictionary.
        QPDFObjectHandle page = pdf.getAllPages().front();
        QPDFObjectHandle contents = page.getKey("/Contents");
        contents.getDict().replaceKey(
            "/SealmarkNote", pdf.makeIndirectObject(QPDFObjectHandle::parse(title.constData())));
        writeEditable(pdf, path);
    } catch (const std::exception&) {
        return false;
    }
    QByteArray bytes = readBytes(path);
    const auto offsetOf = [&](int number) {
        return bytes.indexOf('\n' + QByteArray::number(number) + " 0 obj\n") + 1;
    };
    const qsizetype titleAt = bytes.indexOf('\n' + title + '\n') + 1;
    const int infoNumber = referenceAfter(bytes, "/Info");
    const int contentsNumber = referenceAfter(bytes, "/Contents");
    const qsizetype infoEntry = xrefEntry(bytes, infoNumber);
    const qsizetype contentsEntry = xrefEntry(bytes, contentsNumber);
    if (titleAt <= 0 || infoEntry < 0 || contentsEntry < 0 || bytes.count("/Subjecu") != 1)
        return false;
    switch (repair) {
    case Repair::OffsetZero: {
        // Nothing refers to the object any more, as in files from Quartz.
        const QByteArray reference = "/Info " + QByteArray::number(infoNumber) + " 0 R";
        bytes.replace(reference, QByteArray(reference.size(), ' '));
        bytes.replace(infoEntry, 10, "0000000000");
        break;
    }
    case Repair::WrongObject:
        // The page's contents are found only by scanning the file.
        bytes.replace(contentsEntry, 10,
                      QByteArray::number(offsetOf(infoNumber)).rightJustified(10, '0'));
        break;
    case Repair::DuplicatedKey:
        bytes.replace("/Subjecu", "/Subject");
        break;
    case Repair::EmptyObject:
        bytes.replace(titleAt, title.size(), QByteArray(title.size(), ' '));
        break;
    case Repair::UnknownToken:
        bytes.replace(titleAt, 1, "x");
        break;
    case Repair::NumberTooLarge:
        bytes.replace(titleAt, title.size(), QByteArray(title.size(), '9'));
        break;
    }
    return writeBytes(path, bytes);
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

namespace {
bool acceptsNewFiles(const QString& folder)
{
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("probe-XXXXXX")));
    return probe.open();
}
}  // namespace

bool makeReadOnly(const QString& folder)
{
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    if (acceptsNewFiles(folder))
        PdfReaders::runOnHost(QStringLiteral("chattr"), {QStringLiteral("+i"), folder});
    return !acceptsNewFiles(folder);
}

void makeWritable(const QString& folder)
{
    PdfReaders::runOnHost(QStringLiteral("chattr"), {QStringLiteral("-i"), folder});
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

bool writeTruncated(const QString& source, const QString& path, qsizetype length)
{
    const QByteArray bytes = readBytes(source);
    return !bytes.isEmpty() && writeBytes(path, bytes.left(length));
}

bool writeWithBrokenXref(const QString& source, const QString& path)
{
    QByteArray bytes = readBytes(source);
    const QByteArray keyword = "startxref\n";
    const qsizetype at = bytes.lastIndexOf(keyword);
    if (at < 0)
        return false;
    const qsizetype number = at + keyword.size();
    const qsizetype end = bytes.indexOf('\n', number);
    if (end < 0)
        return false;
    // Offset 9 lands inside the header comment, far from any xref table.
    bytes.replace(number, end - number, "9");
    return writeBytes(path, bytes);
}

bool writeCertificateSecured(const QString& path)
{
    try {
        QPDF pdf;
        pdf.emptyPDF();
        QPDFObjectHandle page = pdf.makeIndirectObject(
            QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 612 792] >>"));
        QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(page), false);
        QPDFObjectHandle handler = pdf.makeIndirectObject(QPDFObjectHandle::parse(
            "<< /Filter /Adobe.PubSec /SubFilter /adbe.pkcs7.s5 /V 4 /Length 128"
            " /CF << /DefaultCryptFilter << /CFM /AESV2 /Recipients [ <00112233> ] >> >>"
            " /StmF /DefaultCryptFilter /StrF /DefaultCryptFilter >>"));
        // QPDFWriter drops a trailer's /Encrypt; a key of the same length,
        // renamed in the written bytes, keeps every offset right.
        pdf.getTrailer().replaceKey("/Encrypx", handler);
        writeEditable(pdf, path);
    } catch (const std::exception&) {
        return false;
    }
    QByteArray bytes = readBytes(path);
    if (bytes.count("/Encrypx") != 1)
        return false;
    bytes.replace("/Encrypx", "/Encrypt");
    return writeBytes(path, bytes);
}

bool writeWithoutPages(const QString& path)
{
    try {
        QPDF pdf;
        pdf.emptyPDF();
        const std::string name = LibraryFileName(path);
        QPDFWriter writer(pdf, name.c_str());
        writer.write();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool writeDeepPageTree(const QString& path, int levels)
{
    // Written out by hand: libqpdf itself would walk the tree to write it.
    // Without a cross-reference table, readers find the objects by scanning.
    QByteArray bytes = "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n";
    const int page = levels + 2;
    for (int node = 2; node < page; ++node) {
        const QByteArray parent =
            node == 2 ? QByteArray() : " /Parent " + QByteArray::number(node - 1) + " 0 R";
        bytes += QByteArray::number(node) + " 0 obj << /Type /Pages /Count 1" + parent +
                 " /Kids [" + QByteArray::number(node + 1) + " 0 R] >> endobj\n";
    }
    bytes += QByteArray::number(page) + " 0 obj << /Type /Page /Parent " +
             QByteArray::number(page - 1) + " 0 R /MediaBox [0 0 612 792] >> endobj\n";
    bytes += "trailer << /Root 1 0 R /Size " + QByteArray::number(page + 1) + " >>\n%%EOF\n";
    return writeBytes(path, bytes);
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
}

}  // namespace TestPdfs
