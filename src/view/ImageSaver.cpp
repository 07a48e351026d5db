#include "view/ImageSaver.h"

#include "doc/SaveFormats.h"

#include <QFileInfo>

namespace ardane {

void showImagingError(UiServices& ui, imaging::Result code)
{
    const auto text = imaging::resultMessage(code);
    ui.message(QString::fromUtf8(text.data(), qsizetype(text.size())));
}

bool ImageSaver::saveAs()
{
    SaveFileRequest request;
    for (const auto& e : doc::saveFilter())
        request.filters.push_back({QString::fromLatin1(e.description), QString::fromLatin1(e.pattern)});
    const int currentFormat = m_image.ProbedFormat();
    const QString documentName = m_doc.path().isEmpty() ? m_doc.title() : m_doc.path();
    const QString preselected = doc::preselectedPattern(currentFormat, documentName);
    request.initialEntry = doc::saveEntryForPattern(preselected);
    request.initialPath = m_doc.path();

    const auto choice = m_host.ui().saveFileName(request);
    if (!choice || choice->path.isEmpty())
        return false;
    const QString chosen = doc::chosenPattern(choice->entry, choice->path);
    const int format = doc::formatForPattern(chosen, preselected, currentFormat);
    // The depth the image has now (a colour-depth change since the file was
    // read counts), not the depth the file had.
    const int bits = m_image.BitsPerPixel();
    if (format == doc::kGifFormat && bits != 8) {
        m_host.ui().message(QStringLiteral("GIF format only supports 8 bits per pixel"), MessageIcon::Stop);
        return false;
    }
    if (!write(choice->path, format, bits, format == doc::kLayeredFormat ? -1 : 2))
        return false;
    m_doc.setPathName(choice->path);
    (void)m_image.ProbeFile(choice->path, 0); // the control now describes the saved file
    m_host.refreshStatus();
    return true;
}

bool ImageSaver::save()
{
    const int format = m_layered ? doc::kLayeredFormat : m_image.ProbedFormat();
    if (!write(m_doc.path(), format, m_image.BitsPerPixel(), -1))
        return false;
    (void)m_image.ProbeFile(m_doc.path(), 0);
    m_host.refreshStatus();
    return true;
}

bool ImageSaver::write(const QString& path, int format, int bits, int quality)
{
    imaging::Result r = imaging::result::Ok;
    if (format == doc::kLayeredFormat) {
        r = m_host.layeredFormat().write(path, m_image, m_objects, doc::kBmpFormat, bits, -1);
        if (r == imaging::result::Ok)
            m_layered = true;
    } else {
        r = m_image.SaveFile(path, format, bits, quality, false);
        if (r == imaging::result::Ok)
            m_layered = false;
    }
    if (r != imaging::result::Ok) {
        showImagingError(m_host.ui(), r);
        return false;
    }
    return true;
}

} // namespace ardane
