// The service's REST answers: the body read by the HTTP client's JSON serializer, as the
// answers arrive, then given to the model that reads that answer (the first byte picks it).
// Property: whatever the body, the serializer gives JSON or an error, never both, and each
// model reads it without an exception escaping (the app would end there).
#include <cstdint>
#include <memory>
#include <string>

#include "FuzzCheck.h"
#include "Foundation/NSData.h"
#include "Foundation/NSURLSessionTask.h"
#include "Network/JSONResponseSerializer.h"
#include "Private/Helper/KVNMessage.h"
#include "models/KVNContract.h"
#include "models/KVNIdentification.h"
#include "models/KVNPhotoIdentification.h"
#include "models/KVNVideoIdentification.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::useThisThreadAsMain();
    if (size == 0)
        return 0;
    const uint8_t which = data[0];
    const NSData body(data + 1, data + size);
    static const auto serializer = JSONResponseSerializer::serializer();
    std::shared_ptr<NSError> error;
    const auto object = serializer->responseObjectForResponse_data_error(
        std::make_shared<NSHTTPURLResponse>(200, std::map<std::string, std::string> { { "Content-Type", "application/json" } }), body,
        error);
    FUZZ_CHECK(!(error && object.json()));
    if (!object.json())
        return 0;
    const JSONValue& answer = *object.json();

    KVNIdentification::resetSharedIdentification();
    const auto session = KVNIdentification::sharedIdentification();
    const auto video = session->videoIdentification();
    switch (which % 10) {
    case 0:
        session->updateWithResponse(answer);
        break;
    case 1:
        session->updateMessages(answer);
        break;
    case 2:
        video->setupWithResponse(answer);
        break;
    case 3:
        video->updateIdentificationDataFromJSONResponse(answer);
        break;
    case 4:
        video->updateRequestDataFromJSONResponse(answer);
        video->updateRequestDataFromJSONResponse(answer);
        break;
    case 5:
        video->updateMessagesFromJSONResponse(answer);
        break;
    case 6:
        video->updateApprovalPhrasesFromJSONResponse(answer);
        break;
    case 7:
        video->updateESignatureContractsFromJSONResponse(answer);
        break;
    case 8:
        session->photoIdentification()->updateWithProcessStepsResponse(answer);
        break;
    case 9: {
        KVNContract contract;
        contract.initWithDictionary(answer);
        KVNMessage message;
        message.initWithDictionary(answer);
        FUZZ_CHECK(!message.description().empty());
        break;
    }
    }
    KVNIdentification::resetSharedIdentification();
    return 0;
}
