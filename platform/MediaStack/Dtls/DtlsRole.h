#pragma once
// Which end of the DTLS handshake we are: the client ("a=setup:active") sends the first
// flight, the server ("a=setup:passive") answers it. The role also decides which half of the
// exported SRTP keys is ours.
namespace media {

enum class DtlsRole {
    Client,
    Server,
};

} // namespace media
