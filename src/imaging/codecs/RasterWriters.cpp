#include "imaging/codecs/RasterWriters.h"
#include "imaging/codecs/RasterFacts.h"

#include <QByteArray>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

namespace ardane::imaging::codecs {

namespace {

void putBe32(Bytes& out, std::uint32_t v)
{
    out.push_back(std::uint8_t(v >> 24));
    out.push_back(std::uint8_t(v >> 16));
    out.push_back(std::uint8_t(v >> 8));
    out.push_back(std::uint8_t(v));
}

void putLe16(Bytes& out, unsigned v)
{
    out.push_back(std::uint8_t(v & 0xFF));
    out.push_back(std::uint8_t((v >> 8) & 0xFF));
}

void putText(Bytes& out, std::string_view text) { out.insert(out.end(), text.begin(), text.end()); }

std::uint32_t crc32(const std::uint8_t* data, std::size_t n, std::uint32_t crc = 0)
{
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (std::size_t i = 0; i < n; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void pngChunk(Bytes& out, const char* type, const std::uint8_t* data, std::size_t n)
{
    putBe32(out, std::uint32_t(n));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    if (n)
        out.insert(out.end(), data, data + n);
    putBe32(out, crc32(out.data() + start, n + 4));
}

// The bitmap's colour table, or the grey ramp an empty one stands for.
std::vector<QRgb> tableOf(const Bitmap& bitmap)
{
    std::vector<QRgb> table = bitmap.palette();
    if (table.empty()) {
        const int n = 1 << bitmap.bitsPerPixel();
        for (int i = 0; i < n; ++i) {
            const int v = i * 255 / (n - 1);
            table.push_back(qRgb(v, v, v));
        }
    }
    return table;
}

// Packs one row of 8-bit indices into `bits`-bit samples, high bits first.
void packRow(const uchar* src, int width, int bits, std::uint8_t* dst)
{
    if (bits == 8) {
        std::copy(src, src + width, dst);
        return;
    }
    const int perByte = 8 / bits;
    const int mask = (1 << bits) - 1;
    const int bytes = (width * bits + 7) / 8;
    std::fill(dst, dst + bytes, 0);
    for (int x = 0; x < width; ++x)
        dst[x / perByte] |= std::uint8_t((src[x] & mask) << (8 - bits * (x % perByte + 1)));
}

// Run-length encodes one plane line of a PCX file.
void pcxEncode(const std::uint8_t* line, int n, Bytes& out)
{
    int i = 0;
    while (i < n) {
        const std::uint8_t v = line[i];
        int run = 1;
        while (i + run < n && run < 63 && line[i + run] == v)
            ++run;
        if (run > 1 || v >= 0xC0)
            out.push_back(std::uint8_t(0xC0 | run));
        out.push_back(v);
        i += run;
    }
}

// ASCII85 with lines of at most 75 characters, closed by "~>".
class Ascii85 {
public:
    explicit Ascii85(Bytes& out) : m_out(out) {}
    void put(std::uint8_t byte)
    {
        m_tuple = m_tuple << 8 | byte;
        if (++m_count == 4)
            flush(4);
    }
    void finish()
    {
        if (m_count > 0) {
            const int n = m_count;
            m_tuple <<= 8 * (4 - n);
            flush(n);
        }
        putChar('~');
        putChar('>');
        m_out.push_back('\n');
    }

private:
    void flush(int n)
    {
        if (n == 4 && m_tuple == 0) {
            putChar('z');
        } else {
            char digits[5];
            std::uint32_t t = m_tuple;
            for (int i = 4; i >= 0; --i) {
                digits[i] = char('!' + t % 85);
                t /= 85;
            }
            for (int i = 0; i <= n; ++i)
                putChar(digits[i]);
        }
        m_tuple = 0;
        m_count = 0;
    }
    void putChar(char c)
    {
        m_out.push_back(std::uint8_t(c));
        if (++m_column == 75) {
            m_out.push_back('\n');
            m_column = 0;
        }
    }

    Bytes& m_out;
    std::uint32_t m_tuple = 0;
    int m_count = 0;
    int m_column = 0;
};

} // namespace

Result writeIndexedPng(const Bitmap& bitmap, Bytes& out)
{
    const int bits = bitmap.bitsPerPixel();
    if (bits != 1 && bits != 4 && bits != 8)
        return result::UnsupportedDepth;
    const int w = bitmap.width();
    const int h = bitmap.height();
    const std::vector<QRgb> table = tableOf(bitmap);

    Bytes png;
    static constexpr std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    png.insert(png.end(), signature, signature + 8);

    Bytes header;
    putBe32(header, std::uint32_t(w));
    putBe32(header, std::uint32_t(h));
    header.insert(header.end(), {std::uint8_t(bits), 3, 0, 0, 0});
    pngChunk(png, "IHDR", header.data(), header.size());

    Bytes phys;
    putBe32(phys, std::uint32_t(std::lround(bitmap.xResolution() / 0.0254)));
    putBe32(phys, std::uint32_t(std::lround(bitmap.yResolution() / 0.0254)));
    phys.push_back(1); // per metre
    pngChunk(png, "pHYs", phys.data(), phys.size());

    Bytes plte;
    for (QRgb c : table)
        plte.insert(plte.end(), {std::uint8_t(qRed(c)), std::uint8_t(qGreen(c)), std::uint8_t(qBlue(c))});
    pngChunk(png, "PLTE", plte.data(), plte.size());

    // Rows with filter type 0: prediction does little for indices.
    const std::size_t rowBytes = (std::size_t(w) * bits + 7) / 8;
    Bytes raw((rowBytes + 1) * std::size_t(h));
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = raw.data() + (rowBytes + 1) * std::size_t(y);
        row[0] = 0;
        packRow(bitmap.image().constScanLine(y), w, bits, row + 1);
    }
    // qCompress gives a zlib stream behind a four-byte length.
    const QByteArray compressed = qCompress(raw.data(), qsizetype(raw.size()), 6);
    if (compressed.size() <= 4)
        return result::WriteError;
    Bytes().swap(raw);
    const auto* z = reinterpret_cast<const std::uint8_t*>(compressed.constData()) + 4;
    const std::size_t zSize = std::size_t(compressed.size()) - 4;
    constexpr std::size_t chunkMax = 1 << 20;
    for (std::size_t at = 0; at < zSize; at += chunkMax)
        pngChunk(png, "IDAT", z + at, std::min(chunkMax, zSize - at));
    pngChunk(png, "IEND", nullptr, 0);
    out = std::move(png);
    return result::Ok;
}

Result writePcx(const Bitmap& bitmap, Bytes& out)
{
    const int bits = bitmap.bitsPerPixel();
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24)
        return result::UnsupportedDepth;
    const int w = bitmap.width();
    const int h = bitmap.height();
    if (w > 65535 || h > 65535)
        return result::UnsupportedDepth;
    const int planes = bits == 4 ? 4 : bits == 24 ? 3 : 1;
    const int sampleBits = (bits == 1 || bits == 4) ? 1 : 8;
    int bytesPerLine = (w * sampleBits + 7) / 8;
    // Lines are padded to an even length, except the four bit planes of 16
    // colours: common readers take those planes as packed back to back.
    if (planes != 4)
        bytesPerLine += bytesPerLine & 1;
    const std::vector<QRgb> table = bitmap.isIndexed() ? tableOf(bitmap) : std::vector<QRgb>{};

    Bytes pcx;
    pcx.reserve(128 + std::size_t(bytesPerLine) * planes * std::size_t(h) / 2 + 769);
    pcx.insert(pcx.end(), {0x0A, 5, 1, std::uint8_t(sampleBits)});
    putLe16(pcx, 0);
    putLe16(pcx, 0);
    putLe16(pcx, unsigned(w - 1));
    putLe16(pcx, unsigned(h - 1));
    putLe16(pcx, unsigned(std::clamp(bitmap.xResolution(), 1, 65535)));
    putLe16(pcx, unsigned(std::clamp(bitmap.yResolution(), 1, 65535)));
    for (int i = 0; i < 16; ++i) {
        const QRgb c = i < int(table.size()) ? table[std::size_t(i)] : qRgb(0, 0, 0);
        pcx.insert(pcx.end(), {std::uint8_t(qRed(c)), std::uint8_t(qGreen(c)), std::uint8_t(qBlue(c))});
    }
    pcx.push_back(0);
    pcx.push_back(std::uint8_t(planes));
    putLe16(pcx, unsigned(bytesPerLine));
    putLe16(pcx, 1); // colour table
    pcx.resize(128, 0);

    Bytes line(std::size_t(bytesPerLine), 0);
    for (int y = 0; y < h; ++y) {
        const uchar* src = bitmap.image().constScanLine(y);
        for (int plane = 0; plane < planes; ++plane) {
            std::fill(line.begin(), line.end(), 0);
            if (bits == 24) {
                for (int x = 0; x < w; ++x)
                    line[std::size_t(x)] = src[3 * x + plane];
            } else if (bits == 8) {
                std::copy(src, src + w, line.begin());
            } else {
                for (int x = 0; x < w; ++x)
                    if ((src[x] >> plane) & 1)
                        line[std::size_t(x / 8)] |= std::uint8_t(0x80 >> (x % 8));
            }
            pcxEncode(line.data(), bytesPerLine, pcx);
        }
    }
    if (bits == 8) {
        pcx.push_back(0x0C);
        for (int i = 0; i < 256; ++i) {
            const QRgb c = i < int(table.size()) ? table[std::size_t(i)] : qRgb(0, 0, 0);
            pcx.insert(pcx.end(), {std::uint8_t(qRed(c)), std::uint8_t(qGreen(c)), std::uint8_t(qBlue(c))});
        }
    }
    out = std::move(pcx);
    return result::Ok;
}

Result writeTga16(const Bitmap& bitmap, Bytes& out)
{
    if (bitmap.bitsPerPixel() != 16)
        return result::UnsupportedDepth;
    const int w = bitmap.width();
    const int h = bitmap.height();
    if (w > 65535 || h > 65535)
        return result::UnsupportedDepth;
    Bytes tga;
    tga.reserve(18 + std::size_t(w) * 2 * std::size_t(h));
    tga.insert(tga.end(), {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    putLe16(tga, unsigned(w));
    putLe16(tga, unsigned(h));
    tga.push_back(16);
    tga.push_back(0x20); // rows top-down, no attribute bits
    for (int y = 0; y < h; ++y) {
        const auto* src = reinterpret_cast<const std::uint16_t*>(bitmap.image().constScanLine(y));
        for (int x = 0; x < w; ++x)
            putLe16(tga, src[x] & 0x7FFFu);
    }
    out = std::move(tga);
    return result::Ok;
}

Result writeEps(const Bitmap& bitmap, Bytes& out)
{
    const int bits = bitmap.bitsPerPixel();
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24)
        return result::UnsupportedDepth;
    const int w = bitmap.width();
    const int h = bitmap.height();
    const std::string size = std::to_string(w) + " " + std::to_string(h);

    Bytes eps;
    eps.reserve(1024 + std::size_t(w) * std::size_t(h) * (bits == 24 ? 3 : 1) * 5 / 4);
    putText(eps, "%!PS-Adobe-3.0 EPSF-3.0\n%%Creator: Ardane\n%%BoundingBox: 0 0 " + size
                     + "\n%%HiResBoundingBox: 0 0 " + size + "\n%%LanguageLevel: 2\n%%Pages: 1\n%%DocumentData: Clean7Bit\n");
    putText(eps, std::string(kEpsBitmapComment) + " " + size + " " + std::to_string(bits) + "\n");
    putText(eps, "%%EndComments\n%%BeginProlog\n%%EndProlog\n%%Page: 1 1\ngsave\n" + size + " scale\n");
    if (bits == 24) {
        putText(eps, "/DeviceRGB setcolorspace\n");
    } else {
        const std::vector<QRgb> table = tableOf(bitmap);
        static constexpr char hex[] = "0123456789ABCDEF";
        putText(eps, "[/Indexed /DeviceRGB " + std::to_string(table.size() - 1) + " <");
        for (std::size_t i = 0; i < table.size(); ++i) {
            if (i % 24 == 0)
                eps.push_back('\n');
            for (int v : {qRed(table[i]), qGreen(table[i]), qBlue(table[i])}) {
                eps.push_back(std::uint8_t(hex[v >> 4]));
                eps.push_back(std::uint8_t(hex[v & 15]));
            }
        }
        putText(eps, "\n>] setcolorspace\n");
    }
    putText(eps, "<<\n  /ImageType 1\n  /Width " + std::to_string(w) + "\n  /Height " + std::to_string(h)
                     + "\n  /BitsPerComponent " + std::to_string(bits == 24 ? 8 : bits) + "\n  /Decode "
                     + (bits == 24 ? std::string("[0 1 0 1 0 1]") : "[0 " + std::to_string((1 << bits) - 1) + "]")
                     + "\n  /ImageMatrix [" + std::to_string(w) + " 0 0 -" + std::to_string(h) + " 0 " + std::to_string(h)
                     + "]\n  /DataSource currentfile /ASCII85Decode filter\n>> image\n");
    Ascii85 encoder(eps);
    const std::size_t rowBytes = bits == 24 ? std::size_t(w) * 3 : (std::size_t(w) * bits + 7) / 8;
    Bytes row(rowBytes);
    for (int y = 0; y < h; ++y) {
        const uchar* src = bitmap.image().constScanLine(y);
        if (bits == 24)
            std::copy(src, src + rowBytes, row.begin());
        else
            packRow(src, w, bits, row.data());
        for (std::uint8_t b : row)
            encoder.put(b);
    }
    encoder.finish();
    putText(eps, "grestore\nshowpage\n%%Trailer\n%%EOF\n");
    out = std::move(eps);
    return result::Ok;
}

} // namespace ardane::imaging::codecs
