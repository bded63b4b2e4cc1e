#include "filelist/FileListView.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

namespace {

bool offersLocalFiles(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return false;
    const QList<QUrl> urls = data->urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

} // namespace

FileListView::FileListView(QWidget* parent)
    : QTreeWidget(parent)
{
    setColumnCount(4);
    setHeaderLabels({QString(), QStringLiteral("File Name"), QStringLiteral("Page Count"),
                     QStringLiteral("File Size")});
    headerItem()->setTextAlignment(PageCountColumn, Qt::AlignRight | Qt::AlignVCenter);
    headerItem()->setTextAlignment(SizeColumn, Qt::AlignRight | Qt::AlignVCenter);
    // Column widths in pixels at 96 dpi: 300, 6645, 1440 and 1440 twips.
    header()->setMinimumSectionSize(8);
    setColumnWidth(RowNumberColumn, 20);
    setColumnWidth(FilePathColumn, 443);
    setColumnWidth(PageCountColumn, 96);
    setColumnWidth(SizeColumn, 96);
    header()->setStretchLastSection(false);
    header()->setSectionsClickable(true);
    header()->setSectionsMovable(false);
    connect(header(), &QHeaderView::sectionClicked, this, &FileListView::columnClicked);

    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setDropIndicatorShown(false);
}

void FileListView::dragEnterEvent(QDragEnterEvent* event)
{
    if (offersLocalFiles(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void FileListView::dragMoveEvent(QDragMoveEvent* event)
{
    if (offersLocalFiles(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void FileListView::dropEvent(QDropEvent* event)
{
    if (!offersLocalFiles(event->mimeData())) {
        event->ignore();
        return;
    }
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths << QDir::toNativeSeparators(url.toLocalFile());
    event->setDropAction(Qt::CopyAction);
    event->accept();
    Q_EMIT filesDropped(paths);
}

void FileListView::setLayoutHeld(bool held)
{
    layoutHeld_ = held;
    if (!held && layoutOwed_) {
        layoutOwed_ = false;
        doItemsLayout();
    }
}

void FileListView::rowsInserted(const QModelIndex& parent, int start, int end)
{
    // Rows appended at the end leave the rows already laid out as they are,
    // so the layout QTreeView would start here can wait.
    const bool appended = !parent.isValid() && end == topLevelItemCount() - 1;
    if (layoutHeld_ && appended) {
        layoutOwed_ = true;
        QAbstractItemView::rowsInserted(parent, start, end);
        return;
    }
    QTreeWidget::rowsInserted(parent, start, end);
}

void FileListView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                               const QList<int>& roles)
{
    // The owed layout repaints every row anyway; QTreeView would search its
    // laid-out rows for each changed row that is not among them yet.
    if (layoutOwed_)
        return;
    QTreeWidget::dataChanged(topLeft, bottomRight, roles);
}

void FileListView::mouseReleaseEvent(QMouseEvent* event)
{
    QTreeWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::RightButton)
        Q_EMIT rightButtonReleased(event->globalPosition().toPoint());
}
