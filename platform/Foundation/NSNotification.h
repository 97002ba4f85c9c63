#pragma once
// One posted notification: a name, the sender it is about (compared by address only, never
// dereferenced) and user info. A value; delivered to observers by NSNotificationCenter.
#include <string>

#include "Foundation/NSDictionary.h"

class NSNotification {
public:
    NSNotification(std::string name, const void* object = nullptr, NSDictionary userInfo = {})
        : m_name(std::move(name)), m_object(object), m_userInfo(std::move(userInfo)) {}

    const std::string& name() const { return m_name; }
    const void* object() const { return m_object; }
    const NSDictionary& userInfo() const { return m_userInfo; }

private:
    std::string m_name;
    const void* m_object;
    NSDictionary m_userInfo;
};
