#include "cli/Inputs.h"

#include "job/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

class Collector
{
public:
    Collector(Inputs& inputs, bool recursive, const QString& outputFolder)
        : inputs_(inputs)
        , recursive_(recursive)
        , outputFolder_(QFileInfo(outputFolder).canonicalFilePath())
    {}

    void add(const QString& path, const QString& relative, const QString& subfolder)
    {
        const QFileInfo info(path);
        // Links and "." or ".." lead to one file under several names.
        const QString identity = info.canonicalFilePath();
        if (!identity.isEmpty() && !seen_.contains(identity)) {
            seen_.insert(identity);
            inputs_.files << InputFile{path, relative, subfolder};
        }
    }

    // `subfolder` is `folder` relative to its INPUT, "" for the INPUT itself.
    void walk(const QDir& folder, const QString& subfolder)
    {
        const QString prefix = subfolder.isEmpty() ? QString() : subfolder + u'/';
        // Unreadable files are taken: the run reports them.
        for (const QString& name : folder.entryList(QDir::Files, QDir::Name))
            if (IsPdfFile(name))
                add(folder.filePath(name), prefix + name, subfolder);
        if (!recursive_)
            return;
        for (const QString& name :
             folder.entryList(QDir::Dirs | QDir::NoSymLinks | QDir::NoDotAndDotDot, QDir::Name)) {
            const QDir child(folder.filePath(name));
            if (outputFolder_.isEmpty() || child.canonicalPath() != outputFolder_)
                walk(child, prefix + name);
        }
    }

private:
    Inputs& inputs_;
    bool recursive_;
    QString outputFolder_;  // canonical, "" when it does not exist
    QSet<QString> seen_;
};

}  // namespace

Inputs CollectInputs(const QStringList& inputs, bool recursive, const QString& outputFolder)
{
    Inputs result;
    Collector collector(result, recursive, outputFolder);
    for (const QString& input : inputs) {
        const QFileInfo info(input);
        if (info.isDir()) {
            collector.walk(QDir(input), QString());
        } else if (!info.exists()) {
            result.error = QStringLiteral("%1: no such file or folder").arg(input);
            return result;
        } else if (!IsPdfFile(input)) {
            result.error =
                QStringLiteral("%1: not a PDF file (its name does not end in .pdf)").arg(input);
            return result;
        } else {
            collector.add(input, info.fileName(), QString());
        }
    }
    return result;
}
