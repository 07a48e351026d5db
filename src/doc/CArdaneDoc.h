#pragma once
// The image document: size, resolution and file path of one image, its
// modified state, and the document's commands (save, colour depth, colour
// reduction options). The pixels live in the imaging control of the document's
// first view, reached through DocumentImage.

#include "core/CommandMap.h"

#include "imaging/Bitmap.h"

#include <QObject>
#include <QString>

namespace ardane::doc {

// Palette and dither options of colour-depth conversions, shared by all
// documents ("Preference"/"CRP_FLAG" and "CRD_FLAG").
struct ColorReduction {
    int paletteOption = 1; // 0 order RGB, 1 fixed, 2 optimised, 4 ordered BGR, 8 identity
    int ditherOption = 0;  // 0 none .. 7 ordered
};

// What the document asks of the view that holds its image.
class DocumentImage {
public:
    virtual ~DocumentImage() = default;
    [[nodiscard]] virtual bool hasImage() const = 0;
    [[nodiscard]] virtual int bitsPerPixel() const = 0;
    // Saves the image, through the Save As dialog when asked; true on success.
    [[nodiscard]] virtual bool saveImage(bool withDialog) = 0;
    // Converts the image; false (with the error shown) when it fails.
    [[nodiscard]] virtual bool convertColorDepth(int bits, int paletteOption, int ditherOption) = 0;
};

struct NewImageRequest {
    int width = 320;
    int height = 200;
    int xResolution = 100;
    int yResolution = 100;
};

class CArdaneDoc : public QObject {
    Q_OBJECT
public:
    CArdaneDoc(ColorReduction& reduction, int untitledNumber, QObject* parent = nullptr);

    // A new image of the given description; the first view creates it.
    void OnNewDocument(const NewImageRequest& request);
    // A new image that comes from elsewhere (a screen capture, a scanner):
    // the first view takes this picture instead of asking for a size.
    void OnNewDocumentFromImage(const imaging::Bitmap& image);
    [[nodiscard]] const imaging::Bitmap& acquiredImage() const { return m_acquired; }
    void dropAcquiredImage() { m_acquired = imaging::Bitmap(); }
    // Remembers the path; the first view reads the image.
    void OnOpenDocument(const QString& path);
    // Save: with the dialog when the path is empty. Clears the modified flag on success.
    bool OnSaveDocument();
    bool saveAs();

    void setImage(DocumentImage* image) { m_image = image; }
    [[nodiscard]] DocumentImage* image() const { return m_image; }

    [[nodiscard]] int width() const { return m_width; }
    [[nodiscard]] int height() const { return m_height; }
    void setSize(int width, int height) { m_width = width; m_height = height; }
    [[nodiscard]] int xResolution() const { return m_xRes; }
    [[nodiscard]] int yResolution() const { return m_yRes; }
    [[nodiscard]] const QString& path() const { return m_path; }
    // The path after a successful save: the title follows, the recent-file list is told.
    void setPathName(const QString& path);
    [[nodiscard]] QString title() const;

    [[nodiscard]] bool isModified() const { return m_modified; }
    void setModified(bool modified);

    [[nodiscard]] CommandMap& commands() { return m_commands; }

signals:
    void modifiedChanged(bool modified);
    void titleChanged(const QString& title);
    void pathSaved(const QString& path);
    // The image's description changed: the status panes should be refreshed.
    void imageChanged();

private:
    void registerCommands();
    void changeDepth(int bits);

    ColorReduction& m_reduction;
    DocumentImage* m_image = nullptr;
    CommandMap m_commands;
    int m_untitled;
    int m_width = 320;
    int m_height = 200;
    int m_xRes = 100;
    int m_yRes = 100;
    QString m_path;
    imaging::Bitmap m_acquired;
    bool m_modified = false;
};

} // namespace ardane::doc
