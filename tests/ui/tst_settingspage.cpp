#include "FakeDesktop.h"
#include "ui/SettingsPage.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

// The settings page as the user works it: the password box, the permission
// rules, the strength options and the folder browse.
class TestSettingsPage : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir scratch_;
    QString startDir_;
    FakeDesktop desktop_;

    static QList<bool> ticks(SettingsPage& page)
    {
        QList<bool> result;
        for (const QCheckBox* box : page.CheckPermission)
            result << box->isChecked();
        return result;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(scratch_.isValid());
        startDir_ = QDir::currentPath();
    }

    void init()
    {
        desktop_.reset();
        QDir::setCurrent(startDir_);
    }

    void cleanup() { VERIFY_DESKTOP(desktop_); }

    void userPasswordBoxFollowsTheCheckBox()
    {
        SettingsPage page(desktop_);
        page.show();
        QVERIFY(QTest::qWaitForWindowActive(&page));
        page.TextOwner->setFocus();

        page.CheckPassword->click();
        QVERIFY(page.Label2->isVisible());
        QVERIFY(page.TextUser->isVisible());
        QCOMPARE(QApplication::focusWidget(), page.TextUser);
        QTest::keyClicks(page.TextUser, QStringLiteral(" open me "));
        QCOMPARE(page.settings().effectiveUserPassword(), QStringLiteral(" open me "));

        // Unticking hides the box but keeps what was typed; it is not used.
        page.CheckPassword->click();
        QVERIFY(!page.Label2->isVisible());
        QVERIFY(!page.TextUser->isVisible());
        QCOMPARE(page.TextUser->text(), QStringLiteral(" open me "));
        QCOMPARE(page.settings().effectiveUserPassword(), QString());

        page.CheckPassword->click();
        QCOMPARE(page.TextUser->text(), QStringLiteral(" open me "));
        QCOMPARE(page.settings().effectiveUserPassword(), QStringLiteral(" open me "));
    }

    // Boxes clicked in order, and the ticks that result: only ticking
    // high-resolution printing reaches another box.
    void permissionRules_data()
    {
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<QList<bool>>("expected");
        const bool o = false, x = true;
        QTest::newRow("high-res ticks print") << QList<int>{7} << QList<bool>{x, o, o, o, o, o, o, x};
        QTest::newRow("unticking print leaves high-res")
            << QList<int>{7, 0} << QList<bool>{o, o, o, o, o, o, o, x};
        QTest::newRow("unticking high-res leaves print")
            << QList<int>{7, 7} << QList<bool>{x, o, o, o, o, o, o, o};
        QTest::newRow("print ticks nothing else") << QList<int>{0} << QList<bool>{x, o, o, o, o, o, o, o};
        QTest::newRow("each of the others alone")
            << QList<int>{1, 2, 3, 4, 5, 6} << QList<bool>{o, x, x, x, x, x, x, o};
    }

    void permissionRules()
    {
        QFETCH(QList<int>, clicks);
        QFETCH(QList<bool>, expected);
        SettingsPage page(desktop_);
        page.show();
        for (const int index : clicks)
            page.CheckPermission[index]->click();
        QCOMPARE(ticks(page), expected);
        const EncryptionSettings settings = page.settings();
        QCOMPARE(QList<bool>(settings.permissions.begin(), settings.permissions.end()), expected);
    }

    void allowAllAndAllowNone()
    {
        SettingsPage page(desktop_);
        page.show();
        page.CheckPermission[3]->click();
        page.CmdAllowAll->click();
        QCOMPARE(ticks(page), QList<bool>(8, true));
        page.CmdNone->click();
        QCOMPARE(ticks(page), QList<bool>(8, false));
    }

    // After "Allow all", each strength: 40-bit RC4 hides the last five
    // boxes, the others show them, and no box changes its value.
    void strengthShowsThePermissionsItHolds_data()
    {
        QTest::addColumn<int>("strength");
        for (int strength = 0; strength < 4; ++strength)
            QTest::addRow("strength %d", strength) << strength;
    }

    void strengthShowsThePermissionsItHolds()
    {
        QFETCH(int, strength);
        SettingsPage page(desktop_);
        page.show();
        page.CmdAllowAll->click();
        page.OptionKey[0]->click();
        page.OptionKey[strength]->click();
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(page.CheckPermission[i]->isVisible(), i < 3 || strength != 0);
            QVERIFY(page.CheckPermission[i]->isChecked());
        }
        const EncryptionSettings settings = page.settings();
        QCOMPARE(settings.strength, strength);
        QCOMPARE(QList<bool>(settings.permissions.begin(), settings.permissions.end()),
                 QList<bool>(8, true));

        // Hidden boxes keep what is done to them before they show again.
        page.CmdNone->click();
        page.OptionKey[2]->click();
        QCOMPARE(ticks(page), QList<bool>(8, false));
    }

    // Where the folder chooser opens for the text in the box; cancelling it
    // changes nothing.
    void browseOpensAtTheFolderInTheBox_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("start");
        const QString sep = QDir::separator();
        const QString root = QDir::toNativeSeparators(QDir::rootPath());
        QTest::newRow("trailing separator removed")
            << sep + QStringLiteral("srv") + sep + QStringLiteral("data") + sep
            << sep + QStringLiteral("srv") + sep + QStringLiteral("data");
        QTest::newRow("without separator")
            << sep + QStringLiteral("srv") + sep + QStringLiteral("data")
            << sep + QStringLiteral("srv") + sep + QStringLiteral("data");
        QTest::newRow("root kept") << root << root;
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("only one separator removed")
            << QStringLiteral("out") + sep + sep << QStringLiteral("out") + sep;
    }

    void browseOpensAtTheFolderInTheBox()
    {
        QFETCH(QString, text);
        QFETCH(QString, start);
        SettingsPage page(desktop_);
        page.TextFolder->setText(text);
        desktop_.answerChooseFolder(QString());
        page.CmdBrowse->click();
        const QList<FakeDesktop::Call> calls = desktop_.calls;
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls[0].kind, FakeDesktop::Kind::ChooseFolder);
        QCOMPARE(calls[0].title, QStringLiteral("Please select a folder."));
        QCOMPARE(calls[0].startFolder, start);
        QCOMPARE(page.TextFolder->text(), text);
        QCOMPARE(QDir::currentPath(), startDir_);
    }

    // A folder that can be entered goes into the box exactly as the chooser
    // gave it, also one that takes no file (only Start asks for that); the
    // current directory stays where it was.
    void browseTakesAnAccessibleFolderAsReturned_data()
    {
        QTest::addColumn<QString>("chosen");
        const QString folder = QDir::toNativeSeparators(scratch_.filePath(QStringLiteral("Out")));
        QDir().mkpath(folder);
        QTest::newRow("a folder") << folder;
        QTest::newRow("with its separator") << folder + QDir::separator();
        QTest::newRow("root") << QDir::toNativeSeparators(QDir::rootPath());
#ifdef Q_OS_LINUX
        // Nobody, root included, can make a file here.
        QTest::newRow("read-only") << QStringLiteral("/proc");
#endif
    }

    void browseTakesAnAccessibleFolderAsReturned()
    {
        QFETCH(QString, chosen);
        SettingsPage page(desktop_);
        page.TextFolder->setText(QStringLiteral("/before"));
        desktop_.answerChooseFolder(chosen);
        page.CmdBrowse->click();
        QCOMPARE(desktop_.calls.size(), 1);
        QCOMPARE(desktop_.calls[0].startFolder, QStringLiteral("/before"));
        QCOMPARE(page.TextFolder->text(), chosen);
        QCOMPARE(QDir::currentPath(), startDir_);
    }

    // A chosen path that cannot be entered: "Can not read " and the box as
    // it was. Holds for root as well: neither a file nor a missing folder
    // can be entered by anyone.
    void browseRefusesAFolderThatCannotBeEntered_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing") << QStringLiteral("missing");
        QTest::newRow("a regular file") << QStringLiteral("file");
    }

    void browseRefusesAFolderThatCannotBeEntered()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        QString chosen = QDir::toNativeSeparators(dir.filePath(QStringLiteral("gone")));
        if (kind == u"file") {
            chosen = QDir::toNativeSeparators(dir.filePath(QStringLiteral("plain.txt")));
            QFile file(chosen);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        SettingsPage page(desktop_);
        page.TextFolder->setText(QStringLiteral("/before"));
        desktop_.answerChooseFolder(chosen);
        desktop_.answerMessage();
        page.CmdBrowse->click();

        const QList<FakeDesktop::Call> messages = desktop_.callsOf(FakeDesktop::Kind::Message);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].text, QStringLiteral("Can not read ") + chosen);
        QCOMPARE(messages[0].title, QStringLiteral("Error"));
        QCOMPARE(messages[0].icon, Desktop::Icon::Critical);
        QCOMPARE(messages[0].buttons, Desktop::Buttons::Ok);
        QCOMPARE(page.TextFolder->text(), QStringLiteral("/before"));
        QCOMPARE(QDir::currentPath(), startDir_);
    }
};

QTEST_MAIN(TestSettingsPage)
#include "tst_settingspage.moc"
