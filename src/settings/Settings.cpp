#include "settings/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace {

QSettings store()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope,
                     QStringLiteral("Corvella Software"), QStringLiteral("Sealmark"));
}

// The stored owner password is for its user's eyes only: the file is made
// readable by its owner alone before anything is written into it (what
// QSettings writes later keeps those permissions), and a folder made for it
// is its owner's alone. A file left by an earlier version is tightened.
void keepPrivate(const QString& file)
{
#ifdef Q_OS_UNIX
    const QFileInfo info(file);
    const QString folder = info.absolutePath();
    if (!QFileInfo::exists(folder)) {
        QDir().mkpath(QFileInfo(folder).absolutePath());
        QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
    if (info.exists()) {
        QFile::setPermissions(file, ownerOnly);
    } else {
        QFile created(file);
        created.open(QIODevice::WriteOnly | QIODevice::NewOnly, ownerOnly);
    }
#else
    Q_UNUSED(file);  // the registry's per-user key is private already
#endif
}

}  // namespace

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
    if (settings.format() == QSettings::NativeFormat && !settings.fileName().isEmpty())
        keepPrivate(settings.fileName());
    settings.setValue(name, value);
    settings.sync();
}
