#pragma once

#include <QSettings>
#include <QString>

// The program's per-user settings in tests, kept in a temporary folder.
namespace TestSettings {

// Points the settings at `folder` for the rest of the test program.
inline void isolate(const QString& folder)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
}

// The store the program reads and writes, for a test to look into.
inline QSettings store()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope,
                     QStringLiteral("Corvella Software"), QStringLiteral("Sealmark"));
}

} // namespace TestSettings
