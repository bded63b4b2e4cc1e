#include "ui/FormMainUi.h"

#include "filelist/FileListView.h"
#include "ui/TabStrip.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>

namespace {

QRect twips(int left, int top, int width, int height)
{
    return {TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height)};
}

template <typename W>
W* make(QWidget* parent, const QString& name)
{
    auto* widget = new W(parent);
    widget->setObjectName(name);
    return widget;
}

// Places a control at its design rectangle. Text controls grow to fit their
// text in the window's font (which may be wider than the design font),
// keeping their vertical centre.
void place(QWidget* widget, const QRect& design, bool fitText)
{
    QRect rect = design;
    if (fitText) {
        const QSize hint = widget->sizeHint();
        rect.setWidth(std::max(rect.width(), hint.width()));
        if (hint.height() > rect.height()) {
            const int centre = rect.center().y();
            rect.setHeight(hint.height());
            rect.moveTop(centre - hint.height() / 2);
        }
    }
    widget->setGeometry(rect);
}

QLabel* label(QWidget* parent, const QString& name, const QString& text, int left, int top,
              int width, int height, QWidget* buddy)
{
    auto* l = make<QLabel>(parent, name);
    l->setText(text);
    l->setBuddy(buddy);
    buddy->setAccessibleName(text);
    // Sized to its text.
    place(l, twips(left, top, width, height), true);
    l->resize(l->sizeHint().width(), l->height());
    return l;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& text, const QRect& rect)
{
    auto* b = make<QPushButton>(parent, name);
    b->setText(text);
    b->setAutoDefault(false);
    b->setDefault(false);
    place(b, rect, false);
    return b;
}

} // namespace

void FormMainUi::setupUi(QMainWindow* window)
{
    ClientArea = make<QWidget>(window, QStringLiteral("ClientArea"));
    window->setCentralWidget(ClientArea);

    TabStrip1 = make<TabStrip>(ClientArea, QStringLiteral("TabStrip1"));
    TabStrip1->addTab(QStringLiteral("Settings"));
    TabStrip1->addTab(QStringLiteral("File List"));
    TabStrip1->setGeometry(twips(270, 720, 10875, 5940));

    LvPDF = make<FileListView>(ClientArea, QStringLiteral("LvPDF"));
    LvPDF->setGeometry(twips(450, 1875, 10500, 4725));
    LvPDF->hide();

    StatusBar1 = make<QStatusBar>(window, QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(true);
    window->setStatusBar(StatusBar1);
    const int minimumPanel = TwipsToPixels(2000);
    Panel1 = make<QLabel>(StatusBar1, QStringLiteral("StatusPanel1"));
    Panel2 = make<QLabel>(StatusBar1, QStringLiteral("StatusPanel2"));
    auto* panel3 = make<QWidget>(StatusBar1, QStringLiteral("StatusPanel3"));
    Panel4 = make<QLabel>(StatusBar1, QStringLiteral("StatusPanel4"));
    for (QLabel* panel : {Panel1, Panel2, Panel4})
        panel->setMinimumWidth(minimumPanel);
    StatusBar1->addWidget(Panel1);
    StatusBar1->addWidget(Panel2);
    StatusBar1->addWidget(panel3, 1);
    StatusBar1->addWidget(Panel4);
    Panels = {Panel1, Panel2, panel3, Panel4};

    ProgressBar1 = make<QProgressBar>(panel3, QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();

    PicSetting = make<QFrame>(ClientArea, QStringLiteral("PicSetting"));
    PicSetting->setFrameShape(QFrame::StyledPanel);
    PicSetting->setGeometry(twips(180, 1200, 11070, 6060));

    TextFolder = make<QLineEdit>(PicSetting, QStringLiteral("TextFolder"));
    place(TextFolder, twips(1860, 240, 6525, 315), false);
    Label1 = label(PicSetting, QStringLiteral("Label1"), QStringLiteral("Destination folder:"), 270,
                   285, 1500, 210, TextFolder);
    CmdBrowse = button(PicSetting, QStringLiteral("CmdBrowse"), QStringLiteral("&Browse"),
                       twips(8490, 225, 1050, 345));

    Frame3 = make<QGroupBox>(PicSetting, QStringLiteral("Frame3"));
    Frame3->setTitle(QStringLiteral("Password"));
    place(Frame3, twips(270, 750, 9390, 1155), false);
    TextOwner = make<QLineEdit>(Frame3, QStringLiteral("TextOwner"));
    TextOwner->setText(QStringLiteral("Kesto"));
    place(TextOwner, twips(2520, 360, 1395, 315), false);
    Label3 = label(Frame3, QStringLiteral("Label3"), QStringLiteral("Owner (Master) Password:"),
                   255, 390, 2190, 210, TextOwner);
    TextUser = make<QLineEdit>(Frame3, QStringLiteral("TextUser"));
    place(TextUser, twips(6135, 360, 1740, 315), false);
    TextUser->hide();
    Label2 = label(Frame3, QStringLiteral("Label2"), QStringLiteral("User (Open) Password:"), 4140,
                   390, 1905, 210, TextUser);
    Label2->hide();
    CheckPassword = make<QCheckBox>(Frame3, QStringLiteral("CheckPassword"));
    CheckPassword->setText(QStringLiteral(
        "Require that the user type in a password prior to being able to view the PDF file"));
    place(CheckPassword, twips(255, 735, 7050, 210), true);

    Frame1 = make<QGroupBox>(PicSetting, QStringLiteral("Frame1"));
    Frame1->setTitle(QStringLiteral("The strength of encryption"));
    place(Frame1, twips(315, 2130, 3930, 3750), false);
    const char* const strengths[] = {
        "40-bit RC4 (acrobat 3 or above)", "128-bit RC4 (acrobat 5 or above)",
        "128-bit AES (acrobat 7 or above)", "256-bit AES (acrobat 9 or above)"};
    const int strengthTops[] = {390, 835, 1280, 1725};
    for (int i = 0; i < 4; ++i) {
        OptionKey[i] = make<QRadioButton>(Frame1, QStringLiteral("OptionKey%1").arg(i));
        OptionKey[i]->setText(QString::fromLatin1(strengths[i]));
        place(OptionKey[i], twips(150, strengthTops[i], 3360, 285), true);
    }
    OptionKey[2]->setChecked(true);

    Frame2 = make<QGroupBox>(PicSetting, QStringLiteral("Frame2"));
    Frame2->setTitle(QStringLiteral("Permissions"));
    place(Frame2, twips(4410, 2130, 5250, 3765), false);
    const char* const permissions[] = {
        "Allow the user to print the document",
        "Allow the user to copy text and graphics",
        "Allow the user to edit the document",
        "Allow the user to add annotations",
        "Allow the user to fill in form fields",
        "Enable copying for use with accessibility features",
        "Allow the user to assemble the document",
        "Allow high-resolution printing of the document"};
    const int permissionTops[] = {360, 728, 1096, 1464, 1832, 2200, 2568, 2940};
    const int permissionWidths[] = {3630, 3870, 3630, 3240, 3285, 4470, 3870, 4725};
    for (int i = 0; i < 8; ++i) {
        CheckPermission[i] = make<QCheckBox>(Frame2, QStringLiteral("CheckPermission%1").arg(i));
        CheckPermission[i]->setText(QString::fromLatin1(permissions[i]));
        place(CheckPermission[i], twips(195, permissionTops[i], permissionWidths[i], 270), true);
    }
    CmdAllowAll = button(Frame2, QStringLiteral("CmdAllowAll"), QStringLiteral("Allow all"),
                         twips(960, 3285, 1290, 345));
    CmdNone = button(Frame2, QStringLiteral("CmdNone"), QStringLiteral("Allow none"),
                     twips(2640, 3285, 1290, 345));

    // Tab order as designed; labels and frames take no focus.
    QWidget* const tabOrder[] = {
        TabStrip1->tabBar(), LvPDF, TextFolder, CmdBrowse, TextOwner, TextUser, CheckPassword,
        OptionKey[0], OptionKey[1], OptionKey[2], OptionKey[3],
        CheckPermission[0], CheckPermission[1], CheckPermission[2], CheckPermission[3],
        CheckPermission[4], CheckPermission[5], CheckPermission[6], CheckPermission[7],
        CmdAllowAll, CmdNone};
    for (size_t i = 1; i < std::size(tabOrder); ++i)
        QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);
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
