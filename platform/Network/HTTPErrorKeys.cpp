#include "Network/HTTPErrorKeys.h"

const std::string HTTPFailingResponseDataErrorKey = "kvn.http.error.response.data";
const std::string NSURLErrorFailingURLStringErrorKey = "NSErrorFailingURLStringKey";
