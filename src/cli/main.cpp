#include "ProgramInfo.h"
#include "cli/CliOptions.h"
#include "cli/Console.h"
#include "cli/EncryptCommand.h"
#include "cli/InfoCommand.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("sealmark-cli"));
    QCoreApplication::setApplicationVersion(ProgramVersion);

    Console console;
    const CommandLine line = ParseCommandLine(QCoreApplication::arguments());
    switch (line.command) {
    case CommandLine::Help:
        console.out(line.text);
        return ExitSuccess;
    case CommandLine::Version:
        console.out(QStringLiteral("sealmark-cli (%1) %2\n").arg(ProgramTitle, ProgramVersion));
        return ExitSuccess;
    case CommandLine::Encrypt:
        return RunEncrypt(line.encrypt, console);
    case CommandLine::Info:
        return RunInfo(line.info, console);
    case CommandLine::UsageError:
        break;
    }
    console.usageError(line.text);
    return ExitUsage;
}
