#pragma once
// Everything that asks the user something or tells the user something: message
// boxes, file dialogs, the colour dialog, the image-size and text-depth dialogs. The program
// talks to this seam only; tests put a scripted one in its place and read the
// texts of the messages instead of blocking on them.

#include "core/StringTable.h"
#include "imaging/Bitmap.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QWidget;

class QPrinter;

namespace ardane {

enum class MessageIcon { None, Information, Stop, Question, Warning };
enum class SaveChangesAnswer { Yes, No, Cancel };

struct FileFilterEntry {
    QString description; // "CompuServe(*.GIF)"
    QString pattern;     // "*.GIF"
};

struct OpenFileRequest {
    std::vector<FileFilterEntry> filters;
    int initialEntry = 0;     // 0-based
    QString defaultSuffix;
    QString initialName;
};

struct SaveFileRequest {
    std::vector<FileFilterEntry> filters;
    int initialEntry = 0;     // 0-based
    QString initialPath;      // the document's path (may be empty)
};

struct SaveFileChoice {
    QString path;
    int entry = -1;           // 0-based index of the chosen filter, -1 for none
};

// The values of the "New Image Size" dialog.
struct ImageSizeValues {
    QString caption;          // window caption when not empty
    int width = 320;
    int height = 200;
    int xResolution = 100;
    int yResolution = 100;
    int resizeMode = 0;       // 0 "Normal", 1 "Resampling"
};

// The values of the "Print Resolution" dialog: the print resolution edited,
// and the printer's own resolution shown beside it.
struct PrintResolutionValues {
    int xResolution = 100;
    int yResolution = 100;
    int printerX = 100;
    int printerY = 100;
};

// The values of the "Image Offset" dialog: the image's top-left on the page
// and the page's size, both in printer dots.
struct ImageOffsetValues {
    int xOffset = 0;
    int yOffset = 0;
    double pageWidth = 850.0;
    double pageHeight = 1100.0;
};

// Paints one page on a printer (or a preview's printer); false when the
// printer could not be started.
using PagePainter = std::function<bool(QPrinter&)>;

class UiServices {
public:
    virtual ~UiServices() = default;

    virtual void message(const QString& text, MessageIcon icon = MessageIcon::None) = 0;
    // The text of a string-table entry as a message.
    void showStringMessage(int stringId, MessageIcon icon = MessageIcon::None)
    {
        message(stringTableText(stringId), icon);
    }
    [[nodiscard]] virtual SaveChangesAnswer askSaveChanges(const QString& title) = 0;
    [[nodiscard]] virtual std::optional<QString> openFileName(const OpenFileRequest& request) = 0;
    [[nodiscard]] virtual std::optional<SaveFileChoice> saveFileName(const SaveFileRequest& request) = 0;
    [[nodiscard]] virtual std::optional<ColorRef> chooseColor(ColorRef initial) = 0;
    // "Text Attribute" preset to a shadow or 3D depth; the depth chosen, nullopt on Cancel.
    [[nodiscard]] virtual std::optional<int> chooseTextDepth(int initial) = 0;
    // Shows "New Image Size" preset with `values`; on OK writes the result back.
    [[nodiscard]] virtual bool editImageSize(ImageSizeValues& values) = 0;
    // Print setup: the user picks the printer, paper and orientation that
    // printing will use; false on Cancel, leaving `printer` as it was.
    [[nodiscard]] virtual bool printSetup(QPrinter& printer) = 0;
    // "Print Resolution" preset with `values`; on OK writes the result back.
    [[nodiscard]] virtual bool editPrintResolution(PrintResolutionValues& values) = 0;
    // "Image Offset" preset with `values`; on OK writes the offsets back.
    [[nodiscard]] virtual bool editImageOffset(ImageOffsetValues& values) = 0;
    // The print dialog for `printer`; false on Cancel.
    [[nodiscard]] virtual bool runPrintDialog(QPrinter& printer) = 0;
    // The print preview of `printer`'s page, drawn by `paint`; returns when
    // the preview closes.
    virtual void showPrintPreview(QPrinter& printer, const PagePainter& paint) = 0;
    // The window that owns dialogs (the main frame); may be null.
    virtual void setDialogOwner(QWidget* owner) = 0;
};

} // namespace ardane
