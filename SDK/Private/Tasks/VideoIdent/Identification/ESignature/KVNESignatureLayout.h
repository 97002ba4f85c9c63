#pragma once
// Which parts of the e-signature overlay are shown: nothing yet, the contract being read,
// the handwritten signature panel, or the remote signing page.
enum KVNESignatureLayout : long {
    KVNESignatureLayoutNone = 0,
    KVNESignatureLayoutCheckContract = 1,
    KVNESignatureLayoutSignature = 2,
    KVNESignatureLayoutOpenTrust = 3,
};
