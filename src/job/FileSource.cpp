#include "job/FileSource.h"

#include "job/Paths.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <stdexcept>

FileSource::FileSource(const QString& path)
    : name_(LibraryFileName(path))
    , file_(path)
{
    if (!file_.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw QPDFExc(qpdf_e_system, name_, "", 0, "open: " + file_.errorString().toStdString());
    blocks_.reserve(size_t(CachedBlocks));
}

const std::string& FileSource::getName() const
{
    return name_;
}

qpdf_offset_t FileSource::tell()
{
    return position_;
}

void FileSource::seek(qpdf_offset_t offset, int whence)
{
    qpdf_offset_t base = 0;
    switch (whence) {
    case SEEK_SET:
        break;
    case SEEK_CUR:
        base = position_;
        break;
    case SEEK_END:
        base = file_.size();
        break;
    default:
        throw std::logic_error("FileSource::seek: invalid whence");
    }
    // Damaged offsets ask for this; libqpdf's own sources refuse it too.
    if ((offset < 0 && base + offset < 0) ||
        (offset > 0 && base > std::numeric_limits<qpdf_offset_t>::max() - offset))
        throw std::runtime_error(name_ + ": seek out of range");
    position_ = base + offset;
}

void FileSource::rewind()
{
    position_ = 0;
}

void FileSource::unreadCh(char)
{
    if (position_ > 0)
        --position_;
}

size_t FileSource::readFile(qpdf_offset_t position, char* into, size_t length)
{
    const qint64 got = file_.seek(position) ? file_.read(into, qint64(length)) : -1;
    if (got < 0)
        throw QPDFExc(qpdf_e_system, name_, "", position,
                      "read " + std::to_string(length) + " bytes: " +
                          file_.errorString().toStdString());
    return size_t(got);
}

// The cached block that holds `position`, read now when none does; its
// bytes end early only at the end of the file.
const FileSource::Block& FileSource::blockAt(qpdf_offset_t position)
{
    const qpdf_offset_t start = position - position % BlockBytes;
    auto block = std::find_if(blocks_.begin(), blocks_.end(),
                              [&](const Block& b) { return b.start == start; });
    if (block == blocks_.end()) {
        if (blocks_.size() < size_t(CachedBlocks)) {
            block = blocks_.emplace(blocks_.end());
        } else {
            block = std::min_element(blocks_.begin(), blocks_.end(),
                                     [](const Block& a, const Block& b) {
                                         return a.lastUse < b.lastUse;
                                     });
        }
        block->start = -1;  // until it is read
        block->bytes.resize(size_t(BlockBytes));
        block->bytes.resize(readFile(start, block->bytes.data(), size_t(BlockBytes)));
        block->bytes.shrink_to_fit();  // a small file's one block is its size
        block->start = start;
    }
    block->lastUse = ++uses_;
    return *block;
}

size_t FileSource::read(char* into, size_t length)
{
    last_offset = position_;
    size_t done = 0;
    while (done < length) {
        const size_t left = length - done;
        size_t got = 0;
        if (left >= size_t(BlockBytes) && position_ % BlockBytes == 0) {
            got = readFile(position_, into + done, left);
        } else {
            const Block& block = blockAt(position_);
            const size_t from = size_t(position_ - block.start);
            if (from >= block.bytes.size())
                break;  // the block ends the file
            got = std::min(left, block.bytes.size() - from);
            std::memcpy(into + done, block.bytes.data() + from, got);
        }
        if (got == 0)
            break;
        done += got;
        position_ += qpdf_offset_t(got);
    }
    if (done == 0 && length > 0) {
        // As stdio leaves it: at the end of the file.
        position_ = file_.size();
        last_offset = position_;
    }
    return done;
}

qpdf_offset_t FileSource::findAndSkipNextEOL()
{
    char chunk[4096];
    for (;;) {
        const qpdf_offset_t start = position_;
        const size_t length = read(chunk, sizeof chunk);
        if (length == 0)
            return position_;
        const char* end = chunk + length;
        const char* eol = std::find_if(static_cast<const char*>(chunk), end, [](char c) { return c == '\r' || c == '\n'; });
        if (eol == end)
            continue;
        const qpdf_offset_t result = start + (eol - chunk);
        // Past every end-of-line character that follows it.
        position_ = result + 1;
        char next = 0;
        while (read(&next, 1) == 1) {
            if (next != '\r' && next != '\n') {
                unreadCh(next);
                break;
            }
        }
        return result;
    }
}

void ProcessFile(QPDF& pdf, const QString& path, const char* password)
{
    pdf.processInputSource(std::make_shared<FileSource>(path), password);
}
