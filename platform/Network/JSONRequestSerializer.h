#pragma once
// A request serializer that sends parameters as a JSON body ("application/json"), texts with
// invalid UTF-8 replaced. Null parameters send no body at all. GET and HEAD parameters still go
// into the query. Same threads as HTTPRequestSerializer.
#include <memory>

#include "Network/HTTPRequestSerializer.h"

class JSONRequestSerializer : public HTTPRequestSerializer {
public:
    static std::shared_ptr<JSONRequestSerializer> serializer();

protected:
    bool encodeBodyParameters_intoRequest_error(const JSONValue& parameters, NSURLRequest& request,
                                                std::shared_ptr<NSError>& error) const override;
};
