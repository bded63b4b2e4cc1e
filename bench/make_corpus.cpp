// Makes the benchmark corpus: PDFs of text and images, written with libqpdf.
//
//   make_corpus FOLDER [--files N] [--pages P] [--large-mb MB] [--objects N] [--seed S]
//
// FOLDER/corpus-NNN.pdf: N files (default 300) of 1 to 24 pages each (P
// each with --pages), as
// office documents are: every page holds real text, four files in five
// carry Flate-compressed RGB images sized to spread the files on a log
// scale (with 300 files: 1 KB to 1.8 MB, median about 50 KB, 78 MB in
// all), and every other file uses object streams.
// With --large-mb, FOLDER/large.pdf gets one big image per page until it
// holds at least MB megabytes; its image data is compressed once and then
// streamed into every page, so even a large file takes seconds to make.
// With --objects, FOLDER/objects.pdf gets ten pages that carry N small
// annotations between them, packed into object streams: a file of a few
// MB that libqpdf needs hundreds of MB to write, as manuals with many
// links are.

#include <qpdf/Pl_Flate.hh>
#include <qpdf/Pl_String.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <cstdio>
#include <exception>
#include <random>
#include <string>

namespace {

QPDFObjectHandle imageDict(int width, int height)
{
    QPDFObjectHandle dict = QPDFObjectHandle::parse(
        "<< /Type /XObject /Subtype /Image /ColorSpace /DeviceRGB /BitsPerComponent 8 >>");
    dict.replaceKey("/Width", QPDFObjectHandle::newInteger(width));
    dict.replaceKey("/Height", QPDFObjectHandle::newInteger(height));
    return dict;
}

// A gradient under noise: `noise` (0 to 255) sets how well it compresses.
std::string pixels(int width, int height, int noise, std::mt19937& random)
{
    std::string data(static_cast<size_t>(width) * height * 3, '\0');
    std::uniform_int_distribution<int> jitter(0, std::max(noise, 1) - 1);
    size_t i = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            data[i++] = static_cast<char>((x * 255 / width + jitter(random)) & 0xFF);
            data[i++] = static_cast<char>((y * 255 / height + jitter(random)) & 0xFF);
            data[i++] = static_cast<char>((128 + jitter(random)) & 0xFF);
        }
    return data;
}

std::string pageText(int file, int page, int lines)
{
    std::string text = "BT /F1 11 Tf 14 TL 56 760 Td\n";
    for (int line = 0; line < lines; ++line)
        text += "(Sealmark benchmark file " + std::to_string(file) + ", page "
                + std::to_string(page) + ", line " + std::to_string(line)
                + ": the quick brown fox jumps over the lazy dog.) '\n";
    return text + "ET\n";
}

QPDFObjectHandle addPage(QPDF& pdf, QPDFObjectHandle font, const std::string& content,
                         QPDFObjectHandle image)
{
    QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
    resources.replaceKey("/Font", QPDFObjectHandle::newDictionary({{"/F1", font}}));
    std::string drawing = content;
    if (image.isStream()) {
        resources.replaceKey("/XObject", QPDFObjectHandle::newDictionary({{"/Im1", image}}));
        drawing = "q 400 0 0 300 100 100 cm /Im1 Do Q\n" + drawing;
    }
    QPDFObjectHandle page = pdf.makeIndirectObject(
        QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 612 792] >>"));
    page.replaceKey("/Resources", resources);
    page.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, drawing));
    QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(page), false);
    return page;
}

QPDFObjectHandle helvetica(QPDF& pdf)
{
    return pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"));
}

void write(QPDF& pdf, const QString& path, bool objectStreams)
{
    const QByteArray name = QFile::encodeName(path);
    QPDFWriter writer(pdf, name.constData());
    writer.setObjectStreamMode(objectStreams ? qpdf_o_generate : qpdf_o_disable);
    writer.write();
}

void makeFile(const QString& path, int index, int count, int fixedPages, std::mt19937& random)
{
    // Target size on a log scale from 10 KB to 3 MB.
    const double share = count > 1 ? double(index) / (count - 1) : 0.0;
    const double target = 10e3 * std::pow(300.0, share);
    const int randomPages = 1 + static_cast<int>(random() % 24);
    const int pages = fixedPages > 0 ? fixedPages : randomPages;
    const bool withImages = index % 5 != 0 && target > 30e3;

    QPDF pdf;
    pdf.emptyPDF();
    QPDFObjectHandle font = helvetica(pdf);
    const int images = withImages ? std::min(pages, 1 + static_cast<int>(random() % 4)) : 0;
    // Noisy images compress to roughly half their raw size.
    const double perImage = images ? std::max(target - pages * 1500.0, 20e3) / images / 1.6 : 0;
    const int side = images ? std::max(32, static_cast<int>(std::sqrt(perImage / 3))) : 0;
    for (int page = 1; page <= pages; ++page) {
        QPDFObjectHandle image;
        if (page <= images) {
            image = QPDFObjectHandle::newStream(&pdf, pixels(side, side, 160, random));
            image.replaceDict(imageDict(side, side));
        }
        addPage(pdf, font, pageText(index, page, 30 + static_cast<int>(random() % 20)), image);
    }
    write(pdf, path, index % 2 == 1);
}

void makeLarge(const QString& path, qint64 megabytes, std::mt19937& random)
{
    constexpr int side = 1024;
    std::string compressed;
    {
        Pl_String sink("image", nullptr, compressed);
        Pl_Flate flate("compress", &sink, Pl_Flate::a_deflate);
        const std::string raw = pixels(side, side, 256, random);
        flate.write(reinterpret_cast<const unsigned char*>(raw.data()), raw.size());
        flate.finish();
    }
    const qint64 pages = (megabytes * 1000 * 1000) / qint64(compressed.size()) + 1;

    QPDF pdf;
    pdf.emptyPDF();
    QPDFObjectHandle font = helvetica(pdf);
    for (qint64 page = 1; page <= pages; ++page) {
        QPDFObjectHandle image = QPDFObjectHandle::newStream(&pdf);
        image.replaceDict(imageDict(side, side));
        image.replaceStreamData(
            [&compressed](Pipeline* pipeline) {
                pipeline->write(reinterpret_cast<const unsigned char*>(compressed.data()),
                                compressed.size());
                pipeline->finish();
            },
            QPDFObjectHandle::newName("/FlateDecode"), QPDFObjectHandle::newNull());
        addPage(pdf, font, pageText(0, static_cast<int>(page), 20), image);
    }
    write(pdf, path, false);
}

void makeObjects(const QString& path, int objects)
{
    QPDF pdf;
    pdf.emptyPDF();
    QPDFObjectHandle font = helvetica(pdf);
    constexpr int pages = 10;
    for (int page = 1; page <= pages; ++page) {
        QPDFObjectHandle annotations = QPDFObjectHandle::newArray();
        for (int i = page - 1; i < objects; i += pages) {
            const int x = 20 + (i % 50) * 11;
            const int y = 20 + (i / 50 % 70) * 11;
            annotations.appendItem(pdf.makeIndirectObject(QPDFObjectHandle::parse(
                "<< /Type /Annot /Subtype /Link /Border [0 0 0] /Rect [" + std::to_string(x) +
                " " + std::to_string(y) + " " + std::to_string(x + 10) + " " +
                std::to_string(y + 10) + "] /A << /S /URI /URI (https://example.org/" +
                std::to_string(i) + ") >> >>")));
        }
        addPage(pdf, font, pageText(0, page, 10), {}).replaceKey("/Annots", annotations);
    }
    write(pdf, path, true);
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    int files = 300;
    int pages = 0;
    qint64 largeMb = 0;
    int objects = 0;
    unsigned seed = 20240601;
    QString folder;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == u"--files" && i + 1 < args.size())
            files = args[++i].toInt();
        else if (arg == u"--pages" && i + 1 < args.size())
            pages = args[++i].toInt();
        else if (arg == u"--large-mb" && i + 1 < args.size())
            largeMb = args[++i].toLongLong();
        else if (arg == u"--objects" && i + 1 < args.size())
            objects = args[++i].toInt();
        else if (arg == u"--seed" && i + 1 < args.size())
            seed = args[++i].toUInt();
        else
            folder = arg;
    }
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        std::fprintf(stderr, "usage: make_corpus FOLDER [--files N] [--pages P] [--large-mb MB]"
                             " [--objects N] [--seed S]\n");
        return 2;
    }
    std::mt19937 random(seed);
    try {
        qint64 total = 0;
        for (int i = 0; i < files; ++i) {
            const QString path = QDir(folder).filePath(
                QStringLiteral("corpus-%1.pdf").arg(i, 3, 10, QLatin1Char('0')));
            makeFile(path, i, files, pages, random);
            total += QFileInfo(path).size();
        }
        std::printf("%d files, %.1f MB\n", files, double(total) / 1e6);
        if (largeMb > 0) {
            const QString path = QDir(folder).filePath(QStringLiteral("large.pdf"));
            makeLarge(path, largeMb, random);
            std::printf("large.pdf, %.1f MB\n", double(QFileInfo(path).size()) / 1e6);
        }
        if (objects > 0) {
            const QString path = QDir(folder).filePath(QStringLiteral("objects.pdf"));
            makeObjects(path, objects);
            std::printf("objects.pdf, %d annotations, %.1f MB\n", objects,
                        double(QFileInfo(path).size()) / 1e6);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_corpus: %s\n", error.what());
        return 1;
    }
    return 0;
}
