#include "cli/CliOptions.h"

#include "cli/Words.h"

#include <QCommandLineParser>

namespace {

const QString TopLevelHelp = QStringLiteral(
    "Usage: sealmark-cli encrypt [OPTIONS] INPUT...\n"
    "       sealmark-cli info [--json] [--input-password-file FILE] FILE...\n"
    "       sealmark-cli --help | --version\n"
    "\n"
    "Puts PDF security (passwords, permissions, 40-bit RC4 to 256-bit AES) on PDF files.\n"
    "\n"
    "Commands:\n"
    "  encrypt  protect PDF files, and the PDF files in folders, into an output folder\n"
    "  info     show the pages, protection and signatures of PDF files\n"
    "\n"
    "'sealmark-cli COMMAND --help' shows the options of a command.\n");

CommandLine usageError(const QString& message)
{
    CommandLine line;
    line.command = CommandLine::UsageError;
    line.text = message;
    return line;
}

// A password given as an option's value: --owner-password=... and the like.
QString passwordValueError(const QStringList& arguments)
{
    const QStringList names = {QStringLiteral("--owner-password"),
                               QStringLiteral("--user-password")};
    for (const QString& argument : arguments.mid(1)) {
        if (argument == QLatin1String("--"))
            break;
        for (const QString& name : names) {
            if (argument != name && !argument.startsWith(name + u'='))
                continue;
            const QString stdinToo =
                name == names.first() ? QStringLiteral(" or %1-stdin").arg(name) : QString();
            return QStringLiteral("%1 is refused: a password on the command line can be read by "
                                  "every user of the machine in the list of processes; use "
                                  "%1-file, %1-env%2")
                .arg(name, stdinToo);
        }
    }
    return {};
}

// The help of a command: QCommandLineParser's, with the command in its usage line.
QString commandHelp(const QCommandLineParser& parser, const QString& usage)
{
    const QString text = parser.helpText();
    return QStringLiteral("Usage: sealmark-cli ") + usage + text.mid(text.indexOf(u'\n'));
}

// Every option that takes a value may be given once.
QString repeatedOption(const QCommandLineParser& parser, const QList<QCommandLineOption>& options)
{
    for (const QCommandLineOption& option : options)
        if (!option.valueName().isEmpty() && parser.values(option).size() > 1)
            return QStringLiteral("--%1 is given more than once").arg(option.names().last());
    return {};
}

CommandLine parseEncrypt(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption recursive(
        {QStringLiteral("r"), QStringLiteral("recursive")},
        QStringLiteral("Also take the PDF files in subfolders; outputs go into the same "
                       "subfolders under the output folder."));
    const QCommandLineOption outputDir(
        {QStringLiteral("o"), QStringLiteral("output-dir")},
        QStringLiteral("Write the protected files into DIR (required; created if missing)."),
        QStringLiteral("DIR"));
    const QCommandLineOption strength(
        QStringLiteral("strength"),
        QStringLiteral("rc4-40, rc4-128, aes-128 or aes-256 (the default)."),
        QStringLiteral("STRENGTH"), QStringLiteral("aes-256"));
    const QCommandLineOption allow(
        QStringLiteral("allow"),
        QStringLiteral("What readers may do: all, none (the default) or a comma-separated list "
                       "of print, hires-print, copy, edit, annotate, fill-forms, accessibility, "
                       "assemble."),
        QStringLiteral("LIST"), QStringLiteral("none"));
    const QCommandLineOption ownerFile(QStringLiteral("owner-password-file"),
                                       QStringLiteral("The owner password is FILE's first line."),
                                       QStringLiteral("FILE"));
    const QCommandLineOption ownerEnv(QStringLiteral("owner-password-env"),
                                      QStringLiteral("The owner password is in variable VAR."),
                                      QStringLiteral("VAR"));
    const QCommandLineOption ownerStdin(
        QStringLiteral("owner-password-stdin"),
        QStringLiteral("The owner password is the first line of standard input."));
    const QCommandLineOption userFile(
        QStringLiteral("user-password-file"),
        QStringLiteral("Files need a password to open: FILE's first line."),
        QStringLiteral("FILE"));
    const QCommandLineOption userEnv(
        QStringLiteral("user-password-env"),
        QStringLiteral("Files need a password to open: the value of variable VAR."),
        QStringLiteral("VAR"));
    const QCommandLineOption inputPasswords(
        QStringLiteral("input-password-file"),
        QStringLiteral("Passwords for protected inputs, one per line, tried in turn; an empty "
                       "line means no password."),
        QStringLiteral("FILE"));
    const QCommandLineOption passwordsCsv(
        QStringLiteral("passwords-csv"),
        QStringLiteral("Per-file passwords: a CSV with the columns file, user_password and "
                       "optionally owner_password."),
        QStringLiteral("FILE"));
    const QCommandLineOption onSigned(
        QStringLiteral("on-signed"),
        QStringLiteral("Signed, certified, Reader-extended or PDF/A inputs: fail (the default; "
                       "nothing is written), skip them, or protect them anyway."),
        QStringLiteral("MODE"), QStringLiteral("fail"));
    const QCommandLineOption jobs(
        QStringLiteral("jobs"),
        QStringLiteral("Protect N files at once (default: the number of cores)."),
        QStringLiteral("N"));
    const QCommandLineOption report(QStringLiteral("report"),
                                    QStringLiteral("Write a JSON report of the run to FILE."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
                                   QStringLiteral("Show no progress."));
    const QList<QCommandLineOption> options = {help,     recursive, outputDir,      strength,
                                               allow,    ownerFile, ownerEnv,       ownerStdin,
                                               userFile, userEnv,   inputPasswords, passwordsCsv,
                                               onSigned, jobs,      report,         quiet};
    parser.addOptions(options);
    parser.addPositionalArgument(QStringLiteral("INPUT"),
                                 QStringLiteral("PDF files, or folders of PDF files."),
                                 QStringLiteral("INPUT..."));
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    CommandLine line;
    if (parser.isSet(help)) {
        line.command = CommandLine::Help;
        line.text = commandHelp(parser, QStringLiteral("encrypt [OPTIONS] INPUT..."));
        return line;
    }
    if (const QString error = repeatedOption(parser, options); !error.isEmpty())
        return usageError(error);

    EncryptOptions& o = line.encrypt;
    o.inputs = parser.positionalArguments();
    if (o.inputs.isEmpty())
        return usageError(QStringLiteral("no INPUT given"));
    o.outputDir = parser.value(outputDir);
    if (o.outputDir.isEmpty())
        return usageError(QStringLiteral("--output-dir is required"));
    o.recursive = parser.isSet(recursive);
    o.quiet = parser.isSet(quiet);
    o.inputPasswordFile = parser.value(inputPasswords);
    o.passwordsCsv = parser.value(passwordsCsv);
    o.reportFile = parser.value(report);

    const std::optional<int> strengthCode = Words::StrengthFromName(parser.value(strength));
    if (!strengthCode)
        return usageError(QStringLiteral("--strength must be rc4-40, rc4-128, aes-128 or aes-256"));
    o.strength = *strengthCode;
    QString error;
    const auto permissions = ParseAllowList(parser.value(allow), o.strength, &error);
    if (!permissions)
        return usageError(error);
    o.permissions = *permissions;

    const QStringList modes = {QStringLiteral("fail"), QStringLiteral("skip"),
                               QStringLiteral("protect")};
    const qsizetype mode = modes.indexOf(parser.value(onSigned));
    if (mode < 0)
        return usageError(QStringLiteral("--on-signed must be fail, skip or protect"));
    o.onSigned = OnSigned(mode);

    if (parser.isSet(jobs)) {
        bool isNumber = false;
        o.jobs = parser.value(jobs).toInt(&isNumber);
        if (!isNumber || o.jobs < 1)
            return usageError(QStringLiteral("--jobs must be a whole number from 1 up"));
    }

    const int ownerSources =
        int(parser.isSet(ownerFile)) + int(parser.isSet(ownerEnv)) + int(parser.isSet(ownerStdin));
    if (ownerSources != 1)
        return usageError(QStringLiteral("give the owner password with exactly one of "
                                         "--owner-password-file, --owner-password-env and "
                                         "--owner-password-stdin"));
    if (parser.isSet(ownerFile))
        o.ownerPassword = {PasswordSource::File, parser.value(ownerFile)};
    else if (parser.isSet(ownerEnv))
        o.ownerPassword = {PasswordSource::Environment, parser.value(ownerEnv)};
    else
        o.ownerPassword = {PasswordSource::StandardInput, QString()};
    if (parser.isSet(userFile) && parser.isSet(userEnv))
        return usageError(
            QStringLiteral("give the user password with one of --user-password-file and "
                           "--user-password-env"));
    if (parser.isSet(userFile))
        o.userPassword = PasswordSource{PasswordSource::File, parser.value(userFile)};
    else if (parser.isSet(userEnv))
        o.userPassword = PasswordSource{PasswordSource::Environment, parser.value(userEnv)};
    line.command = CommandLine::Encrypt;
    return line;
}

CommandLine parseInfo(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Print a JSON array, one object per file."));
    const QCommandLineOption inputPasswords(
        QStringLiteral("input-password-file"),
        QStringLiteral("Passwords for protected files, one per line, tried in turn; an empty "
                       "line means no password."),
        QStringLiteral("FILE"));
    const QList<QCommandLineOption> options = {help, json, inputPasswords};
    parser.addOptions(options);
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("PDF files."),
                                 QStringLiteral("FILE..."));
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    CommandLine line;
    if (parser.isSet(help)) {
        line.command = CommandLine::Help;
        line.text = commandHelp(
            parser, QStringLiteral("info [--json] [--input-password-file FILE] FILE..."));
        return line;
    }
    if (const QString error = repeatedOption(parser, options); !error.isEmpty())
        return usageError(error);
    line.info.files = parser.positionalArguments();
    if (line.info.files.isEmpty())
        return usageError(QStringLiteral("no FILE given"));
    line.info.json = parser.isSet(json);
    line.info.inputPasswordFile = parser.value(inputPasswords);
    line.command = CommandLine::Info;
    return line;
}

}  // namespace

CommandLine ParseCommandLine(const QStringList& arguments)
{
    if (const QString error = passwordValueError(arguments); !error.isEmpty())
        return usageError(error);
    const QString first = arguments.value(1);
    // The command's own parser sees the program's name and what follows the command.
    const QStringList rest = arguments.mid(0, 1) + arguments.mid(2);
    if (first == QLatin1String("encrypt"))
        return parseEncrypt(rest);
    if (first == QLatin1String("info"))
        return parseInfo(rest);
    CommandLine line;
    if (first == QLatin1String("--help") || first == QLatin1String("-h")) {
        line.command = CommandLine::Help;
        line.text = TopLevelHelp;
    } else if (first == QLatin1String("--version")) {
        line.command = CommandLine::Version;
    } else if (first.isEmpty() && arguments.size() < 2) {
        line = usageError(QStringLiteral("no command given"));
    } else if (first.startsWith(u'-')) {
        line = usageError(QStringLiteral("unknown option '%1'").arg(first));
    } else {
        line = usageError(QStringLiteral("unknown command '%1'").arg(first));
    }
    return line;
}

std::optional<std::array<bool, EncryptionSettings::PermissionCount>>
ParseAllowList(const QString& list, int strength, QString* error)
{
    std::array<bool, EncryptionSettings::PermissionCount> permissions{};
    // 40-bit RC4 stores print, copy, edit and annotate alone.
    const int held = strength == EncryptionSettings::Rc4_40 ? EncryptionSettings::Annotate + 1
                                                            : EncryptionSettings::PermissionCount;
    if (list == QLatin1String("none"))
        return permissions;
    if (list == QLatin1String("all")) {
        for (int i = 0; i < held; ++i)
            permissions[size_t(i)] = true;
        return permissions;
    }
    for (const QString& item : list.split(u',')) {
        const QString name = item.trimmed();
        const std::optional<int> permission = Words::PermissionFromName(name);
        if (!permission) {
            *error = QStringLiteral("--allow: unknown permission '%1' (use all, none or a list of "
                                    "print, hires-print, copy, edit, annotate, fill-forms, "
                                    "accessibility, assemble)")
                         .arg(name);
            return std::nullopt;
        }
        if (*permission >= held) {
            *error = QStringLiteral("--allow: rc4-40 stores only print, copy, edit and annotate, "
                                    "not %1")
                         .arg(name);
            return std::nullopt;
        }
        permissions[size_t(*permission)] = true;
    }
    // High-resolution printing is printing too.
    if (permissions[EncryptionSettings::HighResPrint])
        permissions[EncryptionSettings::Print] = true;
    return permissions;
}
