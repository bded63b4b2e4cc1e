#include "cli/Console.h"

#include <cstdio>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <qt_windows.h>
#else
#include <unistd.h>
#endif

namespace {

void write(FILE* stream, const QString& text)
{
#ifdef Q_OS_WIN
    // A console takes text as UTF-16, whatever its code page; a file or a
    // pipe gets UTF-8 bytes as on Linux.
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) {
        std::fflush(stream);
        DWORD written = 0;
        WriteConsoleW(handle, text.utf16(), DWORD(text.size()), &written, nullptr);
        return;
    }
#endif
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
    // Bytes out as they are written: no "\r" added before each "\n".
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // The status line is redrawn with VT sequences, which a console
    // understands once asked to (Windows 10 and later).
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    errorIsTerminal_ = GetConsoleMode(error, &mode) &&
                       SetConsoleMode(error, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
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

QByteArray EnvironmentBytes(const QString& name)
{
#ifdef Q_OS_WIN
    return qEnvironmentVariable(name.toLocal8Bit().constData()).toUtf8();
#else
    return qgetenv(name.toLocal8Bit().constData());
#endif
}
