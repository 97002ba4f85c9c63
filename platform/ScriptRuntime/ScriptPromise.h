#pragma once
// The native side of one promise a script is waiting on. A module's asynchronous method gets
// its resolve and reject handlers as two blocks that share one ScriptPromise: the first of
// them to be called settles it, later calls are ignored with a console line. A promise that
// is never settled is fine: when the last handler is dropped the runtime just forgets it.
// Handlers may be called, copied and dropped on any thread; the settlement itself reaches the
// script on its own thread.
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include <nlohmann/json.hpp>

class NSError;

using ScriptPromiseResolveBlock = std::function<void(const nlohmann::json& result)>;
// code and message as the script's Error gets them; either may be empty when an error is given.
using ScriptPromiseRejectBlock =
    std::function<void(const std::string& code, const std::string& message, const std::shared_ptr<NSError>& error)>;

class ScriptPromise : public std::enable_shared_from_this<ScriptPromise> {
public:
    struct Settlement {
        enum class Kind { Resolved, Rejected, Abandoned };
        Kind kind = Kind::Abandoned;
        nlohmann::json value;   // Resolved
        std::string code;       // Rejected
        std::string message;    // Rejected
        std::shared_ptr<NSError> error; // Rejected, may be null
    };
    // Receives the one settlement of the promise: Resolved or Rejected when a handler is called,
    // Abandoned when the last handler goes away unused.
    using Settler = std::function<void(Settlement)>;

    // `label` names the promise in console lines ("Module.method").
    ScriptPromise(std::string label, Settler settler);
    ~ScriptPromise();

    void resolve(const nlohmann::json& value);
    void reject(const std::string& code, const std::string& message, const std::shared_ptr<NSError>& error = nullptr);
    bool isSettled() const;

    // The handlers a method gets; each keeps this promise alive.
    ScriptPromiseResolveBlock resolveBlock();
    ScriptPromiseRejectBlock rejectBlock();

private:
    bool settle(Settlement settlement);

    const std::string m_label;
    mutable std::mutex m_mutex;
    Settler m_settler; // emptied once used
};
