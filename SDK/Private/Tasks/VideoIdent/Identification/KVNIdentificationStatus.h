#pragma once
// Where a video identification stands, as the agent's commands move it: the values the
// session driver stores in the shared video session and reports to the video screen, the
// table from an event-channel command to its status, and the log name of each value.
// Pure functions; any thread.
#include <optional>
#include <string>

enum KVNIdentificationStatus : long {
    KVNIdentificationStatusConnecting = 0,
    KVNIdentificationStatusConnected = 1,
    KVNIdentificationStatusFace = 2,
    KVNIdentificationStatusFrontside = 3,
    KVNIdentificationStatusWiggle = 4,
    KVNIdentificationStatusBackside = 5,
    KVNIdentificationStatusIDNumber = 6,
    KVNIdentificationStatusESignature = 7,
    KVNIdentificationStatusUserStep = 8,
    KVNIdentificationStatusRequestCode = 9,
    KVNIdentificationStatusSendCode = 10,
    KVNIdentificationStatusAgentBusy = 11,
    KVNIdentificationStatusGoodBye = 12,
    KVNIdentificationStatusFinished = 13,
    KVNIdentificationStatusFailed = 14,
    KVNIdentificationStatusNotDefined = 15,
};

// Exact, case-sensitive match; an unknown command, or none, is NotDefined. The action
// commands ("takeScreenshot", "chatMessage", "showHelp", "ping", "focusCamera") are
// NotDefined too: they carry no status of their own.
KVNIdentificationStatus KVNStatusForCommand(const std::optional<std::string>& command);

// "KVNIdentificationStatus<Name> - <value>"; the empty text for a value outside the enum.
std::string KVNStatusDescription(long status);
