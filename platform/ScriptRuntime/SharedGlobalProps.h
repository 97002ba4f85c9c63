#pragma once
// The script's global props: one object for a whole root layout, which every controller made
// from the layout reads. The navigation manager makes it once per root layout and hands the
// same object down; a controller keeps that one object instead of a copy of its own (a layout
// of 8 tabs of 32 screens held 257 copies). Controllers that an app makes with props of its
// own get a copy of those, as before. Main thread only.
#include <memory>

#include <nlohmann/json.hpp>

class SharedGlobalProps {
public:
    using Props = std::shared_ptr<const nlohmann::json>;

    // A shared, unchangeable object holding `props`, which share() finds while it lives.
    static Props make(nlohmann::json props);
    // The object `props` is, when it is one that make() gave and it still lives; a new shared
    // copy otherwise.
    static Props share(const nlohmann::json& props);
    // The empty object, shared: what a controller holds before it is given props.
    static const Props& empty();
};
