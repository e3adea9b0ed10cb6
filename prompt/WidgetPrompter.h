#pragma once
#include "Prompter.h"

// The real thing: Qt's message boxes, file dialogs and modal loops.
class WidgetPrompter : public Prompter {
public:
    void message(QWidget* parent, const QString& caption, const QString& text) override;
    QString openFileName(QWidget* parent, const QString& title, const QString& initialName,
                         const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& title, const QString& initialName,
                         const QString& filter) override;
    QString directory(QWidget* parent, const QString& title, const QString& initialDir) override;
    int exec(QDialog& dialog) override;
    int choose(QWidget* parent, const QString& caption, const QString& text, const QStringList& choices) override;
};
