#pragma once
// One numbered step of an instruction: the number on a filled brand-coloured circle at the
// left, the step's text in the brand colour beside it. On a tablet the circle is centred on
// the text; on a phone it sits a little below the text's first line. The view gives itself
// no height: the owner sizes it. Main thread only.
#include <memory>
#include <string>

#include "Private/UIElements/KVNMediumLabel.h"
#include "Private/UIElements/KVNRoundedFilledLabel.h"
#include "UIKit/UIView.h"

class KVNInstructionView : public UIView {
public:
    // Makes the view at a zero frame.
    void initWithNumber_text(long number, const std::string& text);

    const std::shared_ptr<KVNMediumLabel>& textLabel() const { return m_textLabel; }
    const std::shared_ptr<KVNRoundedFilledLabel>& numberLabel() const { return m_numberLabel; }

private:
    std::shared_ptr<KVNMediumLabel> m_textLabel;
    std::shared_ptr<KVNRoundedFilledLabel> m_numberLabel;
};
