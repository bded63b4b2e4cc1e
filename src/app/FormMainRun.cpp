// The main window's batch run: the checks before it starts, the run over
// every row, and its end.
#include "app/FormMain.h"

#include "ProgramInfo.h"
#include "filelist/FileList.h"
#include "job/BatchJob.h"
#include "job/Paths.h"
#include "platform/Desktop.h"
#include "ui/SettingsPage.h"
#include "ui/TabStrip.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>

#include <algorithm>

namespace {

const QString ErrorTitle = QStringLiteral("Error");
const QString CrLf = QStringLiteral("\r\n");

// What kind of character `character` is, for a password that NFKC
// normalisation would change.
QString kindOf(QChar character)
{
    if (character.isMark())
        return QStringLiteral("a combining mark");
    switch (character.decompositionTag()) {
    case QChar::Circle:
        return QStringLiteral("a circled character");
    case QChar::Wide:
        return QStringLiteral("a full-width character");
    case QChar::Narrow:
        return QStringLiteral("a half-width character");
    case QChar::Super:
    case QChar::Sub:
        return QStringLiteral("a superscript or subscript");
    case QChar::Fraction:
        return QStringLiteral("a fraction");
    case QChar::Font:
        return QStringLiteral("a styled letter");
    case QChar::Compat:
        if (character.decomposition().size() > 1)
            return QStringLiteral("a ligature");
        break;
    default:
        break;
    }
    return QStringLiteral("a compatibility character");
}

// The message for a password the strength cannot store as it stands.
QString unstorableMessage(const SettingsCheck& check)
{
    if (check.fault != PdfLibrary::PasswordFault::ChangedByNormalising)
        return QStringLiteral("The passwords contain characters that the chosen strength cannot "
                              "store. Choose 256-bit AES, or change the passwords.");
    return QStringLiteral("The passwords contain %1 (\"%2\"), which PDF readers do not all "
                          "take the same way: the files might not open with the password as "
                          "typed. Please change the passwords.")
        .arg(kindOf(check.character), QString(check.character));
}

// The question before a run that would break signatures and the like;
// "" when no row has anything to lose.
QString lossQuestion(const QList<FileRow>& rows)
{
    const std::pair<int, const char*> reasons[] = {
        {PdfLibrary::Signed, "digitally signed: the signatures will no longer be valid"},
        {PdfLibrary::Certified, "certified: the certification will no longer be valid"},
        {PdfLibrary::UsageRights,
         "Reader extensions: form filling in Adobe Reader will stop working"},
        {PdfLibrary::PdfA,
         "PDF/A: the copy will no longer be PDF/A, which does not allow encryption"},
    };
    constexpr int MaxListed = 10;
    QStringList lines;
    int losing = 0;
    for (const FileRow& row : rows) {
        if (row.Features == 0 || ++losing > MaxListed)
            continue;
        QStringList found;
        for (const auto& [feature, reason] : reasons)
            if (row.Features & feature)
                found << QString::fromUtf8(reason);
        lines << QFileInfo(row.FilePath).fileName() + QStringLiteral(" \u2013 ") +
                     found.join(QStringLiteral("; "));
    }
    if (losing == 0)
        return {};
    if (losing > MaxListed)
        lines << QStringLiteral("and %1 more").arg(losing - MaxListed);
    lines.prepend(
        QStringLiteral("%1 of the listed files will lose something when protected:").arg(losing));
    lines << QStringLiteral("Yes protects them anyway, No leaves them out of this run, Cancel "
                            "returns without starting.");
    return lines.join(CrLf);
}

}  // namespace

void FormMain::StartEncrypt()
{
    SettingsPage* page = ui_.PicSetting;
    // A failed check says why, and shows the settings page with the focus
    // where the fault is.
    const auto refuse = [&](const QString& text, const QString& title, QWidget* focus) {
        desktop_.messageBox(text, title, Desktop::Icon::Information, Desktop::Buttons::Ok);
        ui_.TabStrip1->setCurrentIndex(0);
        focus->setFocus();
    };
    if (fileList_->rowCount() == 0) {
        desktop_.messageBox(QStringLiteral("Please add PDF file"), ProgramTitle,
                            Desktop::Icon::Information, Desktop::Buttons::Ok);
        ui_.TabStrip1->setCurrentIndex(1);
        fileList_->AddFiles();
        return;
    }
    // The check and the run take the same text, blanks around it removed,
    // a relative one against the folder the program was started in.
    const QString folderText = page->TextFolder->text().trimmed();
    const QString folder = DestinationFolder(folderText);
    if (!IsFolderWritable(folderText)) {
        refuse(QStringLiteral("The destination folder is invalid. Please browse and select the "
                              "destination folder"),
               ProgramTitle, page->TextFolder);
        CmdBrowse_Click();
        return;
    }
    const EncryptionSettings settings = page->settings();
    const SettingsCheck check = CheckSettings(settings);
    switch (check.problem) {
    case SettingsCheck::None:
        break;
    case SettingsCheck::NoOwnerPassword:
        refuse(QStringLiteral("The owner (master) password is required for setting document "
                              "restrictions.") +
                   CrLf + CrLf + QStringLiteral("Please input the owner (master) password."),
               ErrorTitle, page->TextOwner);
        return;
    case SettingsCheck::NoUserPassword:
        refuse(QStringLiteral("Please input the user (open) password."), ErrorTitle,
               page->TextUser);
        return;
    case SettingsCheck::UserSameAsOwner:
        refuse(QStringLiteral("The user (open) password must be different from the owner "
                              "(master) password. Otherwise anyone who can open the files can "
                              "also remove their restrictions."),
               ErrorTitle, page->TextUser);
        return;
    case SettingsCheck::PasswordNotStorable:
        refuse(unstorableMessage(check), ErrorTitle,
               check.inUserPassword ? page->TextUser : page->TextOwner);
        return;
    }

    QList<FileRow> rows = fileList_->rows();
    QStringList leftOut;
    if (const QString question = lossQuestion(rows); !question.isEmpty()) {
        const Desktop::Answer answer = desktop_.messageBox(
            question, ProgramTitle, Desktop::Icon::Warning, Desktop::Buttons::YesNoCancel);
        if (answer == Desktop::Answer::Cancel)
            return;
        if (answer == Desktop::Answer::No) {
            for (const FileRow& row : std::as_const(rows))
                if (row.Features != 0)
                    leftOut << row.FilePath;
            rows.removeIf([](const FileRow& row) { return row.Features != 0; });
            // Nothing left to protect: as after Cancel.
            if (rows.isEmpty())
                return;
        }
    }
    EncryptFiles(folder, rows, leftOut, settings);
}

void FormMain::EncryptFiles(const QString& folder, const QList<FileRow>& fileRows,
                            const QStringList& leftOut, const EncryptionSettings& settings)
{
    // A run started from the events of a batch being added returns to it.
    const RunState before = state_;
    setState(RunState::Running);

    // The list and the page are disabled for the whole run: they were read
    // once, at Start.
    QList<JobRow> rows;
    for (const FileRow& row : fileRows) {
        JobRow job(row.FilePath, row.FilePassword);
        job.objects = row.Objects;
        rows << job;
    }
    BatchJob job(rows, folder, settings, leftOut);
    if (rowsAtOnce_ > 0)
        job.setMaxParallelRows(std::min(rowsAtOnce_, job.maxParallelRows()));
    const int total = int(rows.size());
    int done = 0;
    job.onRowStarted = [&](int) {
        // A stop that came while the run yielded before its first row takes
        // effect after that row, as it does for every other row.
        if (state_ == RunState::Stopping)
            job.requestStop();
    };
    job.onRowDone = [&](int row, const RowResult& result) {
        if (!result.saved)
            desktop_.messageBox(
                QStringLiteral("Can not encrypt file: ") + std::as_const(rows)[row].path + CrLf +
                    CrLf + QStringLiteral("Error code: ") + QString::number(result.errorCode),
                ErrorTitle, Desktop::Icon::Critical, Desktop::Buttons::Ok);
        ++done;
        ui_.ProgressBar1->setValue(done);
        ui_.Panel4->setText(QStringLiteral("%1/%2").arg(done).arg(total));
    };

    // Painting may be held by a batch of files that is being added.
    const FileList::PaintingAllowed painting;
    ui_.ProgressBar1->setMaximum(total);
    QCoreApplication::processEvents();
    // The event loop runs inside the job: Stop and a close reach it there.
    job_ = &job;
    const BatchJob::Counts counts = job.run();
    job_ = nullptr;

    setState(before);
    ui_.ProgressBar1->setValue(0);
    ui_.Panel4->clear();
    const Desktop::Answer answer =
        desktop_.messageBox(QString::number(counts.saved) + QStringLiteral(" files saved.") + CrLf +
                                QStringLiteral("Do you want to open the destination folder now?"),
                            ProgramTitle, Desktop::Icon::Question, Desktop::Buttons::YesNo);
    if (answer == Desktop::Answer::Yes)
        desktop_.openFolder(folder);
}

void FormMain::StopEncrypt()
{
    if (state_ != RunState::Running)
        return;
    setState(RunState::Stopping);
    if (job_)
        job_->requestStop();
}
