#include "platform/QtDesktop.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

Desktop::Answer QtDesktop::messageBox(const QString& text, const QString& title, Icon icon,
                                      Buttons buttons)
{
    const auto boxIcon = icon == Icon::Critical   ? QMessageBox::Critical
                         : icon == Icon::Question ? QMessageBox::Question
                         : icon == Icon::Warning  ? QMessageBox::Warning
                                                  : QMessageBox::Information;
    QMessageBox box(boxIcon, title, text, QMessageBox::NoButton, owner_);
    if (buttons == Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else if (buttons == Buttons::YesNoCancel) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    const int pressed = box.exec();
    switch (buttons) {
    case Buttons::Ok:
        return Answer::Ok;
    case Buttons::YesNo:
        return pressed == QMessageBox::Yes ? Answer::Yes : Answer::No;
    case Buttons::YesNoCancel:
        break;
    }
    return pressed == QMessageBox::Yes ? Answer::Yes
           : pressed == QMessageBox::No ? Answer::No
                                        : Answer::Cancel;
}

std::optional<QString> QtDesktop::inputBox(const QString& prompt, const QString& title,
                                           const QString& defaultText)
{
    bool accepted = false;
    const QString text = QInputDialog::getText(owner_, title, prompt, QLineEdit::Normal,
                                               defaultText, &accepted);
    if (!accepted)
        return std::nullopt;
    return text;
}

QStringList QtDesktop::openFileNames(const QString& startFolder, const QString& filter)
{
    QStringList files = QFileDialog::getOpenFileNames(owner_, QString(), startFolder, filter);
    for (QString& file : files)
        file = QDir::toNativeSeparators(file);
    return files;
}

QString QtDesktop::chooseFolder(const QString& title, const QString& startFolder)
{
    return QDir::toNativeSeparators(QFileDialog::getExistingDirectory(owner_, title, startFolder));
}

void QtDesktop::openFolder(const QString& folder)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

void QtDesktop::openHelp(const QString& helpFile)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(helpFile));
}
