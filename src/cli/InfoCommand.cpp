#include "cli/InfoCommand.h"

#include "cli/Console.h"
#include "cli/EncryptCommand.h"
#include "cli/Inputs.h"
#include "cli/PasswordSources.h"
#include "cli/Words.h"
#include "job/OpenedInput.h"
#include "job/PdfLibrary.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

namespace {

struct FileInfo : OpenedInput
{
    QString file;
};

FileInfo inspect(PdfLibrary& pdf, const QString& file, const QStringList& passwords)
{
    FileInfo info;
    static_cast<OpenedInput&>(info) = OpenInput(pdf, file, passwords, {}, /*findRepairs=*/true);
    info.file = file;
    return info;
}

QJsonObject toJson(const FileInfo& info)
{
    const bool opened = info.errorCode == 0;
    const PdfLibrary::Protection& protection = info.protection;
    const bool known = opened && protection.encrypted;
    QJsonObject permissions;
    const auto granted = Words::GrantedPermissions(protection);
    for (size_t i = 0; i < granted.size(); ++i)
        permissions.insert(QLatin1String(Words::PermissionNames[i]), opened && granted[i]);
    const auto feature = [&](int bit) { return (info.features & bit) != 0; };
    return QJsonObject{
        {QStringLiteral("file"), info.file},
        {QStringLiteral("pages"), opened ? QJsonValue(info.pages) : QJsonValue()},
        {QStringLiteral("encrypted"), protection.encrypted},
        {QStringLiteral("revision"), known ? QJsonValue(protection.revision) : QJsonValue()},
        {QStringLiteral("key_bits"), known ? QJsonValue(protection.keyBits) : QJsonValue()},
        {QStringLiteral("cipher"),
         known ? QJsonValue(protection.aes ? QStringLiteral("AES") : QStringLiteral("RC4"))
               : QJsonValue()},
        {QStringLiteral("permissions"), permissions},
        {QStringLiteral("signed"), feature(PdfLibrary::Signed)},
        {QStringLiteral("certified"), feature(PdfLibrary::Certified)},
        {QStringLiteral("usage_rights"), feature(PdfLibrary::UsageRights)},
        {QStringLiteral("pdfa"), feature(PdfLibrary::PdfA)},
        {QStringLiteral("repaired"), !info.repairNote.isEmpty()},
        {QStringLiteral("repair_warning"),
         info.repairNote.isEmpty() ? QJsonValue() : QJsonValue(info.repairNote)},
        {QStringLiteral("error"),
         opened ? QJsonValue() : QJsonValue(Words::ErrorWords(info.errorCode))}};
}

QString toText(const FileInfo& info)
{
    const PdfLibrary::Protection& protection = info.protection;
    QString encryption = QStringLiteral("none");
    if (protection.encrypted)
        encryption = QStringLiteral("%1-bit %2, revision %3")
                         .arg(protection.keyBits)
                         .arg(protection.aes ? QStringLiteral("AES") : QStringLiteral("RC4"))
                         .arg(protection.revision);
    QStringList granted;
    const auto permissions = Words::GrantedPermissions(protection);
    for (int i = 0; i < int(permissions.size()); ++i)
        if (permissions[size_t(i)])
            granted << Words::PermissionWords(i);
    QString grantedText = granted.join(QStringLiteral(", "));
    if (granted.isEmpty())
        grantedText = QStringLiteral("none");
    else if (granted.size() == int(permissions.size()))
        grantedText = QStringLiteral("all");
    const auto yesNo = [&](int feature) {
        return (info.features & feature) ? QStringLiteral("yes") : QStringLiteral("no");
    };
    return QStringLiteral("%1\n"
                          "  Pages:            %2\n"
                          "  Encryption:       %3\n"
                          "  Permissions:      %4\n"
                          "  Signed:           %5\n"
                          "  Certified:        %6\n"
                          "  Reader-extended:  %7\n"
                          "  PDF/A:            %8\n"
                          "  Repaired:         %9\n")
        .arg(info.file)
        .arg(info.pages)
        .arg(encryption, grantedText, yesNo(PdfLibrary::Signed), yesNo(PdfLibrary::Certified),
             yesNo(PdfLibrary::UsageRights), yesNo(PdfLibrary::PdfA),
             info.repairNote.isEmpty() ? QStringLiteral("no")
                                       : QStringLiteral("yes (%1)").arg(info.repairNote));
}

}  // namespace

int RunInfo(const InfoOptions& options, Console& console)
{
    QStringList lines;
    if (!options.inputPasswordFile.isEmpty()) {
        const PasswordText read = ReadPasswordLines(options.inputPasswordFile);
        if (!read.error.isEmpty()) {
            console.error(read.error);
            return ExitUsage;
        }
        lines = read.lines;
    }
    const QStringList passwords = InputPasswordsToTry(lines);
    PdfLibrary pdf;
    QJsonArray array;
    QStringList texts;
    int code = ExitSuccess;
    for (const QString& file : options.files) {
        const FileInfo info = inspect(pdf, file, passwords);
        if (info.errorCode != 0) {
            code = ExitSomeFailed;
            console.error(QStringLiteral("%1: %2 (error %3)")
                              .arg(file, Words::ErrorWords(info.errorCode))
                              .arg(info.errorCode));
        }
        if (options.json)
            array.append(toJson(info));
        else if (info.errorCode == 0)
            texts << toText(info);
    }
    console.out(options.json ? QString::fromUtf8(QJsonDocument(array).toJson())
                             : texts.join(u'\n'));
    return code;
}
