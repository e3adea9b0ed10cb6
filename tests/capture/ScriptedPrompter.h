#pragma once
// A Prompter that answers as a test scripts it and records what the
// operator would have been shown.
#include "prompt/Prompter.h"

#include <QCoreApplication>
#include <QDialog>
#include <QStringList>
#include <QThread>
#include <QWidget>

#include <deque>
#include <functional>
#include <vector>

class ScriptedPrompter : public Prompter {
public:
    struct Shown {
        QString caption;
        QString text;
        QWidget* parent;
        bool onGuiThread;
    };
    struct Asked {
        QString kind; // "open", "save" or "directory"
        QString title;
        QString initialName;
        QString filter;
    };

    std::vector<Shown> messages;
    std::vector<Asked> choosers;
    // Answers of the file and folder choosers, in order; "" is a cancel.
    std::deque<QString> answers;
    // Runs a modal dialog; by default the operator cancels it.
    std::function<int(QDialog&)> onExec;
    // Questions asked through choose(), and the answers given in order
    // (none left: the box is closed without a choice, -1).
    std::vector<Shown> questions;
    std::deque<int> choices;
    // Called for every message box, after it has been recorded.
    std::function<void(const Shown&)> onMessage;

    void message(QWidget* parent, const QString& caption, const QString& text) override
    {
        messages.push_back({caption, text, parent, QThread::currentThread() == qApp->thread()});
        if (onMessage)
            onMessage(messages.back());
    }
    QString openFileName(QWidget*, const QString& title, const QString& initialName, const QString& filter) override
    {
        return answer("open", title, initialName, filter);
    }
    QString saveFileName(QWidget*, const QString& title, const QString& initialName, const QString& filter) override
    {
        return answer("save", title, initialName, filter);
    }
    QString directory(QWidget*, const QString& title, const QString& initialDir) override
    {
        return answer("directory", title, initialDir, QString());
    }
    int exec(QDialog& dialog) override
    {
        if (onExec)
            return onExec(dialog);
        dialog.reject();
        return QDialog::Rejected;
    }

    int choose(QWidget* parent, const QString& caption, const QString& text, const QStringList&) override
    {
        questions.push_back({caption, text, parent, QThread::currentThread() == qApp->thread()});
        if (choices.empty())
            return -1;
        const int out = choices.front();
        choices.pop_front();
        return out;
    }

    QStringList texts() const
    {
        QStringList out;
        for (const Shown& shown : messages)
            out << shown.text;
        return out;
    }

private:
    QString answer(const QString& kind, const QString& title, const QString& initialName, const QString& filter)
    {
        choosers.push_back({kind, title, initialName, filter});
        if (answers.empty())
            return {};
        QString out = answers.front();
        answers.pop_front();
        return out;
    }
};
