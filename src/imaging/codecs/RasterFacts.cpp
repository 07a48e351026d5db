#include "imaging/codecs/RasterFacts.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <set>
#include <string_view>

namespace ardane::imaging::codecs {

namespace {

std::uint16_t le16(ByteView d, std::size_t at) { return std::uint16_t(d[at] | d[at + 1] << 8); }
std::uint32_t be32(ByteView d, std::size_t at)
{
    return std::uint32_t(d[at]) << 24 | std::uint32_t(d[at + 1]) << 16 | std::uint32_t(d[at + 2]) << 8 | d[at + 3];
}

int bitsForEntries(int entries)
{
    if (entries <= 2)
        return 1;
    return entries <= 16 ? 4 : 8;
}

int bitsForSamples(int sampleBits)
{
    if (sampleBits <= 1)
        return 1;
    return sampleBits <= 4 ? 4 : 8;
}

// --- TIFF ------------------------------------------------------------------

class TiffReader {
public:
    TiffReader(ByteView d, bool bigEndian) : m_d(d), m_be(bigEndian) {}

    bool has(std::uint64_t at, std::uint64_t n) const { return at + n <= m_d.size(); }
    std::uint16_t u16(std::size_t at) const
    {
        return m_be ? std::uint16_t(m_d[at] << 8 | m_d[at + 1]) : le16(m_d, at);
    }
    std::uint32_t u32(std::size_t at) const
    {
        return m_be ? be32(m_d, at)
                    : std::uint32_t(m_d[at]) | std::uint32_t(m_d[at + 1]) << 8 | std::uint32_t(m_d[at + 2]) << 16 | std::uint32_t(m_d[at + 3]) << 24;
    }

    // Where the values of the directory entry at `entry` are stored: false
    // when they are inline (or of a type we do not know the size of).
    bool outOfLine(std::size_t entry, std::uint64_t& offset, std::uint64_t& bytes) const
    {
        std::uint64_t size = 0;
        switch (u16(entry + 2)) {
        case 1: case 2: case 6: case 7: size = 1; break;
        case 3: case 8: size = 2; break;
        case 4: case 9: case 11: case 13: size = 4; break;
        case 5: case 10: case 12: size = 8; break;
        default: return false;
        }
        bytes = size * u32(entry + 4);
        offset = u32(entry + 8);
        return bytes > 4;
    }

    // The `index`th value of the directory entry at `entry` (SHORT or LONG
    // types, stored inline or behind an offset).
    bool value(std::size_t entry, std::uint32_t index, std::uint32_t& out) const
    {
        const std::uint16_t type = u16(entry + 2);
        const std::uint32_t count = u32(entry + 4);
        if (index >= count)
            return false;
        std::uint32_t size = 0;
        switch (type) {
        case 1: case 6: size = 1; break;   // BYTE, SBYTE
        case 3: case 8: size = 2; break;   // SHORT, SSHORT
        case 4: case 9: case 13: size = 4; break; // LONG, SLONG, IFD
        default: return false;
        }
        std::uint64_t at = std::uint64_t(count) * size <= 4 ? entry + 8 : u32(entry + 8);
        at += std::uint64_t(index) * size;
        if (!has(at, size))
            return false;
        out = size == 1 ? m_d[at] : size == 2 ? u16(std::size_t(at)) : u32(std::size_t(at));
        return true;
    }

private:
    ByteView m_d;
    bool m_be;
};

std::string tiffCompressionName(std::uint32_t c)
{
    switch (c) {
    case 1: return "None";
    case 2: return "CCITT RLE";
    case 3: return "CCITT G3";
    case 4: return "CCITT G4";
    case 5: return "LZW";
    case 6: case 7: return "JPEG";
    case 8: case 32946: return "Deflate";
    case 32773: return "PackBits";
    case 34925: return "LZMA";
    case 50000: return "ZSTD";
    case 50001: return "WebP";
    default: return "Unknown (" + std::to_string(c) + ")";
    }
}

// --- GIF -------------------------------------------------------------------

// Skips a chain of data sub-blocks; false when the data ends inside it.
bool skipSubBlocks(ByteView d, std::size_t& at)
{
    while (at < d.size()) {
        const std::size_t n = d[at];
        ++at;
        if (n == 0)
            return true;
        at += n;
    }
    return false;
}

// --- EPS -------------------------------------------------------------------

bool parseInts(std::string_view text, int* values, int count)
{
    std::size_t at = 0;
    for (int i = 0; i < count; ++i) {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
            ++at;
        std::size_t end = at;
        while (end < text.size() && (std::isdigit(static_cast<unsigned char>(text[end])) || text[end] == '-'))
            ++end;
        if (end == at || end - at > 9)
            return false;
        values[i] = std::stoi(std::string(text.substr(at, end - at)));
        at = end;
    }
    return true;
}

bool parseDoubles(std::string_view text, double* values, int count)
{
    std::size_t at = 0;
    for (int i = 0; i < count; ++i) {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
            ++at;
        std::size_t end = at;
        while (end < text.size() && (std::isdigit(static_cast<unsigned char>(text[end])) || text[end] == '-' || text[end] == '.' || text[end] == '+'))
            ++end;
        if (end == at || end - at > 24)
            return false;
        try {
            values[i] = std::stod(std::string(text.substr(at, end - at)));
        } catch (...) {
            return false;
        }
        if (!std::isfinite(values[i]))
            return false;
        at = end;
    }
    return true;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads "[/Indexed /DeviceRGB hival <hex>]" where our writer put it.
bool parseIndexedPalette(std::string_view ps, std::vector<QRgb>& palette)
{
    constexpr std::string_view key = "/Indexed /DeviceRGB";
    const std::size_t at = ps.find(key);
    if (at == std::string_view::npos)
        return false;
    std::size_t p = at + key.size();
    while (p < ps.size() && std::isspace(static_cast<unsigned char>(ps[p])))
        ++p;
    std::size_t end = p;
    while (end < ps.size() && std::isdigit(static_cast<unsigned char>(ps[end])))
        ++end;
    if (end == p || end - p > 3)
        return false;
    const int hival = std::stoi(std::string(ps.substr(p, end - p)));
    if (hival < 0 || hival > 255)
        return false;
    p = end;
    while (p < ps.size() && std::isspace(static_cast<unsigned char>(ps[p])))
        ++p;
    if (p >= ps.size() || ps[p] != '<')
        return false;
    ++p;
    std::vector<int> bytes;
    bytes.reserve(std::size_t(hival + 1) * 3);
    int high = -1;
    for (; p < ps.size() && ps[p] != '>'; ++p) {
        const int v = hexDigit(ps[p]);
        if (v < 0) {
            if (std::isspace(static_cast<unsigned char>(ps[p])))
                continue;
            return false;
        }
        if (high < 0) {
            high = v;
        } else {
            bytes.push_back(high << 4 | v);
            high = -1;
        }
    }
    if (bytes.size() != std::size_t(hival + 1) * 3)
        return false;
    palette.clear();
    for (std::size_t i = 0; i < bytes.size(); i += 3)
        palette.push_back(qRgb(bytes[i], bytes[i + 1], bytes[i + 2]));
    return true;
}

// Whether a document's structure comments show it cut short: pages promised
// in the header ("%%Pages: 1") without a "%%Page:" line, or a block of data
// announced by "%%BeginBinary: n" or "%%BeginData: n [type] [Bytes]" with
// fewer than n bytes after its line. Ghostscript would render such a file
// without complaint, with the missing part left blank.
bool endsEarly(std::string_view ps, int declaredPages)
{
    if (declaredPages > 0 && ps.find("\n%%Page:") == std::string_view::npos && ps.find("\r%%Page:") == std::string_view::npos)
        return true;
    for (const std::string_view key : {std::string_view("%%BeginBinary:"), std::string_view("%%BeginData:")}) {
        for (std::size_t at = ps.find(key); at != std::string_view::npos; at = ps.find(key, at + key.size())) {
            if (at != 0 && ps[at - 1] != '\n' && ps[at - 1] != '\r')
                continue;
            std::size_t eol = ps.find_first_of("\r\n", at);
            if (eol == std::string_view::npos)
                return true; // the announced data is not there at all
            const std::string_view line = ps.substr(at + key.size(), eol - at - key.size());
            if (line.find("Lines") != std::string_view::npos)
                continue; // counted in lines: nothing to check cheaply
            double count = 0;
            if (!parseDoubles(line, &count, 1) || count < 0)
                continue;
            if (ps[eol] == '\r' && eol + 1 < ps.size() && ps[eol + 1] == '\n')
                ++eol;
            if (double(ps.size() - (eol + 1)) < count)
                return true;
        }
    }
    return false;
}

} // namespace

int loadDepth(const StoredLayout& l)
{
    if (l.alpha)
        return 32;
    switch (l.kind) {
    case StoredKind::Rgb16: return 16;
    case StoredKind::Rgb: return 24;
    case StoredKind::Grey: return bitsForSamples(l.sampleBits);
    case StoredKind::Palette:
        if (l.paletteSize > 256)
            return 24;
        return std::max(bitsForSamples(l.sampleBits), l.paletteSize > 0 ? bitsForEntries(l.paletteSize) : 1);
    }
    return 24;
}

Result pngLayout(ByteView d, StoredLayout& out)
{
    static constexpr std::uint8_t sig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (d.size() < 8 || std::memcmp(d.data(), sig, 8) != 0)
        return result::InvalidFormat;
    if (d.size() < 33)
        return result::ReadError;
    if (be32(d, 8) != 13 || std::memcmp(d.data() + 12, "IHDR", 4) != 0)
        return result::ReadError;
    StoredLayout l;
    const std::uint32_t w = be32(d, 16);
    const std::uint32_t h = be32(d, 20);
    const int bitDepth = d[24];
    const int colourType = d[25];
    if (w == 0 || h == 0 || w > 0x7FFFFFFF || h > 0x7FFFFFFF)
        return result::ReadError;
    l.width = int(std::min<std::uint32_t>(w, 0x7FFFFFFF));
    l.height = int(std::min<std::uint32_t>(h, 0x7FFFFFFF));
    l.sampleBits = bitDepth;
    l.compression = "Deflate";
    const auto depthIs = [&](std::initializer_list<int> allowed) {
        return std::find(allowed.begin(), allowed.end(), bitDepth) != allowed.end();
    };
    switch (colourType) {
    case 0:
        if (!depthIs({1, 2, 4, 8, 16}))
            return result::ReadError;
        l.kind = StoredKind::Grey;
        break;
    case 2:
        if (!depthIs({8, 16}))
            return result::ReadError;
        l.kind = StoredKind::Rgb;
        break;
    case 3:
        if (!depthIs({1, 2, 4, 8}))
            return result::ReadError;
        l.kind = StoredKind::Palette;
        break;
    case 4:
        if (!depthIs({8, 16}))
            return result::ReadError;
        l.kind = StoredKind::Grey;
        l.alpha = true;
        break;
    case 6:
        if (!depthIs({8, 16}))
            return result::ReadError;
        l.kind = StoredKind::Rgb;
        l.alpha = true;
        break;
    default: return result::ReadError;
    }
    // Walk the chunks before the pixel data for the palette and transparency.
    std::size_t at = 33;
    while (true) {
        if (at + 8 > d.size())
            return result::ReadError;
        const std::uint32_t length = be32(d, at);
        const std::string_view type(reinterpret_cast<const char*>(d.data()) + at + 4, 4);
        if (length > 0x7FFFFFFF)
            return result::ReadError;
        if (type == "IDAT" || type == "IEND")
            break;
        if (type == "PLTE")
            l.paletteSize = int(length / 3);
        else if (type == "tRNS")
            l.alpha = true;
        at += 12 + std::size_t(length);
    }
    if (l.kind == StoredKind::Palette && (l.paletteSize == 0 || l.paletteSize > (1 << bitDepth)))
        return result::ReadError;
    out = l;
    return result::Ok;
}

Result gifLayout(ByteView d, int page, StoredLayout& out)
{
    if (d.size() < 6 || (std::memcmp(d.data(), "GIF87a", 6) != 0 && std::memcmp(d.data(), "GIF89a", 6) != 0))
        return result::InvalidFormat;
    if (d.size() < 13)
        return result::ReadError;
    const int packed = d[10];
    const int globalEntries = (packed & 0x80) ? 1 << ((packed & 7) + 1) : 0;
    std::size_t at = 13 + std::size_t(globalEntries) * 3;
    if (at > d.size())
        return result::ReadError;

    StoredLayout l;
    l.kind = StoredKind::Palette;
    l.sampleBits = 8;
    l.compression = "LZW";
    int frames = 0;
    bool transparentPending = false;
    bool found = false;
    while (at < d.size()) {
        const int block = d[at];
        if (block == 0x3B)
            break;
        if (block == 0x21) {
            if (at + 2 > d.size())
                break;
            const int label = d[at + 1];
            at += 2;
            if (label == 0xF9 && at + 2 < d.size() && d[at] >= 4)
                transparentPending = (d[at + 1] & 1) != 0;
            if (!skipSubBlocks(d, at))
                break;
            continue;
        }
        if (block != 0x2C)
            break; // junk after the last frame: what came before stands
        if (at + 10 > d.size())
            break;
        const int w = le16(d, at + 5);
        const int h = le16(d, at + 7);
        const int framePacked = d[at + 9];
        const int localEntries = (framePacked & 0x80) ? 1 << ((framePacked & 7) + 1) : 0;
        if (frames == page) {
            l.width = w;
            l.height = h;
            l.paletteSize = localEntries ? localEntries : (globalEntries ? globalEntries : 256);
            // GIF indices are as wide as the table is long.
            l.sampleBits = 1;
            while ((1 << l.sampleBits) < l.paletteSize)
                ++l.sampleBits;
            l.alpha = transparentPending;
            found = true;
        }
        const bool upToWanted = frames <= page;
        ++frames;
        transparentPending = false;
        at += 10 + std::size_t(localEntries) * 3;
        if (at >= d.size())
            break;
        ++at; // LZW minimum code size
        const std::size_t dataStart = at;
        const bool complete = skipSubBlocks(d, at);
        // Every frame up to the one asked for is decoded. One LZW code (at
        // least two bits) stands for at most 4096 pixels, so a frame larger
        // than its data could describe is cut short; it fails to decode
        // anyway, only after its whole canvas has been allocated.
        if (upToWanted && Bitmap::isValidSize(w, h)
            && std::uint64_t(w) * std::uint64_t(h) > std::uint64_t(std::min(at, d.size()) - dataStart) * 4 * 4096)
            return result::ReadError;
        if (!complete)
            break;
        if (frames > 100000)
            break;
    }
    if (frames == 0)
        return result::ReadError;
    if (page < 0 || !found)
        return result::InvalidFormat;
    if (l.width == 0 || l.height == 0)
        return result::ReadError;
    l.pages = frames;
    out = l;
    return result::Ok;
}

Result tiffLayout(ByteView d, int page, StoredLayout& out)
{
    if (d.size() < 8)
        return d.size() >= 4 && (std::memcmp(d.data(), "II*\0", 4) == 0 || std::memcmp(d.data(), "MM\0*", 4) == 0)
            ? result::ReadError : result::InvalidFormat;
    bool bigEndian;
    if (std::memcmp(d.data(), "II*\0", 4) == 0)
        bigEndian = false;
    else if (std::memcmp(d.data(), "MM\0*", 4) == 0)
        bigEndian = true;
    else
        return result::InvalidFormat;
    const TiffReader r(d, bigEndian);

    // Count the directories, remembering the one asked for.
    std::set<std::uint32_t> seen;
    std::uint32_t ifd = r.u32(4);
    std::uint32_t wanted = 0;
    int pages = 0;
    while (ifd != 0 && r.has(ifd, 2) && seen.insert(ifd).second && pages < 65536) {
        const std::uint32_t entries = r.u16(ifd);
        if (!r.has(std::uint64_t(ifd) + 2, std::uint64_t(entries) * 12 + 4)) {
            if (pages == page)
                return result::ReadError;
            ++pages;
            break;
        }
        if (pages == page)
            wanted = ifd;
        ++pages;
        ifd = r.u32(ifd + 2 + entries * 12);
    }
    if (pages == 0)
        return result::ReadError;
    if (page < 0 || page >= pages)
        return result::InvalidFormat;

    std::uint32_t width = 0, height = 0, bps = 1, compression = 1, photometric = 2, spp = 1;
    bool havePhotometric = false, haveExtra = false;
    std::size_t offsetsEntry = 0, countsEntry = 0;
    const std::uint32_t entries = r.u16(wanted);
    for (std::uint32_t i = 0; i < entries; ++i) {
        const std::size_t e = wanted + 2 + i * 12;
        std::uint32_t v = 0;
        std::uint64_t at = 0, bytes = 0;
        if (r.outOfLine(e, at, bytes) && !r.has(at, bytes))
            return result::ReadError; // the file ends before this entry's values
        switch (r.u16(e)) {
        case 273: case 324: offsetsEntry = e; break; // strip or tile offsets
        case 279: case 325: countsEntry = e; break;  // and their byte counts
        case 256: if (r.value(e, 0, v)) width = v; break;
        case 257: if (r.value(e, 0, v)) height = v; break;
        case 258: if (r.value(e, 0, v)) bps = v; break;
        case 259: if (r.value(e, 0, v)) compression = v; break;
        case 262: if (r.value(e, 0, v)) { photometric = v; havePhotometric = true; } break;
        case 277: if (r.value(e, 0, v)) spp = v; break;
        case 338: haveExtra = true; break;
        default: break;
        }
    }
    if (width == 0 || height == 0 || bps == 0 || bps > 64 || spp == 0 || spp > 16)
        return result::ReadError;
    if (!havePhotometric)
        photometric = spp >= 3 ? 2 : 1;
    // Every strip (or tile) must lie inside the file: a file cut short loses
    // its last strips, and decoders may quietly leave those rows blank.
    if (offsetsEntry && countsEntry) {
        const std::uint32_t n = r.u32(offsetsEntry + 4);
        if (n != r.u32(countsEntry + 4))
            return result::ReadError;
        for (std::uint32_t i = 0; i < n; ++i) {
            std::uint32_t offset = 0, count = 0;
            if (!r.value(offsetsEntry, i, offset) || !r.value(countsEntry, i, count) || !r.has(offset, count))
                return result::ReadError;
        }
    } else if (!offsetsEntry) {
        return result::ReadError;
    }

    StoredLayout l;
    l.width = int(std::min<std::uint32_t>(width, 0x7FFFFFFF));
    l.height = int(std::min<std::uint32_t>(height, 0x7FFFFFFF));
    l.sampleBits = int(bps);
    l.compression = tiffCompressionName(compression);
    l.pages = pages;
    std::uint32_t colourSamples = 3;
    switch (photometric) {
    case 0:
    case 1:
        l.kind = StoredKind::Grey;
        colourSamples = 1;
        break;
    case 3:
        l.kind = StoredKind::Palette;
        l.paletteSize = bps <= 16 ? 1 << bps : 0;
        colourSamples = 1;
        break;
    case 5: // separated (CMYK)
        l.kind = StoredKind::Rgb;
        colourSamples = 4;
        break;
    default:
        l.kind = StoredKind::Rgb;
        colourSamples = 3;
        break;
    }
    l.alpha = spp > colourSamples && (haveExtra || spp == colourSamples + 1);
    out = l;
    return result::Ok;
}

void clearTiffPadding(Bytes& tiff)
{
    if (tiff.size() < 8)
        return;
    const bool bigEndian = tiff[0] == 'M';
    if (std::memcmp(tiff.data(), bigEndian ? "MM\0*" : "II*\0", 4) != 0)
        return;
    const TiffReader r(tiff, bigEndian);
    std::vector<std::pair<std::uint64_t, std::uint64_t>> used{{0, 8}};
    std::set<std::uint32_t> seen;
    for (std::uint32_t ifd = r.u32(4); ifd != 0; ifd = r.u32(ifd + 2 + std::size_t(r.u16(ifd)) * 12)) {
        if (!r.has(ifd, 2) || !seen.insert(ifd).second)
            return;
        const std::uint32_t entries = r.u16(ifd);
        if (!r.has(std::uint64_t(ifd) + 2, std::uint64_t(entries) * 12 + 4))
            return;
        used.emplace_back(ifd, 2 + std::uint64_t(entries) * 12 + 4);
        std::size_t offsets = 0, counts = 0;
        for (std::uint32_t i = 0; i < entries; ++i) {
            const std::size_t e = ifd + 2 + std::size_t(i) * 12;
            std::uint64_t at = 0, bytes = 0;
            if (r.outOfLine(e, at, bytes))
                used.emplace_back(at, bytes);
            const std::uint16_t tag = r.u16(e);
            if (tag == 273 || tag == 324)
                offsets = e;
            else if (tag == 279 || tag == 325)
                counts = e;
        }
        if (offsets && counts)
            for (std::uint32_t i = 0; i < r.u32(offsets + 4); ++i) {
                std::uint32_t at = 0, bytes = 0;
                if (r.value(offsets, i, at) && r.value(counts, i, bytes))
                    used.emplace_back(at, bytes);
            }
    }
    std::sort(used.begin(), used.end());
    std::uint64_t covered = 0;
    for (const auto& [at, bytes] : used) {
        for (std::uint64_t i = covered; i < at && i < tiff.size(); ++i)
            tiff[std::size_t(i)] = 0;
        covered = std::max(covered, at + bytes);
    }
}

Result tgaLayout(ByteView d, StoredLayout& out)
{
    if (d.size() < 18)
        return result::InvalidFormat;
    const int colourMapType = d[1];
    const int imageType = d[2];
    const int mapLength = le16(d, 5);
    const int mapEntryBits = d[7];
    const int w = le16(d, 12);
    const int h = le16(d, 14);
    const int depth = d[16];
    if (colourMapType > 1)
        return result::InvalidFormat;
    StoredLayout l;
    l.width = w;
    l.height = h;
    l.sampleBits = depth;
    switch (imageType) {
    case 1:
    case 9:
        if (colourMapType != 1 || mapLength == 0 || (depth != 8 && depth != 16)
            || (mapEntryBits != 15 && mapEntryBits != 16 && mapEntryBits != 24 && mapEntryBits != 32))
            return result::ReadError;
        l.kind = StoredKind::Palette;
        l.paletteSize = mapLength;
        break;
    case 2:
    case 10:
        if (depth == 15 || depth == 16)
            l.kind = StoredKind::Rgb16;
        else if (depth == 24 || depth == 32)
            l.kind = StoredKind::Rgb;
        else
            return result::ReadError;
        l.alpha = depth == 32;
        break;
    case 3:
    case 11:
        if (depth != 8 && depth != 16)
            return result::ReadError;
        l.kind = StoredKind::Grey;
        l.sampleBits = 8;
        l.alpha = depth == 16;
        break;
    case 32:
    case 33: return result::UnknownCompression; // Huffman and delta coded
    default: return result::InvalidFormat;
    }
    if (w == 0 || h == 0)
        return result::ReadError;
    // The pixels must fit in what the file holds: stored, w * h pixels; run
    // length coded, at least one packet (a count byte and one pixel) for every
    // 128. A file cut short fails to decode anyway, and a 20-byte header
    // claiming a quarter of a gigapixel would otherwise cost gigabytes and
    // many seconds before that is found.
    const std::uint64_t pixelBytes = (std::uint64_t(depth) + 7) / 8;
    const std::uint64_t mapBytes = colourMapType == 1 ? std::uint64_t(mapLength) * ((std::uint64_t(mapEntryBits) + 7) / 8) : 0;
    const std::uint64_t dataStart = 18 + std::uint64_t(d[0]) + mapBytes;
    const std::uint64_t pixels = std::uint64_t(w) * std::uint64_t(h);
    const std::uint64_t minData = imageType >= 9 ? (pixels + 127) / 128 * (1 + pixelBytes) : pixels * pixelBytes;
    // (A header past the size limit is left to the size check, which says so.)
    if (Bitmap::isValidSize(w, h) && (dataStart > d.size() || d.size() - dataStart < minData))
        return result::ReadError;
    l.compression = imageType >= 9 ? "RLE" : "None";
    out = l;
    return result::Ok;
}

Result pcxLayout(ByteView d, StoredLayout& out)
{
    if (d.empty() || d[0] != 0x0A)
        return result::InvalidFormat;
    if (d.size() < 128)
        return result::ReadError;
    const int bits = d[3];
    const int planes = d[65];
    const int xMin = le16(d, 4), yMin = le16(d, 6), xMax = le16(d, 8), yMax = le16(d, 10);
    if (xMax < xMin || yMax < yMin)
        return result::ReadError;
    StoredLayout l;
    l.width = xMax - xMin + 1;
    l.height = yMax - yMin + 1;
    l.compression = d[2] == 1 ? "RLE" : "None";
    const int total = bits * planes;
    if (bits == 8 && planes == 3) {
        l.kind = StoredKind::Rgb;
    } else if (bits == 8 && planes == 4) {
        l.kind = StoredKind::Rgb;
        l.alpha = true;
    } else if (planes == 1 && (bits == 1 || bits == 2 || bits == 4 || bits == 8)) {
        l.kind = StoredKind::Palette;
        l.sampleBits = bits;
        l.paletteSize = bits == 8 ? 256 : (bits == 1 ? 2 : 16);
        // Decoders show 1-bit PCX in black and white. When the header's first
        // two colours differ, the writer put real colours there: use them.
        if (bits == 1 && std::memcmp(d.data() + 16, d.data() + 19, 3) != 0)
            l.palette = {qRgb(d[16], d[17], d[18]), qRgb(d[19], d[20], d[21])};
    } else if (bits == 1 && planes >= 2 && planes <= 4) {
        l.kind = StoredKind::Palette;
        l.sampleBits = total;
        l.paletteSize = 16;
    } else {
        return result::ReadError;
    }
    out = l;
    return result::Ok;
}

Result epsLayout(ByteView d, EpsLayout& out)
{
    EpsLayout l;
    if (d.size() >= 4 && d[0] == 0xC5 && d[1] == 0xD0 && d[2] == 0xD3 && d[3] == 0xC6) {
        // DOS binary header: the PostScript section's offset and length.
        if (d.size() < 30)
            return result::ReadError;
        const std::uint64_t offset = std::uint32_t(d[4]) | std::uint32_t(d[5]) << 8 | std::uint32_t(d[6]) << 16 | std::uint32_t(d[7]) << 24;
        const std::uint64_t length = std::uint32_t(d[8]) | std::uint32_t(d[9]) << 8 | std::uint32_t(d[10]) << 16 | std::uint32_t(d[11]) << 24;
        if (offset + length > d.size() || length < 4)
            return result::ReadError;
        l.psOffset = std::size_t(offset);
        l.psLength = std::size_t(length);
    } else {
        l.psOffset = 0;
        l.psLength = d.size();
    }
    const std::string_view ps(reinterpret_cast<const char*>(d.data()) + l.psOffset, l.psLength);
    if (!ps.starts_with("%!PS"))
        return result::InvalidFormat;

    // The header comments: lines starting with '%' up to %%EndComments.
    bool haveBox = false;
    int declaredBits = 0;
    int declaredPages = 0;
    std::size_t at = 0;
    const std::size_t headerEnd = std::min<std::size_t>(ps.size(), 64 * 1024);
    while (at < headerEnd) {
        std::size_t eol = ps.find_first_of("\r\n", at);
        if (eol == std::string_view::npos)
            eol = ps.size();
        const std::string_view line = ps.substr(at, eol - at);
        at = eol + 1;
        if (line.starts_with("%%EndComments") || (!line.empty() && line[0] != '%'))
            break;
        if (!haveBox && line.starts_with("%%BoundingBox:")) {
            double box[4];
            if (parseDoubles(line.substr(14), box, 4)) {
                const double w = std::ceil(box[2] - box[0] - 1e-6);
                const double h = std::ceil(box[3] - box[1] - 1e-6);
                if (w < 1 || h < 1 || w > 1e7 || h > 1e7)
                    return result::ReadError;
                l.width = int(w);
                l.height = int(h);
                haveBox = true;
            }
        } else if (line.starts_with("%%Pages:")) {
            int v[1];
            if (parseInts(line.substr(8), v, 1))
                declaredPages = v[0];
        } else if (line.starts_with(kEpsBitmapComment)) {
            int v[3];
            if (parseInts(line.substr(kEpsBitmapComment.size()), v, 3))
                declaredBits = v[2];
        }
    }
    if (!haveBox || at >= ps.size())
        return result::ReadError; // no bounding box, or nothing after the header
    // Our own files end in a trailer; without it the file has been cut short
    // and Ghostscript would quietly render what is left.
    if (declaredBits != 0 && ps.substr(ps.size() > 256 ? ps.size() - 256 : 0).find("%%EOF") == std::string_view::npos)
        return result::ReadError;
    if (endsEarly(ps, declaredPages))
        return result::ReadError;
    if (declaredBits == 1 || declaredBits == 4 || declaredBits == 8) {
        std::vector<QRgb> palette;
        if (parseIndexedPalette(ps.substr(0, std::min<std::size_t>(ps.size(), 128 * 1024)), palette)
            && palette.size() <= (std::size_t(1) << declaredBits)) {
            l.bits = declaredBits;
            l.palette = std::move(palette);
        }
    }
    out = std::move(l);
    return result::Ok;
}

} // namespace ardane::imaging::codecs
