#include "ui/FormFlash.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

// The splash window at start-up and as the About box, with its timers
// shortened.
class TestFormFlash : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { FormFlash::timings() = {1500, 50000}; }

    void looksAsDesigned()
    {
        auto* splash = new FormFlash(false);
        QCOMPARE(splash->size(), QSize(420, 230));
        QVERIFY(splash->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(splash->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(splash->windowTitle(), QStringLiteral("Sealmark"));
        QCOMPARE(splash->LabelVer()->text(), QStringLiteral("Version 6.5"));
        QCOMPARE(splash->LabelVer()->pos(), QPoint(9, 169));
        QCOMPARE(splash->LabelCopyright()->pos(), QPoint(9, 193));
        QCOMPARE(splash->LabelVer()->palette().color(QPalette::WindowText), QColor(Qt::white));
        QCOMPARE(splash->LabelCopyright()->palette().color(QPalette::WindowText), QColor(Qt::black));
        QCOMPARE(splash->Timer1()->interval(), 1500);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(splash->geometry().center(), screen.center());
        delete splash;

        FormFlash about(true);
        QCOMPARE(about.Timer1()->interval(), 50000);
    }

    void startUpHandsOverOnceWhenTheTimerFires()
    {
        FormFlash::timings().startUpMs = 30;
        auto* splash = new FormFlash(false);
        QSignalSpy finished(splash, &FormFlash::startUpFinished);
        QSignalSpy destroyed(splash, &QObject::destroyed);
        splash->show();
        QVERIFY(splash->isVisible());
        QTRY_COMPARE(destroyed.size(), 1);
        QCOMPARE(finished.size(), 1);
    }

    void clickOnThePictureClosesAtOnceButNotOnALabel()
    {
        auto* splash = new FormFlash(false);
        QSignalSpy finished(splash, &FormFlash::startUpFinished);
        splash->show();
        QVERIFY(QTest::qWaitForWindowExposed(splash));
        QTest::mouseClick(splash->LabelVer(), Qt::LeftButton);
        QTest::mouseClick(splash->LabelCopyright(), Qt::LeftButton);
        QVERIFY(splash->isVisible());
        QCOMPARE(finished.size(), 0);
        QSignalSpy destroyed(splash, &QObject::destroyed);
        QTest::mouseClick(splash, Qt::LeftButton, {}, QPoint(300, 40));
        QCOMPARE(finished.size(), 1);
        QTRY_COMPARE(destroyed.size(), 1);
    }

    // Esc does what a click does: the main window opens, once.
    void escapeClosesAndHandsOver()
    {
        auto* splash = new FormFlash(false);
        QSignalSpy finished(splash, &FormFlash::startUpFinished);
        QSignalSpy destroyed(splash, &QObject::destroyed);
        splash->show();
        QVERIFY(QTest::qWaitForWindowExposed(splash));
        QTest::keyClick(splash, Qt::Key_Escape);
        QCOMPARE(finished.size(), 1);
        QTRY_COMPARE(destroyed.size(), 1);
    }

    void aboutBoxClosesWithoutHandingOver()
    {
        FormFlash::timings().aboutMs = 30;
        FormFlash about(true);
        QSignalSpy finished(&about, &FormFlash::startUpFinished);
        QElapsedTimer clock;
        clock.start();
        about.exec();  // returns when the timer closes it
        QCOMPARE(finished.size(), 0);
        QVERIFY(!about.isVisible());

        // A click closes it too.
        FormFlash::timings().aboutMs = 50000;
        FormFlash clicked(true);
        QTimer::singleShot(0, &clicked, [&clicked] {
            QTest::mouseClick(&clicked, Qt::LeftButton, {}, QPoint(300, 40));
        });
        clicked.exec();
        QVERIFY(clicked.Timer1()->interval() == 50000);
        QVERIFY(!clicked.isVisible());
    }
};

QTEST_MAIN(TestFormFlash)
#include "tst_formflash.moc"
