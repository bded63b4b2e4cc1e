#pragma once

#include "ui/CommandIds.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <span>

class QAction;
class QMainWindow;
class QMenu;
class QMenuBar;
class QToolBar;
class QToolButton;

// One row per command: where it sits in the menus and on the toolbar, its
// key, icon and tooltips. Menus, toolbar and keys are all built from it.
struct CommandSpec
{
    int id;
    const char* name;           // identifier name, also the QAction's objectName
    int popup;                  // the pop-up menu it belongs to
    const char* caption;        // menu caption, "&" marking the mnemonic
    const char* shortcut;       // key binding shown in the menu, "" for none
    bool startsGroup;           // a separator is drawn before it in its menu
    const char* icon;           // icon base name in the resources, "" for none
    const char* tooltip;        // the menu item's tooltip, "" for none
    int toolbarPosition;        // 1 to 5 from the left, 0 when not on the toolbar
    const char* toolCaption;
    const char* toolTooltip;
    bool toolStartsGroup;
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
// all three; plus the list's context menu M_List.
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
    QAction* M_SelectAll() const { return selectAll_; }
    QAction* M_Invert() const { return invert_; }
    QAction* M_Remove() const { return remove_; }

    // Sets every command's enabled state and check mark from the callbacks.
    void update(const std::function<bool(int)>& enabled, const std::function<bool(int)>& checked);

Q_SIGNALS:
    // A menu item, toolbar button or key of this id was invoked.
    void execute(int id);

private:
    void buildMenus(QMainWindow* window);
    void buildToolbar(QMainWindow* window);
    void buildListMenu(QMainWindow* window);

    std::map<int, QAction*> actions_;
    std::map<int, QMenu*> popups_;
    std::map<int, QToolButton*> toolButtons_;
    // Owned by the window, like the command bars themselves.
    QToolBar* toolbar_ = nullptr;
    QMenu* listMenu_ = nullptr;
    QAction* selectAll_ = nullptr;
    QAction* invert_ = nullptr;
    QAction* remove_ = nullptr;
};
