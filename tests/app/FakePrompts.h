#pragma once

#include "PBFolderDialog.h"
#include "Prompts.h"

#include <QStringList>
#include <deque>
#include <functional>
#include <optional>

// Answers the window's dialogs from a script and records every message it shows, so that a
// test drives the window through its own commands and nothing ever waits for a human.
class TFakePrompts : public TPrompts {
public:
    struct TMessage {
        QString Text;
        TIcon Icon;
    };

    // Answers in order; an empty string stands for "Abbrechen". No answer left means cancel.
    std::deque<QString> OpenAnswers;
    std::deque<QString> SaveAnswers;
    QStringList SavePresets; // the name each save dialog was opened with
    // Folders the chooser confirms in order; nullopt (or none left) is "Abbrechen".
    std::deque<std::optional<QString>> FolderAnswers;
    std::vector<TMessage> Messages;
    // Called while a message box would be open (e.g. to act from inside it).
    std::function<void(const TMessage&)> OnMessage;

    QString AskOpenFileName(QWidget*, const QString& filter, const QString& folder) override {
        OpenFilters << filter;
        OpenFolders << folder;
        return Take(OpenAnswers);
    }
    QString AskSaveFileName(QWidget*, const QString& presetName, const QString& folder) override {
        SavePresets << presetName;
        SaveFolders << folder;
        return Take(SaveAnswers);
    }
    bool AskFolder(TPBFolderDialog& chooser) override {
        FolderPresets << chooser.Folder();
        if (FolderAnswers.empty())
            return false;
        const std::optional<QString> answer = FolderAnswers.front();
        FolderAnswers.pop_front();
        if (!answer)
            return false;
        chooser.SetFolder(*answer);
        return true;
    }
    void ShowMessage(QWidget*, const QString& text, TIcon icon) override {
        Messages.push_back({text, icon});
        if (OnMessage)
            OnMessage(Messages.back());
    }

    // Buttons chosen in order by AskChoice; none left chooses the first (the default).
    std::deque<int> ChoiceAnswers;
    int AskChoice(QWidget* parent, const QString& text, TIcon icon,
                  const QStringList& buttons) override {
        ShowMessage(parent, text, icon);
        ChoiceButtons << buttons.join(QChar('|'));
        if (ChoiceAnswers.empty())
            return 0;
        const int answer = ChoiceAnswers.front();
        ChoiceAnswers.pop_front();
        return answer;
    }

    struct TList {
        QString Text;
        QStringList Items;
        TIcon Icon;
    };
    std::vector<TList> Lists;
    void ShowList(QWidget*, const QString& text, const QStringList& items, TIcon icon) override {
        Lists.push_back({text, items, icon});
    }

    QStringList MessageTexts() const {
        QStringList texts;
        for (const TMessage& m : Messages)
            texts << m.Text;
        return texts;
    }

    QStringList OpenFilters;
    // The folder each dialog started in.
    QStringList OpenFolders;
    QStringList SaveFolders;
    QStringList FolderPresets;
    QStringList ChoiceButtons; // each choice's buttons, joined by "|"

private:
    static QString Take(std::deque<QString>& answers) {
        if (answers.empty())
            return {};
        QString answer = answers.front();
        answers.pop_front();
        return answer;
    }
};
