#pragma once
// Saving a view's image for its document: the Save As dialog with the
// preselected format, the pattern and format-code rules, the GIF depth rule,
// the layered format, and what a successful save changes.

#include "view/ViewHost.h"
#include "doc/CArdaneDoc.h"

namespace ardane {

class ImageSaver {
public:
    ImageSaver(ViewHost& host, doc::CArdaneDoc& document, imaging::ImagingControl& image,
               const objects::ObjectList& objects, bool& layeredMark)
        : m_host(host), m_doc(document), m_image(image), m_objects(objects), m_layered(layeredMark)
    {
    }

    // Save As (always with the dialog).
    [[nodiscard]] bool saveAs();
    // Save to the document's path in the current format.
    [[nodiscard]] bool save();

private:
    [[nodiscard]] bool write(const QString& path, int format, int bits, int quality);

    ViewHost& m_host;
    doc::CArdaneDoc& m_doc;
    imaging::ImagingControl& m_image;
    const objects::ObjectList& m_objects;
    bool& m_layered;
};

} // namespace ardane
