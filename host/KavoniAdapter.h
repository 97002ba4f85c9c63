#pragma once
// The script's way into an identity check: the module "KavoniAdapter" with one method,
// "openKavoni", taking the transaction token the bank's backend issued. It presents a
// KavoniViewController with the token over the root view controller of the key window; that
// controller runs the identification. The script never hears the outcome: the promise is never
// settled. No state of its own.
// Threads: the runtime calls the method on the module's own queue; the presentation happens on
// the main queue after a hop through the high-priority global queue.
#include <optional>
#include <string>
#include <vector>

#include "ScriptRuntime/ScriptModule.h"
#include "ScriptRuntime/ScriptPromise.h"

class KavoniAdapter : public ScriptModule {
public:
    // Empty: the script sees the module under its class name.
    std::string moduleName() const override { return ""; }
    std::vector<ScriptMethodExport> methodExports() override;

    // "openKavoni". A missing token is no reason to refuse: the identification reports it.
    void kavoniKey_findEventsWithResolver_rejecter(const std::optional<std::string>& kavoniKey, ScriptPromiseResolveBlock resolve,
                                                   ScriptPromiseRejectBlock reject);

    // The token as the console may show it: a transaction token opens the customer's
    // identification, so only its first three characters (the environment), never more than
    // half of it, and, for tokens of ten characters or more, its last two stay readable; every
    // other character is a '*'. nil reads "(null)".
    static std::string maskedTransactionToken(const std::optional<std::string>& token);
};
