#pragma once

#include <qpdf/InputSource.hh>

#include <QFile>

#include <memory>
#include <string>
#include <vector>

class QPDF;

// A file for libqpdf to read, through a cache of the blocks it read last.
// libqpdf seeks before nearly every object it reads; through stdio each of
// those seeks costs a system call, even inside the buffer. Here a seek only
// moves a position, and a file of up to a megabyte is read from the disk
// once. Reads past the cache that are a block or longer go straight to the
// caller's buffer, so a large file costs no more memory than the cache.
class FileSource : public InputSource
{
public:
    static constexpr qpdf_offset_t BlockBytes = 64 << 10;
    static constexpr int CachedBlocks = 16;

    // Opens `path`; throws QPDFExc (qpdf_e_system) when it cannot.
    explicit FileSource(const QString& path);

    qpdf_offset_t findAndSkipNextEOL() override;
    const std::string& getName() const override;
    qpdf_offset_t tell() override;
    void seek(qpdf_offset_t offset, int whence) override;
    void rewind() override;
    size_t read(char* into, size_t length) override;
    void unreadCh(char ch) override;

private:
    struct Block
    {
        qpdf_offset_t start = -1;
        std::vector<char> bytes;
        quint64 lastUse = 0;
    };

    const Block& blockAt(qpdf_offset_t position);
    size_t readFile(qpdf_offset_t position, char* into, size_t length);

    std::string name_;
    QFile file_;
    qpdf_offset_t position_ = 0;
    std::vector<Block> blocks_;
    quint64 uses_ = 0;
};

// Opens `path` for `pdf` through a FileSource, as QPDF::processFile would
// open it. Throws what processFile throws.
void ProcessFile(QPDF& pdf, const QString& path, const char* password);
