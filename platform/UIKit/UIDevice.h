#pragma once
// The device the program runs on: system version, model and the machine name (the kernel's
// uname machine field, e.g. "x86_64" here; a model identifier on a phone). Tests may
// replace the system version and the machine name. Main thread (the test setters too).
#include <memory>
#include <optional>
#include <string>

class UIDevice {
public:
    static std::shared_ptr<UIDevice> currentDevice();

    const std::string& systemName() const { return m_systemName; }
    // The platform version this layer behaves as ("12.0" unless a test sets another).
    const std::string& systemVersion() const { return m_systemVersion; }
    void setSystemVersionForTesting(const std::string& version) { m_systemVersion = version; }
    const std::string& model() const { return m_model; }

    // uname's machine field, unless a test override is set.
    std::string machineName() const;
    // nullopt: read uname again.
    static void setMachineNameForTesting(const std::optional<std::string>& machineName);

private:
    std::string m_systemName = "iOS";
    std::string m_systemVersion = "12.0";
    std::string m_model = "iPhone";
};
