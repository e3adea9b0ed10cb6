#include "WidgetPrompter.h"

#include "FileChoice.h"

#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QAbstractButton>
#include <QPushButton>
#include <QMessageBox>

namespace {

// An initial name with a wildcard names the listing, not a file: a folder
// before it is where the chooser starts.
void applyInitialName(QFileDialog& dialog, const QString& initialName)
{
    if (!initialName.contains('*')) {
        dialog.selectFile(initialName);
        return;
    }
    const QFileInfo pattern(initialName);
    if (initialName.contains('/') && pattern.dir().exists())
        dialog.setDirectory(pattern.dir());
}

// What the chooser returns. A server's URI typed as the name would come back
// joined to the folder shown, as a file path; it is taken as typed.
QString chosenName(const QFileDialog& dialog)
{
    if (const auto* typed = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        if (isServerDatabase(typed->text().trimmed()))
            return typed->text().trimmed();
    return dialog.selectedFiles().constFirst();
}

} // namespace

void WidgetPrompter::message(QWidget* parent, const QString& caption, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

QString WidgetPrompter::openFileName(QWidget* parent, const QString& title, const QString& initialName,
                                     const QString& filter)
{
    // The chooser does not require the file to exist: the caller decides.
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::ReadOnly, false);
    applyInitialName(dialog, initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return chosenName(dialog);
}

QString WidgetPrompter::saveFileName(QWidget* parent, const QString& title, const QString& initialName,
                                     const QString& filter)
{
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    applyInitialName(dialog, initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return chosenName(dialog);
}

QString WidgetPrompter::directory(QWidget* parent, const QString& title, const QString& initialDir)
{
    return QFileDialog::getExistingDirectory(parent, title, initialDir);
}

int WidgetPrompter::exec(QDialog& dialog)
{
    return dialog.exec();
}

int WidgetPrompter::choose(QWidget* parent, const QString& caption, const QString& text, const QStringList& choices)
{
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::NoButton, parent);
    QList<QAbstractButton*> buttons;
    for (const QString& choice : choices)
        buttons << static_cast<QAbstractButton*>(box.addButton(choice, QMessageBox::AcceptRole));
    box.exec();
    return int(buttons.indexOf(box.clickedButton()));
}
