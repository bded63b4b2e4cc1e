#include "job/PdfSecurity.h"

#include "job/FileSource.h"
#include "job/DocumentFacts.h"
#include "job/Paths.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <memory>

namespace {

// What libqpdf derives a file key from, as the written file holds it.
QPDF::EncryptionData encryptionDataOf(QPDF& pdf)
{
    QPDFObjectHandle encrypt = pdf.getTrailer().getKey("/Encrypt");
    const auto number = [&](const char* key, int otherwise) {
        QPDFObjectHandle value = encrypt.getKey(key);
        return value.isInteger() ? value.getIntValueAsInt() : otherwise;
    };
    const auto bytes = [&](const char* key) {
        QPDFObjectHandle value = encrypt.getKey(key);
        return value.isString() ? value.getStringValue() : std::string();
    };
    QPDFObjectHandle id = pdf.getTrailer().getKey("/ID");
    const std::string id1 = id.isArray() && id.getArrayNItems() > 0 && id.getArrayItem(0).isString()
                                ? id.getArrayItem(0).getStringValue()
                                : std::string();
    QPDFObjectHandle metadata = encrypt.getKey("/EncryptMetadata");
    return QPDF::EncryptionData(number("/V", 0), number("/R", 0), number("/Length", 40) / 8,
                                number("/P", 0), bytes("/O"), bytes("/U"), bytes("/OE"),
                                bytes("/UE"), bytes("/Perms"), id1,
                                !metadata.isBool() || metadata.getBoolValue());
}

}  // namespace

PermissionGrants GrantsOf(int permissions)
{
    const auto allows = [&](int bit) { return ((permissions >> (bit - 1)) & 1) != 0; };
    PermissionGrants grants{allows(3), allows(4),  allows(5),  allows(6),
                            allows(9), allows(10), allows(11), qpdf_r3p_none};
    // High resolution means nothing without printing.
    grants.printing = !grants.print ? qpdf_r3p_none : allows(12) ? qpdf_r3p_full : qpdf_r3p_low;
    return grants;
}

std::string StoredPasswordBytes(const std::string& encoded, int strength)
{
    return encoded.substr(0, strength == 3 ? 127 : 32);
}

bool AppliedSecurity::passwordsStoredAlike() const
{
    return StoredPasswordBytes(userPassword, strength) ==
           StoredPasswordBytes(ownerPassword, strength);
}

int AppliedSecurity::expectedPermissions() const
{
    const PermissionGrants grants = GrantsOf(permissions);
    quint32 value = 0xFFFFF0C0u;
    const auto grant = [&](bool allowed, int bit) {
        if (allowed)
            value |= 1u << (bit - 1);
    };
    grant(grants.print, 3);
    grant(grants.modify, 4);
    grant(grants.extract, 5);
    grant(grants.annotate, 6);
    grant(grants.fillForms, 9);
    // From revision 4 on, libqpdf always grants accessibility.
    grant(grants.accessibility || revision() >= 4, 10);
    grant(grants.assemble, 11);
    grant(grants.printing == qpdf_r3p_full, 12);
    return static_cast<int>(value);
}

void SetEncryption(QPDFWriter& writer, const AppliedSecurity& security)
{
    const PermissionGrants g = GrantsOf(security.permissions);
    const char* user = security.userPassword.c_str();
    const char* owner = security.ownerPassword.c_str();
    switch (security.strength) {
    case 0:
        writer.setR2EncryptionParametersInsecure(user, owner, g.print, g.modify, g.extract,
                                                 g.annotate);
        break;
    case 1:
        writer.setR3EncryptionParametersInsecure(user, owner, g.accessibility, g.extract,
                                                 g.assemble, g.annotate, g.fillForms, g.modify,
                                                 g.printing);
        break;
    case 2:
        writer.setR4EncryptionParametersInsecure(user, owner, g.accessibility, g.extract,
                                                 g.assemble, g.annotate, g.fillForms, g.modify,
                                                 g.printing, /*encrypt_metadata=*/true,
                                                 /*use_aes=*/true);
        break;
    default:
        writer.setR6EncryptionParameters(user, owner, g.accessibility, g.extract, g.assemble,
                                         g.annotate, g.fillForms, g.modify, g.printing,
                                         /*encrypt_metadata_aes=*/true);
        break;
    }
}

// The user password is checked without a second open: at 256-bit AES each
// password check costs libqpdf a slow hash, and a user password that is
// not the owner password cannot open the file as owner once the owner
// password has. The pages are counted as the tree's root declares them:
// walking them would read every page, and with them whatever their
// object streams hold, about as much memory as the input took.
bool ReadsBackAsProtected(const QString& path, const AppliedSecurity& security,
                          long long declaredPages)
{
    try {
        if (security.passwordsStoredAlike())
            return false;
        const std::shared_ptr<QPDF> pdf = QPDF::create();
        pdf->setSuppressWarnings(true);
        ProcessFile(*pdf, path, security.ownerPassword.c_str());
        if (!pdf->ownerPasswordMatched() || pdf->anyWarnings())
            return false;
        if (QPDF::compute_encryption_key(security.userPassword, encryptionDataOf(*pdf)) !=
            pdf->getEncryptionKey())
            return false;
        const PdfLibrary::Protection protection = DocumentFacts::ProtectionOf(*pdf);
        const int held = security.heldPermissionBits();
        return protection.encrypted && protection.revision == security.revision() &&
               protection.keyBits == security.keyBits() &&
               protection.aes == (security.strength >= 2) &&
               (protection.permissions & held) == (security.expectedPermissions() & held) &&
               DocumentFacts::DeclaredPageCount(*pdf) == declaredPages;
    } catch (...) {
        return false;
    }
}
