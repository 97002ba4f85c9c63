#include "ScriptRuntime/ScriptPromise.h"

#include "Foundation/NSLog.h"

ScriptPromise::ScriptPromise(std::string label, Settler settler) : m_label(std::move(label)), m_settler(std::move(settler)) {}

ScriptPromise::~ScriptPromise()
{
    Settler settler;
    {
        std::lock_guard lock(m_mutex);
        settler = std::move(m_settler);
    }
    if (settler)
        settler(Settlement{});
}

bool ScriptPromise::settle(Settlement settlement)
{
    Settler settler;
    {
        std::lock_guard lock(m_mutex);
        settler = std::move(m_settler);
        m_settler = nullptr;
    }
    if (!settler) {
        NSLog("ScriptBridge: %@: the promise is settled already; this %@ is ignored", m_label,
              std::string(settlement.kind == Settlement::Kind::Resolved ? "resolve" : "reject"));
        return false;
    }
    settler(std::move(settlement));
    return true;
}

void ScriptPromise::resolve(const nlohmann::json& value)
{
    Settlement s;
    s.kind = Settlement::Kind::Resolved;
    s.value = value;
    settle(std::move(s));
}

void ScriptPromise::reject(const std::string& code, const std::string& message, const std::shared_ptr<NSError>& error)
{
    Settlement s;
    s.kind = Settlement::Kind::Rejected;
    s.code = code;
    s.message = message;
    s.error = error;
    settle(std::move(s));
}

bool ScriptPromise::isSettled() const
{
    std::lock_guard lock(m_mutex);
    return !m_settler;
}

ScriptPromiseResolveBlock ScriptPromise::resolveBlock()
{
    return [self = shared_from_this()](const nlohmann::json& value) { self->resolve(value); };
}

ScriptPromiseRejectBlock ScriptPromise::rejectBlock()
{
    return [self = shared_from_this()](const std::string& code, const std::string& message, const std::shared_ptr<NSError>& error) {
        self->reject(code, message, error);
    };
}
