#pragma once

#include "filelist/FileRow.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

class Desktop;
class FileListView;
class QLabel;
struct OpenedInput;

// The job's input: the rows of the list view LvPDF and every way rows come
// in, go out and are reordered. Prompts go through Desktop; files are opened
// off the user-interface thread (FileOpener) while the window's events run.
class FileList final : public QObject
{
    Q_OBJECT
public:
    FileList(FileListView* LvPDF, QLabel* totalFilesPanel, QLabel* totalPagesPanel,
             Desktop& desktop);

    // While a batch is added, the list and the status bar are laid out and
    // painted once a frame only. While one of these lives they paint freely:
    // a run started from the batch's events shows its progress.
    class PaintingAllowed
    {
    public:
        PaintingAllowed();
        ~PaintingAllowed();
        PaintingAllowed(const PaintingAllowed&) = delete;
        PaintingAllowed& operator=(const PaintingAllowed&) = delete;
    };

    // The open-file dialog; adds the chosen PDF files.
    void AddFiles();
    // Adds one file unless it is listed already (asking for its password
    // when it is protected).
    void AddPdfFile(const QString& path);
    // Adds the PDF files among dropped paths, in order; folders are passed over.
    void AddDroppedFiles(const QStringList& paths);

    static bool IsPdfFile(const QString& path);
    bool IsInList(const QString& path) const;
    // Renumbers the rows and writes the totals into the status panels.
    void UpdateTotals();

    // A click on the header of `column` (0 = the row-number column).
    void ColumnClick(int column);
    void M_SelectAll_Click();
    void M_Invert_Click();
    void M_Remove_Click();

    int rowCount() const;
    FileRow row(int index) const;   // 0-based, in display order
    QList<FileRow> rows() const;    // in display order
    int totalPages() const { return TotalPages; }
    QString lastFolder() const { return LastFolder; }
    QString lastPassword() const { return LastPassword; }

private:
    // Adds `path` with what `openWithout` found opening it without a
    // password, asking for one when it is needed.
    void addPdfFile(const QString& path, const std::function<OpenedInput()>& openWithout);
    // Tries LastPassword, then asks; `file` becomes what the last try found.
    bool AskPassword(const QString& path, OpenedInput& file);
    // Adds the PDF files among `paths` in order, with the busy pointer and
    // the window's events let run after each file.
    void addBatch(const QStringList& paths, bool missingEntryEnds);
    // The next UpdateTotals renumbers and recounts every row.
    void forgetNumbering();

    QPointer<FileListView> LvPDF;
    QPointer<QLabel> totalFilesPanel_;
    QPointer<QLabel> totalPagesPanel_;
    Desktop& desktop_;

    QString LastFolder;
    QString LastPassword;
    int TotalPages = 0;

    // FilePath of every row, for the duplicate test.
    QSet<QString> listedPaths_;
    // Leading rows whose RowNumber is right, and the sum of their pages.
    int numberedRows_ = 0;
    qint64 numberedPages_ = 0;
    // The one sort direction of the list, flipped by every sorting click.
    bool sortDescending_ = false;
};
