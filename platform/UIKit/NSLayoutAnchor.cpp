#include "UIKit/NSLayoutAnchor.h"

std::shared_ptr<NSLayoutConstraint> NSLayoutAnchor::constraintTo(const NSLayoutAnchor* other, NSLayoutRelation relation, double multiplier,
                                                                 double constant) const
{
    return NSLayoutConstraint::constraintWithItem_attribute_relatedBy_toItem_attribute_multiplier_constant(
        item(), m_attribute, relation, other ? other->item() : nullptr, other ? other->attribute() : NSLayoutAttributeNotAnAttribute,
        multiplier, constant);
}
