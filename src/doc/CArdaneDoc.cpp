#include "doc/CArdaneDoc.h"

#include "core/CommandIds.h"

#include <QFileInfo>

#include <array>
#include <utility>

namespace ardane::doc {

namespace {
constexpr std::array<std::pair<int, int>, 6> kDepthCommands{{
    {ID_DEPTH_1, 1}, {ID_DEPTH_4, 4}, {ID_DEPTH_8, 8}, {ID_DEPTH_16, 16}, {ID_DEPTH_24, 24}, {ID_DEPTH_32, 32},
}};
constexpr std::array<std::pair<int, int>, 5> kPaletteCommands{{
    {ID_PALETTE_ORDER_RGB, 0}, {ID_PALETTE_FIXED, 1}, {ID_PALETTE_OPTIMIZED, 2},
    {ID_PALETTE_ORDERED_BGR, 4}, {ID_PALETTE_IDENTITY, 8},
}};
} // namespace

CArdaneDoc::CArdaneDoc(ColorReduction& reduction, int untitledNumber, QObject* parent)
    : QObject(parent), m_reduction(reduction), m_untitled(untitledNumber)
{
    registerCommands();
}

void CArdaneDoc::registerCommands()
{
    m_commands.on(ID_FILE_SAVE, [this] { OnSaveDocument(); });
    m_commands.on(ID_FILE_SAVE_AS, [this] { saveAs(); });
    for (const auto& [id, bits] : kDepthCommands) {
        const int b = bits;
        m_commands.on(id, [this, b] { changeDepth(b); },
                      [this, b](CommandState& s) { s.checked = m_image && m_image->hasImage() && m_image->bitsPerPixel() == b; });
    }
    for (const auto& [id, value] : kPaletteCommands) {
        const int v = value;
        m_commands.on(id, [this, v] { m_reduction.paletteOption = v; },
                      [this, v](CommandState& s) { s.checked = m_reduction.paletteOption == v; });
    }
    m_commands.onRange(ID_DITHER_NONE, ID_DITHER_ORDERED,
                       [this](int id) { m_reduction.ditherOption = id - ID_DITHER_NONE; },
                       [this](int id, CommandState& s) { s.checked = m_reduction.ditherOption == id - ID_DITHER_NONE; });
}

void CArdaneDoc::changeDepth(int bits)
{
    // A view without an image has nothing to convert.
    if (!m_image || !m_image->hasImage())
        return;
    if (!m_image->convertColorDepth(bits, m_reduction.paletteOption, m_reduction.ditherOption))
        return;
    emit imageChanged();
    setModified(true);
}

void CArdaneDoc::OnNewDocument(const NewImageRequest& request)
{
    m_width = request.width;
    m_height = request.height;
    m_xRes = request.xResolution;
    m_yRes = request.yResolution;
    m_path.clear();
}

void CArdaneDoc::OnNewDocumentFromImage(const imaging::Bitmap& image)
{
    m_width = image.width();
    m_height = image.height();
    m_xRes = image.xResolution();
    m_yRes = image.yResolution();
    m_path.clear();
    m_acquired = image;
}

void CArdaneDoc::OnOpenDocument(const QString& path)
{
    m_path = path;
    emit titleChanged(title());
}

bool CArdaneDoc::OnSaveDocument()
{
    if (!m_image || !m_image->saveImage(m_path.isEmpty()))
        return false;
    setModified(false);
    return true;
}

bool CArdaneDoc::saveAs()
{
    if (!m_image || !m_image->saveImage(true))
        return false;
    setModified(false);
    return true;
}

void CArdaneDoc::setPathName(const QString& path)
{
    m_path = path;
    emit titleChanged(title());
    emit pathSaved(path);
}

QString CArdaneDoc::title() const
{
    if (m_path.isEmpty())
        return QStringLiteral("Ardane%1").arg(m_untitled);
    return QFileInfo(m_path).fileName();
}

void CArdaneDoc::setModified(bool modified)
{
    if (m_modified == modified)
        return;
    m_modified = modified;
    emit modifiedChanged(modified);
}

} // namespace ardane::doc
