#include "ProgramInfo.h"
#include "app/FormMain.h"
#include "platform/QtDesktop.h"
#include "ui/FormFlash.h"
#include "ui/ProgramIcon.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <memory>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(ProgramTitle);
    QApplication::setOrganizationName(QStringLiteral("Corvella Software"));
    QApplication::setApplicationVersion(ProgramVersion);
    QApplication::setWindowIcon(ProgramIcon());

    // Every argument is a file to list, as a file manager's "Open with" passes them.
    QStringList files;
    for (const QString& argument : QApplication::arguments().mid(1))
        files << QDir::toNativeSeparators(QFileInfo(argument).absoluteFilePath());

    QtDesktop desktop;
    std::unique_ptr<FormMain> formMain;

    // The splash comes first and hands over to the main window when it closes.
    auto* splash = new FormFlash(false);
    QObject::connect(splash, &FormFlash::startUpFinished, [&] {
        formMain = std::make_unique<FormMain>(desktop);
        desktop.setOwner(formMain.get());
        formMain->show();
        // Handled like a drop on the list, once the window is up.
        if (!files.isEmpty())
            QTimer::singleShot(0, formMain.get(),
                               [&formMain, &files] { formMain->OpenFiles(files); });
    });
    splash->show();
    return app.exec();
}
