#include "settings/Settings.h"

#include <QSettings>

namespace {

QSettings store()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope,
                     QStringLiteral("Corvella Software"), QStringLiteral("Sealmark"));
}

} // namespace

QString ReadSetting(const QString& name)
{
    const QVariant value = store().value(name);
    if (!value.canConvert<QString>())
        return {};
    QString text = value.toString();
    if (text.isEmpty() || text.front() == QChar(0))
        return {};
    if (text.back() == QChar(0))
        text.chop(1);
    return text;
}

void WriteSetting(const QString& name, const QString& value)
{
    QSettings settings = store();
    settings.setValue(name, value);
    settings.sync();
}
