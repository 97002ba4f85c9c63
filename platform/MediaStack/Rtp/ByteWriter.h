#pragma once
// Big-endian writes appended to a byte vector, with a patch for length fields that are only
// known once the body is written.
// Any thread; one writer per packet being built.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace mediastack::rtp {

class ByteWriter {
public:
    explicit ByteWriter(std::vector<uint8_t>& out)
        : m_out(out)
    {
    }

    size_t size() const { return m_out.size(); }

    void u8(uint8_t v) { m_out.push_back(v); }
    void u16(uint16_t v) { put(v, 2); }
    void u24(uint32_t v) { put(v, 3); }
    void u32(uint32_t v) { put(v, 4); }
    void u64(uint64_t v) { put(v, 8); }
    void bytes(std::span<const uint8_t> data) { m_out.insert(m_out.end(), data.begin(), data.end()); }
    void zeros(size_t count) { m_out.insert(m_out.end(), count, 0); }

    void patchU16(size_t offset, uint16_t v)
    {
        m_out[offset] = static_cast<uint8_t>(v >> 8);
        m_out[offset + 1] = static_cast<uint8_t>(v);
    }

private:
    void put(uint64_t v, size_t count)
    {
        for (size_t i = count; i > 0; --i) {
            m_out.push_back(static_cast<uint8_t>(v >> (8 * (i - 1))));
        }
    }

    std::vector<uint8_t>& m_out;
};

}
