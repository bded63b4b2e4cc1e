#include "cli/Console.h"

#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

void write(FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

// Back to the start of the line, and the rest of it erased.
const QString ClearLine = QStringLiteral("\r\x1b[K");

}  // namespace

Console::Console()
{
#ifdef Q_OS_WIN
    errorIsTerminal_ = _isatty(_fileno(stderr)) != 0;
#else
    errorIsTerminal_ = isatty(STDERR_FILENO) != 0;
#endif
}

void Console::out(const QString& text)
{
    write(stdout, text);
}

void Console::error(const QString& message)
{
    writeError(QStringLiteral("sealmark-cli: ") + message + u'\n');
}

void Console::usageError(const QString& message)
{
    writeError(QStringLiteral("sealmark-cli: ") + message +
               QStringLiteral("\nTry 'sealmark-cli --help'.\n"));
}

void Console::setStatus(const QString& line)
{
    if (line == status_)
        return;
    write(stderr, ClearLine + line);
    status_ = line;
}

void Console::writeError(const QString& text)
{
    write(stderr, status_.isEmpty() ? text : ClearLine + text + status_);
}
