#pragma once
// Where the user stands in the native consent to sign: reading and confirming the approval
// phrases, asking for the confirmation code, typing it, done. Plain values, any thread.

enum KVNConsentStep : int {
    KVNConsentStepCheck = 0,
    KVNConsentStepRequestCode = 1,
    KVNConsentStepEnterCode = 2,
    KVNConsentStepSuccess = 3,
};
