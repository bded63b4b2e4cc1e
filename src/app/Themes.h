#pragma once

#include <QPalette>
#include <QString>

#include <optional>
#include <span>


// The five colour schemes and the plain look, by ThemeIndex.
struct ThemeRow
{
    int index;            // ThemeIndex, the value stored as "Skin"
    int commandId;        // the "&Theme" menu command
    const char* iniName;  // colour scheme in "skin.styles"; "" for no theme
};

std::span<const ThemeRow> ThemeTable();
// The ThemeIndex a theme command selects; -1 for any other command.
int ThemeIndexOfCommand(int commandId);
// The theme command of a ThemeIndex; 0 when the index is out of range.
int CommandOfThemeIndex(int themeIndex);

// One colour scheme of a theme file: a Qt style, a palette and a style sheet.
struct ColourScheme
{
    QString style;
    QPalette palette;
    QString styleSheet;
};

// Reads scheme `iniName` from the theme file; nullopt when the file or the
// scheme is missing or unreadable.
//
// The file is plain text: a scheme starts with its name in brackets
// ("[NormalBlue.ini]") and holds "Key = value" lines: "Style" names a Qt
// style, palette roles ("Window", "Text", "Highlight", ...) take colours, and
// "Disabled.<Role>" the disabled group's colour of a role. "StyleSheet <<"
// starts a style sheet that runs to a line ">>"; in it "@Name" stands for the
// scheme's value of Name. A section "[Defaults]" lies under every scheme:
// a scheme's own values override it, and its own style sheet, if any,
// replaces the default one. Lines starting with "#" or ";" are comments.
std::optional<ColourScheme> LoadColourScheme(const QString& themeFile, const QString& iniName);

// Puts colour schemes on the application, or takes them off again. The
// application's own style, palette and style sheet, as they were before any
// skin touched them, are restored for the plain look.
class Skin
{
public:
    // From now on schemes are put on the application, and with it on every
    // window.
    void attach();
    // Loads a scheme from a theme file; two empty texts, a missing file or a
    // missing scheme give the plain look. Nothing is ever reported.
    void load(const QString& themeFile, const QString& iniName);
    // The scheme in use, "" for the plain look.
    QString current() const { return current_; }

private:
    void restorePlainLook();

    struct PlainLook
    {
        QString style;
        QPalette palette;
        QString styleSheet;
    };
    // Taken once per process, before the first scheme is put on.
    static const PlainLook& plainLook();
    static void put(const QString& style, const QPalette& palette, const QString& styleSheet);

    bool attached_ = false;
    QString current_;
};

// Puts the theme of `themeIndex` on through the skin, from "skin.styles" in
// appFolder; any index without a scheme gives the plain look.
void ApplyTheme(Skin& skin, int themeIndex, const QString& appFolder);
