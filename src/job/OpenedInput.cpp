#include "job/OpenedInput.h"

OpenedInput OpenInput(PdfLibrary& pdf, const QString& path, const QStringList& passwords,
                      const std::function<bool(const OpenedInput&)>& keep, bool findRepairs)
{
    OpenedInput input;
    for (const QString& password : passwords) {
        input.opened = pdf.OpenFile(path, password) == 1;
        input.errorCode = pdf.ErrorCode();
        input.pagesFault = pdf.LastPagesFault();
        input.pages = pdf.CountPages();
        if (input.opened) {
            input.password = password;
            input.features = pdf.DocumentFeatures();
            input.objects = pdf.DocumentObjects();
            input.protection = pdf.DocumentProtection();
            if (findRepairs)
                input.repairNote = pdf.RepairNote();
            if (keep && keep(input))
                input.held = pdf.HoldDocument();
            else
                pdf.CloseDocument(pdf.DocumentIdAt(1));
            return input;
        }
        if (input.errorCode != PdfLibrary::PasswordRequired)
            break;
    }
    input.protection.encrypted = input.errorCode == PdfLibrary::PasswordRequired;
    return input;
}
