#include "app/FormMain.h"

#include "filelist/FileList.h"
#include "filelist/FileListView.h"
#include "job/PdfLibrary.h"
#include "platform/Desktop.h"
#include "settings/Settings.h"
#include "ui/CommandTable.h"
#include "ui/FormFlash.h"
#include "ui/ProgramIcon.h"
#include "ui/TabStrip.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>

namespace {

// Window measures of the main window, in twips.
constexpr int StartWidth = 10140;
constexpr int StartHeight = 8670;
constexpr int MinimumWidth = 5220;
constexpr int MinimumHeight = 4215;

QFont windowFont()
{
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(9);
    return font;
}

} // namespace

QString WithTrailingSeparator(const QString& folder)
{
    const QString native = QDir::toNativeSeparators(folder);
    if (native.endsWith(QDir::separator()))
        return native;
    return native + QDir::separator();
}

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
    setFont(windowFont());
    ui_.setupUi(this);
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
    CommandBars& bars = *commandBars_;
    connect(bars.M_SelectAll(), &QAction::triggered, this, [this] {
        if (fileList_)
            fileList_->M_SelectAll_Click();
    });
    connect(bars.M_Invert(), &QAction::triggered, this, [this] {
        if (fileList_)
            fileList_->M_Invert_Click();
    });
    connect(bars.M_Remove(), &QAction::triggered, this, [this] {
        if (fileList_)
            fileList_->M_Remove_Click();
    });
    UpdateCommands();

    skin_.attach(this);
    ApplyTheme(skin_, themeIndex_, appFolder_);
    setWindowTitle(QStringLiteral("Sealmark"));
}

void FormMain::InitializeMainWindow()
{
    appFolder_ = WithTrailingSeparator(QCoreApplication::applicationDirPath());

    setMinimumSize(TwipsToPixels(MinimumWidth), TwipsToPixels(MinimumHeight));
    resize(TwipsToPixels(StartWidth), TwipsToPixels(StartHeight));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = rect();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }

    ui_.ProgressBar1->setValue(0);
    ui_.Panel1->setText(QStringLiteral("Total files: 0"));
    ui_.Panel2->setText(QStringLiteral("Total pages: 0"));
    ui_.PicSetting->setFrameShape(QFrame::NoFrame);

    pdfLibrary_ = std::make_unique<PdfLibrary>();
    fileList_ = std::make_unique<FileList>(ui_.LvPDF, ui_.Panel1, ui_.Panel2, *pdfLibrary_,
                                           desktop_, this);
    FileListView* list = ui_.LvPDF;
    // A drop is handled once the drag source has been let go.
    connect(list, &FileListView::filesDropped, this,
            [this](const QStringList& paths) {
                if (fileList_)
                    fileList_->AddDroppedFiles(paths);
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
    connectSettingsPage();

    ui_.TextFolder->setText(ReadSetting(QStringLiteral("Path")));
    bool isNumber = false;
    const int storedTheme = ReadSetting(QStringLiteral("Skin")).trimmed().toInt(&isNumber);
    if (isNumber)
        themeIndex_ = storedTheme;
    ui_.TextOwner->setText(ReadSetting(QStringLiteral("OwnerPassword")));
    if (ui_.TextOwner->text().isEmpty())
        ui_.TextOwner->setText(QStringLiteral("Kesto"));
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
    // Until a stopped run has ended nothing else may touch the list, the
    // settings or the PDF component.
    return isRunning_ || rowRunner_.inFlight();
}

bool FormMain::IsCommandEnabled(int id) const
{
    return busy() ? id == ID_STOP : true;
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

void FormMain::setRunning(bool running)
{
    isRunning_ = running;
    updateRunState();
}

void FormMain::updateRunState()
{
    ui_.LvPDF->setEnabled(!busy());
    ui_.PicSetting->setEnabled(!busy());
    UpdateCommands();
}

void FormMain::setThemeIndex(int index)
{
    themeIndex_ = index;
    UpdateCommands();
}

void FormMain::Execute(int id)
{
    // A disabled command is never run, whatever invoked it; after unloading
    // nothing is.
    if (unloaded_ || !IsCommandEnabled(id))
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
        fileList_->AddFiles();
        break;
    case ID_REMOVE:
        fileList_->M_Remove_Click();
        break;
    case ID_Exit:
        stopRequested_ = true;
        setRunning(false);
        unloading_ = true;
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
            setThemeIndex(theme);
            ApplyTheme(skin_, themeIndex_, appFolder_);
        }
        break;
    }
}

void FormMain::ShowAbout()
{
    aboutMode_ = true;
    FormFlash about(aboutMode_, this);
    about.exec();
}

void FormMain::closeEvent(QCloseEvent* event)
{
    // A user's close during a run stops the run instead.
    if (!unloading_ && busy()) {
        StopEncrypt();
        event->ignore();
        return;
    }
    unloading_ = false;
    event->accept();
    Form_Unload();
}

void FormMain::Form_Unload()
{
    if (unloaded_)
        return;
    unloaded_ = true;
    fileList_.reset();
    pdfLibrary_.reset();
    WriteSetting(QStringLiteral("Path"), ui_.TextFolder->text());
    WriteSetting(QStringLiteral("Skin"), QString::number(themeIndex_));
    WriteSetting(QStringLiteral("OwnerPassword"), ui_.TextOwner->text());
    hide();
    QCoreApplication::processEvents();
}
