#pragma once

#include <QRect>

#include <array>

class FileListView;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QWidget;
class TabStrip;

// Window measures are given in twips, 15 to a pixel at 96 dots per inch.
constexpr int TwipsToPixels(int twips)
{
    return (twips + 7) / 15;
}

// The controls of the main window, created with the captions, places and
// states they have before the window loads. Every control's objectName is
// its name (arrays as OptionKey0..3, CheckPermission0..7).
struct FormMainUi
{
    QWidget* ClientArea = nullptr;  // what menu bar, toolbar and status bar leave
    TabStrip* TabStrip1 = nullptr;
    FileListView* LvPDF = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    std::array<QWidget*, 4> Panels{};   // status panels 1 to 4 (index 0 to 3)
    QLabel* Panel1 = nullptr;           // "Total files: "
    QLabel* Panel2 = nullptr;           // "Total pages: "
    QLabel* Panel4 = nullptr;           // run counter

    QFrame* PicSetting = nullptr;
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
    std::array<QCheckBox*, 8> CheckPermission{};
    QPushButton* CmdAllowAll = nullptr;
    QPushButton* CmdNone = nullptr;

    void setupUi(QMainWindow* window);

    // Lays the tab strip over the client area, the two pages over the tab
    // strip's page area and the progress bar over status panel 3.
    void layoutClientArea();
};
