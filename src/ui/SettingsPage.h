#pragma once

#include "job/EncryptionSettings.h"

#include <QFrame>

#include <array>

class Desktop;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The page of the "Settings" tab (PicSetting): the destination folder, the
// passwords, the strength and the permissions. It keeps its controls
// consistent while the user edits them and hands out the settings it holds;
// the folder browse asks through Desktop.
class SettingsPage final : public QFrame
{
    Q_OBJECT
public:
    explicit SettingsPage(Desktop& desktop, QWidget* parent = nullptr);

    // The security the page holds now.
    EncryptionSettings settings() const;

    // Rules of the page, run by the controls' clicks.
    void CheckPassword_Click();
    void CheckPermission_Click(int index);
    void CmdAllowAll_Click();
    void CmdNone_Click();
    void OptionKey_Click(int index);
    // The folder chooser; an accessible choice goes into TextFolder.
    void CmdBrowse_Click();

    // The controls, named as designed (objectName too: OptionKey0..3,
    // CheckPermission0..7).
    QLabel* Label1 = nullptr;
    QLineEdit* TextFolder = nullptr;
    QPushButton* CmdBrowse = nullptr;
    QGroupBox* Frame3 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* TextOwner = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* TextUser = nullptr;
    QCheckBox* CheckPassword = nullptr;
    QGroupBox* Frame1 = nullptr;
    std::array<QRadioButton*, 4> OptionKey{};
    QGroupBox* Frame2 = nullptr;
    std::array<QCheckBox*, EncryptionSettings::PermissionCount> CheckPermission{};
    QPushButton* CmdAllowAll = nullptr;
    QPushButton* CmdNone = nullptr;

private:
    void setupControls();

    Desktop& desktop_;
};
