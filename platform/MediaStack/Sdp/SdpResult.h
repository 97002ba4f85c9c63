#pragma once
// What an SDP operation gives: a value, or the reason there is none, in words for the log.
// Reading text from the far side never throws; a failure is one of these.
#include <optional>
#include <string>
#include <utility>

namespace mediastack::sdp {

template<class T>
class SdpResult {
public:
    static SdpResult success(T value) { return SdpResult(std::move(value), {}); }
    static SdpResult failure(std::string error) { return SdpResult(std::nullopt, std::move(error)); }

    bool ok() const { return m_value.has_value(); }
    const T& value() const { return *m_value; }
    T& value() { return *m_value; }
    const std::string& error() const { return m_error; }

private:
    SdpResult(std::optional<T> value, std::string error)
        : m_value(std::move(value))
        , m_error(std::move(error))
    {
    }

    std::optional<T> m_value;
    std::string m_error;
};

}
