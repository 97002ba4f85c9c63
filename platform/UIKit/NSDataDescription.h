#pragma once
// The platform's description of a block of bytes, as `%@` prints data there: the bytes in
// lower-case hexadecimal, in groups of four bytes separated by one blank, between "<" and ">"
// ("<0badf00d 2a>", "<>" for no bytes). Apps that turn a push device token into text parse
// this form. Any thread.
#include <string>

#include "Foundation/NSData.h"

std::string NSDataDescription(const NSData& data);
