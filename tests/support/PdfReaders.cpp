#include "PdfReaders.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QThread>

#include <atomic>
#endif

namespace {

const QString passwordSlot = QStringLiteral("@PASSWORD@");

struct Run
{
    bool ok = false;  // started, finished, exit code 0
    QByteArray out;
    QByteArray err;
};

#ifdef Q_OS_WIN
// Under Wine the readers are the build machine's own programs, which a
// Windows process can start but not read from. scripts/windows/test runs a
// bridge beside the tests: a request is the program and its arguments in a
// spool folder, the answer its output, error output and exit status.
QString bridgeFolder()
{
    return qEnvironmentVariable("SEALMARK_READER_BRIDGE");
}

bool useBridge()
{
    return !bridgeFolder().isEmpty();
}

Run runThroughBridge(const QStringList& command)
{
    static std::atomic<int> serial{0};
    const QDir spool(bridgeFolder());
    const QString id =
        QStringLiteral("%1-%2").arg(QCoreApplication::applicationPid()).arg(serial++);
    const auto path = [&](const char* suffix) {
        return spool.filePath(id + QLatin1String(suffix));
    };

    QByteArray request;
    for (const QString& argument : command)
        request += argument.toUtf8() + '\0';
    Run result;
    QFile file(path(".new"));
    if (!file.open(QIODevice::WriteOnly) || file.write(request) != request.size())
        return result;
    file.close();
    if (!QFile::rename(path(".new"), path(".req")))
        return result;

    QDeadlineTimer deadline(300000);
    while (!QFile::exists(path(".done")) && !deadline.hasExpired())
        QThread::msleep(20);
    const auto take = [&](const char* suffix) {
        QFile answer(path(suffix));
        QByteArray bytes = answer.open(QIODevice::ReadOnly) ? answer.readAll() : QByteArray();
        answer.close();
        answer.remove();
        return bytes;
    };
    result.out = take(".out");
    result.err = take(".err");
    result.ok = take(".done").trimmed() == "0";
    return result;
}
#endif

// QProcess can only pass arguments as text in the locale's encoding, but a
// reader may need other bytes (PDFDocEncoding). The shell decodes the octal
// escapes and puts the exact bytes where an argument holds passwordSlot.
Run run(const QString& program, QStringList arguments, const QByteArray& password = {})
{
    QString executable = program;
    if (!arguments.filter(passwordSlot).isEmpty()) {
        QString escaped;
        for (const char byte : password)
            escaped += QStringLiteral("\\0%1").arg(static_cast<unsigned char>(byte), 3, 8,
                                                   QLatin1Char('0'));
        const QString script = QStringLiteral(
            "p=$(printf '%b_' \"$1\"); p=${p%_}; shift\n"
            "for a do shift\n"
            "  case $a in *@PASSWORD@*) a=\"${a%%@PASSWORD@*}$p${a#*@PASSWORD@}\";; esac\n"
            "  set -- \"$@\" \"$a\"\n"
            "done\n"
            "exec \"$@\"");
        arguments =
            QStringList{QStringLiteral("-c"), script, QStringLiteral("sh"), escaped, program} +
            arguments;
        executable = QStringLiteral("/bin/sh");
    }
#ifdef Q_OS_WIN
    if (useBridge())
        return runThroughBridge(QStringList{executable} + arguments);
#endif
    QProcess process;
    process.start(executable, arguments);
    Run result;
    if (!process.waitForStarted(30000) || !process.waitForFinished(300000)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    result.ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return result;
}

QStringList withPassword(const char* option, const QByteArray& password, QStringList arguments)
{
    if (!password.isEmpty())
        arguments = QStringList{QLatin1String(option), passwordSlot} + arguments;
    return arguments;
}

}  // namespace

namespace PdfReaders {

QStringList missingTools()
{
    QStringList missing;
    for (const char* tool : {"pdfinfo", "pdftotext", "mutool", "qpdf"}) {
#ifdef Q_OS_WIN
        if (useBridge()) {
            if (!run(QStringLiteral("/bin/sh"),
                     {QStringLiteral("-c"), QStringLiteral("command -v \"$1\""),
                      QStringLiteral("sh"), QLatin1String(tool)})
                     .ok)
                missing << QLatin1String(tool);
            continue;
        }
#endif
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            missing << QLatin1String(tool);
    }
    return missing;
}

bool runOnHost(const QString& program, const QStringList& arguments)
{
    return run(program, arguments).ok;
}

bool makeSymLink(const QString& target, const QString& link)
{
#ifdef Q_OS_WIN
    // QFile::link would make a shortcut, which is a file of its own.
    return useBridge() && runOnHost(QStringLiteral("ln"), {QStringLiteral("-s"), target, link});
#else
    return QFile::link(target, link);
#endif
}

PopplerInfo popplerInfo(const QString& path, const QByteArray& password, As as)
{
    const char* option = as == As::User ? "-upw" : "-opw";
    const Run result =
        run(QStringLiteral("pdfinfo"), withPassword(option, password, {path}), password);
    PopplerInfo info;
    info.output = QString::fromUtf8(result.out + result.err);
    info.opened = result.ok;
    if (!result.ok)
        return info;
    const QString out = QString::fromUtf8(result.out);
    const auto pages =
        QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption)
            .match(out);
    if (pages.hasMatch())
        info.pages = pages.captured(1).toInt();
    // "Encrypted:       yes (print:no copy:yes change:no addNotes:no algorithm:RC4)"
    const auto encrypted = QRegularExpression(QStringLiteral("^Encrypted:\\s+(yes|no)(.*)$"),
                                              QRegularExpression::MultilineOption)
                               .match(out);
    info.encrypted = encrypted.captured(1) == u"yes";
    auto flags =
        QRegularExpression(QStringLiteral("(\\w+):(\\S+)")).globalMatch(encrypted.captured(2));
    while (flags.hasNext()) {
        const auto flag = flags.next();
        if (flag.captured(1) == u"algorithm")
            info.algorithm = flag.captured(2).remove(u')');
        else
            info.permissions.insert(flag.captured(1), flag.captured(2) == u"yes");
    }
    return info;
}

QString popplerText(const QString& path, const QByteArray& password)
{
    const Run result = run(QStringLiteral("pdftotext"),
                           withPassword("-upw", password, {path, QStringLiteral("-")}), password);
    return result.ok ? QString::fromUtf8(result.out) : QString();
}

bool mupdfOpens(const QString& path, const QByteArray& password)
{
    return !mupdfText(path, password).isNull();
}

QString mupdfText(const QString& path, const QByteArray& password)
{
    const Run result =
        run(QStringLiteral("mutool"),
            QStringList{QStringLiteral("draw"), QStringLiteral("-q"), QStringLiteral("-F"),
                        QStringLiteral("txt"), QStringLiteral("-o"), QStringLiteral("-")} +
                withPassword("-p", password, {path}),
            password);
    // mutool reports some failures on stderr only.
    if (!result.ok || result.err.contains("error"))
        return {};
    return QString::fromUtf8(result.out);
}

MupdfEncryption mupdfEncryption(const QString& path, const QByteArray& password)
{
    const Run result =
        run(QStringLiteral("mutool"),
            QStringList{QStringLiteral("info")} + withPassword("-p", password, {path}), password);
    MupdfEncryption info;
    // mutool info reports a wrong password on stderr and still exits with 0.
    info.opened = result.ok && !result.err.contains("error");
    const QString out = QString::fromUtf8(result.out);
    const auto number = [&](const char* key) {
        const auto match =
            QRegularExpression(
                QStringLiteral("Encryption object.*\\n.*/%1 (-?\\d+)").arg(QLatin1String(key)))
                .match(out);
        return match.hasMatch() ? match.captured(1).toInt() : 0;
    };
    info.revision = number("R");
    info.permissions = number("P");
    return info;
}

QpdfEncryption qpdfEncryption(const QString& path, const QByteArray& password)
{
    QStringList arguments{QStringLiteral("--show-encryption"), path};
    if (!password.isEmpty())
        arguments << QStringLiteral("--password=") + passwordSlot;
    const Run result = run(QStringLiteral("qpdf"), arguments, password);
    QpdfEncryption info;
    info.output = QString::fromUtf8(result.out + result.err);
    info.opened = result.ok;
    if (!result.ok)
        return info;
    info.encrypted = !info.output.contains(QStringLiteral("File is not encrypted"));
    const auto number = [&](const QString& name) {
        const auto match = QRegularExpression(QStringLiteral("^%1 = (-?\\d+)").arg(name),
                                              QRegularExpression::MultilineOption)
                               .match(info.output);
        return match.hasMatch() ? match.captured(1).toInt() : 0;
    };
    info.revision = number(QStringLiteral("R"));
    info.permissions = number(QStringLiteral("P"));
    const auto method = QRegularExpression(QStringLiteral("^stream encryption method: (\\S+)"),
                                           QRegularExpression::MultilineOption)
                            .match(info.output);
    info.streamMethod = method.captured(1);
    return info;
}

bool qpdfCheck(const QString& path, const QByteArray& password)
{
    QStringList arguments{QStringLiteral("--check"), path};
    if (!password.isEmpty())
        arguments << QStringLiteral("--password=") + passwordSlot;
    const Run result = run(QStringLiteral("qpdf"), arguments, password);
    return result.ok && result.err.isEmpty() &&
           result.out.contains("No syntax or stream encoding errors found");
}

QString qpdfFirstWarning(const QString& path)
{
    const Run result = run(QStringLiteral("qpdf"), {QStringLiteral("--check"), path});
    // qpdf names the file as it got it, which under Wine is its Linux path.
    const QByteArray name = '/' + QFileInfo(path).fileName().toUtf8();
    for (const QByteArray& line : result.err.split('\n'))
        if (const qsizetype at = line.indexOf(name); line.startsWith("WARNING: ") && at >= 0)
            return QString::fromUtf8(line.mid(at + name.size()));
    return {};
}

QString protectionProblems(const QString& path, const Expected& expected)
{
    QStringList problems;
    const auto check = [&](bool ok, const QString& what) {
        if (!ok)
            problems << what;
    };
    // poppler and qpdf take the bytes the strength stores (PDFDocEncoding,
    // which is Latin-1 for the passwords tests use, below 256-bit AES);
    // MuPDF takes UTF-8 and encodes it itself.
    const bool aes256 = expected.strength == 3;
    const auto stored = [aes256](const QString& password) {
        return aes256 ? password.toUtf8() : password.toLatin1();
    };
    const QByteArray user = stored(expected.userPassword);
    const QByteArray owner = stored(expected.ownerPassword);
    const int revision = QList<int>{2, 3, 4, 6}.value(expected.strength);
    const QString algorithm = QStringList{QStringLiteral("RC4"), QStringLiteral("RC4"),
                                          QStringLiteral("AES"), QStringLiteral("AES-256")}
                                  .value(expected.strength);
    const auto allows = [&](int bit) { return ((expected.permissions >> (bit - 1)) & 1) != 0; };
    const qsizetype pages = expected.pageTexts.size();

    const PopplerInfo info = popplerInfo(path, user);
    check(info.opened, QStringLiteral("poppler does not open it: ") + info.output);
    check(info.encrypted, QStringLiteral("poppler sees no encryption"));
    check(info.pages == pages, QStringLiteral("poppler sees %1 pages").arg(info.pages));
    check(info.algorithm == algorithm, QStringLiteral("poppler sees ") + info.algorithm);
    const std::pair<const char*, int> flags[] = {
        {"print", 3}, {"change", 4}, {"copy", 5}, {"addNotes", 6}};
    for (const auto& [flag, bit] : flags)
        check(info.permissions.value(QLatin1String(flag)) == allows(bit),
              QStringLiteral("poppler's %1 flag").arg(QLatin1String(flag)));
    check(popplerInfo(path, owner, As::Owner).opened,
          QStringLiteral("poppler does not open it with the owner password"));
    if (!user.isEmpty()) {
        check(!popplerInfo(path, "wrong", As::Owner).opened,
              QStringLiteral("poppler opens it with a wrong owner password"));
        check(!popplerInfo(path).opened, QStringLiteral("poppler opens it without a password"));
        check(!popplerInfo(path, "wrong").opened,
              QStringLiteral("poppler opens it with a wrong one"));
        check(!mupdfOpens(path), QStringLiteral("MuPDF opens it without a password"));
    }

    const MupdfEncryption mupdf = mupdfEncryption(path, expected.userPassword.toUtf8());
    check(mupdf.opened, QStringLiteral("MuPDF does not open it"));
    check(mupdf.revision == revision, QStringLiteral("MuPDF sees revision %1").arg(mupdf.revision));
    check(mupdf.permissions == expected.permissions,
          QStringLiteral("MuPDF sees P %1").arg(mupdf.permissions));
    check(mupdfOpens(path, expected.ownerPassword.toUtf8()),
          QStringLiteral("MuPDF does not open it with the owner password"));

    const QpdfEncryption qpdf = qpdfEncryption(path, owner);
    check(qpdf.opened && qpdf.revision == revision && qpdf.permissions == expected.permissions,
          QStringLiteral("qpdf sees: ") + qpdf.output);
    check(qpdfCheck(path, owner), QStringLiteral("qpdf --check finds faults"));

    const QString popplerText = PdfReaders::popplerText(path, user);
    const QString mupdfText = PdfReaders::mupdfText(path, expected.userPassword.toUtf8());
    for (const QString& text : expected.pageTexts)
        check(popplerText.contains(text) && mupdfText.contains(text),
              QStringLiteral("a reader does not show \"%1\"").arg(text));
    return problems.join(QStringLiteral("; "));
}

}  // namespace PdfReaders
