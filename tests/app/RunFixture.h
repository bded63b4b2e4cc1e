#pragma once

#include "app/FormMain.h"
#include "FakeDesktop.h"
#include "filelist/FileList.h"
#include "filelist/FileListView.h"
#include "PdfReaders.h"
#include "RunHelpers.h"
#include "TestPdfs.h"
#include "TestSettings.h"
#include "ui/CommandTable.h"
#include "ui/SettingsPage.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// What the window-level tests of a run share: settings kept in a temporary
// folder, a work folder for the files a test makes, the scripted Desktop,
// and Start chosen with the checks every run must pass.
class RunFixture
{
public:
    QTemporaryDir settingsDir;
    std::unique_ptr<QTemporaryDir> work;
    QString startDir;
    FakeDesktop desktop;

    void initTestCase()
    {
        QVERIFY(settingsDir.isValid());
        TestSettings::isolate(settingsDir.path());
        startDir = QDir::currentPath();
        const QStringList missing = PdfReaders::missingTools();
        QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("missing readers: ") +
                                                missing.join(QStringLiteral(", "))));
    }

    void init()
    {
        TestSettings::store().clear();
        desktop.reset();
        QDir::setCurrent(startDir);
        work = std::make_unique<QTemporaryDir>();
        QVERIFY(work->isValid());
    }

    void cleanup()
    {
        VERIFY_DESKTOP(desktop);
        QDir::setCurrent(startDir);
        work.reset();
    }

    QString path(const QString& relative) const
    {
        return QDir::toNativeSeparators(work->filePath(relative));
    }

    // A test PDF at `relative` in the work folder; its folders are made.
    QString makePdf(const QString& relative, const TestPdfs::Options& options = {})
    {
        const QString file = path(relative);
        QDir().mkpath(QFileInfo(file).path());
        return TestPdfs::write(file, options) ? file : QString();
    }

    QString makeFolder(const QString& relative)
    {
        const QString folder = path(relative);
        QDir().mkpath(folder);
        return folder;
    }

    // Shows the window with `inputs` listed and `folder` as destination.
    static void prepare(FormMain& window, const QStringList& inputs, const QString& folder)
    {
        window.show();
        for (const QString& input : inputs)
            window.fileList().AddPdfFile(input);
        window.ui().PicSetting->TextFolder->setText(folder);
    }

    // Every message box so far, as RunHelpers::message() writes it.
    QStringList messages() const
    {
        QStringList result;
        for (const FakeDesktop::Call& call : desktop.callsOf(FakeDesktop::Kind::Message))
            result << RunHelpers::message(call.title, call.icon, call.buttons, call.text);
        return result;
    }

    // Chooses Start and checks what every run keeps: each input byte for
    // byte and the list as it was. Use through RUN().
    void run(FormMain& window)
    {
        QMap<QString, QByteArray> inputs;
        for (const FileRow& row : window.fileList().rows())
            if (QFileInfo::exists(row.FilePath))
                inputs.insert(row.FilePath, TestPdfs::readBytes(row.FilePath));
        const QStringList listBefore = listState(window);

        window.commandBars().action(ID_CONVERT)->trigger();

        QVERIFY(!window.IsRunning());
        for (auto input = inputs.cbegin(); input != inputs.cend(); ++input)
            QVERIFY2(TestPdfs::readBytes(input.key()) == input.value(), qPrintable(input.key()));
        QCOMPARE(listState(window), listBefore);
    }

    // What the list shows, row by row, with each row's hidden password and
    // whether it is selected.
    static QStringList listState(FormMain& window)
    {
        QStringList state;
        for (const FileRow& row : window.fileList().rows())
            state << QStringList{row.RowNumber, row.FilePath, row.PageCount, row.SizeText,
                                 row.FilePassword}.join(u'|');
        const FileListView* list = window.ui().LvPDF;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            state << (list->topLevelItem(i)->isSelected() ? QStringLiteral("selected")
                                                           : QStringLiteral("-"));
        return state;
    }
};

// Runs through RunFixture::run() and ends the test when that failed.
#define RUN(window)                                                                              \
    do {                                                                                         \
        f.run(window);                                                                           \
        if (QTest::currentTestFailed())                                                          \
            return;                                                                              \
    } while (false)
