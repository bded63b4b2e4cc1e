#include "job/EncryptionSettings.h"

#include "job/PdfLibrary.h"

QString EncryptionSettings::effectiveUserPassword() const
{
    return requireUserPassword ? userPassword : QString();
}

int ApplyEncryptionSettings(PdfLibrary& library, const EncryptionSettings& settings)
{
    const auto allowed = [&](EncryptionSettings::Permission permission) {
        return settings.permissions[permission] ? 1 : 0;
    };
    const int permissions = library.ComposePermissions(
        allowed(EncryptionSettings::Print), allowed(EncryptionSettings::Copy),
        allowed(EncryptionSettings::Edit), allowed(EncryptionSettings::Annotate),
        allowed(EncryptionSettings::FillForms), allowed(EncryptionSettings::Accessibility),
        allowed(EncryptionSettings::Assemble), allowed(EncryptionSettings::HighResPrint));
    return library.ApplyEncryption(settings.ownerPassword, settings.effectiveUserPassword(),
                                   settings.strength, permissions);
}
