#pragma once

#include <QPoint>
#include <QStringList>
#include <QTreeWidget>

// The list view of input files (LvPDF): four columns, several rows
// selectable. It accepts drops of local files and reports them, right-button
// releases and header clicks; what they do is FileList's business.
class FileListView final : public QTreeWidget
{
    Q_OBJECT
public:
    enum Column { RowNumberColumn, FilePathColumn, PageCountColumn, SizeColumn, ColumnCount };

    explicit FileListView(QWidget* parent = nullptr);

    // QTreeView lays out every row again after each insertion. While the
    // layout is held, rows appended at the end wait until it is let go, and
    // are then laid out at once.
    void setLayoutHeld(bool held);

Q_SIGNALS:
    // Local paths of a drop, in the drop's order.
    void filesDropped(const QStringList& paths);
    void rightButtonReleased(const QPoint& globalPos);
    void columnClicked(int column);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;

private:
    bool layoutHeld_ = false;
    bool layoutOwed_ = false;
};
