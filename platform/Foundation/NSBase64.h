#pragma once
// Base64 (standard alphabet, with padding) for bytes. Encoding never inserts line breaks;
// decoding rejects anything that is not well-formed base64. Any thread.
#include <optional>
#include <string>

#include "Foundation/NSData.h"

std::string NSBase64Encode(const NSData& data);
// nullopt when the text is not base64 (bad characters, bad length or padding).
std::optional<NSData> NSBase64Decode(const std::string& text);
