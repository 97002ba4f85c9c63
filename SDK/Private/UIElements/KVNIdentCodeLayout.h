#pragma once
// What the ident code screen shows: the request for a code or the entry of the code it
// received. Plain values, any thread; every value other than RequestCode counts as
// EnterCode.

enum KVNIdentCodeLayout : long {
    KVNIdentCodeLayoutRequestCode = 0,
    KVNIdentCodeLayoutEnterCode = 1,
};
