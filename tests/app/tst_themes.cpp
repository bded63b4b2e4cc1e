#include "app/Themes.h"
#include "ui/CommandIds.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

// Colour schemes from a theme file, and putting them on and off the
// application.
class TestThemes : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString shippedThemeFile() const
    {
        return QCoreApplication::applicationDirPath() + QStringLiteral("/skin.styles");
    }

private Q_SLOTS:
    void themeTableMapsIndexesAndCommands()
    {
        const int commands[] = {ID_BLUE, ID_LIGHTBLUE, ID_AQUA, ID_SILVER, ID_BLACK, ID_NOSKIN};
        for (int index = 0; index < 6; ++index) {
            QCOMPARE(CommandOfThemeIndex(index), commands[index]);
            QCOMPARE(ThemeIndexOfCommand(commands[index]), index);
        }
        QCOMPARE(CommandOfThemeIndex(7), 0);
        QCOMPARE(CommandOfThemeIndex(-1), 0);
        QCOMPARE(ThemeIndexOfCommand(ID_Add), -1);
    }

    void parsesSchemesFromTheThemeFile()
    {
        const QString path = dir_.filePath(QStringLiteral("skin.styles"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Text));
        file.write("# comment\n"
                   "[Defaults]\n"
                   "Text = #010203\n"
                   "StyleSheet <<\n"
                   "QLabel { color: @Text; }\n"
                   ">>\n"
                   "[First.ini]\n"
                   "Window = #102030\n"
                   "Button = #405060\n"
                   "ButtonText = #ffffff\n"
                   "Disabled.ButtonText = #808080\n"
                   "StyleSheet <<\n"
                   "QPushButton { color: @ButtonText; background: @Button; }\n"
                   ">>\n"
                   "[Second.ini]\n"
                   "Window = #aabbcc\n");
        file.close();

        const auto first = LoadColourScheme(path, QStringLiteral("First.ini"));
        QVERIFY(first);
        QCOMPARE(first->style, QStringLiteral("Fusion"));
        QCOMPARE(first->palette.color(QPalette::Active, QPalette::Window), QColor(0x10, 0x20, 0x30));
        QCOMPARE(first->palette.color(QPalette::Inactive, QPalette::Window), QColor(0x10, 0x20, 0x30));
        QCOMPARE(first->palette.color(QPalette::Active, QPalette::ButtonText), QColor(Qt::white));
        QCOMPARE(first->palette.color(QPalette::Disabled, QPalette::ButtonText), QColor(0x80, 0x80, 0x80));
        // "@Button" must not eat the start of "@ButtonText".
        QCOMPARE(first->styleSheet.trimmed(),
                 QStringLiteral("QPushButton { color: #ffffff; background: #405060; }"));

        // What a scheme leaves out comes from [Defaults], the sheet included.
        const auto second = LoadColourScheme(path, QStringLiteral("Second.ini"));
        QVERIFY(second);
        QCOMPARE(second->palette.color(QPalette::Window), QColor(0xaa, 0xbb, 0xcc));
        QCOMPARE(second->palette.color(QPalette::Text), QColor(0x01, 0x02, 0x03));
        QCOMPARE(second->styleSheet.trimmed(), QStringLiteral("QLabel { color: #010203; }"));

        QVERIFY(!LoadColourScheme(path, QStringLiteral("Missing.ini")));
        QVERIFY(!LoadColourScheme(dir_.filePath(QStringLiteral("none.styles")), QStringLiteral("First.ini")));
        QVERIFY(!LoadColourScheme(QString(), QString()));
    }

    void shippedThemeFileHoldsFiveDistinctSchemes()
    {
        QList<QPalette> palettes;
        for (const ThemeRow& row : ThemeTable()) {
            if (!*row.iniName)
                continue;
            const auto scheme = LoadColourScheme(shippedThemeFile(), QString::fromLatin1(row.iniName));
            QVERIFY2(scheme, row.iniName);
            QVERIFY2(!scheme->styleSheet.isEmpty(), row.iniName);
            QVERIFY2(!scheme->styleSheet.contains(QLatin1Char('@')), row.iniName);
            palettes << scheme->palette;
        }
        QCOMPARE(palettes.size(), 5);
        for (int i = 0; i < palettes.size(); ++i)
            for (int j = i + 1; j < palettes.size(); ++j)
                QVERIFY2(palettes[i] != palettes[j], "two schemes share one palette");
    }

    void switchingThemesLeavesNoTraceOfTheEarlierOne()
    {
        QWidget window;
        const QString plainStyle = QApplication::style()->name();
        const QPalette plainPalette = QApplication::palette();
        Skin skin;
        skin.attach();
        const QString folder = QCoreApplication::applicationDirPath() + QLatin1Char('/');

        ApplyTheme(skin, 4, folder);
        QCOMPARE(skin.current(), QStringLiteral("NormalBlack.ini"));
        const QPalette black = QApplication::palette();
        const QString blackSheet = qApp->styleSheet();
        QVERIFY(!blackSheet.isEmpty());

        ApplyTheme(skin, 0, folder);
        QCOMPARE(skin.current(), QStringLiteral("NormalBlue.ini"));
        const auto blue = LoadColourScheme(shippedThemeFile(), QStringLiteral("NormalBlue.ini"));
        QVERIFY(blue);
        QCOMPARE(qApp->styleSheet(), blue->styleSheet);
        QCOMPARE(QApplication::palette().color(QPalette::Window), blue->palette.color(QPalette::Window));
        QVERIFY(QApplication::palette() != black);

        // No theme, and any index without a scheme, restore the plain look.
        for (const int plain : {5, 9, -1}) {
            ApplyTheme(skin, 4, folder);
            ApplyTheme(skin, plain, folder);
            QCOMPARE(skin.current(), QString());
            QCOMPARE(QApplication::style()->name(), plainStyle);
            QCOMPARE(qApp->styleSheet(), QString());
            QCOMPARE(QApplication::palette(), plainPalette);
        }
    }

    void missingThemeFileGivesThePlainLook()
    {
        QWidget window;
        Skin skin;
        skin.attach();
        const QString plainStyle = QApplication::style()->name();
        ApplyTheme(skin, 2, dir_.path() + QStringLiteral("/nowhere/"));
        QCOMPARE(skin.current(), QString());
        QCOMPARE(QApplication::style()->name(), plainStyle);
        QCOMPARE(qApp->styleSheet(), QString());
    }
};

QTEST_MAIN(TestThemes)
#include "tst_themes.moc"
