#pragma once

#include "platform/UiServices.h"

#include <deque>
#include <vector>

namespace strovik::test {

// Answers the windows' questions from a script and records every message, without a modal loop.
class ScriptedUiServices final : public UiServices {
public:
    struct Shown {
        QWidget* owner;
        MessageRequest request;
    };

    // Yes/No questions take answers front first; when none is queued the answer is defaultAnswer.
    std::deque<MessageAnswer> answers;
    MessageAnswer defaultAnswer = MessageAnswer::Yes;
    std::vector<Shown> messages;
    QString saveFileAnswer;
    std::vector<QString> openedPaths;

    MessageAnswer ShowMessage(QWidget* owner, const MessageRequest& request) override {
        messages.push_back({owner, request});
        if (request.buttons == MessageButtons::Ok) return MessageAnswer::Ok;
        if (answers.empty()) return defaultAnswer;
        const MessageAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    QString AskSaveFileName(QWidget*, const QString&, const QString&, const QString&) override {
        return saveFileAnswer;
    }
    bool OpenWithShell(const QString& path) override {
        openedPaths.push_back(path);
        return true;
    }
};

}  // namespace strovik::test
