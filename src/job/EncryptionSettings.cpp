#include "job/EncryptionSettings.h"

#include "job/PdfLibrary.h"

QString EncryptionSettings::effectiveUserPassword() const
{
    return requireUserPassword ? userPassword : QString();
}

SettingsCheck CheckSettings(const EncryptionSettings& settings)
{
    SettingsCheck check;
    const QString user = settings.effectiveUserPassword();
    if (settings.ownerPassword.isEmpty())
        check.problem = SettingsCheck::NoOwnerPassword;
    else if (settings.requireUserPassword && user.isEmpty())
        check.problem = SettingsCheck::NoUserPassword;
    else if (settings.requireUserPassword &&
             PdfLibrary::PasswordsStoredAlike(user, settings.ownerPassword, settings.strength))
        check.problem = SettingsCheck::UserSameAsOwner;
    if (check.problem != SettingsCheck::None)
        return check;
    for (const bool inUser : {false, true}) {
        const PdfLibrary::PasswordCheck password =
            PdfLibrary::CheckPassword(inUser ? user : settings.ownerPassword, settings.strength);
        if (password.fault != PdfLibrary::PasswordFault::None) {
            check.problem = SettingsCheck::PasswordNotStorable;
            check.inUserPassword = inUser;
            check.fault = password.fault;
            check.character = password.character;
            return check;
        }
    }
    return check;
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
