#pragma once
// Little-endian binary records, as the layered format stores them: integers
// of 8, 16 and 32 bits, raw bytes, and strings with a length of one, three or
// seven bytes (below 255: one byte; up to 0xFFFD: 0xFF and 16 bits; beyond:
// 0xFF, 0xFFFF and 32 bits). The reader never reads past its data: a read
// that does not fit fails, and once failed every later read fails too.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ardane {

class ArchiveWriter {
public:
    explicit ArchiveWriter(std::vector<std::uint8_t>& out) : m_out(out) {}
    void u8(std::uint8_t v) { m_out.push_back(v); }
    void u16(std::uint16_t v);
    void u32(std::uint32_t v);
    void i32(std::int32_t v) { u32(std::uint32_t(v)); }
    void bytes(std::span<const std::uint8_t> data);
    void string(const std::string& text);

private:
    std::vector<std::uint8_t>& m_out;
};

class ArchiveReader {
public:
    explicit ArchiveReader(std::span<const std::uint8_t> data) : m_data(data) {}
    [[nodiscard]] bool failed() const { return m_failed; }
    [[nodiscard]] std::size_t remaining() const { return m_failed ? 0 : m_data.size() - m_pos; }
    [[nodiscard]] std::size_t position() const { return m_pos; }
    [[nodiscard]] std::optional<std::uint8_t> u8();
    [[nodiscard]] std::optional<std::uint16_t> u16();
    [[nodiscard]] std::optional<std::uint32_t> u32();
    [[nodiscard]] std::optional<std::int32_t> i32();
    // The next `count` bytes, without copying; nullopt when fewer are left.
    [[nodiscard]] std::optional<std::span<const std::uint8_t>> bytes(std::size_t count);
    // A string in one of the three length forms; a length that cannot fit
    // in what is left fails before anything is allocated.
    [[nodiscard]] std::optional<std::string> string();

private:
    std::span<const std::uint8_t> m_data;
    std::size_t m_pos = 0;
    bool m_failed = false;
};

} // namespace ardane
