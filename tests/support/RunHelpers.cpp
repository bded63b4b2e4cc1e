#include "RunHelpers.h"

#include <QDir>
#include <QMetaObject>

namespace RunHelpers {

QString message(const QString& title, Desktop::Icon icon, Desktop::Buttons buttons,
                const QString& text)
{
    const QString iconName = icon == Desktop::Icon::Critical   ? QStringLiteral("critical")
                             : icon == Desktop::Icon::Question ? QStringLiteral("question")
                             : icon == Desktop::Icon::Warning  ? QStringLiteral("warning")
                                                               : QStringLiteral("information");
    const QString buttonNames = buttons == Desktop::Buttons::YesNo ? QStringLiteral("Yes/No")
                                : buttons == Desktop::Buttons::YesNoCancel
                                    ? QStringLiteral("Yes/No/Cancel")
                                    : QStringLiteral("OK");
    return title + u'|' + iconName + u'|' + buttonNames + u'|' + text;
}

QString summary(int saved)
{
    return message(QStringLiteral("Sealmark"), Desktop::Icon::Question, Desktop::Buttons::YesNo,
                   QString::number(saved) + QStringLiteral(" files saved.\r\n"
                                                           "Do you want to open the destination folder now?"));
}

QString encryptFailure(const QString& path, int code)
{
    return message(QStringLiteral("Error"), Desktop::Icon::Critical, Desktop::Buttons::Ok,
                   QStringLiteral("Can not encrypt file: ") + path +
                       QStringLiteral("\r\n\r\nError code: ") + QString::number(code));
}

Ticker::Ticker(std::function<bool()> tick)
    : tick_(std::move(tick))
{
    post();
}

void Ticker::post()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            ++count_;
            if (tick_())
                post();
        },
        Qt::QueuedConnection);
}

} // namespace RunHelpers
