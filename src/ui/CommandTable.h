#pragma once

#include "ui/CommandIds.h"

#include <QObject>

#include <functional>
#include <map>
#include <span>

class QAction;
class QMainWindow;
class QMenu;
class QToolBar;
class QToolButton;

// A command's button on the toolbar.
struct ToolbarButtonSpec
{
    int position = 0;           // 1 to 5 from the left; 0: not on the toolbar
    const char* caption = "";
    const char* tooltip = "";
    bool startsGroup = false;   // a separator stands before it
};

// One row per command: where it sits in the menus, on the toolbar and in the
// list's pop-up menu, its key, icon and tooltip. Everything that invokes a
// command is built from this table.
struct CommandSpec
{
    int id;
    const char* name;             // identifier name, also the QAction's objectName
    int popup;                    // the pop-up menu it belongs to
    const char* caption;          // menu caption, "&" marking the mnemonic
    const char* shortcut = "";    // key binding shown in the menu
    bool startsGroup = false;     // a separator is drawn before it in its menus
    const char* icon = "";        // icon base name in the resources
    const char* tooltip = "";     // the menu item's tooltip
    ToolbarButtonSpec toolbar = {};
    const char* listItem = "";    // its item's name in the list's pop-up menu M_List
};

struct PopupSpec
{
    int id;
    const char* name;
    const char* caption;
    const char* tooltip;
    bool rightAligned;
};

std::span<const CommandSpec> CommandTable();
std::span<const PopupSpec> PopupTable();

// The live command bars of a window: one QAction per command id, shared by
// the menu item, the toolbar button and the key, so enabling an id enables
// all three; plus the list's pop-up menu M_List, whose items invoke the
// same ids. Every invocation comes out as execute(id).
class CommandBars final : public QObject
{
    Q_OBJECT
public:
    explicit CommandBars(QMainWindow* window);

    QAction* action(int id) const;
    QMenu* popup(int id) const;
    QToolBar* toolbar() const { return toolbar_; }
    QToolButton* toolButton(int id) const;
    QMenu* M_List() const { return listMenu_; }
    // The item of M_List that invokes `id`.
    QAction* listItem(int id) const;

    // Sets every command's enabled state and check mark from the callbacks.
    void update(const std::function<bool(int)>& enabled, const std::function<bool(int)>& checked);

Q_SIGNALS:
    // A menu item, toolbar button, key or pop-up item of this id was invoked.
    void execute(int id);

private:
    QAction* makeAction(QObject* owner, const CommandSpec& command, const char* name);
    void buildMenus(QMainWindow* window);
    void buildToolbar(QMainWindow* window);
    void buildListMenu(QMainWindow* window);

    std::map<int, QAction*> actions_;
    std::map<int, QAction*> listItems_;
    std::map<int, QMenu*> popups_;
    std::map<int, QToolButton*> toolButtons_;
    // Owned by the window, like the command bars themselves.
    QToolBar* toolbar_ = nullptr;
    QMenu* listMenu_ = nullptr;
};
