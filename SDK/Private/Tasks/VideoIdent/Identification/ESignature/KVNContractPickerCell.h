#pragma once
// A row of the contract picker that names a contract the user may switch to.
// Main thread only.
#include <memory>
#include <optional>
#include <string>

#include "UIKit/UITableViewCell.h"

class KVNContract;
class KVNLabel;

class KVNContractPickerCell : public UITableViewCell {
public:
    void initWithStyle_reuseIdentifier(UITableViewCellStyle style, std::optional<std::string> reuseIdentifier) override;
    void awakeFromNib();

    const std::shared_ptr<KVNContract>& contract() const { return m_contract; }
    virtual void setContract(const std::shared_ptr<KVNContract>& contract);
    const std::shared_ptr<KVNLabel>& contractNameLabel() const { return m_contractNameLabel; }

protected:
    virtual void setUp();

private:
    std::shared_ptr<KVNContract> m_contract;
    std::shared_ptr<KVNLabel> m_contractNameLabel;
};
