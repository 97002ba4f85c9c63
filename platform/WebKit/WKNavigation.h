#pragma once
// One load of a web view, from its request to its finish or failure: the token a load call
// answers and every report of that load carries, so an owner can tell its loads apart.
// Main thread only.
#include <cstdint>

class WKNavigation {
public:
    explicit WKNavigation(uint64_t identifier) : m_identifier(identifier) {}
    uint64_t identifier() const { return m_identifier; }

private:
    uint64_t m_identifier;
};
