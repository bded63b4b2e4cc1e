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
    {.id = ID_Add, .name = "ID_Add", .popup = ID_FILE, .caption = "&Add PDF Files",
     .shortcut = "Ctrl+O", .icon = "add", .tooltip = "Open",
     .toolbar = {.position = 1, .caption = "Add", .tooltip = "Add files"}},
    {.id = ID_CONVERT, .name = "ID_CONVERT", .popup = ID_FILE, .caption = "Start &Removing Protection",
     .shortcut = "F2", .startsGroup = true, .icon = "convert", .tooltip = "Convert",
     .toolbar = {.position = 3, .caption = "Start", .tooltip = "Start removing protection", .startsGroup = true}},
    {.id = ID_STOP, .name = "ID_STOP", .popup = ID_FILE, .caption = "&Stop Removing Protection",
     .shortcut = "F3", .icon = "stop", .tooltip = "Stop",
     .toolbar = {.position = 4, .caption = "Stop", .tooltip = "Stop removing protection"}},
    {.id = ID_Exit, .name = "ID_Exit", .popup = ID_FILE, .caption = "&Exit",
     .startsGroup = true, .icon = "exit", .tooltip = "Quit",
     .toolbar = {.position = 5, .caption = "Exit", .tooltip = "Exit"}},
    {.id = ID_SELECTALL, .name = "ID_SELECTALL", .popup = ID_FILELIST, .caption = "Select &All",
     .shortcut = "Ctrl+A", .tooltip = "Select All", .listItem = "M_SelectAll"},
    {.id = ID_INVERTSELECTION, .name = "ID_INVERTSELECTION", .popup = ID_FILELIST, .caption = "&Invert Selection",
     .shortcut = "Ctrl+Alt+I", .tooltip = "Invert Selection", .listItem = "M_Invert"},
    {.id = ID_REMOVE, .name = "ID_REMOVE", .popup = ID_FILELIST, .caption = "&Remove",
     .startsGroup = true, .icon = "remove", .tooltip = "Remove",
     .toolbar = {.position = 2, .caption = "Remove", .tooltip = "Remove selected files"}, .listItem = "M_Remove"},
    {.id = ID_CONTENTS, .name = "ID_CONTENTS", .popup = ID_HELP, .caption = "&Contents",
     .shortcut = "F1", .icon = "contents", .tooltip = "Contents"},
    {.id = ID_ABOUT, .name = "ID_ABOUT", .popup = ID_HELP, .caption = "&About", .icon = "about", .tooltip = "About"},
    {.id = ID_BLUE, .name = "ID_BLUE", .popup = ID_SKIN, .caption = "&Blue", .tooltip = "Blue"},
    {.id = ID_LIGHTBLUE, .name = "ID_LIGHTBLUE", .popup = ID_SKIN, .caption = "&Light Blue", .tooltip = "Light Blue"},
    {.id = ID_AQUA, .name = "ID_AQUA", .popup = ID_SKIN, .caption = "&Aqua", .tooltip = "Aqua"},
    {.id = ID_SILVER, .name = "ID_SILVER", .popup = ID_SKIN, .caption = "&Silver", .tooltip = "Silver"},
    {.id = ID_BLACK, .name = "ID_BLACK", .popup = ID_SKIN, .caption = "Bla&ck", .tooltip = "Black"},
    {.id = ID_NOSKIN, .name = "ID_NOSKIN", .popup = ID_SKIN, .caption = "&No Theme", .startsGroup = true},
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
        QAction* action = makeAction(window, command, command.name);
        action->setToolTip(QString::fromUtf8(command.tooltip));
        if (*command.shortcut) {
            action->setShortcut(QKeySequence(QString::fromLatin1(command.shortcut)));
            action->setShortcutContext(Qt::WindowShortcut);
        }
        if (*command.icon)
            action->setIcon(commandIcon(command.icon));
        action->setCheckable(isThemeCommand(command.id));
        window->addAction(action);  // keys work whether or not a menu is open
        actions_[command.id] = action;
    }
    buildMenus(window);
    buildToolbar(window);
    buildListMenu(window);
}

QAction* CommandBars::makeAction(QObject* owner, const CommandSpec& command, const char* name)
{
    auto* action = new QAction(QString::fromUtf8(command.caption), owner);
    action->setObjectName(QLatin1String(name));
    action->setData(command.id);
    const int id = command.id;
    connect(action, &QAction::triggered, this, [this, id] { Q_EMIT execute(id); });
    return action;
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
        if (command.toolbar.position > 0)
            buttons.push_back(&command);
    std::sort(buttons.begin(), buttons.end(), [](const CommandSpec* a, const CommandSpec* b) {
        return a->toolbar.position < b->toolbar.position;
    });

    for (const CommandSpec* command : buttons) {
        const ToolbarButtonSpec& place = command->toolbar;
        if (place.startsGroup)
            toolbar_->addSeparator();
        QAction* action = actions_.at(command->id);
        // The button has its own caption and tooltip but is the same command:
        // it triggers the shared action and follows its enabled state.
        auto* button = new QToolButton(toolbar_);
        button->setObjectName(QStringLiteral("Toolbar_") + QLatin1String(command->name));
        button->setText(QString::fromUtf8(place.caption));
        button->setToolTip(QString::fromUtf8(place.tooltip));
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
    int separators = 0;
    for (const CommandSpec& command : CommandTable()) {
        if (!*command.listItem)
            continue;
        if (command.startsGroup && !listMenu_->isEmpty())
            listMenu_->addSeparator()->setObjectName(QStringLiteral("M_x%1").arg(++separators));
        QAction* item = makeAction(listMenu_, command, command.listItem);
        listMenu_->addAction(item);
        listItems_[command.id] = item;
    }
}

QAction* CommandBars::action(int id) const
{
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

QAction* CommandBars::listItem(int id) const
{
    const auto it = listItems_.find(id);
    return it == listItems_.end() ? nullptr : it->second;
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
    for (const auto& [id, item] : listItems_)
        item->setEnabled(enabled(id));
}
