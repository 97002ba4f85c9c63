#pragma once
// The check cell with a text field between its title and its text, for the mobile number and
// the e-mail address of the data check screen. 50 points taller than a check cell with the
// same texts. Main thread only.
#include <memory>
#include <string>

#include "Private/UIElements/KVNCheckCell.h"

class KVNTextField;

class KVNTextInputCell : public KVNCheckCell {
public:
    const std::shared_ptr<KVNTextField>& textField() const { return m_textField; }

    static CGFloat expectedHeightWithTitle_content_cellWidth(const std::string& title, const std::string& content, CGFloat cellWidth);

protected:
    void setup() override;

private:
    std::shared_ptr<KVNTextField> m_textField;
};
