#pragma once
// The picker's top row: the contract being read, with its display hash under the name and a
// chevron that shows whether the list of the other contracts is open. With a single contract
// there is nothing to choose, so the row hides the chevron and takes no touches.
// Main thread only.
#include <memory>

#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNContractPickerCell.h"

class UIImageView;
class UILabel;

class KVNContractPickerDetailCell : public KVNContractPickerCell {
public:
    void setContract(const std::shared_ptr<KVNContract>& contract) override;

    bool collapsed() const { return m_collapsed; }
    void setCollapsed(bool collapsed);
    bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled);

    const std::shared_ptr<UIImageView>& chevronImageView() const { return m_chevronImageView; }
    const std::shared_ptr<UILabel>& contractIDLabel() const { return m_contractIDLabel; }
    const std::shared_ptr<KVNLabel>& contractIDValueLabel() const { return m_contractIDValueLabel; }

protected:
    void setUp() override;

private:
    std::shared_ptr<UIImageView> m_chevronImageView;
    std::shared_ptr<UILabel> m_contractIDLabel;
    std::shared_ptr<KVNLabel> m_contractIDValueLabel;
    bool m_collapsed = true;
    bool m_enabled = false;
};
