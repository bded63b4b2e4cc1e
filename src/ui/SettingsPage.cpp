#include "ui/SettingsPage.h"

#include "job/Paths.h"
#include "platform/Desktop.h"
#include "settings/Settings.h"
#include "ui/Design.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

SettingsPage::SettingsPage(Desktop& desktop, QWidget* parent)
    : QFrame(parent)
    , desktop_(desktop)
{
    setObjectName(QStringLiteral("PicSetting"));
    setFrameShape(QFrame::StyledPanel);
    setupControls();

    connect(CheckPassword, &QCheckBox::clicked, this, &SettingsPage::CheckPassword_Click);
    for (int i = 0; i < int(CheckPermission.size()); ++i)
        connect(CheckPermission[i], &QCheckBox::clicked, this,
                [this, i] { CheckPermission_Click(i); });
    connect(CmdAllowAll, &QPushButton::clicked, this, &SettingsPage::CmdAllowAll_Click);
    connect(CmdNone, &QPushButton::clicked, this, &SettingsPage::CmdNone_Click);
    for (int i = 0; i < int(OptionKey.size()); ++i)
        connect(OptionKey[i], &QRadioButton::clicked, this, [this, i] { OptionKey_Click(i); });
    connect(CmdBrowse, &QPushButton::clicked, this, &SettingsPage::CmdBrowse_Click);
}

void SettingsPage::setupControls()
{
    TextFolder = MakeControl<QLineEdit>(this, QStringLiteral("TextFolder"));
    PlaceControl(TextFolder, TwipsRect(1860, 240, 6525, 315), false);
    Label1 = MakeLabel(this, QStringLiteral("Label1"), QStringLiteral("Destination folder:"),
                       TwipsRect(270, 285, 1500, 210), TextFolder);
    CmdBrowse = MakeButton(this, QStringLiteral("CmdBrowse"), QStringLiteral("&Browse"),
                           TwipsRect(8490, 225, 1050, 345));

    Frame3 = MakeControl<QGroupBox>(this, QStringLiteral("Frame3"));
    Frame3->setTitle(QStringLiteral("Password"));
    PlaceControl(Frame3, TwipsRect(270, 750, 9390, 1155), false);
    TextOwner = MakeControl<QLineEdit>(Frame3, QStringLiteral("TextOwner"));
    TextOwner->setText(DefaultOwnerPassword);
    PlaceControl(TextOwner, TwipsRect(2520, 360, 1395, 315), false);
    Label3 = MakeLabel(Frame3, QStringLiteral("Label3"), QStringLiteral("Owner (Master) Password:"),
                       TwipsRect(255, 390, 2190, 210), TextOwner);
    TextUser = MakeControl<QLineEdit>(Frame3, QStringLiteral("TextUser"));
    PlaceControl(TextUser, TwipsRect(6135, 360, 1740, 315), false);
    TextUser->hide();
    Label2 = MakeLabel(Frame3, QStringLiteral("Label2"), QStringLiteral("User (Open) Password:"),
                       TwipsRect(4140, 390, 1905, 210), TextUser);
    Label2->hide();
    CheckPassword = MakeControl<QCheckBox>(Frame3, QStringLiteral("CheckPassword"));
    CheckPassword->setText(QStringLiteral(
        "Require that the user type in a password prior to being able to view the PDF file"));
    PlaceControl(CheckPassword, TwipsRect(255, 735, 7050, 210), true);

    Frame1 = MakeControl<QGroupBox>(this, QStringLiteral("Frame1"));
    Frame1->setTitle(QStringLiteral("The strength of encryption"));
    PlaceControl(Frame1, TwipsRect(315, 2130, 3930, 3750), false);
    const char* const strengths[] = {
        "40-bit RC4 (acrobat 3 or above)", "128-bit RC4 (acrobat 5 or above)",
        "128-bit AES (acrobat 7 or above)", "256-bit AES (acrobat 9 or above)"};
    const int strengthTops[] = {390, 835, 1280, 1725};
    for (int i = 0; i < int(OptionKey.size()); ++i) {
        OptionKey[i] = MakeControl<QRadioButton>(Frame1, QStringLiteral("OptionKey%1").arg(i));
        OptionKey[i]->setText(QString::fromLatin1(strengths[i]));
        PlaceControl(OptionKey[i], TwipsRect(150, strengthTops[i], 3360, 285), true);
    }
    OptionKey[EncryptionSettings::Aes_128]->setChecked(true);

    Frame2 = MakeControl<QGroupBox>(this, QStringLiteral("Frame2"));
    Frame2->setTitle(QStringLiteral("Permissions"));
    Frame2->setToolTip(QStringLiteral(
        "Acrobat and Foxit honour these permissions but many viewers and editing tools ignore "
        "them: only a user (open) password keeps the content from those who do not have it."));
    PlaceControl(Frame2, TwipsRect(4410, 2130, 5250, 3765), false);
    const char* const permissions[] = {"Allow the user to print the document",
                                       "Allow the user to copy text and graphics",
                                       "Allow the user to edit the document",
                                       "Allow the user to add annotations",
                                       "Allow the user to fill in form fields",
                                       "Enable copying for use with accessibility features",
                                       "Allow the user to assemble the document",
                                       "Allow high-resolution printing of the document"};
    const int permissionTops[] = {360, 728, 1096, 1464, 1832, 2200, 2568, 2940};
    const int permissionWidths[] = {3630, 3870, 3630, 3240, 3285, 4470, 3870, 4725};
    for (int i = 0; i < int(CheckPermission.size()); ++i) {
        CheckPermission[i] =
            MakeControl<QCheckBox>(Frame2, QStringLiteral("CheckPermission%1").arg(i));
        CheckPermission[i]->setText(QString::fromLatin1(permissions[i]));
        PlaceControl(CheckPermission[i],
                     TwipsRect(195, permissionTops[i], permissionWidths[i], 270), true);
    }
    CmdAllowAll = MakeButton(Frame2, QStringLiteral("CmdAllowAll"), QStringLiteral("Allow all"),
                             TwipsRect(960, 3285, 1290, 345));
    CmdNone = MakeButton(Frame2, QStringLiteral("CmdNone"), QStringLiteral("Allow none"),
                         TwipsRect(2640, 3285, 1290, 345));

    // Tab order as designed; labels and frames take no focus.
    QWidget* const tabOrder[] = {TextFolder,
                                 CmdBrowse,
                                 TextOwner,
                                 TextUser,
                                 CheckPassword,
                                 OptionKey[0],
                                 OptionKey[1],
                                 OptionKey[2],
                                 OptionKey[3],
                                 CheckPermission[0],
                                 CheckPermission[1],
                                 CheckPermission[2],
                                 CheckPermission[3],
                                 CheckPermission[4],
                                 CheckPermission[5],
                                 CheckPermission[6],
                                 CheckPermission[7],
                                 CmdAllowAll,
                                 CmdNone};
    for (size_t i = 1; i < std::size(tabOrder); ++i)
        QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);
}

EncryptionSettings SettingsPage::settings() const
{
    EncryptionSettings settings;
    settings.ownerPassword = TextOwner->text();
    settings.requireUserPassword = CheckPassword->isChecked();
    settings.userPassword = TextUser->text();
    for (int i = 0; i < EncryptionSettings::PermissionCount; ++i)
        settings.permissions[i] = CheckPermission[i]->isChecked();
    for (int i = 0; i < int(OptionKey.size()); ++i) {
        if (OptionKey[i]->isChecked()) {
            settings.strength = i;
            break;
        }
    }
    return settings;
}

void SettingsPage::CheckPassword_Click()
{
    const bool required = CheckPassword->isChecked();
    Label2->setVisible(required);
    TextUser->setVisible(required);
    if (required)
        TextUser->setFocus();
}

void SettingsPage::CheckPermission_Click(int index)
{
    // High-resolution printing is printing too.
    if (index == EncryptionSettings::HighResPrint &&
        CheckPermission[EncryptionSettings::HighResPrint]->isChecked())
        CheckPermission[EncryptionSettings::Print]->setChecked(true);
}

void SettingsPage::CmdAllowAll_Click()
{
    for (QCheckBox* box : CheckPermission)
        box->setChecked(true);
}

void SettingsPage::CmdNone_Click()
{
    for (QCheckBox* box : CheckPermission)
        box->setChecked(false);
}

void SettingsPage::OptionKey_Click(int index)
{
    // 40-bit RC4 holds only the first three permissions of the page; the
    // others keep their values while hidden.
    const bool allHeld = index != EncryptionSettings::Rc4_40;
    for (int i = EncryptionSettings::Annotate; i < EncryptionSettings::PermissionCount; ++i)
        CheckPermission[i]->setVisible(allHeld);
}

void SettingsPage::CmdBrowse_Click()
{
    const QString chosen = desktop_.chooseFolder(QStringLiteral("Please select a folder."),
                                                 BrowseStartFolder(TextFolder->text()));
    if (chosen.isEmpty())
        return;
    if (IsFolderAccessible(chosen))
        TextFolder->setText(chosen);
    else
        desktop_.messageBox(QStringLiteral("Can not read ") + chosen, QStringLiteral("Error"),
                            Desktop::Icon::Critical, Desktop::Buttons::Ok);
}
