#pragma once
// The device's hardware model identifier, as sent to the service in the client information.
// Any thread.
#include <string>

namespace KVNExtensions {

// The machine field of the system's uname (a model identifier on a phone).
std::string currentDeviceModel();

} // namespace KVNExtensions
