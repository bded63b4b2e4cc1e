#include "job/DocumentFacts.h"

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <map>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// Form fields visited at most, against fields made to be walked forever.
constexpr size_t MaxFields = 100000;
// Page tree nodes visited at most: far more than any real document has.
constexpr size_t MaxPageTreeSteps = 2000000;
// Metadata larger than this is not searched for a PDF/A identification.
constexpr long long MaxMetadataBytes = 16 << 20;

bool isNamed(QPDFObjectHandle object, const char* name)
{
    return object.isName() && object.getName() == name;
}

// A signature field with a value, among the fields and their kids.
bool hasSignatureValue(QPDFObjectHandle fields)
{
    if (!fields.isArray())
        return false;
    // Each entry: a field and whether an ancestor made it a signature field.
    std::vector<std::pair<QPDFObjectHandle, bool>> pending;
    for (QPDFObjectHandle field : fields.aitems())
        pending.emplace_back(field, false);
    std::set<QPDFObjGen> seen;
    while (!pending.empty() && seen.size() < MaxFields) {
        auto [field, inheritedSignature] = pending.back();
        pending.pop_back();
        if (!field.isDictionary() || (field.isIndirect() && !seen.insert(field.getObjGen()).second))
            continue;
        QPDFObjectHandle type = field.getKey("/FT");
        const bool signature = type.isName() ? isNamed(type, "/Sig") : inheritedSignature;
        QPDFObjectHandle value = field.getKey("/V");
        if (signature && !value.isNull())
            return true;
        QPDFObjectHandle kids = field.getKey("/Kids");
        if (kids.isArray())
            for (QPDFObjectHandle kid : kids.aitems())
                pending.emplace_back(kid, signature);
    }
    return false;
}

bool isPdfA(QPDFObjectHandle metadata)
{
    if (!metadata.isStream())
        return false;
    QPDFObjectHandle length = metadata.getDict().getKey("/Length");
    if (length.isInteger() && length.getIntValue() > MaxMetadataBytes)
        return false;
    try {
        const std::shared_ptr<Buffer> data = metadata.getStreamData(qpdf_dl_generalized);
        const auto* bytes = reinterpret_cast<const char*>(data->getBuffer());
        const std::string_view text(bytes, data->getSize());
        return text.find("pdfaid:part") != std::string_view::npos;
    } catch (...) {
        // Metadata that cannot be read identifies nothing.
        return false;
    }
}

}  // namespace

namespace DocumentFacts {

bool PageTreeIsSound(QPDF& pdf)
{
    // A node met again on a longer path is walked again from there: a loop
    // then grows past the depth limit, and a node shared by two parents (which
    // libqpdf copies) is measured by its deepest place.
    std::vector<std::pair<QPDFObjectHandle, int>> pending{{pdf.getRoot().getKey("/Pages"), 0}};
    std::map<QPDFObjGen, int> depths;
    for (size_t steps = 0; !pending.empty(); ++steps) {
        if (steps > MaxPageTreeSteps)
            return false;
        auto [node, depth] = pending.back();
        pending.pop_back();
        if (!node.isDictionary())
            continue;
        if (depth > MaxPageTreeDepth)
            return false;
        if (node.isIndirect()) {
            const auto [known, added] = depths.emplace(node.getObjGen(), depth);
            if (!added && known->second >= depth)
                continue;
            known->second = depth;
        }
        QPDFObjectHandle kids = node.getKey("/Kids");
        if (kids.isArray())
            for (QPDFObjectHandle kid : kids.aitems())
                pending.emplace_back(kid, depth + 1);
    }
    return true;
}

long long DeclaredPageCount(QPDF& pdf)
{
    QPDFObjectHandle count = pdf.getRoot().getKey("/Pages").getKey("/Count");
    return count.isInteger() ? count.getIntValue() : -1;
}

int Features(QPDF& pdf)
{
    int features = 0;
    QPDFObjectHandle root = pdf.getRoot();
    QPDFObjectHandle perms = root.getKey("/Perms");
    if (perms.isDictionary()) {
        // A certification is a signature as well.
        if (perms.hasKey("/DocMDP"))
            features |= PdfLibrary::Certified | PdfLibrary::Signed;
        if (perms.hasKey("/UR3") || perms.hasKey("/UR"))
            features |= PdfLibrary::UsageRights;
    }
    if (hasSignatureValue(root.getKey("/AcroForm").getKey("/Fields")))
        features |= PdfLibrary::Signed;
    if (isPdfA(root.getKey("/Metadata")))
        features |= PdfLibrary::PdfA;
    return features;
}

PdfLibrary::Protection ProtectionOf(QPDF& pdf)
{
    PdfLibrary::Protection protection;
    int revision = 0;
    int permissions = 0;
    int version = 0;
    QPDF::encryption_method_e streams = QPDF::e_none;
    QPDF::encryption_method_e strings = QPDF::e_none;
    QPDF::encryption_method_e files = QPDF::e_none;
    if (!pdf.isEncrypted(revision, permissions, version, streams, strings, files))
        return protection;
    protection.encrypted = true;
    protection.revision = revision;
    protection.permissions = permissions;
    protection.aes = streams == QPDF::e_aes || streams == QPDF::e_aesv3;
    if (version >= 5) {
        protection.keyBits = 256;
    } else if (version == 4) {
        protection.keyBits = 128;
    } else {
        QPDFObjectHandle length = pdf.getTrailer().getKey("/Encrypt").getKey("/Length");
        protection.keyBits = version >= 2 && length.isInteger() ? int(length.getIntValue()) : 40;
    }
    return protection;
}

}  // namespace DocumentFacts
