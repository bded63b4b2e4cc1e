#include "cli/Report.h"

#include "ProgramInfo.h"
#include "cli/Words.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

namespace {

QJsonValue orNull(const QString& text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

template <typename T>
QJsonValue orNull(const std::optional<T>& value)
{
    return value ? QJsonValue(*value) : QJsonValue();
}

}  // namespace

QJsonObject ReportJson(const EncryptionSettings& settings, const QList<FileOutcome>& outcomes)
{
    QJsonObject permissions;
    for (int i = 0; i < EncryptionSettings::PermissionCount; ++i)
        permissions.insert(QLatin1String(Words::PermissionNames[size_t(i)]),
                           settings.permissions[size_t(i)]);
    const QString statusNames[] = {QStringLiteral("saved"), QStringLiteral("failed"),
                                   QStringLiteral("skipped")};
    int counts[3] = {};
    QJsonArray files;
    for (const FileOutcome& outcome : outcomes) {
        ++counts[outcome.status];
        files.append(QJsonObject{{QStringLiteral("input"), outcome.input},
                                 {QStringLiteral("output"), orNull(outcome.output)},
                                 {QStringLiteral("status"), statusNames[outcome.status]},
                                 {QStringLiteral("error_code"), orNull(outcome.errorCode)},
                                 {QStringLiteral("message"), outcome.message},
                                 {QStringLiteral("pages"), orNull(outcome.pages)},
                                 {QStringLiteral("seconds"), orNull(outcome.seconds)},
                                 {QStringLiteral("repaired"), !outcome.repairNote.isEmpty()},
                                 {QStringLiteral("repair_warning"), orNull(outcome.repairNote)}});
    }
    return QJsonObject{
        {QStringLiteral("version"), ProgramVersion},
        {QStringLiteral("settings"),
         QJsonObject{{QStringLiteral("strength"), Words::StrengthName(settings.strength)},
                     {QStringLiteral("permissions"), permissions}}},
        {QStringLiteral("summary"), QJsonObject{{QStringLiteral("saved"), counts[0]},
                                                {QStringLiteral("failed"), counts[1]},
                                                {QStringLiteral("skipped"), counts[2]}}},
        {QStringLiteral("files"), files}};
}

QString WriteReport(const QString& path, const QJsonObject& report)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    file.write(QJsonDocument(report).toJson(QJsonDocument::Indented));
    if (!file.commit())
        return file.errorString();
    return {};
}
