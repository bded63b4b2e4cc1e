#pragma once

#include <QSettings>
#include <QString>

// The program's per-user settings in tests, kept in a temporary folder.
namespace TestSettings {

// The store the program reads and writes, for a test to look into.
inline QSettings store()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope,
                     QStringLiteral("Corvella Software"), QStringLiteral("Sealmark"));
}

// Points the settings at `folder` for the rest of the test program.
inline void isolate(const QString& folder)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
#ifdef Q_OS_WIN
    // The registry key cannot be moved: the test starts from an empty one.
    // scripts/windows/test runs the tests one at a time in a fresh Wine prefix.
    store().clear();
#endif
}

} // namespace TestSettings
