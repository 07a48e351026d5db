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
    // The print dialogs: requests recorded, answers from the queues (an empty
    // queue or nullopt is Cancel).
    std::deque<std::optional<PrintResolutionValues>> resolutionAnswers;
    std::vector<PrintResolutionValues> resolutionRequests;
    std::deque<std::optional<ImageOffsetValues>> offsetAnswers;
    std::vector<ImageOffsetValues> offsetRequests;
    bool printDialogAnswer = false;
    int printDialogs = 0;
    // Called with the printer of the print dialog and of the preview, in
    // place of the user's choices there (e.g. to send the page to a file).
    std::function<void(QPrinter&)> onPrinter;
    int previews = 0;
    std::vector<bool> previewResults; // what each preview's page painting answered

    bool editPrintResolution(PrintResolutionValues& values) override
    {
        return answer(resolutionRequests, resolutionAnswers, values);
    }
    bool editImageOffset(ImageOffsetValues& values) override
    {
        return answer(offsetRequests, offsetAnswers, values);
    }
    bool runPrintDialog(QPrinter& printer) override
    {
        ++printDialogs;
        if (onPrinter)
            onPrinter(printer);
        return printDialogAnswer;
    }
    void showPrintPreview(QPrinter& printer, const PagePainter& paint) override
    {
        ++previews;
        if (onPrinter)
            onPrinter(printer);
        previewResults.push_back(paint(printer));
    }
    void setDialogOwner(QWidget*) override {}

    template <typename T>
    static bool answer(std::vector<T>& requests, std::deque<std::optional<T>>& answers, T& values)
    {
        requests.push_back(values);
        if (answers.empty())
            return false;
        const std::optional<T> a = answers.front();
        answers.pop_front();
        if (!a)
            return false;
        values = *a;
        return true;
    }

    [[nodiscard]] QStringList texts() const
    {
        QStringList t;
        for (const auto& m : messages)
            t << m.text;
        return t;
    }
};

} // namespace ardane::test
