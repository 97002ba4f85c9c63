#pragma once
// One method a native module offers to the script: the name the script calls, the kinds of
// its script arguments, the native operation and whether the call is synchronous.
// Asynchronous methods return a Promise to the script and run on the module's method queue;
// synchronous ones also run there, while the script waits, and return the resolved value
// directly (a rejection is thrown as an Error).
// The runtime checks the arguments before the operation runs: more arguments than declared, or
// one of another kind than declared, is refused with a console line (and a rejected promise or
// a thrown TypeError). A missing or null argument reaches the operation as JSON null.
#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ScriptRuntime/ScriptPromise.h"

enum class ScriptArgumentType { Any, String, Number, Boolean, Object, Array };

struct ScriptMethodExport {
    // `arguments` is a JSON array with one entry per declared argument type.
    using Operation =
        std::function<void(const nlohmann::json& arguments, ScriptPromiseResolveBlock resolve, ScriptPromiseRejectBlock reject)>;

    std::string scriptName;
    std::vector<ScriptArgumentType> argumentTypes;
    Operation operation;
    bool isSynchronous = false;
};
