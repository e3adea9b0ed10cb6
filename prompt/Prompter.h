#pragma once
// Every modal exchange with the operator goes through a Prompter: message
// boxes, file and folder choosers, modal dialogs. The desktop program uses
// WidgetPrompter; tests script the operator's answers with one of their own.
#include <QString>
#include <QStringList>

class QDialog;
class QWidget;

// Caption of every message box the program shows without one of its own.
inline constexpr char kAppTitle[] = "Trawler";

class Prompter {
public:
    virtual ~Prompter() = default;

    // A modal message box with an OK button only.
    virtual void message(QWidget* parent, const QString& caption, const QString& text) = 0;
    // Open-file chooser; an empty result means the operator cancelled.
    virtual QString openFileName(QWidget* parent, const QString& title, const QString& initialName,
                                 const QString& filter) = 0;
    // Save-file chooser with the overwrite question; empty on cancel.
    virtual QString saveFileName(QWidget* parent, const QString& title, const QString& initialName,
                                 const QString& filter) = 0;
    // Folder chooser; empty on cancel.
    virtual QString directory(QWidget* parent, const QString& title, const QString& initialDir) = 0;
    // Runs a dialog modally; returns QDialog::Accepted or QDialog::Rejected.
    virtual int exec(QDialog& dialog) = 0;
    // A modal question with one button per choice; returns the index of the
    // choice taken, -1 when the box was closed without one.
    virtual int choose(QWidget* parent, const QString& caption, const QString& text, const QStringList& choices) = 0;
};
