#pragma once

#include <QString>

#include <memory>

class QPDF;

// Opens `path` for `pdf` (QPDF::processFile) through a read buffer of its
// own, as large as the file up to 64 KB. libqpdf reads through stdio, whose
// buffer of a few KB costs a system call for every few KB of a large file
// and for most seeks in a small one. `buffer` must outlive `pdf`'s reading:
// hold it as long as `pdf`. Throws what processFile throws.
void ProcessBuffered(QPDF& pdf, const QString& path, const char* password,
                     std::unique_ptr<char[]>& buffer);
