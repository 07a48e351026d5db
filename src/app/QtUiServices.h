#pragma once
// The user-interface seam as the running program has it: Qt's message boxes,
// file and colour dialogs, and the "New Image Size" dialog.

#include "view/UiServices.h"

#include <QPointer>
#include <QWidget>

namespace ardane {

class QtUiServices final : public UiServices {
public:
    void message(const QString& text, MessageIcon icon) override;
    [[nodiscard]] SaveChangesAnswer askSaveChanges(const QString& title) override;
    [[nodiscard]] std::optional<QString> openFileName(const OpenFileRequest& request) override;
    [[nodiscard]] std::optional<SaveFileChoice> saveFileName(const SaveFileRequest& request) override;
    [[nodiscard]] std::optional<ColorRef> chooseColor(ColorRef initial) override;
    [[nodiscard]] std::optional<int> chooseTextDepth(int initial) override;
    [[nodiscard]] bool editImageSize(ImageSizeValues& values) override;
    [[nodiscard]] bool printSetup(QPrinter& printer) override;
    [[nodiscard]] bool editPrintResolution(PrintResolutionValues& values) override;
    [[nodiscard]] bool editImageOffset(ImageOffsetValues& values) override;
    [[nodiscard]] bool runPrintDialog(QPrinter& printer) override;
    void showPrintPreview(QPrinter& printer, const PagePainter& paint) override;
    void setDialogOwner(QWidget* owner) override { m_owner = owner; }

private:
    QPointer<QWidget> m_owner;
};

// A Qt name filter for an entry: the description, then the pattern in upper
// and lower case (file names on Linux are case-sensitive).
[[nodiscard]] QString qtNameFilter(const FileFilterEntry& entry);

} // namespace ardane
