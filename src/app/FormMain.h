#pragma once

#include "app/Themes.h"
#include "job/BatchRun.h"
#include "job/EncryptionSettings.h"
#include "ui/FormMainUi.h"

#include <QMainWindow>

#include <memory>

class CommandBars;
class Desktop;
class FileList;
class PdfLibrary;

// The main window: loads with the stored settings, dispatches every command,
// keeps the commands' enabled and checked state, runs the batch and stores
// the settings when it unloads. Prompts and shell calls go through Desktop.
class FormMain final : public QMainWindow
{
    Q_OBJECT
public:
    explicit FormMain(Desktop& desktop, QWidget* parent = nullptr);
    ~FormMain() override;

    FormMainUi& ui() { return ui_; }
    CommandBars& commandBars() { return *commandBars_; }
    FileList& fileList() { return *fileList_; }
    Skin& skin() { return skin_; }

    bool IsRunning() const { return isRunning_; }
    bool StopRequested() const { return stopRequested_; }
    int ThemeIndex() const { return themeIndex_; }
    bool AboutMode() const { return aboutMode_; }
    QString AppFolder() const { return appFolder_; }

    // The execute event: runs the command with this id.
    void Execute(int id);
    // The update event for every command: enabled state and theme check marks.
    void UpdateCommands();
    bool IsCommandEnabled(int id) const;
    bool IsCommandChecked(int id) const;

    // The run.
    void StartEncrypt();
    void StopEncrypt();

    // The settings page.
    void CmdBrowse_Click();
    void CheckPassword_Click();
    void CheckPermission_Click(int index);
    void CmdAllowAll_Click();
    void CmdNone_Click();
    void OptionKey_Click(int index);
    // The security the settings page holds now.
    EncryptionSettings PageSettings() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void InitializeMainWindow();
    void TabStrip1_Click(int index);
    void Form_Unload();
    void EncryptFiles();
    void connectSettingsPage();
    void ShowAbout();

    void setRunning(bool running);
    // Enables the list and the settings page and sets the commands' state
    // for whether a run is busy.
    void updateRunState();
    void setThemeIndex(int index);
    // A run is in progress or has not ended yet: its rows, the yields
    // between them, and the winding down of a stopped run.
    bool busy() const;

    Desktop& desktop_;
    FormMainUi ui_;
    CommandBars* commandBars_ = nullptr;
    Skin skin_;
    std::unique_ptr<PdfLibrary> pdfLibrary_;
    std::unique_ptr<FileList> fileList_;
    RowRunner rowRunner_;

    QString appFolder_;
    int themeIndex_ = 0;
    bool aboutMode_ = false;
    bool isRunning_ = false;
    bool stopRequested_ = false;
    bool unloading_ = false;      // the window closes from code (Exit)
    bool unloaded_ = false;
};

// The folder with exactly one trailing separator ("/opt/sealmark" gives
// "/opt/sealmark/", a root keeps its own).
QString WithTrailingSeparator(const QString& folder);
