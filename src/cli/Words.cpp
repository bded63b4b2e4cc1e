#include "cli/Words.h"

#include <QStringList>

namespace Words {

namespace {

const char* const StrengthNames[] = {"rc4-40", "rc4-128", "aes-128", "aes-256"};

}  // namespace

QString StrengthName(int strength)
{
    return strength >= 0 && strength < int(std::size(StrengthNames))
               ? QString::fromLatin1(StrengthNames[strength])
               : QString();
}

std::optional<int> StrengthFromName(const QString& name)
{
    for (int i = 0; i < int(std::size(StrengthNames)); ++i)
        if (name == QLatin1String(StrengthNames[i]))
            return i;
    return std::nullopt;
}

std::optional<int> PermissionFromName(const QString& name)
{
    for (int i = 0; i < int(PermissionNames.size()); ++i)
        if (name == QLatin1String(PermissionNames[size_t(i)]))
            return i;
    return std::nullopt;
}

QString PermissionWords(int permission)
{
    const char* const words[] = {"print",         "copy",
                                 "edit",          "annotate",
                                 "fill in forms", "copy for accessibility",
                                 "assemble",      "print in high resolution"};
    return permission >= 0 && permission < int(std::size(words))
               ? QString::fromLatin1(words[permission])
               : QString();
}

std::array<bool, EncryptionSettings::PermissionCount>
GrantedPermissions(const PdfLibrary::Protection& protection)
{
    std::array<bool, EncryptionSettings::PermissionCount> granted{};
    if (!protection.encrypted) {
        granted.fill(true);
        return granted;
    }
    const auto bit = [&](int n) { return ((protection.permissions >> (n - 1)) & 1) != 0; };
    const bool early = protection.revision < 3;
    granted[EncryptionSettings::Print] = bit(3);
    granted[EncryptionSettings::Copy] = bit(5);
    granted[EncryptionSettings::Edit] = bit(4);
    granted[EncryptionSettings::Annotate] = bit(6);
    granted[EncryptionSettings::FillForms] = early ? bit(6) : bit(9);
    granted[EncryptionSettings::Accessibility] = early ? bit(5) : bit(10);
    granted[EncryptionSettings::Assemble] = early ? bit(4) : bit(11);
    granted[EncryptionSettings::HighResPrint] = bit(3) && (early || bit(12));
    return granted;
}

QString ErrorWords(int code)
{
    switch (code) {
    case PdfLibrary::NoError:
        return QStringLiteral("no error");
    case PdfLibrary::FileUnreadable:
        return QStringLiteral("cannot be read, or changed while in use");
    case PdfLibrary::NotPdf:
        return QStringLiteral("not a PDF, damaged beyond repair or without pages");
    case PdfLibrary::UnsupportedSecurity:
        return QStringLiteral("protected in a way that cannot be opened (such as certificates)");
    case PdfLibrary::NoDocument:
        return QStringLiteral("no document is open");
    case PdfLibrary::BadStrength:
        return QStringLiteral("unknown strength");
    case PdfLibrary::PasswordNotEncodable:
        return QStringLiteral("a password the strength cannot store");
    case PdfLibrary::WriteFailed:
        return QStringLiteral("the output could not be written");
    case PdfLibrary::SecurityNotApplied:
        return QStringLiteral("the new security could not be applied");
    case PdfLibrary::OutputIsInput:
        return QStringLiteral("the output would replace the input");
    case PdfLibrary::NotProtectedOnReadBack:
        return QStringLiteral("the written file did not read back as protected");
    case PdfLibrary::NoOwnerPassword:
        return QStringLiteral("the owner password is empty");
    case PdfLibrary::PasswordRequired:
        return QStringLiteral("needs a password");
    default:
        return QStringLiteral("unknown error");
    }
}

QString FeatureWords(int features)
{
    QStringList words;
    if (features & PdfLibrary::Certified)
        words << QStringLiteral("certified");
    else if (features & PdfLibrary::Signed)
        words << QStringLiteral("signed");
    if (features & PdfLibrary::UsageRights)
        words << QStringLiteral("Reader-extended");
    if (features & PdfLibrary::PdfA)
        words << QStringLiteral("PDF/A");
    if (words.size() < 2)
        return words.join(QString());
    const QString last = words.takeLast();
    return words.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
}

QString SettingsProblemWords(const SettingsCheck& check, int strength)
{
    const QString which =
        check.inUserPassword ? QStringLiteral("user password") : QStringLiteral("owner password");
    const QString codePoint =
        QStringLiteral("U+%1").arg(check.character.unicode(), 4, 16, QLatin1Char('0')).toUpper();
    switch (check.problem) {
    case SettingsCheck::None:
        return {};
    case SettingsCheck::NoOwnerPassword:
        return QStringLiteral("the owner password is empty");
    case SettingsCheck::NoUserPassword:
        return QStringLiteral("the user password is empty");
    case SettingsCheck::UserSameAsOwner:
        return QStringLiteral("the user password is the same as the owner password");
    case SettingsCheck::PasswordNotStorable:
        break;
    }
    // The character is named by its code point only: it is part of a password.
    switch (check.fault) {
    case PdfLibrary::PasswordFault::Nul:
        return QStringLiteral("the %1 contains a NUL character").arg(which);
    case PdfLibrary::PasswordFault::ChangedByNormalising:
        return QStringLiteral("the %1 has a character that %2 would store changed (%3)")
            .arg(which, StrengthName(strength), codePoint);
    default:
        return QStringLiteral("the %1 has a character that %2 cannot store (%3)")
            .arg(which, StrengthName(strength), codePoint);
    }
}

}  // namespace Words
