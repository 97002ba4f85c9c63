#include "Network/JSONRequestSerializer.h"

std::shared_ptr<JSONRequestSerializer> JSONRequestSerializer::serializer() { return std::make_shared<JSONRequestSerializer>(); }

bool JSONRequestSerializer::encodeBodyParameters_intoRequest_error(const JSONValue& parameters, NSURLRequest& request,
                                                                   std::shared_ptr<NSError>& error) const
{
    if (!request.valueForHTTPHeaderField("Content-Type"))
        request.setValue_forHTTPHeaderField("application/json", "Content-Type");
    request.setHTTPBody(NSDataFromString(parameters.dump(-1, ' ', false, JSONValue::error_handler_t::replace)));
    return true;
}
