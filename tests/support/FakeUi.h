#pragma once
// A scripted user: records every message and question, answers file dialogs
// and the size dialog from queues the test fills.

#include "view/UiServices.h"

#include <QPrinter>
#include <QStringList>

#include <deque>

namespace ardane::test {

class FakeUi : public UiServices {
public:
    struct Message {
        QString text;
        MessageIcon icon;
    };
    std::vector<Message> messages;
    std::deque<std::optional<QString>> openAnswers;
    std::deque<std::optional<SaveFileChoice>> saveAnswers;
    std::vector<SaveFileRequest> saveRequests;
    std::vector<OpenFileRequest> openRequests;
    std::deque<std::optional<ImageSizeValues>> sizeAnswers;
    std::vector<ImageSizeValues> sizeRequests;
    std::deque<SaveChangesAnswer> saveChangesAnswers;
    QStringList saveChangesQuestions;
    std::optional<ColorRef> colourAnswer;
    std::vector<ColorRef> colourPresets;
    std::optional<int> depthAnswer;
    std::vector<int> depthPresets;
    int printSetups = 0;
    bool printSetupAnswer = false; // OK or Cancel; either way the user turned the page

    void message(const QString& text, MessageIcon icon) override { messages.push_back({text, icon}); }
    SaveChangesAnswer askSaveChanges(const QString& title) override
    {
        saveChangesQuestions << title;
        if (saveChangesAnswers.empty())
            return SaveChangesAnswer::No;
        const auto a = saveChangesAnswers.front();
        saveChangesAnswers.pop_front();
        return a;
    }
    std::optional<QString> openFileName(const OpenFileRequest& request) override
    {
        openRequests.push_back(request);
        if (openAnswers.empty())
            return std::nullopt;
        const bool has = openAnswers.front().has_value();
        const QString path = has ? *openAnswers.front() : QString();
        openAnswers.pop_front();
        return has ? std::optional<QString>(path) : std::nullopt;
    }
    std::optional<SaveFileChoice> saveFileName(const SaveFileRequest& request) override
    {
        saveRequests.push_back(request);
        if (saveAnswers.empty())
            return std::nullopt;
        const bool has = saveAnswers.front().has_value();
        const SaveFileChoice choice = has ? *saveAnswers.front() : SaveFileChoice{};
        saveAnswers.pop_front();
        return has ? std::optional<SaveFileChoice>(choice) : std::nullopt;
    }
    std::optional<ColorRef> chooseColor(ColorRef initial) override
    {
        colourPresets.push_back(initial);
        return colourAnswer;
    }
    std::optional<int> chooseTextDepth(int initial) override
    {
        depthPresets.push_back(initial);
        return depthAnswer;
    }
    bool editImageSize(ImageSizeValues& values) override
    {
        sizeRequests.push_back(values);
        if (sizeAnswers.empty() || !sizeAnswers.front()) {
            if (!sizeAnswers.empty())
                sizeAnswers.pop_front();
            return false;
        }
        values = *sizeAnswers.front();
        sizeAnswers.pop_front();
        return true;
    }
    bool printSetup(QPrinter& printer) override
    {
        ++printSetups;
        printer.setPageOrientation(QPageLayout::Landscape);
        return printSetupAnswer;
    }
    void setDialogOwner(QWidget*) override {}

    [[nodiscard]] QStringList texts() const
    {
        QStringList t;
        for (const auto& m : messages)
            t << m.text;
        return t;
    }
};

} // namespace ardane::test
