#include "doc/SaveFormats.h"

#include <QFileInfo>

#include <array>

namespace ardane::doc {

namespace {

using imaging::FileFormat;

constexpr std::array<FilterEntry, 14> kOpen{{
    {"Ardane Format+Layers(*.ALF)", "*.ALF", kLayeredFormat},
    {"CompuServe(*.GIF)", "*.GIF", formatCode(FileFormat::Gif)},
    {"Windows(*.BMP)", "*.BMP", formatCode(FileFormat::Bmp)},
    {"Windows Meta File(*.WMF)", "*.WMF", formatCode(FileFormat::Wmf)},
    {"TIFF(*.TIF)", "*.TIF", formatCode(FileFormat::Tiff)},
    {"JPEG(*.JPG)", "*.JPG", formatCode(FileFormat::Jpeg)},
    {"Photo CD(*.PCD)", "*.PCD", formatCode(FileFormat::PhotoCd)},
    {"Compressed(*.CMP)", "*.CMP", formatCode(FileFormat::Cmp)},
    {"Encapsulated PostScript(*.PS)", "*.PS", formatCode(FileFormat::Eps)},
    {"OS/2 Bitmap Version 2", "*.OS2", formatCode(FileFormat::Os2Bmp)},
    {"ZSoft(*.PCX)", "*.PCX", formatCode(FileFormat::Pcx)},
    {"Portable Network Graphics(*.PNG)", "*.PNG", formatCode(FileFormat::Png)},
    {"TARGA(*.TGA)", "*.TGA", formatCode(FileFormat::Tga)},
    {"All Files (*.*)", "*.*", kFormatByExtension},
}};

constexpr std::array<FilterEntry, 13> kSave{{
    {"Ardane Format+Layers(*.ALF)", "*.ALF", kLayeredFormat},
    {"CompuServe(*.GIF)", "*.GIF", formatCode(FileFormat::Gif)},
    {"Windows(*.BMP)", "*.BMP", formatCode(FileFormat::Bmp)},
    {"Windows Meta File(*.WMF)", "*.WMF", formatCode(FileFormat::Wmf)},
    {"TIFF(*.TIF)", "*.TIF", formatCode(FileFormat::Tiff)},
    {"JPEG(*.JPG)", "*.JPG", formatCode(FileFormat::Jpeg)},
    {"Compressed(*.CMP)", "*.CMP", formatCode(FileFormat::Cmp)},
    {"Encapsulated PostScript(*.PS)", "*.PS", formatCode(FileFormat::Eps)},
    {"OS/2 Bitmap Version 2", "*.OS2", formatCode(FileFormat::Os2Bmp)},
    {"ZSoft(*.PCX)", "*.PCX", formatCode(FileFormat::Pcx)},
    {"Portable Network Graphics(*.PNG)", "*.PNG", formatCode(FileFormat::Png)},
    {"TARGA(*.TGA)", "*.TGA", formatCode(FileFormat::Tga)},
    {"All Files (*.*)", "*.*", kFormatByExtension},
}};

constexpr int kAllFilesSaveEntry = 12;

QString upperSuffix(const QString& path)
{
    return QFileInfo(path).suffix().toUpper();
}

} // namespace

std::span<const FilterEntry> openFilter() { return kOpen; }
std::span<const FilterEntry> saveFilter() { return kSave; }

QString preselectedPattern(int formatCode, const QString& documentName)
{
    for (const auto& e : kSave)
        if (e.formatCode != kFormatByExtension && e.formatCode == formatCode)
            return QString::fromLatin1(e.pattern);
    const QString ext = upperSuffix(documentName);
    return ext.isEmpty() ? QStringLiteral("*.*") : QStringLiteral("*.") + ext;
}

int saveEntryForPattern(const QString& pattern)
{
    for (std::size_t i = 0; i < kSave.size(); ++i)
        if (pattern.compare(QLatin1String(kSave[i].pattern), Qt::CaseInsensitive) == 0)
            return int(i);
    return 0;
}

QString chosenPattern(int entry, const QString& chosenPath)
{
    if (entry >= 0 && entry < kAllFilesSaveEntry)
        return QString::fromLatin1(kSave[std::size_t(entry)].pattern);
    const QString ext = upperSuffix(chosenPath);
    return ext.isEmpty() ? QStringLiteral("*.BMP") : QStringLiteral("*.") + ext;
}

int formatForPattern(const QString& chosen, const QString& preselected, int currentCode)
{
    if (chosen.compare(preselected, Qt::CaseInsensitive) == 0)
        return currentCode;
    for (const auto& e : kSave)
        if (e.formatCode != kFormatByExtension && chosen.compare(QLatin1String(e.pattern), Qt::CaseInsensitive) == 0)
            return e.formatCode;
    return kBmpFormat;
}

} // namespace ardane::doc
