#pragma once
// The device the program runs on: system version, model and the machine name (the kernel's
// uname machine field, e.g. "x86_64" here; a model identifier on a phone) and the interface
// idiom (a phone). Tests may replace the system version, the machine name and the idiom.
// Main thread (the test setters too).
#include <memory>
#include <optional>
#include <string>

#include "UIKit/UIUserInterfaceIdiom.h"

class UIDevice {
public:
    static std::shared_ptr<UIDevice> currentDevice();

    const std::string& systemName() const { return m_systemName; }
    // The platform version this layer behaves as ("12.0" unless a test sets another).
    const std::string& systemVersion() const { return m_systemVersion; }
    void setSystemVersionForTesting(const std::string& version) { m_systemVersion = version; }
    const std::string& model() const { return m_model; }
    // Layouts that differ on a tablet ask this; the program always runs as a phone.
    UIUserInterfaceIdiom userInterfaceIdiom() const { return m_userInterfaceIdiom; }
    void setUserInterfaceIdiomForTesting(UIUserInterfaceIdiom idiom) { m_userInterfaceIdiom = idiom; }

    // uname's machine field, unless a test override is set.
    std::string machineName() const;
    // nullopt: read uname again.
    static void setMachineNameForTesting(const std::optional<std::string>& machineName);

private:
    std::string m_systemName = "iOS";
    std::string m_systemVersion = "12.0";
    std::string m_model = "iPhone";
    UIUserInterfaceIdiom m_userInterfaceIdiom = UIUserInterfaceIdiomPhone;
};
