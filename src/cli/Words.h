#pragma once

#include "job/EncryptionSettings.h"
#include "job/PdfLibrary.h"

#include <QString>

#include <array>
#include <optional>

// The names and words the command line uses for what the engine deals in
// numbers: strengths, permissions, error codes and document features.
namespace Words {

// "rc4-40", "rc4-128", "aes-128", "aes-256" for strength codes 0 to 3.
QString StrengthName(int strength);
std::optional<int> StrengthFromName(const QString& name);

// The names --allow takes, in EncryptionSettings::Permission order.
inline constexpr std::array<const char*, EncryptionSettings::PermissionCount> PermissionNames = {
    "print", "copy", "edit", "annotate", "fill-forms", "accessibility", "assemble", "hires-print"};
std::optional<int> PermissionFromName(const QString& name);
// What each permission lets a reader do, for people.
QString PermissionWords(int permission);

// What a document's security grants, read the way readers do: below
// revision 3 the four stored bits stand for the others too (annotate for
// filling in forms, copy for accessibility, edit for assembling, print for
// high resolution); high resolution needs printing. Everything is granted
// without encryption.
std::array<bool, EncryptionSettings::PermissionCount>
GrantedPermissions(const PdfLibrary::Protection& protection);

// The reason behind one of PdfLibrary's error codes, e.g. "needs a password".
QString ErrorWords(int code);

// The PdfLibrary::Feature bits as "signed", "certified and Reader-extended" ...;
// "" for none. A certified document is not also called signed.
QString FeatureWords(int features);

// Why a settings check failed, e.g. "the owner password is empty".
QString SettingsProblemWords(const SettingsCheck& check, int strength);

}  // namespace Words
