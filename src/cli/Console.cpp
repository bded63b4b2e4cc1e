#include "cli/Console.h"

#include <cstdio>
#include <optional>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <qt_windows.h>
#else
#include <csignal>
#include <termios.h>
#include <unistd.h>
#endif

namespace {

// Back to the start of the line, and the rest of it erased.
const QString ClearLine = QStringLiteral("\r\x1b[K");

#ifdef Q_OS_WIN
// Writes to a console as UTF-16, whatever its code page. The console
// itself erases the line for ClearLine: not every console carries out
// VT sequences (Windows before 10, Wine).
void writeConsole(HANDLE console, QStringView text)
{
    for (;;) {
        const qsizetype clear = text.indexOf(ClearLine);
        const QStringView part = text.left(clear < 0 ? text.size() : clear);
        DWORD written = 0;
        if (!part.isEmpty())
            WriteConsoleW(console, part.utf16(), DWORD(part.size()), &written, nullptr);
        if (clear < 0)
            return;
        CONSOLE_SCREEN_BUFFER_INFO info{};
        if (GetConsoleScreenBufferInfo(console, &info)) {
            const COORD lineStart{0, info.dwCursorPosition.Y};
            FillConsoleOutputCharacterW(console, L' ', DWORD(info.dwSize.X), lineStart, &written);
            SetConsoleCursorPosition(console, lineStart);
        }
        text = text.mid(clear + ClearLine.size());
    }
}
#endif

void write(FILE* stream, const QString& text)
{
#ifdef Q_OS_WIN
    // A file or a pipe gets UTF-8 bytes as on Linux.
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) {
        std::fflush(stream);
        writeConsole(handle, text);
        return;
    }
#endif
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

// One line of a stream, with its line end, and no more: a pipe the caller
// keeps open must not block us.
QByteArray readLine(FILE* stream)
{
    QByteArray bytes;
    for (int c = std::getc(stream); c != EOF; c = std::getc(stream)) {
        bytes += char(c);
        if (c == '\n')
            break;
    }
    return bytes;
}

#ifdef Q_OS_WIN
// The console's input mode while a line is typed unseen, given back when
// Ctrl+C or Ctrl+Break ends the program meanwhile: the console outlives it.
DWORD shownInputMode = 0;

BOOL WINAPI giveBackInputMode(DWORD)
{
    SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), shownInputMode);
    return FALSE;
}

// A line typed at the console, unseen, as UTF-8: the console gives UTF-16
// whatever its code page. nullopt when standard input is no console.
std::optional<QByteArray> readConsoleLine(const char* prompt)
{
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (!GetConsoleMode(input, &shownInputMode))
        return std::nullopt;
    SetConsoleCtrlHandler(&giveBackInputMode, TRUE);
    SetConsoleMode(input, (shownInputMode | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT) &
                              ~DWORD(ENABLE_ECHO_INPUT));
    write(stderr, QString::fromUtf8(prompt));
    QString line;
    wchar_t chunk[256];
    DWORD read = 0;
    while (!line.endsWith(u'\n') && ReadConsoleW(input, chunk, 256, &read, nullptr) && read > 0)
        line += QString::fromWCharArray(chunk, int(read));
    SetConsoleMode(input, shownInputMode);
    SetConsoleCtrlHandler(&giveBackInputMode, FALSE);
    write(stderr, QStringLiteral("\n"));
    return line.toUtf8();
}
#else
// While it lives, what is typed at a terminal on standard input is not
// shown, after a prompt; Ctrl+C meanwhile gives the terminal back first.
class HiddenTyping
{
public:
    explicit HiddenTyping(const char* prompt)
    {
        if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &shown_) != 0)
            return;
        termios hidden = shown_;
        hidden.c_lflag &= ~tcflag_t(ECHO);
        struct sigaction action = {};
        action.sa_handler = &HiddenTyping::interrupted;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &previous_);
        active_ = tcsetattr(STDIN_FILENO, TCSAFLUSH, &hidden) == 0;
        std::fputs(prompt, stderr);
    }
    ~HiddenTyping()
    {
        if (!active_)
            return;
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &shown_);
        sigaction(SIGINT, &previous_, nullptr);
        std::fputs("\n", stderr);
    }
    HiddenTyping(const HiddenTyping&) = delete;
    HiddenTyping& operator=(const HiddenTyping&) = delete;

private:
    static void interrupted(int signal)
    {
        // Both calls are safe in a signal handler.
        tcsetattr(STDIN_FILENO, TCSANOW, &shown_);
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }

    static inline termios shown_{};
    struct sigaction previous_ = {};
    bool active_ = false;
};
#endif

}  // namespace

Console::Console()
{
#ifdef Q_OS_WIN
    // Bytes out as they are written: no "\r" added before each "\n".
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    DWORD mode = 0;
    errorIsTerminal_ = GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
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

QByteArray ReadInputLine(const char* prompt)
{
#ifdef Q_OS_WIN
    if (const std::optional<QByteArray> typed = readConsoleLine(prompt))
        return *typed;
#else
    const HiddenTyping hidden(prompt);
#endif
    return readLine(stdin);
}
