#include "ui/CommandTable.h"

#include <QAction>
#include <QIcon>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <vector>

namespace {

// clang-format off
constexpr CommandSpec kCommands[] = {
 // id                  name                  popup        caption                        shortcut      group  icon        tooltip             tb  tool caption  tool tooltip                   tool group
    {ID_Add,             "ID_Add",             ID_FILE,     "&Add PDF Files",              "Ctrl+O",     false, "add",      "Open",             1, "Add",        "Add files",                   false},
    {ID_CONVERT,         "ID_CONVERT",         ID_FILE,     "Start &Removing Protection",  "F2",         true,  "convert",  "Convert",          3, "Start",      "Start removing protection",   true},
    {ID_STOP,            "ID_STOP",            ID_FILE,     "&Stop Removing Protection",   "F3",         false, "stop",     "Stop",             4, "Stop",       "Stop removing protection",    false},
    {ID_Exit,            "ID_Exit",            ID_FILE,     "&Exit",                       "",           true,  "exit",     "Quit",             5, "Exit",       "Exit",                        false},
    {ID_SELECTALL,       "ID_SELECTALL",       ID_FILELIST, "Select &All",                 "Ctrl+A",     false, "",         "Select All",       0, "",           "",                            false},
    {ID_INVERTSELECTION, "ID_INVERTSELECTION", ID_FILELIST, "&Invert Selection",           "Ctrl+Alt+I", false, "",         "Invert Selection", 0, "",           "",                            false},
    {ID_REMOVE,          "ID_REMOVE",          ID_FILELIST, "&Remove",                     "",           true,  "remove",   "Remove",           2, "Remove",     "Remove selected files",       false},
    {ID_CONTENTS,        "ID_CONTENTS",        ID_HELP,     "&Contents",                   "F1",         false, "contents", "Contents",         0, "",           "",                            false},
    {ID_ABOUT,           "ID_ABOUT",           ID_HELP,     "&About",                      "",           false, "about",    "About",            0, "",           "",                            false},
    {ID_BLUE,            "ID_BLUE",            ID_SKIN,     "&Blue",                       "",           false, "",         "Blue",             0, "",           "",                            false},
    {ID_LIGHTBLUE,       "ID_LIGHTBLUE",       ID_SKIN,     "&Light Blue",                 "",           false, "",         "Light Blue",       0, "",           "",                            false},
    {ID_AQUA,            "ID_AQUA",            ID_SKIN,     "&Aqua",                       "",           false, "",         "Aqua",             0, "",           "",                            false},
    {ID_SILVER,          "ID_SILVER",          ID_SKIN,     "&Silver",                     "",           false, "",         "Silver",           0, "",           "",                            false},
    {ID_BLACK,           "ID_BLACK",           ID_SKIN,     "Bla&ck",                      "",           false, "",         "Black",            0, "",           "",                            false},
    {ID_NOSKIN,          "ID_NOSKIN",          ID_SKIN,     "&No Theme",                   "",           true,  "",         "",                 0, "",           "",                            false},
};

constexpr PopupSpec kPopups[] = {
    {ID_FILE,     "ID_FILE",     "&File",      "File",      false},
    {ID_FILELIST, "ID_FILELIST", "File &List", "File List", false},
    {ID_HELP,     "ID_HELP",     "&Help",      "Help",      false},
    {ID_SKIN,     "ID_SKIN",     "&Theme",     "",          true},
};
// clang-format on

QIcon commandIcon(const char* name)
{
    QIcon icon;
    for (const int size : {16, 32})
        icon.addFile(QStringLiteral(":/icons/%1-%2.png").arg(QLatin1String(name)).arg(size),
                     QSize(size, size));
    return icon;
}

bool isThemeCommand(int id)
{
    return id >= ID_AQUA && id <= ID_BLACK;
}

} // namespace

std::span<const CommandSpec> CommandTable()
{
    return kCommands;
}

std::span<const PopupSpec> PopupTable()
{
    return kPopups;
}

CommandBars::CommandBars(QMainWindow* window)
    : QObject(window)
{
    for (const CommandSpec& command : CommandTable()) {
        auto* action = new QAction(QString::fromUtf8(command.caption), window);
        action->setObjectName(QLatin1String(command.name));
        action->setData(command.id);
        action->setToolTip(QString::fromUtf8(command.tooltip));
        if (*command.shortcut) {
            action->setShortcut(QKeySequence(QString::fromLatin1(command.shortcut)));
            action->setShortcutContext(Qt::WindowShortcut);
        }
        if (*command.icon)
            action->setIcon(commandIcon(command.icon));
        action->setCheckable(isThemeCommand(command.id));
        const int id = command.id;
        connect(action, &QAction::triggered, this, [this, id] { Q_EMIT execute(id); });
        window->addAction(action);  // keys work whether or not a menu is open
        actions_[id] = action;
    }
    buildMenus(window);
    buildToolbar(window);
    buildListMenu(window);
}

void CommandBars::buildMenus(QMainWindow* window)
{
    QMenuBar* bar = window->menuBar();
    bar->setObjectName(QStringLiteral("MenuBar"));
    bar->setWindowTitle(QStringLiteral("Menu Bar"));
    // The right-aligned pop-up lives in a bar of its own in the corner.
    QMenuBar* cornerBar = nullptr;
    for (const PopupSpec& popupRow : PopupTable()) {
        QMenuBar* host = bar;
        if (popupRow.rightAligned) {
            if (!cornerBar) {
                cornerBar = new QMenuBar(bar);
                cornerBar->setObjectName(QStringLiteral("MenuBarCorner"));
                bar->setCornerWidget(cornerBar, Qt::TopRightCorner);
            }
            host = cornerBar;
        }
        QMenu* menu = host->addMenu(QString::fromUtf8(popupRow.caption));
        menu->setObjectName(QLatin1String(popupRow.name));
        menu->setToolTip(QString::fromUtf8(popupRow.tooltip));
        menu->setToolTipsVisible(true);
        menu->menuAction()->setData(popupRow.id);
        popups_[popupRow.id] = menu;
        for (const CommandSpec& command : CommandTable()) {
            if (command.popup != popupRow.id)
                continue;
            if (command.startsGroup && !menu->isEmpty())
                menu->addSeparator();
            menu->addAction(actions_.at(command.id));
        }
    }
}

void CommandBars::buildToolbar(QMainWindow* window)
{
    toolbar_ = window->addToolBar(QStringLiteral("Toolbar"));
    toolbar_->setObjectName(QStringLiteral("IDR_TOOLBAR"));
    toolbar_->setMovable(false);
    toolbar_->setFloatable(false);
    toolbar_->setIconSize(QSize(32, 32));
    toolbar_->toggleViewAction()->setVisible(false);

    std::vector<const CommandSpec*> buttons;
    for (const CommandSpec& command : CommandTable())
        if (command.toolbarPosition > 0)
            buttons.push_back(&command);
    std::sort(buttons.begin(), buttons.end(), [](const CommandSpec* a, const CommandSpec* b) {
        return a->toolbarPosition < b->toolbarPosition;
    });

    for (const CommandSpec* command : buttons) {
        if (command->toolStartsGroup)
            toolbar_->addSeparator();
        QAction* action = actions_.at(command->id);
        // The button has its own caption and tooltip but is the same command:
        // it triggers the shared action and follows its enabled state.
        auto* button = new QToolButton(toolbar_);
        button->setObjectName(QStringLiteral("Toolbar_") + QLatin1String(command->name));
        button->setText(QString::fromUtf8(command->toolCaption));
        button->setToolTip(QString::fromUtf8(command->toolTooltip));
        button->setAccessibleName(button->text());
        button->setIcon(action->icon());
        button->setIconSize(QSize(32, 32));
        button->setFixedSize(48, 48);
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setEnabled(action->isEnabled());
        connect(button, &QToolButton::clicked, action, &QAction::trigger);
        connect(action, &QAction::enabledChanged, button, &QToolButton::setEnabled);
        toolbar_->addWidget(button);
        toolButtons_[command->id] = button;
    }
}

void CommandBars::buildListMenu(QMainWindow* window)
{
    listMenu_ = new QMenu(QStringLiteral("&List"), window);
    listMenu_->setObjectName(QStringLiteral("M_List"));
    selectAll_ = listMenu_->addAction(QStringLiteral("Select &All"));
    selectAll_->setObjectName(QStringLiteral("M_SelectAll"));
    invert_ = listMenu_->addAction(QStringLiteral("&Invert Selection"));
    invert_->setObjectName(QStringLiteral("M_Invert"));
    listMenu_->addSeparator()->setObjectName(QStringLiteral("M_x1"));
    remove_ = listMenu_->addAction(QStringLiteral("&Remove"));
    remove_->setObjectName(QStringLiteral("M_Remove"));
}

QAction* CommandBars::action(int id) const
{
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

QMenu* CommandBars::popup(int id) const
{
    const auto it = popups_.find(id);
    return it == popups_.end() ? nullptr : it->second;
}

QToolButton* CommandBars::toolButton(int id) const
{
    const auto it = toolButtons_.find(id);
    return it == toolButtons_.end() ? nullptr : it->second;
}

void CommandBars::update(const std::function<bool(int)>& enabled,
                         const std::function<bool(int)>& checked)
{
    for (const auto& [id, action] : actions_) {
        action->setEnabled(enabled(id));
        if (action->isCheckable())
            action->setChecked(checked(id));
    }
}
