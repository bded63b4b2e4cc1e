#pragma once

#include "app/FormMain.h"
#include "FakeDesktop.h"
#include "filelist/FileList.h"
#include "filelist/FileListView.h"
#include "TestPdfs.h"
#include "TestSettings.h"
#include "ui/TabStrip.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <initializer_list>
#include <memory>

// What the file-list tests share: settings kept in a temporary folder, a
// folder for the files a test makes, and a fresh main window per test.
class FileListFixture
{
public:
    QTemporaryDir settingsDir;
    QTemporaryDir filesDir;
    FakeDesktop desktop;
    std::unique_ptr<FormMain> window;

    // For initTestCase().
    static void isolate(const QTemporaryDir& settingsFolder)
    {
        QStandardPaths::setTestModeEnabled(true);
        TestSettings::isolate(settingsFolder.path());
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    // A main window showing its File List tab.
    void openWindow()
    {
        desktop.reset();
        window = std::make_unique<FormMain>(desktop);
        window->show();
        window->ui().TabStrip1->setCurrentIndex(1);
    }

    FileList& list() { return window->fileList(); }
    FileListView* view() { return window->ui().LvPDF; }

    QString path(const QString& name) const
    {
        return QDir::toNativeSeparators(filesDir.filePath(name));
    }

    // A PDF of `pages` pages; protected when a password is given.
    QString pdf(const QString& name, int pages = 1, const QString& userPassword = {},
                const QString& ownerPassword = {})
    {
        TestPdfs::Options options;
        options.pages = pages;
        options.userPassword = userPassword;
        options.ownerPassword = ownerPassword;
        if (!userPassword.isEmpty() || !ownerPassword.isEmpty())
            options.strength = 2;
        QDir().mkpath(QFileInfo(filesDir.filePath(name)).path());
        if (!TestPdfs::write(filesDir.filePath(name), options))
            qFatal("cannot write a test PDF");
        return path(name);
    }

    // A file of exactly `size` bytes that is no PDF at all.
    QString sized(const QString& name, qint64 size)
    {
        QDir().mkpath(QFileInfo(filesDir.filePath(name)).path());
        QFile file(filesDir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || !file.resize(size))
            qFatal("cannot write a test file");
        return path(name);
    }

    QStringList column(int column)
    {
        QStringList texts;
        for (const FileRow& row : list().rows())
            texts << (column == FileListView::RowNumberColumn ? row.RowNumber
                      : column == FileListView::FilePathColumn ? row.FilePath
                      : column == FileListView::PageCountColumn ? row.PageCount
                                                                : row.SizeText);
        return texts;
    }
    QStringList paths() { return column(FileListView::FilePathColumn); }

    // What is wrong with the row numbers and the status panels, "" if nothing.
    QString totalsProblem()
    {
        const QList<FileRow> rows = list().rows();
        qint64 pages = 0;
        for (qsizetype index = 0; index < rows.size(); ++index) {
            if (rows[index].RowNumber != QString::number(index + 1))
                return QStringLiteral("row %1 is numbered \"%2\"").arg(index + 1).arg(rows[index].RowNumber);
            pages += rows[index].PageCount.toLongLong();
        }
        const QString files = QStringLiteral("Total files: %1").arg(rows.size());
        const QString total = QStringLiteral("Total pages: %1").arg(pages);
        if (window->ui().Panel1->text() != files || window->ui().Panel2->text() != total)
            return QStringLiteral("panels read \"%1\" / \"%2\", expected \"%3\" / \"%4\"")
                .arg(window->ui().Panel1->text(), window->ui().Panel2->text(), files, total);
        return {};
    }
};

// Texts written as plain literals.
inline QStringList texts(std::initializer_list<const char*> items)
{
    QStringList result;
    for (const char* item : items)
        result << QString::fromUtf8(item);
    return result;
}

#define VERIFY_TOTALS(fixture)                                                 \
    do {                                                                       \
        const QString totalsProblem = (fixture).totalsProblem();               \
        QVERIFY2(totalsProblem.isEmpty(), qPrintable(totalsProblem));          \
    } while (false)
