#pragma once
// Which child panel the video identification screen shows over the call. WaitingList is a
// request to lay the waiting list over the current panel and is never stored.
enum KVNIdentificationLayout : long {
    KVNIdentificationLayoutNone = 0,
    KVNIdentificationLayoutInfo = 1,
    KVNIdentificationLayoutIdentCode = 2,
    KVNIdentificationLayoutESigning = 3,
    KVNIdentificationLayoutWaitingList = 4,
};
