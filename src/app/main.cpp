#include "app/FormMain.h"
#include "platform/QtDesktop.h"
#include "ui/FormFlash.h"
#include "ui/ProgramIcon.h"

#include <QApplication>
#include <QIcon>

#include <memory>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sealmark"));
    QApplication::setOrganizationName(QStringLiteral("Corvella Software"));
    QApplication::setApplicationVersion(QStringLiteral(SEALMARK_VERSION));
    QApplication::setWindowIcon(ProgramIcon());

    QtDesktop desktop;
    std::unique_ptr<FormMain> formMain;

    // The splash comes first and hands over to the main window when it closes.
    auto* splash = new FormFlash(false);
    QObject::connect(splash, &FormFlash::startUpFinished, [&] {
        if (!formMain) {
            formMain = std::make_unique<FormMain>(desktop);
            desktop.setOwner(formMain.get());
        }
        formMain->show();
    });
    splash->show();
    return app.exec();
}
