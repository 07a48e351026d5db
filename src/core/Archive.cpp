#include "core/Archive.h"

namespace ardane {

void ArchiveWriter::u16(std::uint16_t v)
{
    m_out.push_back(std::uint8_t(v));
    m_out.push_back(std::uint8_t(v >> 8));
}

void ArchiveWriter::u32(std::uint32_t v)
{
    for (int shift = 0; shift < 32; shift += 8)
        m_out.push_back(std::uint8_t(v >> shift));
}

void ArchiveWriter::bytes(std::span<const std::uint8_t> data)
{
    m_out.insert(m_out.end(), data.begin(), data.end());
}

void ArchiveWriter::string(const std::string& text)
{
    const std::size_t n = text.size();
    if (n < 0xFF) {
        u8(std::uint8_t(n));
    } else if (n <= 0xFFFD) {
        u8(0xFF);
        u16(std::uint16_t(n));
    } else {
        u8(0xFF);
        u16(0xFFFF);
        u32(std::uint32_t(n));
    }
    bytes(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), n));
}

std::optional<std::span<const std::uint8_t>> ArchiveReader::bytes(std::size_t count)
{
    if (m_failed || count > m_data.size() - m_pos) {
        m_failed = true;
        return std::nullopt;
    }
    const auto part = m_data.subspan(m_pos, count);
    m_pos += count;
    return part;
}

std::optional<std::uint8_t> ArchiveReader::u8()
{
    const auto b = bytes(1);
    if (!b)
        return std::nullopt;
    return (*b)[0];
}

std::optional<std::uint16_t> ArchiveReader::u16()
{
    const auto b = bytes(2);
    if (!b)
        return std::nullopt;
    return std::uint16_t((*b)[0] | ((*b)[1] << 8));
}

std::optional<std::uint32_t> ArchiveReader::u32()
{
    const auto b = bytes(4);
    if (!b)
        return std::nullopt;
    return std::uint32_t((*b)[0]) | (std::uint32_t((*b)[1]) << 8) | (std::uint32_t((*b)[2]) << 16)
         | (std::uint32_t((*b)[3]) << 24);
}

std::optional<std::int32_t> ArchiveReader::i32()
{
    const auto v = u32();
    if (!v)
        return std::nullopt;
    return std::int32_t(*v);
}

std::optional<std::string> ArchiveReader::string()
{
    const auto first = u8();
    if (!first)
        return std::nullopt;
    std::size_t n = *first;
    if (n == 0xFF) {
        const auto mid = u16();
        if (!mid)
            return std::nullopt;
        if (*mid == 0xFFFE) { // not a length any of our writers produce
            m_failed = true;
            return std::nullopt;
        }
        n = *mid;
        if (*mid == 0xFFFF) {
            const auto wide = u32();
            if (!wide)
                return std::nullopt;
            n = *wide;
        }
    }
    const auto b = bytes(n);
    if (!b)
        return std::nullopt;
    return std::string(reinterpret_cast<const char*>(b->data()), b->size());
}

} // namespace ardane
