#include "job/BufferedFile.h"

#include "job/Paths.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QUtil.hh>

#include <QFileInfo>

#include <algorithm>
#include <cstdio>

void ProcessBuffered(QPDF& pdf, const QString& path, const char* password,
                     std::unique_ptr<char[]>& buffer)
{
    const std::string name = LibraryFileName(path);
    FILE* file = QUtil::safe_fopen(name.c_str(), "rb");
    const size_t size = size_t(std::clamp<qint64>(QFileInfo(path).size() + 1, 4096, 64 << 10));
    auto own = std::make_unique<char[]>(size);
    if (std::setvbuf(file, own.get(), _IOFBF, size) == 0)
        buffer = std::move(own);
    pdf.processFile(name.c_str(), file, /*close_file=*/true, password);
}
