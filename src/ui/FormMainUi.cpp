#include "ui/FormMainUi.h"

#include "filelist/FileListView.h"
#include "ui/Design.h"
#include "ui/SettingsPage.h"
#include "ui/TabStrip.h"

#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QProgressBar>
#include <QStatusBar>

void FormMainUi::setupUi(QMainWindow* window, Desktop& desktop)
{
    ClientArea = MakeControl<QWidget>(window, QStringLiteral("ClientArea"));
    window->setCentralWidget(ClientArea);

    TabStrip1 = MakeControl<TabStrip>(ClientArea, QStringLiteral("TabStrip1"));
    TabStrip1->addTab(QStringLiteral("Settings"));
    TabStrip1->addTab(QStringLiteral("File List"));
    TabStrip1->setGeometry(TwipsRect(270, 720, 10875, 5940));

    LvPDF = MakeControl<FileListView>(ClientArea, QStringLiteral("LvPDF"));
    LvPDF->setGeometry(TwipsRect(450, 1875, 10500, 4725));
    LvPDF->hide();

    StatusBar1 = MakeControl<QStatusBar>(window, QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(true);
    window->setStatusBar(StatusBar1);
    const int minimumPanel = TwipsToPixels(2000);
    Panel1 = MakeControl<QLabel>(StatusBar1, QStringLiteral("StatusPanel1"));
    Panel2 = MakeControl<QLabel>(StatusBar1, QStringLiteral("StatusPanel2"));
    auto* panel3 = MakeControl<QWidget>(StatusBar1, QStringLiteral("StatusPanel3"));
    Panel4 = MakeControl<QLabel>(StatusBar1, QStringLiteral("StatusPanel4"));
    for (QLabel* panel : {Panel1, Panel2, Panel4})
        panel->setMinimumWidth(minimumPanel);
    StatusBar1->addWidget(Panel1);
    StatusBar1->addWidget(Panel2);
    StatusBar1->addWidget(panel3, 1);
    StatusBar1->addWidget(Panel4);
    Panels = {Panel1, Panel2, panel3, Panel4};

    ProgressBar1 = MakeControl<QProgressBar>(panel3, QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();

    PicSetting = new SettingsPage(desktop, ClientArea);
    PicSetting->setGeometry(TwipsRect(180, 1200, 11070, 6060));

    // Tab order as designed: the tabs, the list, then the page's controls.
    QWidget::setTabOrder(TabStrip1->tabBar(), LvPDF);
    QWidget::setTabOrder(LvPDF, PicSetting->TextFolder);
}

void FormMainUi::layoutClientArea()
{
    const QRect client = ClientArea->rect();
    TabStrip1->setGeometry(client);
    const QRect tab = TabStrip1->geometry();
    LvPDF->setGeometry(tab.left() + TwipsToPixels(40), tab.top() + TwipsToPixels(480),
                       tab.width() - TwipsToPixels(80), tab.height() - TwipsToPixels(540));
    PicSetting->setGeometry(LvPDF->geometry());

    QWidget* panel3 = Panels[2];
    ProgressBar1->setVisible(true);
    ProgressBar1->setGeometry(0, TwipsToPixels(30), panel3->width() - TwipsToPixels(30),
                              panel3->height() - TwipsToPixels(60));
}
