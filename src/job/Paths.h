#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <string>

// Every rule the program follows about paths: folders and their separators,
// the destination of a run, output names and when two paths are one file.

// The folder in native form with exactly one trailing separator
// ("/opt/sealmark" gives "/opt/sealmark/"; a root keeps its own).
QString WithTrailingSeparator(const QString& folder);

// The folder of a file in native form, ending with one separator.
QString FolderOf(const QString& filePath);

// Where the folder chooser opens for the text of the folder box: the text
// without its trailing separator, unless it is a root ("/", "C:\").
QString BrowseStartFolder(const QString& folderText);

// The folder the program was started in: the base of every relative
// destination. The program never changes its current directory, which
// other threads share; this is read once, before any of them starts.
QString StartFolder();

// A folder's text made absolute against StartFolder() and cleaned; "" for
// an empty text.
QString AbsoluteFolder(const QString& folder);

// True when the folder exists and can be entered. Relative texts are taken
// against StartFolder(); nothing is changed, not even the current directory.
// Never throws; "", a missing folder or a file give false.
bool IsFolderAccessible(const QString& folder);

// True when files can be made in the folder: a uniquely named empty file
// is made in it and removed again. Relative as IsFolderAccessible.
bool IsFolderWritable(const QString& folder);

// The folder a run writes into, from the text of the folder box: blanks
// around it removed, made absolute against StartFolder(), native, with one
// trailing separator. "" for an empty text.
QString DestinationFolder(const QString& folderText);

// True for a name taken as a PDF: ending in "pdf" in any letter case ("a.pdf",
// "a.PDF", also "reportpdf").
bool IsPdfFile(const QString& path);

// The file name of `path` without its folder and without its last extension:
// "/in/Report.final.pdf" gives "Report.final". A name without any "." is
// returned whole ("reportpdf"), so such files never share a nameless output.
QString GetOutFileName(const QString& path);

// True when the two paths name the same file: the same text, the same
// absolute path after resolving "." and "..", or (for files that exist) the
// same file through links or letter case on a case-insensitive file system.
bool IsSameFile(const QString& a, const QString& b);

// How the outputs of one run into one folder are told apart: the cleaned
// path, in one letter case where the file system ignores case.
QString OutputKey(const QString& path);

// Files an output must not land on, looked up by their path and, for files
// that exist, by the file behind the path (links, "." and "..", case).
class ProtectedFiles
{
public:
    ProtectedFiles(const QStringList& files = {});
    bool covers(const QString& path) const;

private:
    QSet<QString> keys_;        // OutputKey of each absolute path
    QSet<QString> identities_;  // of each existing file
};

// The output path of `input` in `folder` (which ends with a separator):
// folder + GetOutFileName(input) + ".pdf", or "_new.pdf" instead when that
// would be the input itself, a file in `protectedInputs` or a path in
// `usedOutputs` (as OutputKey gives them); should "_new.pdf" be taken as
// well, "_new2.pdf", "_new3.pdf" ... An input is never chosen as output.
QString OutputPathFor(const QString& folder, const QString& input,
                      const ProtectedFiles& protectedInputs, const QSet<QString>& usedOutputs = {});

// Names the outputs of a run, row by row in list order: an output is never
// one of the run's inputs (also through links, "." and ".." or letter case)
// nor an output named before it. Files left by earlier runs are replaced.
class OutputNamer
{
public:
    explicit OutputNamer(const QStringList& inputs);

    // The output of `input` in `folder` (absolute, ending with a separator).
    QString next(const QString& folder, const QString& input);

private:
    // The inputs an output in `folder` could land on: those in the folder
    // as written, and those a ".pdf" entry of the folder leads to. Naming
    // against these alone keeps a long run linear.
    const ProtectedFiles& reachableFrom(const QString& folder);

    struct Input
    {
        QString path;
        QString folder;  // clean absolute folder
    };
    QHash<QString, QStringList> inputsByFolder_;  // clean absolute folder
    QHash<QString, Input> inputsByTarget_;  // by where a link to it leads
    QHash<QString, ProtectedFiles> reachable_;  // by destination folder
    QSet<QString> used_;                        // OutputKey of each output
};

// The output path of every input of a run into `folder`, in order.
QStringList OutputPathsFor(const QString& folder, const QStringList& inputs);

// A path as libqpdf takes a file name: UTF-8 on Windows, the file system's
// own bytes elsewhere.
std::string LibraryFileName(const QString& path);
