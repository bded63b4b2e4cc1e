#include "job/BatchRun.h"

#include "job/PdfLibrary.h"

#include <QEventLoop>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

RowResult EncryptRow(PdfLibrary& pdf, const RunRow& row, const QString& output,
                     const EncryptionSettings& settings)
{
    RowResult result;
    if (pdf.OpenFile(row.path, row.password) == 1 && pdf.ClearSecurity() == 1 &&
        ApplyEncryptionSettings(pdf, settings) != 0 && pdf.SaveFile(output) == 1)
        result.saved = true;
    else
        result.errorCode = pdf.ErrorCode();
    pdf.CloseDocument(pdf.DocumentIdAt(1));
    return result;
}

RowResult RowRunner::run(PdfLibrary& pdf, const RunRow& row, const QString& output,
                         const EncryptionSettings& settings)
{
    Q_ASSERT(!rowInFlight_);
    rowInFlight_ = true;
    QFutureWatcher<RowResult> watcher;
    QEventLoop loop;
    QObject::connect(&watcher, &QFutureWatcher<RowResult>::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(QtConcurrent::run(
        [&pdf, row, output, settings] { return EncryptRow(pdf, row, output, settings); }));
    if (!watcher.isFinished())
        loop.exec();
    // The loop also ends when the application quits; the worker still owns
    // the document until it is done, so wait for it.
    const RowResult result = watcher.result();
    rowInFlight_ = false;
    return result;
}
