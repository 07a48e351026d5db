#pragma once
// The item a compound-document container would show for an Ardane document.
// The program does not run embedded, so the item only answers for its size
// and draws nothing.

#include <QSize>

#include <optional>

class QPainter;

namespace ardane {

namespace doc {
class CArdaneDoc;
}

// What a container asks the item to show.
enum class DrawAspect { Content = 1, Thumbnail = 2, Icon = 4, DocPrint = 8 };

class CArdaneSrvrItem {
public:
    // The content's size in hundredths of a millimetre.
    static constexpr QSize kContentExtent{3000, 3000};

    explicit CArdaneSrvrItem(doc::CArdaneDoc& document) : m_document(document) {}

    [[nodiscard]] doc::CArdaneDoc& document() const { return m_document; }

    // The extent of an aspect; nullopt leaves the answer to the container's defaults.
    [[nodiscard]] std::optional<QSize> OnGetExtent(DrawAspect aspect) const;

    // Maps the painter's window onto the content extent and reports success
    // without drawing.
    bool OnDraw(QPainter& painter) const;

private:
    doc::CArdaneDoc& m_document;
};

} // namespace ardane
