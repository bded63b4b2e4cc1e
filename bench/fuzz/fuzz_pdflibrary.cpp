// libFuzzer target: arbitrary bytes through everything adding and running a
// file does with PdfLibrary. The strength comes from FUZZ_STRENGTH (0 to 3)
// when set, else from the input's first byte; the permission bits from its
// second.
#include "job/PdfLibrary.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

int strengthFor(const uint8_t* data, size_t size)
{
    if (const char* fixed = std::getenv("FUZZ_STRENGTH"))
        return std::atoi(fixed);
    return size > 0 ? data[0] % 4 : 3;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir folder;
    static const QString input = folder.filePath(QStringLiteral("input.pdf"));
    static const QString output = folder.filePath(QStringLiteral("output.pdf"));

    QFile file(input);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char*>(data), qint64(size));
    file.close();

    PdfLibrary pdf;
    // As adding a file does: without a password first, then with one.
    if (pdf.OpenFile(input, QString()) != 1 && pdf.ErrorCode() == PdfLibrary::PasswordRequired)
        pdf.OpenFile(input, QStringLiteral("user"));
    pdf.CountPages();
    pdf.CloseDocument(pdf.DocumentIdAt(1));

    // As a run does.
    pdf.OpenFile(input, QStringLiteral("owner"));
    pdf.ClearSecurity();
    const int bits = size > 1 ? data[1] : 0xff;
    const int permissions = pdf.ComposePermissions(bits & 1, bits >> 1 & 1, bits >> 2 & 1,
                                                   bits >> 3 & 1, bits >> 4 & 1, bits >> 5 & 1,
                                                   bits >> 6 & 1, bits >> 7 & 1);
    if (pdf.ApplyEncryption(QStringLiteral("owner"), bits & 1 ? QStringLiteral("user") : QString(),
                            strengthFor(data, size), permissions))
        pdf.SaveFile(output);
    pdf.CloseDocument(pdf.DocumentIdAt(1));
    QFile::remove(output);
    return 0;
}
