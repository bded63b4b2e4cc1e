#pragma once

#include <array>

class Desktop;
class FileListView;
class QLabel;
class QMainWindow;
class QProgressBar;
class QStatusBar;
class QWidget;
class SettingsPage;
class TabStrip;

// The controls of the main window, created with the captions, places and
// states they have before the window loads. Every control's objectName is
// its name; the settings page holds its own controls.
struct FormMainUi
{
    QWidget* ClientArea = nullptr;  // what menu bar, toolbar and status bar leave
    TabStrip* TabStrip1 = nullptr;
    FileListView* LvPDF = nullptr;
    SettingsPage* PicSetting = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    std::array<QWidget*, 4> Panels{};   // status panels 1 to 4 (index 0 to 3)
    QLabel* Panel1 = nullptr;           // "Total files: "
    QLabel* Panel2 = nullptr;           // "Total pages: "
    QLabel* Panel4 = nullptr;           // run counter

    void setupUi(QMainWindow* window, Desktop& desktop);

    // Lays the tab strip over the client area, the two pages over the tab
    // strip's page area and the progress bar over status panel 3.
    void layoutClientArea();
};
