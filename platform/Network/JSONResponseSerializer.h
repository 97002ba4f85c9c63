#pragma once
// A response serializer that parses the body of an accepted answer as JSON (invalid UTF-8 is
// replaced, not refused). An empty body gives no object and no error; a body that is not JSON,
// or nests deeper than JSONMaximumNestingDepth, fails with error 3840 in NSCocoaErrorDomain,
// the body under HTTPFailingResponseDataErrorKey.
// Same threads as HTTPResponseSerializer.
#include <memory>

#include "Network/HTTPResponseSerializer.h"

// The code of a body that could not be read as JSON.
inline constexpr long NSPropertyListReadCorruptError = 3840;

class JSONResponseSerializer : public HTTPResponseSerializer {
public:
    static std::shared_ptr<JSONResponseSerializer> serializer();

    HTTPResponseObject responseObjectForResponse_data_error(const std::shared_ptr<NSHTTPURLResponse>& response, const NSData& data,
                                                            std::shared_ptr<NSError>& error) const override;
};
