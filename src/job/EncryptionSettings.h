#pragma once

#include "job/PdfLibrary.h"

#include <QString>

#include <array>

// The security every output of a run receives, as the settings page holds it.
struct EncryptionSettings
{
    enum Strength { Rc4_40 = 0, Rc4_128 = 1, Aes_128 = 2, Aes_256 = 3 };
    enum Permission {
        Print = 0, Copy, Edit, Annotate, FillForms, Accessibility, Assemble, HighResPrint,
        PermissionCount
    };

    QString ownerPassword;
    bool requireUserPassword = false;
    QString userPassword;   // kept while requireUserPassword is off, but not used
    std::array<bool, PermissionCount> permissions{};
    int strength = Aes_128;

    // The user password the document gets: "" unless one is required.
    QString effectiveUserPassword() const;
};

// What keeps settings from protecting files the way they say, the first
// found in this order: no owner password; a required user password that is
// empty; a user password the strength stores as the owner password
// (PdfLibrary::PasswordsStoredAlike: every reader would open the files as
// owner, and no restriction would apply); a password the
// strength cannot store as it stands (PdfLibrary::CheckPassword), the owner
// password's first.
struct SettingsCheck
{
    enum Problem { None, NoOwnerPassword, NoUserPassword, UserSameAsOwner, PasswordNotStorable };
    Problem problem = None;
    bool inUserPassword = false;   // PasswordNotStorable: which password
    PdfLibrary::PasswordFault fault = PdfLibrary::PasswordFault::None;
    QChar character;               // PasswordNotStorable: the first character at fault
};
SettingsCheck CheckSettings(const EncryptionSettings& settings);

// Gives the loaded document of `library` the security of `settings`:
// ComposePermissions with the eight permissions in order, then
// ApplyEncryption with the owner password, the effective user password and
// the strength code, all passed exactly as held. Returns ApplyEncryption's
// result (0 on failure, the reason in library.ErrorCode()).
int ApplyEncryptionSettings(PdfLibrary& library, const EncryptionSettings& settings);
