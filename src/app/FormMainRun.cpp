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
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>

#include <algorithm>

namespace {

const QString ErrorTitle = QStringLiteral("Error");
const QString CrLf = QStringLiteral("\r\n");

} // namespace

void FormMain::StartEncrypt()
{
    SettingsPage* page = ui_.PicSetting;
    if (fileList_->rowCount() == 0) {
        desktop_.messageBox(QStringLiteral("Please add PDF file"), ProgramTitle,
                            Desktop::Icon::Information, Desktop::Buttons::Ok);
        ui_.TabStrip1->setCurrentIndex(1);
        fileList_->AddFiles();
        return;
    }
    // Resolved before the check, which enters the folder.
    const QString folder = DestinationFolder(page->TextFolder->text());
    if (!IsFolderAccessible(page->TextFolder->text())) {
        desktop_.messageBox(QStringLiteral("The destination folder is invalid. Please browse and "
                                           "select the destination folder"),
                            ProgramTitle, Desktop::Icon::Information, Desktop::Buttons::Ok);
        ui_.TabStrip1->setCurrentIndex(0);
        page->TextFolder->setFocus();
        CmdBrowse_Click();
        return;
    }
    if (page->TextOwner->text().isEmpty()) {
        desktop_.messageBox(QStringLiteral("The owner (master) password is required for setting "
                                           "document restrictions.") +
                                CrLf + CrLf +
                                QStringLiteral("Please input the owner (master) password."),
                            ErrorTitle, Desktop::Icon::Information, Desktop::Buttons::Ok);
        ui_.TabStrip1->setCurrentIndex(0);
        page->TextOwner->setFocus();
        return;
    }
    if (page->CheckPassword->isChecked() && page->TextUser->text().isEmpty()) {
        desktop_.messageBox(QStringLiteral("Please input the user (open) password."), ErrorTitle,
                            Desktop::Icon::Information, Desktop::Buttons::Ok);
        ui_.TabStrip1->setCurrentIndex(0);
        page->TextUser->setFocus();
        return;
    }
    EncryptFiles(folder);
}

void FormMain::EncryptFiles(const QString& folder)
{
    // A run started from the events of a batch being added returns to it.
    const RunState before = state_;
    setState(RunState::Running);

    // The list and the page are disabled for the whole run: read them once.
    QList<JobRow> rows;
    for (const FileRow& row : fileList_->rows())
        rows << JobRow(row.FilePath, row.FilePassword);
    BatchJob job(rows, folder, ui_.PicSetting->settings());
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
            desktop_.messageBox(QStringLiteral("Can not encrypt file: ") + rows[row].path + CrLf +
                                    CrLf + QStringLiteral("Error code: ") +
                                    QString::number(result.errorCode),
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
    const Desktop::Answer answer = desktop_.messageBox(
        QString::number(counts.saved) + QStringLiteral(" files saved.") + CrLf +
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
