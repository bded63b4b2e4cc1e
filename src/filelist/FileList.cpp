#include "filelist/FileList.h"

#include "ProgramInfo.h"
#include "filelist/FileListView.h"
#include "filelist/FileOpener.h"
#include "job/Paths.h"
#include "job/PdfLibrary.h"
#include "platform/Desktop.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QItemSelection>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLayout>
#include <QLocale>

#include <algorithm>
#include <limits>

namespace {

const QString PdfFilter = QStringLiteral("PDF files (*.pdf)");
constexpr int PasswordRole = Qt::UserRole;
constexpr int FeaturesRole = Qt::UserRole + 1;
constexpr int ObjectsRole = Qt::UserRole + 2;

// A row of LvPDF. It keeps the numbers behind its page-count and size texts
// so that sorting compares numbers instead of parsing text.
class FileItem final : public QTreeWidgetItem
{
public:
    FileItem(int pages, qint64 kilobytes)
        : QTreeWidgetItem(UserType)
        , pages_(pages)
        , kilobytes_(kilobytes)
    {}

    int pages() const { return pages_; }

    bool operator<(const QTreeWidgetItem& other) const override
    {
        // Every row of the list is a FileItem: only FileList adds rows.
        const auto& that = static_cast<const FileItem&>(other);
        const QTreeWidget* list = treeWidget();
        switch (list ? list->sortColumn() : int(FileListView::FilePathColumn)) {
        case FileListView::PageCountColumn:
            return pages_ < that.pages_;
        case FileListView::SizeColumn:
            return kilobytes_ < that.kilobytes_;
        default: {
            const QString mine = text(FileListView::FilePathColumn);
            const QString theirs = that.text(FileListView::FilePathColumn);
            const int folded = mine.compare(theirs, Qt::CaseInsensitive);
            return folded != 0 ? folded < 0 : mine < theirs;
        }
        }
    }

private:
    int pages_;
    qint64 kilobytes_;
};

const FileItem* fileItem(const QTreeWidgetItem* item)
{
    return static_cast<const FileItem*>(item);
}

// Bytes to whole kilobytes, a half going up.
qint64 kilobytesOf(qint64 bytes)
{
    return (bytes + 512) / 1024;
}

// "1,465 KB": grouped by thousands in the user's locale, also where the
// locale would leave the grouping out by default (the C locale does).
QString sizeText(qint64 kilobytes)
{
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return locale.toString(kilobytes) + QStringLiteral(" KB");
}

// The busy pointer for as long as the scope lasts.
class BusyCursor
{
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// Laying out and painting the list and the status bar after every one of
// thousands of files costs several times what opening the files does. While
// a batch comes in, both are held and let through once a frame; every other
// pending event still runs after each file.
class PacedRefresh
{
public:
    // `panels` are held through the widget they sit in.
    PacedRefresh(FileListView* list, const QList<QWidget*>& panels)
        : outer_(active_)
        , list_(list)
    {
        // A batch that starts while another one runs its events (a second
        // drop) goes on at the first one's pace.
        active_ = this;
        if (outer_)
            return;
        hold(list);
        for (QWidget* panel : panels)
            if (panel)
                hold(panel->parentWidget() ? panel->parentWidget() : panel);
        setHeld(true);
        clock_.start();
    }

    ~PacedRefresh()
    {
        active_ = outer_;
        if (!outer_)
            setHeld(false);
    }

    PacedRefresh(const PacedRefresh&) = delete;
    PacedRefresh& operator=(const PacedRefresh&) = delete;

    // While painting is allowed (a run started from the events of a batch
    // shows its progress), the widgets are not held.
    static void allowPainting(bool allow)
    {
        paintingAllowed_ += allow ? 1 : -1;
        PacedRefresh* outermost = active_;
        while (outermost && outermost->outer_)
            outermost = outermost->outer_;
        if (outermost)
            outermost->setHeld(paintingAllowed_ == 0);
    }

    // Lets pending window events run once; when a frame is due the held
    // widgets are laid out and painted as well. Whatever the window allows
    // while files come in may run here: every command, a second batch (it
    // joins this one's pace), a whole run, or the window's close (the batch
    // then ends).
    void processEvents()
    {
        if (outer_) {
            outer_->processEvents();
            return;
        }
        const bool frameDue = clock_.hasExpired(FrameMilliseconds);
        if (frameDue) {
            setHeld(false);
            clock_.restart();
        }
        QCoreApplication::processEvents();
        setHeld(true);
    }

private:
    static constexpr qint64 FrameMilliseconds = 40;

    struct Held
    {
        QPointer<QWidget> widget;
        QPointer<QLayout> layout;
        bool updatesEnabled;
        bool layoutEnabled;
    };

    void hold(QWidget* widget)
    {
        if (!widget || std::any_of(held_.cbegin(), held_.cend(),
                                   [widget](const Held& held) { return held.widget == widget; }))
            return;
        QLayout* layout = widget->layout();
        held_.push_back({widget, layout, widget->updatesEnabled(), layout && layout->isEnabled()});
    }

    // Holds the widgets' layout and painting, or lets them go as they were.
    void setHeld(bool hold)
    {
        hold = hold && paintingAllowed_ == 0;
        if (holding_ == hold)
            return;
        holding_ = hold;
        if (list_)
            list_->setLayoutHeld(hold);
        for (const Held& held : std::as_const(held_)) {
            if (held.layout && held.layoutEnabled) {
                held.layout->setEnabled(!hold);
                if (!hold)
                    held.layout->activate();
            }
            if (held.widget && held.updatesEnabled)
                held.widget->setUpdatesEnabled(!hold);
        }
    }

    static inline PacedRefresh* active_ = nullptr;
    static inline int paintingAllowed_ = 0;
    PacedRefresh* outer_;
    bool holding_ = false;
    QPointer<FileListView> list_;
    QList<Held> held_;
    QElapsedTimer clock_;
};

}  // namespace

FileList::PaintingAllowed::PaintingAllowed()
{
    PacedRefresh::allowPainting(true);
}

FileList::PaintingAllowed::~PaintingAllowed()
{
    PacedRefresh::allowPainting(false);
}

FileList::FileList(FileListView* LvPDF_, QLabel* totalFilesPanel, QLabel* totalPagesPanel,
                   Desktop& desktop)
    : LvPDF(LvPDF_)
    , totalFilesPanel_(totalFilesPanel)
    , totalPagesPanel_(totalPagesPanel)
    , desktop_(desktop)
{
    if (!LvPDF)
        return;
    // Keep the set of listed paths and the renumbering mark in step with
    // whatever changes the rows.
    const QAbstractItemModel* model = LvPDF->model();
    connect(model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex& parent, int first, int last) {
                if (parent.isValid())
                    return;
                for (int row = first; row <= last; ++row)
                    listedPaths_.insert(
                        LvPDF->topLevelItem(row)->text(FileListView::FilePathColumn));
                if (first < numberedRows_)
                    forgetNumbering();
            });
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex& parent, int first, int last) {
                if (parent.isValid())
                    return;
                for (int row = first; row <= last; ++row)
                    listedPaths_.remove(
                        LvPDF->topLevelItem(row)->text(FileListView::FilePathColumn));
                if (first < numberedRows_)
                    forgetNumbering();
            });
    connect(model, &QAbstractItemModel::rowsMoved, this, [this] { forgetNumbering(); });
    connect(model, &QAbstractItemModel::layoutChanged, this, [this] { forgetNumbering(); });
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        listedPaths_.clear();
        forgetNumbering();
    });
}

void FileList::forgetNumbering()
{
    numberedRows_ = 0;
    numberedPages_ = 0;
}

void FileList::AddFiles()
{
    const QStringList chosen = desktop_.openFileNames(LastFolder, PdfFilter);
    if (chosen.isEmpty())
        return;

    if (chosen.size() == 1) {
        const QString& path = chosen.first();
        LastFolder = FolderOf(path);
        if (!IsPdfFile(path))
            return;
        if (IsInList(path)) {
            desktop_.messageBox(path + QStringLiteral(" already in list"), ProgramTitle,
                                Desktop::Icon::Information, Desktop::Buttons::Ok);
            return;
        }
        AddPdfFile(path);
        return;
    }

    LastFolder = FolderOf(chosen.first());
    addBatch(chosen, false);
}

void FileList::AddDroppedFiles(const QStringList& paths)
{
    // An entry that is not there any more ends a drop; what came before it stays.
    addBatch(paths, true);
}

void FileList::addBatch(const QStringList& paths, bool missingEntryEnds)
{
    const QPointer<FileList> alive(this);
    const BusyCursor busy;
    QCoreApplication::processEvents();
    if (!alive)
        return;
    QStringList candidates;
    for (const QString& path : paths)
        if (!path.isEmpty() && IsPdfFile(path))
            candidates << path;
    FileOpener opener(candidates);
    PacedRefresh refresh(LvPDF, {totalFilesPanel_, totalPagesPanel_});
    for (int index = 0, candidate = 0; index < paths.size(); ++index) {
        const QString& path = paths[index];
        // Every candidate has its slot in the opener, whatever becomes of it
        // below: the files after it are then paired with their own results.
        const bool isCandidate = !path.isEmpty() && IsPdfFile(path);
        const int opening = isCandidate ? candidate++ : -1;
        const QFileInfo entry(path);
        if (missingEntryEnds && !entry.exists()) {
            // A name the system's encoding cannot hold is passed over; any
            // other entry that is gone ends the drop.
            if (path.contains(QChar::ReplacementCharacter))
                continue;
            return;
        }
        if (!isCandidate)
            continue;
        // Folders are passed over: their contents are not added.
        if (entry.isDir())
            continue;
        addPdfFile(path, [&opener, opening] { return opener.take(opening); });
        // The window may have been closed while its events ran.
        if (!alive)
            return;
        refresh.processEvents();
        if (!alive)
            return;
    }
}

bool FileList::IsPdfFile(const QString& path)
{
    return ::IsPdfFile(path);
}

bool FileList::IsInList(const QString& path) const
{
    // Without the list nothing may be added, so everything counts as listed.
    if (!LvPDF)
        return true;
    return listedPaths_.contains(path);
}

void FileList::AddPdfFile(const QString& path)
{
    addPdfFile(path, [path] { return FileOpener::open(path, QString()); });
}

void FileList::addPdfFile(const QString& path, const std::function<OpenedInput()>& openWithout)
{
    if (!LvPDF || IsInList(path))
        return;
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable())
        return;
    const qint64 kilobytes = kilobytesOf(info.size());

    // The window's events run while the file is opened.
    const QPointer<FileList> alive(this);
    OpenedInput file = openWithout();
    if (!alive)
        return;
    if (file.errorCode == PdfLibrary::PasswordRequired && !file.opened) {
        if (!AskPassword(path, file) || !alive)
            return;
    }
    // A document without pages, or whose pages cannot be walked safely,
    // is of no use in the list.
    if (file.pagesFault != PdfLibrary::PagesFault::None || IsInList(path))
        return;

    auto* item = new FileItem(file.pages, kilobytes);
    item->setText(FileListView::FilePathColumn, path);
    item->setText(FileListView::PageCountColumn, QString::number(file.pages));
    item->setText(FileListView::SizeColumn, sizeText(kilobytes));
    item->setTextAlignment(FileListView::PageCountColumn, Qt::AlignRight | Qt::AlignVCenter);
    item->setTextAlignment(FileListView::SizeColumn, Qt::AlignRight | Qt::AlignVCenter);
    // The password that opened this file: LastPassword may have changed
    // since, in a prompt answered while it was opened.
    if (!file.password.isEmpty())
        item->setData(FileListView::RowNumberColumn, PasswordRole, file.password);
    if (file.features != 0) {
        item->setData(FileListView::RowNumberColumn, FeaturesRole, file.features);
        const QString found = PdfLibrary::FeatureNames(file.features).join(QStringLiteral(", "));
        for (int column = 0; column < FileListView::ColumnCount; ++column)
            item->setToolTip(column, found);
    }
    item->setData(FileListView::RowNumberColumn, ObjectsRole, file.objects);
    LvPDF->addTopLevelItem(item);
    UpdateTotals();
}

bool FileList::AskPassword(const QString& path, OpenedInput& file)
{
    // Each password is held in a local: the window's events run while a
    // file is opened and while the prompt is up, and another add may change
    // LastPassword meanwhile.
    const QPointer<FileList> alive(this);
    if (const QString last = LastPassword; !last.isEmpty()) {
        file = FileOpener::open(path, last);
        if (!alive || file.opened)
            return alive;
    }
    const QString typed = desktop_
                              .inputBox(QStringLiteral("Please input the password for ") + path,
                                        QStringLiteral("Need password"), LastPassword)
                              .value_or(QString());
    if (!alive)
        return false;
    LastPassword = typed;
    if (typed.isEmpty())
        return false;
    file = FileOpener::open(path, typed);
    return alive && file.opened;
}

void FileList::UpdateTotals()
{
    if (!LvPDF)
        return;
    // Rows before numberedRows_ already carry their numbers and are counted
    // in numberedPages_; only the rows after them are visited.
    const int rows = LvPDF->topLevelItemCount();
    if (numberedRows_ > rows)
        forgetNumbering();
    for (int index = numberedRows_; index < rows; ++index) {
        QTreeWidgetItem* item = LvPDF->topLevelItem(index);
        const QString number = QString::number(index + 1);
        if (item->text(FileListView::RowNumberColumn) != number)
            item->setText(FileListView::RowNumberColumn, number);
        numberedPages_ += fileItem(item)->pages();
    }
    numberedRows_ = rows;
    TotalPages = int(std::clamp<qint64>(numberedPages_, std::numeric_limits<int>::min(),
                                        std::numeric_limits<int>::max()));

    if (totalFilesPanel_)
        totalFilesPanel_->setText(QStringLiteral("Total files: ") + QString::number(rows));
    if (totalPagesPanel_)
        totalPagesPanel_->setText(QStringLiteral("Total pages: ") + QString::number(TotalPages));
}

void FileList::ColumnClick(int column)
{
    if (!LvPDF || LvPDF->topLevelItemCount() < 2)
        return;
    // Painting may be held already by a batch that is being added.
    const bool painting = LvPDF->updatesEnabled();
    if (painting)
        LvPDF->setUpdatesEnabled(false);
    if (column == FileListView::FilePathColumn || column == FileListView::PageCountColumn ||
        column == FileListView::SizeColumn) {
        sortDescending_ = !sortDescending_;
        LvPDF->sortItems(column, sortDescending_ ? Qt::DescendingOrder : Qt::AscendingOrder);
    }
    if (painting)
        LvPDF->setUpdatesEnabled(true);
    UpdateTotals();
}

void FileList::M_SelectAll_Click()
{
    if (!LvPDF || LvPDF->topLevelItemCount() == 0)
        return;
    LvPDF->selectAll();
    LvPDF->setFocus();
}

void FileList::M_Invert_Click()
{
    if (!LvPDF || LvPDF->topLevelItemCount() == 0)
        return;
    const QAbstractItemModel* model = LvPDF->model();
    const QItemSelection everything(model->index(0, 0),
                                    model->index(model->rowCount() - 1, model->columnCount() - 1));
    LvPDF->selectionModel()->select(everything,
                                    QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
    LvPDF->setFocus();
}

void FileList::M_Remove_Click()
{
    if (!LvPDF || LvPDF->topLevelItemCount() == 0)
        return;
    for (int index = LvPDF->topLevelItemCount() - 1; index >= 0; --index)
        if (LvPDF->topLevelItem(index)->isSelected())
            delete LvPDF->takeTopLevelItem(index);
    LvPDF->setFocus();
    UpdateTotals();
}

int FileList::rowCount() const
{
    return LvPDF ? LvPDF->topLevelItemCount() : 0;
}

FileRow FileList::row(int index) const
{
    const QTreeWidgetItem* item = LvPDF ? LvPDF->topLevelItem(index) : nullptr;
    if (!item)
        return {};
    return FileRow{item->text(FileListView::RowNumberColumn),
                   item->text(FileListView::FilePathColumn),
                   item->text(FileListView::PageCountColumn),
                   item->text(FileListView::SizeColumn),
                   item->data(FileListView::RowNumberColumn, PasswordRole).toString(),
                   item->data(FileListView::RowNumberColumn, FeaturesRole).toInt(),
                   item->data(FileListView::RowNumberColumn, ObjectsRole).toLongLong()};
}

QList<FileRow> FileList::rows() const
{
    QList<FileRow> result;
    const int count = rowCount();
    result.reserve(count);
    for (int index = 0; index < count; ++index)
        result << row(index);
    return result;
}
