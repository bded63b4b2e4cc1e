#include "app/FormMain.h"

#include "ProgramInfo.h"
#include "filelist/FileList.h"
#include "filelist/FileListView.h"
#include "job/Paths.h"
#include "platform/Desktop.h"
#include "settings/Settings.h"
#include "ui/CommandTable.h"
#include "ui/Design.h"
#include "ui/FormFlash.h"
#include "ui/ProgramIcon.h"
#include "ui/SettingsPage.h"
#include "ui/TabStrip.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QStatusBar>

#include <algorithm>

namespace {

// Window measures of the main window, in twips.
constexpr int StartWidth = 10140;
constexpr int StartHeight = 8670;
constexpr int MinimumWidth = 5220;
constexpr int MinimumHeight = 4215;

} // namespace

FormMain::FormMain(Desktop& desktop, QWidget* parent)
    : QMainWindow(parent)
    , desktop_(desktop)
{
    setObjectName(QStringLiteral("FormMain"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    // Title bar with the system menu and minimise, no maximise button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(ProgramIcon());
    setFont(DesignFont(9));
    ui_.setupUi(this, desktop_);
    ui_.ClientArea->installEventFilter(this);
    ui_.Panels[2]->installEventFilter(this);
    Form_Load();
}

FormMain::~FormMain() = default;

void FormMain::Form_Load()
{
    InitializeMainWindow();

    commandBars_ = new CommandBars(this);
    connect(commandBars_, &CommandBars::execute, this, &FormMain::Execute);
    UpdateCommands();

    skin_.attach();
    ApplyTheme(skin_, themeIndex_, appFolder_);
    setWindowTitle(ProgramTitle);
}

void FormMain::InitializeMainWindow()
{
    appFolder_ = WithTrailingSeparator(QCoreApplication::applicationDirPath());

    setMinimumSize(TwipsToPixels(MinimumWidth), TwipsToPixels(MinimumHeight));
    resize(TwipsToPixels(StartWidth), TwipsToPixels(StartHeight));
    CentreOnScreen(this);

    ui_.ProgressBar1->setValue(0);
    ui_.Panel1->setText(QStringLiteral("Total files: 0"));
    ui_.Panel2->setText(QStringLiteral("Total pages: 0"));
    ui_.PicSetting->setFrameShape(QFrame::NoFrame);

    fileList_ = std::make_unique<FileList>(ui_.LvPDF, ui_.Panel1, ui_.Panel2, desktop_);
    FileListView* list = ui_.LvPDF;
    // A drop is handled once the drag source has been let go.
    connect(list, &FileListView::filesDropped, this,
            [this](const QStringList& paths) {
                addFiles([this, paths] { fileList_->AddDroppedFiles(paths); });
            },
            Qt::QueuedConnection);
    connect(list, &FileListView::columnClicked, this,
            [this](int column) {
                if (fileList_)
                    fileList_->ColumnClick(column);
            });
    connect(list, &FileListView::rightButtonReleased, this,
            [this](const QPoint& where) { commandBars_->M_List()->popup(where); });
    connect(ui_.TabStrip1, &TabStrip::currentChanged, this, &FormMain::TabStrip1_Click);

    SettingsPage* page = ui_.PicSetting;
    page->TextFolder->setText(ReadSetting(QStringLiteral("Path")));
    bool isNumber = false;
    const int storedTheme = ReadSetting(QStringLiteral("Skin")).trimmed().toInt(&isNumber);
    if (isNumber)
        themeIndex_ = storedTheme;
    page->TextOwner->setText(ReadSetting(QStringLiteral("OwnerPassword")));
    if (page->TextOwner->text().isEmpty())
        page->TextOwner->setText(DefaultOwnerPassword);
    // Not on the page: a user who wants runs to leave cores free stores it.
    rowsAtOnce_ = std::max(0, ReadSetting(QStringLiteral("Jobs")).trimmed().toInt());
}

bool FormMain::eventFilter(QObject* watched, QEvent* event)
{
    // Every size change of the client area or of the status bar lays the
    // window out again.
    if (event->type() == QEvent::Resize &&
        (watched == ui_.ClientArea || watched == ui_.Panels[2]))
        ui_.layoutClientArea();
    return QMainWindow::eventFilter(watched, event);
}

void FormMain::TabStrip1_Click(int index)
{
    if (index == 0) {
        ui_.LvPDF->hide();
        ui_.PicSetting->show();
    } else if (index == 1) {
        ui_.LvPDF->show();
        ui_.PicSetting->hide();
    }
}

bool FormMain::busy() const
{
    return state_ == RunState::Running || state_ == RunState::Stopping;
}

bool FormMain::IsCommandEnabled(int id) const
{
    switch (state_) {
    case RunState::Idle:
    case RunState::AddingFiles:
        return true;
    case RunState::Running:
    case RunState::Stopping:
        return id == ID_STOP;
    case RunState::Unloading:
        return false;
    }
    return false;
}

bool FormMain::IsCommandChecked(int id) const
{
    return id == CommandOfThemeIndex(themeIndex_);
}

void FormMain::UpdateCommands()
{
    if (!commandBars_)
        return;
    commandBars_->update([this](int id) { return IsCommandEnabled(id); },
                         [this](int id) { return IsCommandChecked(id); });
}

void FormMain::setState(RunState state)
{
    // Once unloading, the window never comes back.
    if (state_ == RunState::Unloading)
        return;
    state_ = state;
    // Until a stopped run has ended nothing may touch the list or the
    // settings it reads.
    ui_.LvPDF->setEnabled(!busy());
    ui_.PicSetting->setEnabled(!busy());
    UpdateCommands();
}

void FormMain::Execute(int id)
{
    // A disabled command is never run, whatever invoked it.
    if (!IsCommandEnabled(id))
        return;
    switch (id) {
    case ID_CONTENTS:
        desktop_.openHelp(appFolder_ + QStringLiteral("help.html"));
        break;
    case ID_ABOUT:
        ShowAbout();
        break;
    case ID_Add:
        ui_.TabStrip1->setCurrentIndex(1);
        addFiles([this] { fileList_->AddFiles(); });
        break;
    case ID_REMOVE:
        fileList_->M_Remove_Click();
        break;
    case ID_Exit:
        close();
        break;
    case ID_STOP:
        StopEncrypt();
        break;
    case ID_CONVERT:
        StartEncrypt();
        break;
    case ID_SELECTALL:
        fileList_->M_SelectAll_Click();
        break;
    case ID_INVERTSELECTION:
        fileList_->M_Invert_Click();
        break;
    default:
        if (const int theme = ThemeIndexOfCommand(id); theme >= 0) {
            themeIndex_ = theme;
            UpdateCommands();
            ApplyTheme(skin_, themeIndex_, appFolder_);
        }
        break;
    }
}

void FormMain::addFiles(const std::function<void()>& add)
{
    // Files come in only while idle, or from the events of a batch that is
    // coming in (a second drop), which then is part of that batch.
    if (state_ != RunState::Idle && state_ != RunState::AddingFiles)
        return;
    const bool outermost = state_ == RunState::Idle;
    if (outermost)
        setState(RunState::AddingFiles);
    add();
    if (outermost && state_ == RunState::AddingFiles)
        setState(RunState::Idle);
}

void FormMain::OpenFiles(const QStringList& paths)
{
    ui_.TabStrip1->setCurrentIndex(1);
    addFiles([this, paths] { fileList_->AddDroppedFiles(paths); });
}

void FormMain::ShowAbout()
{
    FormFlash about(true, this);
    about.exec();
}

void FormMain::closeEvent(QCloseEvent* event)
{
    // A close during a run stops the run instead; the window stays.
    if (busy()) {
        StopEncrypt();
        event->ignore();
        return;
    }
    event->accept();
    Form_Unload();
}

void FormMain::Form_Unload()
{
    if (state_ == RunState::Unloading)
        return;
    setState(RunState::Unloading);
    fileList_.reset();
    const SettingsPage* page = ui_.PicSetting;
    WriteSetting(QStringLiteral("Path"), page->TextFolder->text());
    WriteSetting(QStringLiteral("Skin"), QString::number(themeIndex_));
    WriteSetting(QStringLiteral("OwnerPassword"), page->TextOwner->text());
    hide();
    // Pending events run once more; with the state Unloading, none of them
    // can start anything.
    QCoreApplication::processEvents();
}

void FormMain::CmdBrowse_Click()
{
    ui_.PicSetting->CmdBrowse_Click();
}

void FormMain::CheckPassword_Click()
{
    ui_.PicSetting->CheckPassword_Click();
}

void FormMain::CheckPermission_Click(int index)
{
    ui_.PicSetting->CheckPermission_Click(index);
}

void FormMain::CmdAllowAll_Click()
{
    ui_.PicSetting->CmdAllowAll_Click();
}

void FormMain::CmdNone_Click()
{
    ui_.PicSetting->CmdNone_Click();
}

void FormMain::OptionKey_Click(int index)
{
    ui_.PicSetting->OptionKey_Click(index);
}
