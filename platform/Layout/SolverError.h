#pragma once
// What a solver operation reports instead of failing hard. Every code has its name in the
// one table of SolverError.cpp. Plain value type.

namespace Layout {

enum class SolverError {
    None,
    // The same constraint (by identity) was added twice.
    DuplicateConstraint,
    // Removal of a constraint the solver does not hold.
    UnknownConstraint,
    // A required constraint contradicts the required ones already held; it was not added.
    UnsatisfiableConstraint,
    // A coefficient, constant or suggested value is not a finite number, or the strength
    // is not valid.
    InvalidConstraint,
    DuplicateEditVariable,
    UnknownEditVariable,
    // Edit variables are suggestions and cannot be required.
    RequiredEditStrength,
    // The tableau reached a state the algorithm rules out (an unbounded objective, a marker
    // with no row to leave). The solver stays usable, its answer may not be optimal.
    InternalError,
};

const char* describe(SolverError error);

} // namespace Layout
