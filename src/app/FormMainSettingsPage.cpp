// The main window's settings page: its consistency rules and the folder browse.
#include "app/FormMain.h"

#include "app/DestinationFolder.h"
#include "platform/Desktop.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

void FormMain::connectSettingsPage()
{
    connect(ui_.CheckPassword, &QCheckBox::clicked, this, &FormMain::CheckPassword_Click);
    for (int i = 0; i < int(ui_.CheckPermission.size()); ++i)
        connect(ui_.CheckPermission[i], &QCheckBox::clicked, this,
                [this, i] { CheckPermission_Click(i); });
    connect(ui_.CmdAllowAll, &QPushButton::clicked, this, &FormMain::CmdAllowAll_Click);
    connect(ui_.CmdNone, &QPushButton::clicked, this, &FormMain::CmdNone_Click);
    for (int i = 0; i < int(ui_.OptionKey.size()); ++i)
        connect(ui_.OptionKey[i], &QRadioButton::clicked, this, [this, i] { OptionKey_Click(i); });
    connect(ui_.CmdBrowse, &QPushButton::clicked, this, &FormMain::CmdBrowse_Click);
}

void FormMain::CheckPassword_Click()
{
    const bool required = ui_.CheckPassword->isChecked();
    ui_.Label2->setVisible(required);
    ui_.TextUser->setVisible(required);
    if (required)
        ui_.TextUser->setFocus();
}

void FormMain::CheckPermission_Click(int index)
{
    // High-resolution printing is printing too.
    if (index == EncryptionSettings::HighResPrint &&
        ui_.CheckPermission[EncryptionSettings::HighResPrint]->isChecked())
        ui_.CheckPermission[EncryptionSettings::Print]->setChecked(true);
}

void FormMain::CmdAllowAll_Click()
{
    for (QCheckBox* box : ui_.CheckPermission)
        box->setChecked(true);
}

void FormMain::CmdNone_Click()
{
    for (QCheckBox* box : ui_.CheckPermission)
        box->setChecked(false);
}

void FormMain::OptionKey_Click(int index)
{
    // 40-bit RC4 holds only the first three permissions of the page; the
    // others keep their values while hidden.
    const bool allHeld = index != EncryptionSettings::Rc4_40;
    for (int i = EncryptionSettings::Annotate; i < EncryptionSettings::PermissionCount; ++i)
        ui_.CheckPermission[i]->setVisible(allHeld);
}

EncryptionSettings FormMain::PageSettings() const
{
    EncryptionSettings settings;
    settings.ownerPassword = ui_.TextOwner->text();
    settings.requireUserPassword = ui_.CheckPassword->isChecked();
    settings.userPassword = ui_.TextUser->text();
    for (int i = 0; i < EncryptionSettings::PermissionCount; ++i)
        settings.permissions[i] = ui_.CheckPermission[i]->isChecked();
    for (int i = 0; i < int(ui_.OptionKey.size()); ++i) {
        if (ui_.OptionKey[i]->isChecked()) {
            settings.strength = i;
            break;
        }
    }
    return settings;
}

void FormMain::CmdBrowse_Click()
{
    const QString chosen = desktop_.chooseFolder(QStringLiteral("Please select a folder."),
                                                 BrowseStartFolder(ui_.TextFolder->text()));
    if (chosen.isEmpty())
        return;
    if (IsFolderAccessible(chosen))
        ui_.TextFolder->setText(chosen);
    else
        desktop_.messageBox(QStringLiteral("Can not read ") + chosen, QStringLiteral("Error"),
                            Desktop::Icon::Critical, Desktop::Buttons::Ok);
}
