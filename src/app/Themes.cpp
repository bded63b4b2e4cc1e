#include "app/Themes.h"

#include "ui/CommandIds.h"

#include <QApplication>
#include <QFile>
#include <QHash>
#include <QMetaEnum>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleFactory>
#include <QTextStream>

#include <algorithm>
#include <memory>

namespace {

constexpr ThemeRow kThemes[] = {
    {0, ID_BLUE, "NormalBlue.ini"},     {1, ID_LIGHTBLUE, "LightBlue.ini"},
    {2, ID_AQUA, "NormalAqua.ini"},     {3, ID_SILVER, "NormalSilver.ini"},
    {4, ID_BLACK, "NormalBlack.ini"},   {5, ID_NOSKIN, ""},
};

std::optional<QPalette::ColorRole> roleNamed(const QString& name)
{
    const QMetaEnum roles = QMetaEnum::fromType<QPalette::ColorRole>();
    bool ok = false;
    const int value = roles.keyToValue(name.toLatin1().constData(), &ok);
    if (!ok || value == QPalette::NColorRoles)
        return std::nullopt;
    return static_cast<QPalette::ColorRole>(value);
}

struct RawScheme
{
    QList<std::pair<QString, QString>> values;
    QString styleSheet;
};

// The sections of a theme file, by lower-case name.
std::optional<QHash<QString, RawScheme>> readThemeFile(const QString& themeFile)
{
    QFile file(themeFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    QTextStream in(&file);
    QHash<QString, RawScheme> sections;
    RawScheme* section = nullptr;
    bool inSheet = false;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        const QString trimmed = line.trimmed();
        if (inSheet) {
            if (trimmed == QLatin1String(">>"))
                inSheet = false;
            else if (section)
                section->styleSheet += line + QLatin1Char('\n');
            continue;
        }
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')) ||
            trimmed.startsWith(QLatin1Char(';')))
            continue;
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
            section = &sections[trimmed.mid(1, trimmed.size() - 2).trimmed().toLower()];
            continue;
        }
        if (trimmed.endsWith(QLatin1String("<<"))) {
            inSheet = true;
            continue;
        }
        const qsizetype equals = trimmed.indexOf(QLatin1Char('='));
        if (section && equals > 0)
            section->values.append({trimmed.left(equals).trimmed(), trimmed.mid(equals + 1).trimmed()});
    }
    return sections;
}

// A scheme with the file's [Defaults] under it: its own values win, and its
// own style sheet, if it has one, replaces the default sheet.
std::optional<RawScheme> readScheme(const QString& themeFile, const QString& iniName)
{
    const std::optional<QHash<QString, RawScheme>> sections = readThemeFile(themeFile);
    if (!sections || !sections->contains(iniName.toLower()))
        return std::nullopt;
    const RawScheme& own = sections->value(iniName.toLower());
    RawScheme scheme = sections->value(QStringLiteral("defaults"));
    for (const auto& entry : own.values) {
        scheme.values.removeIf([&entry](const auto& other) { return other.first == entry.first; });
        scheme.values.append(entry);
    }
    if (!own.styleSheet.isEmpty())
        scheme.styleSheet = own.styleSheet;
    return scheme;
}

} // namespace

std::span<const ThemeRow> ThemeTable()
{
    return kThemes;
}

int ThemeIndexOfCommand(int commandId)
{
    for (const ThemeRow& row : kThemes)
        if (row.commandId == commandId)
            return row.index;
    return -1;
}

int CommandOfThemeIndex(int themeIndex)
{
    for (const ThemeRow& row : kThemes)
        if (row.index == themeIndex)
            return row.commandId;
    return 0;
}

std::optional<ColourScheme> LoadColourScheme(const QString& themeFile, const QString& iniName)
{
    if (themeFile.isEmpty() || iniName.isEmpty())
        return std::nullopt;
    const std::optional<RawScheme> raw = readScheme(themeFile, iniName);
    if (!raw)
        return std::nullopt;

    ColourScheme scheme;
    scheme.style = QStringLiteral("Fusion");
    for (const auto& [key, value] : raw->values)
        if (key == QLatin1String("Style"))
            scheme.style = value;
    // Roles the scheme leaves out keep the style's own colours.
    if (const std::unique_ptr<QStyle> style{QStyleFactory::create(scheme.style)})
        scheme.palette = style->standardPalette();
    const auto hasKey = [&raw](const QString& name) {
        return std::any_of(raw->values.begin(), raw->values.end(),
                           [&name](const auto& entry) { return entry.first == name; });
    };
    QString styleSheet = raw->styleSheet;
    // Longer names first, so "@Button" does not eat the start of "@ButtonText".
    QList<std::pair<QString, QString>> byLength = raw->values;
    std::sort(byLength.begin(), byLength.end(),
              [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
    for (const auto& [key, value] : byLength)
        styleSheet.replace(QLatin1Char('@') + key, value);
    scheme.styleSheet = styleSheet;

    for (const auto& [key, value] : raw->values) {
        const bool disabled = key.startsWith(QLatin1String("Disabled."));
        const std::optional<QPalette::ColorRole> role =
            roleNamed(disabled ? key.mid(9) : key);
        const QColor colour = QColor::fromString(value);
        if (!role || !colour.isValid())
            continue;
        if (disabled) {
            scheme.palette.setColor(QPalette::Disabled, *role, colour);
        } else {
            // A role's colour holds for every group until a disabled one is given.
            scheme.palette.setColor(QPalette::Active, *role, colour);
            scheme.palette.setColor(QPalette::Inactive, *role, colour);
            if (!hasKey(QStringLiteral("Disabled.") + key))
                scheme.palette.setColor(QPalette::Disabled, *role, colour);
        }
    }
    return scheme;
}

const Skin::PlainLook& Skin::plainLook()
{
    static const PlainLook look{QApplication::style()->name(), QApplication::palette(),
                                qApp->styleSheet()};
    return look;
}

void Skin::put(const QString& style, const QPalette& palette, const QString& styleSheet)
{
    // The old sheet comes off first, so the new style and palette are not
    // polished under it; the new sheet goes on last.
    qApp->setStyleSheet(QString());
    if (QStyle* newStyle = QStyleFactory::create(style))
        QApplication::setStyle(newStyle);
    QApplication::setPalette(palette);
    qApp->setStyleSheet(styleSheet);
}

void Skin::attach()
{
    plainLook();
    attached_ = true;
}

void Skin::restorePlainLook()
{
    if (!attached_)
        return;
    put(plainLook().style, plainLook().palette, plainLook().styleSheet);
    current_.clear();
}

void Skin::load(const QString& themeFile, const QString& iniName)
{
    const std::optional<ColourScheme> scheme = LoadColourScheme(themeFile, iniName);
    if (!scheme) {
        restorePlainLook();
        return;
    }
    if (!attached_)
        return;
    put(scheme->style, scheme->palette, scheme->styleSheet);
    current_ = iniName;
}

void ApplyTheme(Skin& skin, int themeIndex, const QString& appFolder)
{
    for (const ThemeRow& row : kThemes) {
        if (row.index == themeIndex && *row.iniName) {
            skin.load(appFolder + QStringLiteral("skin.styles"), QString::fromLatin1(row.iniName));
            return;
        }
    }
    skin.load(QString(), QString());
}
