#pragma once

#include "app/Themes.h"
#include "filelist/FileRow.h"
#include "job/EncryptionSettings.h"
#include "ui/FormMainUi.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class BatchJob;
class CommandBars;
class Desktop;
class FileList;

// The main window: loads with the stored settings, dispatches every command,
// keeps the commands' enabled and checked state, runs the batch and stores
// the settings when it unloads. Prompts and shell calls go through Desktop.
class FormMain final : public QMainWindow
{
    Q_OBJECT
public:
    // The window's life around a run, in one place. Commands, the list and
    // the settings page follow it (UpdateCommands); every nested event loop
    // checks it.
    enum class RunState {
        Idle,         // every command available
        AddingFiles,  // a multiple selection or a drop comes in, events run
                      // between files: every command stays available, and a
                      // Start runs a whole run before the next file is added
        Running,      // rows are encrypted: only Stop
        Stopping,     // Stop or a close came: the rows in flight finish,
                      // still only Stop
        Unloading,    // the window is going away: no command runs any more
    };

    explicit FormMain(Desktop& desktop, QWidget* parent = nullptr);
    ~FormMain() override;

    FormMainUi& ui() { return ui_; }
    CommandBars& commandBars() { return *commandBars_; }
    FileList& fileList() { return *fileList_; }
    Skin& skin() { return skin_; }

    RunState runState() const { return state_; }
    bool IsRunning() const { return state_ == RunState::Running; }
    bool StopRequested() const { return state_ == RunState::Stopping; }
    int ThemeIndex() const { return themeIndex_; }
    QString AppFolder() const { return appFolder_; }

    // The execute event: runs the command with this id.
    void Execute(int id);
    // The update event for every command: enabled state and theme check marks.
    void UpdateCommands();
    bool IsCommandEnabled(int id) const;
    bool IsCommandChecked(int id) const;

    // Files handed to the program (a file manager's "Open with"): shown on
    // the File List tab and added like a drop.
    void OpenFiles(const QStringList& paths);

    // The run.
    void StartEncrypt();
    void StopEncrypt();

    // The settings page's handlers, kept on the form under their names.
    void CmdBrowse_Click();
    void CheckPassword_Click();
    void CheckPermission_Click(int index);
    void CmdAllowAll_Click();
    void CmdNone_Click();
    void OptionKey_Click(int index);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void InitializeMainWindow();
    void TabStrip1_Click(int index);
    void Form_Unload();
    // Runs `rows` into `folder`; `leftOut` are the listed files the user
    // left out, which the outputs must not replace either.
    void EncryptFiles(const QString& folder, const QList<FileRow>& rows, const QStringList& leftOut,
                      const EncryptionSettings& settings);
    void ShowAbout();
    // Adds files the way `add` does, in the AddingFiles state.
    void addFiles(const std::function<void()>& add);

    void setState(RunState state);
    // A run has not ended yet: its rows, and the winding down of a stopped run.
    bool busy() const;

    Desktop& desktop_;
    FormMainUi ui_;
    CommandBars* commandBars_ = nullptr;
    Skin skin_;
    std::unique_ptr<FileList> fileList_;
    BatchJob* job_ = nullptr;  // the run in progress

    QString appFolder_;
    int themeIndex_ = 0;
    int rowsAtOnce_ = 0;  // the "Jobs" setting: rows a run works on at once, 0 for one per core
    RunState state_ = RunState::Idle;
};
