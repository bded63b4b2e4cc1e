#include "app/FormMain.h"
#include "FakeDesktop.h"
#include "filelist/FileList.h"
#include "filelist/FileListView.h"
#include "RunHelpers.h"
#include "TestPdfs.h"
#include "TestSettings.h"
#include "ui/CommandTable.h"
#include "ui/SettingsPage.h"
#include "ui/FormFlash.h"
#include "ui/TabStrip.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QRadioButton>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

namespace {

// Counts the splash windows shown while it lives: an About box shows one.
class SplashCounter final : public QObject
{
public:
    SplashCounter() { qApp->installEventFilter(this); }
    int shown = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && qobject_cast<FormFlash*>(watched))
            ++shown;
        return QObject::eventFilter(watched, event);
    }
};

QStringList captionsOf(const QMenu* menu)
{
    QStringList captions;
    for (const QAction* action : menu->actions())
        captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return captions;
}

} // namespace

// The main window as a whole: start-up, layout, command table, dispatch and
// gating, themes, close and unload.
class TestFormMain : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir settingsDir_;
    FakeDesktop desktop_;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(settingsDir_.isValid());
        TestSettings::isolate(settingsDir_.path());
        FormFlash::timings() = {20, 20};
    }

    void init()
    {
        TestSettings::store().clear();
        desktop_.reset();
    }

    void cleanup() { VERIFY_DESKTOP(desktop_); }

    void firstStartShowsTheDesignState()
    {
        FormMain window(desktop_);
        FormMainUi& ui = window.ui();
        QCOMPARE(window.windowTitle(), QStringLiteral("Sealmark"));
        QCOMPARE(window.AppFolder(), QDir::toNativeSeparators(QCoreApplication::applicationDirPath()) + QDir::separator());
        QCOMPARE(ui.PicSetting->TextFolder->text(), QString());
        QCOMPARE(ui.PicSetting->TextOwner->text(), QStringLiteral("Kesto"));
        QCOMPARE(window.ThemeIndex(), 0);
        QCOMPARE(window.skin().current(), QStringLiteral("NormalBlue.ini"));
        QCOMPARE(ui.Panel1->text(), QStringLiteral("Total files: 0"));
        QCOMPARE(ui.Panel2->text(), QStringLiteral("Total pages: 0"));
        QCOMPARE(ui.Panel4->text(), QString());
        QCOMPARE(ui.ProgressBar1->value(), 0);

        window.show();
        QCOMPARE(ui.TabStrip1->currentIndex(), 0);
        QVERIFY(ui.PicSetting->isVisible());
        QVERIFY(!ui.LvPDF->isVisible());
        QVERIFY(!ui.PicSetting->Label2->isVisible());
        QVERIFY(!ui.PicSetting->TextUser->isVisible());
        QVERIFY(!ui.PicSetting->CheckPassword->isChecked());
        for (int i = 0; i < 4; ++i)
            QCOMPARE(ui.PicSetting->OptionKey[i]->isChecked(), i == 2);
        for (QCheckBox* box : ui.PicSetting->CheckPermission) {
            QVERIFY(box->isVisible());
            QVERIFY(!box->isChecked());
        }
        QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(window.windowFlags() & Qt::WindowMinimizeButtonHint);
    }

    void controlsCarryTheirNamesAndCaptions()
    {
        FormMain window(desktop_);
        const QList<std::pair<const char*, QString>> captions = {
            {"Label1", QStringLiteral("Destination folder:")},
            {"CmdBrowse", QStringLiteral("&Browse")},
            {"Label3", QStringLiteral("Owner (Master) Password:")},
            {"Label2", QStringLiteral("User (Open) Password:")},
            {"CmdAllowAll", QStringLiteral("Allow all")},
            {"CmdNone", QStringLiteral("Allow none")},
            {"OptionKey0", QStringLiteral("40-bit RC4 (acrobat 3 or above)")},
            {"OptionKey3", QStringLiteral("256-bit AES (acrobat 9 or above)")},
            {"CheckPermission5", QStringLiteral("Enable copying for use with accessibility features")},
            {"CheckPermission7", QStringLiteral("Allow high-resolution printing of the document")},
            {"CheckPassword", QStringLiteral("Require that the user type in a password prior to being able to view the PDF file")},
        };
        for (const auto& [name, caption] : captions) {
            QWidget* widget = window.findChild<QWidget*>(QLatin1String(name));
            QVERIFY2(widget, name);
            QCOMPARE(widget->property("text").toString(), caption);
        }
        const QList<std::pair<const char*, QString>> frames = {
            {"Frame1", QStringLiteral("The strength of encryption")},
            {"Frame2", QStringLiteral("Permissions")},
            {"Frame3", QStringLiteral("Password")}};
        for (const auto& [name, title] : frames)
            QCOMPARE(window.findChild<QGroupBox*>(QLatin1String(name))->title(), title);
        for (const char* name : {"TabStrip1", "LvPDF", "ProgressBar1", "StatusBar1", "PicSetting",
                                 "TextFolder", "TextOwner", "TextUser"})
            QVERIFY2(window.findChild<QWidget*>(QLatin1String(name)), name);
        // Labels name their boxes for screen readers.
        QCOMPARE(window.ui().PicSetting->Label3->buddy(), window.ui().PicSetting->TextOwner);
        QCOMPARE(window.ui().PicSetting->TextOwner->accessibleName(), QStringLiteral("Owner (Master) Password:"));

        const QTreeWidgetItem* header = window.ui().LvPDF->headerItem();
        QCOMPARE(header->text(0), QString());
        QCOMPARE(header->text(1), QStringLiteral("File Name"));
        QCOMPARE(header->text(2), QStringLiteral("Page Count"));
        QCOMPARE(header->text(3), QStringLiteral("File Size"));
        QCOMPARE(window.ui().LvPDF->columnWidth(0), 20);
        QCOMPARE(window.ui().LvPDF->columnWidth(1), 443);
        QCOMPARE(window.ui().TabStrip1->tabBar()->tabText(0), QStringLiteral("Settings"));
        QCOMPARE(window.ui().TabStrip1->tabBar()->tabText(1), QStringLiteral("File List"));
    }

    void storedSettingsAreApplied_data()
    {
        QTest::addColumn<QString>("skin");
        QTest::addColumn<int>("themeIndex");
        QTest::addColumn<QString>("scheme");
        QTest::addColumn<int>("checkedCommand");
        QTest::newRow("aqua") << QStringLiteral("2") << 2 << QStringLiteral("NormalAqua.ini") << int(ID_AQUA);
        QTest::newRow("black") << QStringLiteral("4") << 4 << QStringLiteral("NormalBlack.ini") << int(ID_BLACK);
        QTest::newRow("no theme") << QStringLiteral("5") << 5 << QString() << int(ID_NOSKIN);
        QTest::newRow("not a number") << QStringLiteral("abc") << 0 << QStringLiteral("NormalBlue.ini") << int(ID_BLUE);
        QTest::newRow("empty") << QString() << 0 << QStringLiteral("NormalBlue.ini") << int(ID_BLUE);
        QTest::newRow("out of range") << QStringLiteral("9") << 9 << QString() << 0;
    }

    void storedSettingsAreApplied()
    {
        QFETCH(QString, skin);
        QFETCH(int, themeIndex);
        QFETCH(QString, scheme);
        QFETCH(int, checkedCommand);
        TestSettings::store().setValue(QStringLiteral("Path"), QStringLiteral("/srv/out"));
        TestSettings::store().setValue(QStringLiteral("Skin"), skin);
        TestSettings::store().setValue(QStringLiteral("OwnerPassword"), QStringLiteral(" owner pw "));

        FormMain window(desktop_);
        QCOMPARE(window.ui().PicSetting->TextFolder->text(), QStringLiteral("/srv/out"));
        QCOMPARE(window.ui().PicSetting->TextOwner->text(), QStringLiteral(" owner pw "));
        QCOMPARE(window.ThemeIndex(), themeIndex);
        QCOMPARE(window.skin().current(), scheme);
        for (const int id : {ID_BLUE, ID_LIGHTBLUE, ID_AQUA, ID_SILVER, ID_BLACK, ID_NOSKIN})
            QCOMPARE(window.commandBars().action(id)->isChecked(), id == checkedCommand);
    }

    void menusToolbarAndKeysFollowTheTable()
    {
        FormMain window(desktop_);
        CommandBars& bars = window.commandBars();
        QMenuBar* bar = window.menuBar();
        QStringList titles;
        for (const QAction* action : bar->actions())
            titles << action->text();
        QCOMPARE(titles, QStringList({QStringLiteral("&File"), QStringLiteral("File &List"), QStringLiteral("&Help")}));
        // "&Theme" stands apart at the right end of the menu bar.
        auto* corner = qobject_cast<QMenuBar*>(bar->cornerWidget(Qt::TopRightCorner));
        QVERIFY(corner);
        QCOMPARE(corner->actions().size(), 1);
        QCOMPARE(corner->actions().first()->text(), QStringLiteral("&Theme"));

        QCOMPARE(captionsOf(bars.popup(ID_FILE)),
                 QStringList({QStringLiteral("&Add PDF Files"), QStringLiteral("-"),
                              QStringLiteral("Start &Removing Protection"),
                              QStringLiteral("&Stop Removing Protection"), QStringLiteral("-"),
                              QStringLiteral("&Exit")}));
        QCOMPARE(captionsOf(bars.popup(ID_FILELIST)),
                 QStringList({QStringLiteral("Select &All"), QStringLiteral("&Invert Selection"),
                              QStringLiteral("-"), QStringLiteral("&Remove")}));
        QCOMPARE(captionsOf(bars.popup(ID_HELP)),
                 QStringList({QStringLiteral("&Contents"), QStringLiteral("&About")}));
        QCOMPARE(captionsOf(bars.popup(ID_SKIN)),
                 QStringList({QStringLiteral("&Blue"), QStringLiteral("&Light Blue"),
                              QStringLiteral("&Aqua"), QStringLiteral("&Silver"),
                              QStringLiteral("Bla&ck"), QStringLiteral("-"),
                              QStringLiteral("&No Theme")}));
        QCOMPARE(bars.popup(ID_FILE)->toolTip(), QStringLiteral("File"));
        QCOMPARE(bars.popup(ID_SKIN)->toolTip(), QString());

        const QList<std::tuple<int, QString, QString>> keys = {
            {ID_Add, QStringLiteral("Ctrl+O"), QStringLiteral("Open")},
            {ID_CONVERT, QStringLiteral("F2"), QStringLiteral("Convert")},
            {ID_STOP, QStringLiteral("F3"), QStringLiteral("Stop")},
            {ID_Exit, QString(), QStringLiteral("Quit")},
            {ID_SELECTALL, QStringLiteral("Ctrl+A"), QStringLiteral("Select All")},
            {ID_INVERTSELECTION, QStringLiteral("Ctrl+Alt+I"), QStringLiteral("Invert Selection")},
            {ID_CONTENTS, QStringLiteral("F1"), QStringLiteral("Contents")},
            {ID_ABOUT, QString(), QStringLiteral("About")}};
        for (const auto& [id, key, tooltip] : keys) {
            QCOMPARE(bars.action(id)->shortcut(), QKeySequence(key));
            QCOMPARE(bars.action(id)->toolTip(), tooltip);
        }
        for (const int id : {ID_Add, ID_REMOVE, ID_Exit, ID_STOP, ID_CONVERT, ID_CONTENTS, ID_ABOUT}) {
            const QIcon icon = bars.action(id)->icon();
            QVERIFY(!icon.isNull());
            QCOMPARE(icon.pixmap(QSize(16, 16)).size(), QSize(16, 16));
            QCOMPARE(icon.pixmap(QSize(32, 32)).size(), QSize(32, 32));
        }
        for (const int id : {ID_SELECTALL, ID_INVERTSELECTION, ID_BLUE, ID_NOSKIN})
            QVERIFY(bars.action(id)->icon().isNull());

        // Toolbar: Add, Remove | Start, Stop, Exit.
        QStringList buttons;
        for (QAction* action : bars.toolbar()->actions()) {
            if (action->isSeparator()) {
                buttons << QStringLiteral("|");
                continue;
            }
            auto* button = qobject_cast<QToolButton*>(bars.toolbar()->widgetForAction(action));
            QVERIFY(button);
            buttons << button->text() + QLatin1Char('/') + button->toolTip();
            QCOMPARE(button->iconSize(), QSize(32, 32));
            QCOMPARE(button->size(), QSize(48, 48));
        }
        QCOMPARE(buttons, QStringList({QStringLiteral("Add/Add files"),
                                       QStringLiteral("Remove/Remove selected files"),
                                       QStringLiteral("|"),
                                       QStringLiteral("Start/Start removing protection"),
                                       QStringLiteral("Stop/Stop removing protection"),
                                       QStringLiteral("Exit/Exit")}));

        QCOMPARE(bars.M_List()->title(), QStringLiteral("&List"));
        QCOMPARE(captionsOf(bars.M_List()),
                 QStringList({QStringLiteral("Select &All"), QStringLiteral("&Invert Selection"),
                              QStringLiteral("-"), QStringLiteral("&Remove")}));
    }

    // Each way of invoking a command reaches the same handler.
    void commandsAreReachedByMenuButtonAndKey_data()
    {
        QTest::addColumn<QString>("via");
        QTest::newRow("menu") << QStringLiteral("menu");
        QTest::newRow("button") << QStringLiteral("button");
        QTest::newRow("key") << QStringLiteral("key");
    }

    void commandsAreReachedByMenuButtonAndKey()
    {
        QFETCH(QString, via);
        FormMain window(desktop_);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        CommandBars& bars = window.commandBars();
        const auto invoke = [&](int id) {
            if (via == QLatin1String("button") && bars.toolButton(id))
                bars.toolButton(id)->click();
            else if (via == QLatin1String("key") && !bars.action(id)->shortcut().isEmpty())
                QTest::keySequence(&window, bars.action(id)->shortcut());
            else
                bars.action(id)->trigger();
        };

        // Add: the "File List" tab, then the open-file dialog.
        desktop_.answerOpenFiles({});
        invoke(ID_Add);
        QCOMPARE(window.ui().TabStrip1->currentIndex(), 1);
        QCOMPARE(desktop_.callsOf(FakeDesktop::Kind::OpenFiles).size(), 1);
        QCOMPARE(desktop_.calls.last().filter, QStringLiteral("PDF files (*.pdf)"));

        // Start with an empty list: the message, then the dialog again.
        window.ui().TabStrip1->setCurrentIndex(0);
        desktop_.answerMessage();
        desktop_.answerOpenFiles({});
        invoke(ID_CONVERT);
        QCOMPARE(desktop_.callsOf(FakeDesktop::Kind::Message).last().text, QStringLiteral("Please add PDF file"));
        QCOMPARE(window.ui().TabStrip1->currentIndex(), 1);
        QVERIFY(!window.IsRunning());

        // Contents opens the help beside the program, whatever the current folder.
        QDir::setCurrent(QDir::tempPath());
        invoke(ID_CONTENTS);
        QCOMPARE(desktop_.callsOf(FakeDesktop::Kind::OpenHelp).size(), 1);
        QCOMPARE(desktop_.calls.last().text, window.AppFolder() + QStringLiteral("help.html"));
        QVERIFY(QFile::exists(desktop_.calls.last().text));

        const SplashCounter about;
        invoke(ID_ABOUT);
        QCOMPARE(about.shown, 1);
    }

    // During a run only Stop answers, whether by menu, button or key.
    void onlyStopIsReachableDuringARun()
    {
        QTemporaryDir work;
        const QString input = work.filePath(QStringLiteral("a.pdf"));
        QVERIFY(TestPdfs::write(input));
        FormMain window(desktop_);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.fileList().AddPdfFile(input);
        window.ui().PicSetting->TextFolder->setText(work.path());
        CommandBars& bars = window.commandBars();
        const SplashCounter about;

        bool tried = false;
        bool stoppedByKey = false;
        RunHelpers::Ticker ticker([&] {
            if (!tried && window.IsRunning()) {
                tried = true;
                for (const int id : {ID_Add, ID_REMOVE, ID_CONVERT, ID_Exit}) {
                    bars.toolButton(id)->click();
                    bars.action(id)->trigger();
                }
                for (const int id : {ID_Add, ID_CONVERT, ID_SELECTALL, ID_INVERTSELECTION, ID_CONTENTS})
                    QTest::keySequence(&window, bars.action(id)->shortcut());
                for (const int id : {ID_ABOUT, ID_BLACK, ID_NOSKIN})
                    bars.action(id)->trigger();
                QTest::keySequence(&window, bars.action(ID_STOP)->shortcut());
                stoppedByKey = window.StopRequested();
            }
            return window.IsRunning();
        });
        desktop_.answerMessage(Desktop::Answer::No);
        bars.toolButton(ID_CONVERT)->click();

        QVERIFY(tried);
        QVERIFY(stoppedByKey);
        QVERIFY(window.isVisible());
        QCOMPARE(about.shown, 0);
        QCOMPARE(window.ThemeIndex(), 0);
        QCOMPARE(window.fileList().rowCount(), 1);
        // Only the run's own summary came: no dialog, no second run, no help.
        QCOMPARE(desktop_.calls.size(), 1);
        QCOMPARE(desktop_.calls.first().text,
                 QStringLiteral("1 files saved.\r\nDo you want to open the destination folder now?"));
    }

    // Ctrl+A in a text box of the settings page selects the box's text, not
    // the list's rows.
    void selectAllKeyInATextBoxSelectsItsText()
    {
        QTemporaryDir work;
        const QString input = work.filePath(QStringLiteral("a.pdf"));
        QVERIFY(TestPdfs::write(input));
        FormMain window(desktop_);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.fileList().AddPdfFile(input);
        QLineEdit* owner = window.ui().PicSetting->TextOwner;
        owner->setFocus();
        QTest::keyClick(owner, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(owner->selectedText(), owner->text());
        QVERIFY(!window.ui().LvPDF->topLevelItem(0)->isSelected());
    }

    void themeCommandsMoveTheCheckMark()
    {
        FormMain window(desktop_);
        const int themes[] = {ID_BLUE, ID_LIGHTBLUE, ID_AQUA, ID_SILVER, ID_BLACK, ID_NOSKIN};
        const char* schemes[] = {"NormalBlue.ini", "LightBlue.ini", "NormalAqua.ini",
                                 "NormalSilver.ini", "NormalBlack.ini", ""};
        for (int index : {2, 4, 0, 5, 1, 3}) {
            window.commandBars().action(themes[index])->trigger();
            QCOMPARE(window.ThemeIndex(), index);
            QCOMPARE(window.skin().current(), QString::fromLatin1(schemes[index]));
            for (const int id : themes)
                QCOMPARE(window.commandBars().action(id)->isChecked(), id == themes[index]);
        }
    }

    void exitAndCloseWriteTheSettings()
    {
        {
            FormMain window(desktop_);
            window.show();
            window.ui().PicSetting->TextFolder->setText(QStringLiteral("/data/out"));
            window.ui().PicSetting->TextOwner->clear();
            window.commandBars().action(ID_AQUA)->trigger();
            window.commandBars().action(ID_Exit)->trigger();
            QVERIFY(!window.isVisible());
        }
        QCOMPARE(TestSettings::store().value(QStringLiteral("Path")).toString(), QStringLiteral("/data/out"));
        QCOMPARE(TestSettings::store().value(QStringLiteral("Skin")).toString(), QStringLiteral("2"));
        QCOMPARE(TestSettings::store().value(QStringLiteral("OwnerPassword")).toString(), QString());
        {
            // An emptied owner password comes back as the default; the theme
            // returns; the user's close writes the settings as well.
            FormMain window(desktop_);
            window.show();
            QCOMPARE(window.ui().PicSetting->TextOwner->text(), QStringLiteral("Kesto"));
            QCOMPARE(window.skin().current(), QStringLiteral("NormalAqua.ini"));
            window.commandBars().action(ID_NOSKIN)->trigger();
            QVERIFY(window.close());
        }
        QCOMPARE(TestSettings::store().value(QStringLiteral("Skin")).toString(), QStringLiteral("5"));
        QCOMPARE(TestSettings::store().value(QStringLiteral("OwnerPassword")).toString(), QStringLiteral("Kesto"));
    }

    void tabsShowTheirPage()
    {
        FormMain window(desktop_);
        window.show();
        window.ui().TabStrip1->setCurrentIndex(1);
        QVERIFY(window.ui().LvPDF->isVisible());
        QVERIFY(!window.ui().PicSetting->isVisible());
        QTest::mouseClick(window.ui().TabStrip1->tabBar(), Qt::LeftButton, {},
                          window.ui().TabStrip1->tabBar()->tabRect(0).center());
        QCOMPARE(window.ui().TabStrip1->currentIndex(), 0);
        QVERIFY(!window.ui().LvPDF->isVisible());
        QVERIFY(window.ui().PicSetting->isVisible());
    }

    void sizeLimitsAndLayoutHoldAfterResizes()
    {
        FormMain window(desktop_);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.size(), QSize(676, 578));
        const QSize minimum(348, 281);
        const QList<QSize> sizes = {QSize(100, 500), QSize(600, 100), QSize(10, 10), QSize(900, 700), QSize(676, 578)};
        for (const QSize& size : sizes) {
            window.resize(size);
            QCoreApplication::processEvents();
            QCOMPARE(window.width(), std::max(size.width(), minimum.width()));
            QCOMPARE(window.height(), std::max(size.height(), minimum.height()));

            const FormMainUi& ui = window.ui();
            QTRY_COMPARE(ui.TabStrip1->geometry(), ui.ClientArea->rect());
            const QRect tab = ui.TabStrip1->geometry();
            QCOMPARE(ui.LvPDF->geometry(), QRect(tab.left() + 3, tab.top() + 32, tab.width() - 5, tab.height() - 36));
            QCOMPARE(ui.PicSetting->geometry(), ui.LvPDF->geometry());
            const QWidget* panel3 = ui.Panels[2];
            QVERIFY(ui.ProgressBar1->isVisible());
            QVERIFY(panel3->rect().contains(ui.ProgressBar1->geometry()));
        }
        // A minimised window is left alone and laid out again when restored.
        window.showMinimized();
        window.showNormal();
        QCOMPARE(window.size(), QSize(676, 578));
    }
};

QTEST_MAIN(TestFormMain)
#include "tst_formmain.moc"
