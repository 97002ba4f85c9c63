#include "MediaStack/Conference/SdpExchangeMessage.h"

#include "Foundation/JSONValue.h"

std::string SdpExchangeMessage::toJson() const
{
    JSONValue body = JSONValue::object();
    body["sdpMessage"] = sdpMessage;
    body["isOffer"] = isOffer;
    body["tieBreaker"] = tieBreaker;
    return body.dump(-1, ' ', false, JSONValue::error_handler_t::replace);
}

std::optional<SdpExchangeMessage> SdpExchangeMessage::fromJson(std::string_view text)
{
    auto value = JSONFromText(text);
    if (!value || !value->is_object())
        return std::nullopt;
    auto sdp = value->find("sdpMessage");
    if (sdp == value->end() || !sdp->is_string())
        return std::nullopt;
    SdpExchangeMessage message;
    message.sdpMessage = sdp->get<std::string>();
    if (auto offer = value->find("isOffer"); offer != value->end()) {
        if (!offer->is_boolean())
            return std::nullopt;
        message.isOffer = offer->get<bool>();
    }
    if (auto tieBreaker = value->find("tieBreaker"); tieBreaker != value->end()) {
        if (tieBreaker->is_string())
            message.tieBreaker = tieBreaker->get<std::string>();
        else if (tieBreaker->is_number())
            message.tieBreaker = tieBreaker->dump();
        else if (!tieBreaker->is_null())
            return std::nullopt;
    }
    return message;
}
