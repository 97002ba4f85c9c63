#pragma once
// What one end of a test link received, recorded on the media thread and read from the test's.
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

namespace media::test {

class PacketRecorder {
public:
    void record(std::span<const uint8_t> packet)
    {
        std::lock_guard lock(m_mutex);
        m_packets.emplace_back(packet.begin(), packet.end());
    }
    size_t count() const
    {
        std::lock_guard lock(m_mutex);
        return m_packets.size();
    }
    std::vector<std::vector<uint8_t>> packets() const
    {
        std::lock_guard lock(m_mutex);
        return m_packets;
    }
    void clear()
    {
        std::lock_guard lock(m_mutex);
        m_packets.clear();
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::vector<uint8_t>> m_packets;
};

} // namespace media::test
