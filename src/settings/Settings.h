#pragma once

#include <QString>

// The program's three per-user text settings ("Path", "Skin",
// "OwnerPassword"), kept under organization "Corvella Software", application
// "Sealmark" in the platform's native store: on Windows the registry key
// HKEY_CURRENT_USER\Software\Corvella Software\Sealmark, elsewhere the user's
// "Corvella Software/Sealmark.conf".

// The stored text; "" when the value is missing or unreadable. A value whose
// first character is NUL reads as ""; one trailing NUL is dropped; a number
// reads as its decimal text.
QString ReadSetting(const QString& name);

// The owner password the settings page shows when none is stored.
inline const QString DefaultOwnerPassword = QStringLiteral("Kesto");

// Stores the text; failures are silent.
void WriteSetting(const QString& name, const QString& value);
