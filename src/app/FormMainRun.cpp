// The main window's batch run: the checks before it starts, the run over
// every row, and its end.
#include "app/FormMain.h"

#include "app/DestinationFolder.h"
#include "filelist/FileList.h"
#include "job/OutputNaming.h"
#include "platform/Desktop.h"
#include "ui/TabStrip.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>

namespace {

const QString Title = QStringLiteral("Sealmark");
const QString ErrorTitle = QStringLiteral("Error");
const QString CrLf = QStringLiteral("\r\n");

// The inputs that an output in `folder` could land on: those in the folder
// as written, and those that a ".pdf" entry of the folder leads to through
// links, "." and ".." or letter case. Naming each row against these alone
// keeps a long list linear; a hard link needs no protection, as the output
// replaces the link and not the file.
QStringList InputsReachableFrom(const QString& folder, const QStringList& inputs)
{
    const QString folderPath = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    QStringList reachable;
    QHash<QString, QString> elsewhere;  // canonical path -> input
    for (const QString& input : inputs) {
        const QFileInfo info(input);
        if (QDir::cleanPath(info.absolutePath()) == folderPath)
            reachable << input;
        else if (const QString canonical = info.canonicalFilePath(); !canonical.isEmpty())
            elsewhere.insert(canonical, input);
    }
    if (elsewhere.isEmpty())
        return reachable;
    const QFileInfoList entries =
        QDir(folder).entryInfoList({QStringLiteral("*.pdf")},
                                   QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
    for (const QFileInfo& entry : entries) {
        const auto input = elsewhere.constFind(entry.canonicalFilePath());
        if (input != elsewhere.cend())
            reachable << input.value();
    }
    return reachable;
}

} // namespace

void FormMain::StartEncrypt()
{
    if (fileList_->rowCount() == 0) {
        desktop_.messageBox(QStringLiteral("Please add PDF file"), Title,
                            Desktop::Icon::Information, Desktop::Buttons::Ok);
        ui_.TabStrip1->setCurrentIndex(1);
        fileList_->AddFiles();
        return;
    }
    if (!IsFolderAccessible(ui_.TextFolder->text())) {
        desktop_.messageBox(QStringLiteral("The destination folder is invalid. Please browse and "
                                           "select the destination folder"),
                            Title, Desktop::Icon::Information, Desktop::Buttons::Ok);
        ui_.TabStrip1->setCurrentIndex(0);
        ui_.TextFolder->setFocus();
        CmdBrowse_Click();
        return;
    }
    if (ui_.TextOwner->text().isEmpty()) {
        desktop_.messageBox(QStringLiteral("The owner (master) password is required for setting "
                                           "document restrictions.") +
                                CrLf + CrLf +
                                QStringLiteral("Please input the owner (master) password."),
                            ErrorTitle, Desktop::Icon::Information, Desktop::Buttons::Ok);
        ui_.TabStrip1->setCurrentIndex(0);
        ui_.TextOwner->setFocus();
        return;
    }
    if (ui_.CheckPassword->isChecked() && ui_.TextUser->text().isEmpty()) {
        desktop_.messageBox(QStringLiteral("Please input the user (open) password."), ErrorTitle,
                            Desktop::Icon::Information, Desktop::Buttons::Ok);
        ui_.TabStrip1->setCurrentIndex(0);
        ui_.TextUser->setFocus();
        return;
    }
    stopRequested_ = false;
    setRunning(true);
    EncryptFiles();
}

void FormMain::EncryptFiles()
{
    QString folderText = ui_.TextFolder->text().trimmed();
    // The start check made the folder current, so a relative folder would
    // now be taken relative to itself.
    if (QDir::isRelativePath(folderText))
        folderText = QDir::currentPath();
    const QString folder = WithTrailingSeparator(folderText);
    // The list and the page are disabled for the whole run: read them once.
    const QList<FileRow> rows = fileList_->rows();
    QStringList inputs;
    for (const FileRow& row : rows)
        inputs << row.FilePath;
    const QStringList protectedInputs = InputsReachableFrom(folder, inputs);
    const EncryptionSettings settings = PageSettings();

    const int total = int(rows.size());
    int done = 0;
    int saved = 0;
    {
        const RowRunner::RunHold hold(rowRunner_);
        ui_.ProgressBar1->setMaximum(total);
        QCoreApplication::processEvents();

        for (const FileRow& row : rows) {
            const QString output = OutputPathFor(folder, row.FilePath, protectedInputs);
            const RowResult result =
                rowRunner_.run(*pdfLibrary_, {row.FilePath, row.FilePassword}, output, settings);
            if (result.saved) {
                ++saved;
            } else {
                desktop_.messageBox(QStringLiteral("Can not encrypt file: ") + row.FilePath +
                                        CrLf + CrLf + QStringLiteral("Error code: ") +
                                        QString::number(result.errorCode),
                                    ErrorTitle, Desktop::Icon::Critical, Desktop::Buttons::Ok);
            }
            QCoreApplication::processEvents();
            ++done;
            ui_.ProgressBar1->setValue(done);
            ui_.Panel4->setText(QStringLiteral("%1/%2").arg(done).arg(total));
            if (stopRequested_)
                break;
        }
    }

    StopEncrypt();
    ui_.ProgressBar1->setValue(0);
    ui_.Panel4->clear();
    const Desktop::Answer answer = desktop_.messageBox(
        QString::number(saved) + QStringLiteral(" files saved.") + CrLf +
            QStringLiteral("Do you want to open the destination folder now?"),
        Title, Desktop::Icon::Question, Desktop::Buttons::YesNo);
    if (answer == Desktop::Answer::Yes)
        desktop_.openFolder(folder);
}

void FormMain::StopEncrypt()
{
    stopRequested_ = true;
    setRunning(false);
}
