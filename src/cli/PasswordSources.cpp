#include "cli/PasswordSources.h"

#include "cli/Console.h"

#include <QFile>
#include <QStringDecoder>

namespace {

std::optional<QString> decodeUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

QString describe(const PasswordSource& source)
{
    switch (source.kind) {
    case PasswordSource::File:
        return QStringLiteral("password file ") + source.name;
    case PasswordSource::Environment:
        return QStringLiteral("variable ") + source.name;
    case PasswordSource::StandardInput:
        break;
    }
    return QStringLiteral("standard input");
}

bool readFile(const QString& name, QByteArray& bytes, QString& error)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1: %2").arg(name, file.errorString());
        return false;
    }
    bytes = file.readAll();
    return true;
}

}  // namespace

QStringList SplitLines(const QByteArray& bytes, bool* valid)
{
    const std::optional<QString> text = decodeUtf8(bytes);
    if (valid)
        *valid = text.has_value();
    if (!text || text->isEmpty())
        return {};
    QStringList lines = text->split(QLatin1Char('\n'));
    // The line end of the last line ends nothing after it.
    if (lines.last().isEmpty())
        lines.removeLast();
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    return lines;
}

PasswordText ReadPassword(const PasswordSource& source)
{
    PasswordText result;
    QByteArray bytes;
    switch (source.kind) {
    case PasswordSource::File:
        if (!readFile(source.name, bytes, result.error))
            return result;
        break;
    case PasswordSource::Environment:
        if (!qEnvironmentVariableIsSet(source.name.toLocal8Bit().constData())) {
            result.error = QStringLiteral("the variable %1 is not set").arg(source.name);
            return result;
        }
        // A variable's value is the password whole: it has no line end.
        bytes = EnvironmentBytes(source.name);
        if (const std::optional<QString> text = decodeUtf8(bytes))
            result.text = *text;
        else
            result.error = QStringLiteral("the %1 is not UTF-8").arg(describe(source));
        return result;
    case PasswordSource::StandardInput: {
        bytes = ReadInputLine("Owner password: ");
        if (bytes.isEmpty()) {
            result.error = QStringLiteral("no password on standard input");
            return result;
        }
        break;
    }
    }
    bool valid = true;
    const QStringList lines = SplitLines(bytes, &valid);
    if (!valid)
        result.error = QStringLiteral("the %1 is not UTF-8").arg(describe(source));
    else
        result.text = lines.value(0);
    return result;
}

PasswordText ReadPasswordLines(const QString& file)
{
    PasswordText result;
    QByteArray bytes;
    if (!readFile(file, bytes, result.error))
        return result;
    bool valid = true;
    result.lines = SplitLines(bytes, &valid);
    if (!valid)
        result.error = QStringLiteral("the password file %1 is not UTF-8").arg(file);
    return result;
}

PasswordText ReadTextFile(const QString& file)
{
    PasswordText result;
    QByteArray bytes;
    if (!readFile(file, bytes, result.error))
        return result;
    if (const std::optional<QString> text = decodeUtf8(bytes))
        result.text = *text;
    else
        result.error = QStringLiteral("%1 is not UTF-8").arg(file);
    return result;
}

QStringList InputPasswordsToTry(const QStringList& fileLines)
{
    QStringList passwords = fileLines;
    if (!passwords.contains(QString()))
        passwords << QString();
    return passwords;
}
