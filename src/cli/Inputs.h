#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One PDF file an INPUT of `encrypt` contributes.
struct InputFile
{
    QString path;       // the INPUT, joined with `relative` for a folder
    QString relative;   // to the INPUT, with "/"; its file name for a file given directly
    QString subfolder;  // where its output goes under the output folder, "" for the folder
};

struct Inputs
{
    QList<InputFile> files;
    QString error;  // "" when every INPUT could be taken
};

// The PDF files of `inputs`, in order: a file as given (its name must pass
// IsPdfFile, as in the window's list), a folder's PDF files directly inside
// it by name and, with `recursive`, those of its subfolders after them, each
// subfolder mirrored by `subfolder`. Hidden entries and links to folders are
// passed over, and so is `outputFolder` when it turns up as a subfolder: the
// outputs of an earlier run into it are no inputs. A file reached twice is
// taken once. A missing INPUT or a file that is no PDF is an error.
Inputs CollectInputs(const QStringList& inputs, bool recursive, const QString& outputFolder = {});
