#pragma once

#include "platform/Desktop.h"

#include <QPointer>
#include <QWidget>

// The real dialogs and shell calls, modal to the owner window.
class QtDesktop final : public Desktop
{
public:
    void setOwner(QWidget* owner) { owner_ = owner; }

    Answer messageBox(const QString& text, const QString& title, Icon icon,
                      Buttons buttons) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                    const QString& defaultText) override;
    QStringList openFileNames(const QString& startFolder, const QString& filter) override;
    QString chooseFolder(const QString& title, const QString& startFolder) override;
    void openFolder(const QString& folder) override;
    void openHelp(const QString& helpFile) override;

private:
    QPointer<QWidget> owner_;
};
