#include "Layout/SolverError.h"

namespace Layout {

const char* describe(SolverError error)
{
    switch (error) {
    case SolverError::None:
        return "no error";
    case SolverError::DuplicateConstraint:
        return "duplicate constraint";
    case SolverError::UnknownConstraint:
        return "unknown constraint";
    case SolverError::UnsatisfiableConstraint:
        return "unsatisfiable required constraint";
    case SolverError::InvalidConstraint:
        return "invalid constraint or value";
    case SolverError::DuplicateEditVariable:
        return "duplicate edit variable";
    case SolverError::UnknownEditVariable:
        return "unknown edit variable";
    case SolverError::RequiredEditStrength:
        return "an edit variable cannot be required";
    case SolverError::InternalError:
        return "internal solver error";
    }
    return "unknown solver error";
}

} // namespace Layout
