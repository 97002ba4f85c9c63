#pragma once
// Big-endian reads over bytes that came off the wire. A read past the end fails the reader
// for good and yields zeros, so a parser reads a whole header and checks `ok()` once instead
// of testing every field; nothing is ever read outside the bytes given.
// Any thread; one reader per parse.
#include <cstddef>
#include <cstdint>
#include <span>

namespace mediastack::rtp {

class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> bytes)
        : m_bytes(bytes)
    {
    }

    bool ok() const { return !m_failed; }
    size_t offset() const { return m_offset; }
    size_t remaining() const { return m_failed ? 0 : m_bytes.size() - m_offset; }

    uint8_t u8() { return static_cast<uint8_t>(take(1)); }
    uint16_t u16() { return static_cast<uint16_t>(take(2)); }
    uint32_t u24() { return static_cast<uint32_t>(take(3)); }
    uint32_t u32() { return static_cast<uint32_t>(take(4)); }
    uint64_t u64() { return take(8); }

    // The next `count` bytes, or an empty span (and a failed reader) when fewer are left.
    std::span<const uint8_t> bytes(size_t count)
    {
        if (!has(count)) {
            return {};
        }
        auto out = m_bytes.subspan(m_offset, count);
        m_offset += count;
        return out;
    }

    void skip(size_t count) { bytes(count); }

private:
    bool has(size_t count)
    {
        if (m_failed || count > m_bytes.size() - m_offset) {
            m_failed = true;
            return false;
        }
        return true;
    }

    uint64_t take(size_t count)
    {
        if (!has(count)) {
            return 0;
        }
        uint64_t value = 0;
        for (size_t i = 0; i < count; ++i) {
            value = (value << 8) | m_bytes[m_offset + i];
        }
        m_offset += count;
        return value;
    }

    std::span<const uint8_t> m_bytes;
    size_t m_offset = 0;
    bool m_failed = false;
};

}
