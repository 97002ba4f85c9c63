#pragma once
// The first screen of a photo identification: the choice of the country that issued the
// identity document, from a picker panel that slides up from below the screen. The choice goes
// straight into the shared photo session, where the later screens read it. Leaving the screen
// backwards (or through its cancel item when it is the root) reports a cancel by the user.
// Main thread only.
#include <memory>
#include <vector>

#include "UIKit/UIPickerViewDataSource.h"
#include "UIKit/UIPickerViewDelegate.h"
#include "UIKit/UIViewController.h"

class KVNCountry;
class KVNLabel;
class KVNRoundedButton;
namespace Layout {
class MadeConstraint;
}
class UIBarButtonItem;
class UIImageView;
class UIPickerView;

class KVNCountrySelectionViewController : public UIViewController, public UIPickerViewDataSource, public UIPickerViewDelegate {
public:
    static constexpr double kPickerPanelHiddenOffset = 264;

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

    const std::shared_ptr<KVNLabel>& countryLabel() const { return m_countryLabel; }
    const std::shared_ptr<KVNRoundedButton>& nextButton() const { return m_nextButton; }
    const std::shared_ptr<UIImageView>& countryImageView() const { return m_countryImageView; }
    const std::shared_ptr<UIImageView>& countryFoldImageView() const { return m_countryFoldImageView; }
    const std::shared_ptr<UIPickerView>& countryPicker() const { return m_countryPicker; }
    const std::vector<std::shared_ptr<KVNCountry>>& sortedCountries() const { return m_sortedCountries; }
    const std::shared_ptr<KVNCountry>& selectedCountry() const { return m_selectedCountry; }
    void setSelectedCountry(std::shared_ptr<KVNCountry> country);
    const std::shared_ptr<UIBarButtonItem>& cancelButton() const { return m_cancelButton; }

    void moveOn();
    void countryButtonPressed();
    void doneButtonPressed();
    void cancel();

    long numberOfComponentsInPickerView(const std::shared_ptr<UIPickerView>& pickerView) override { return 1; }
    long pickerView_numberOfRowsInComponent(const std::shared_ptr<UIPickerView>& pickerView, long component) override;
    std::optional<std::string> pickerView_titleForRow_forComponent(const std::shared_ptr<UIPickerView>& pickerView, long row,
                                                                   long component) override;
    void pickerView_didSelectRow_inComponent(const std::shared_ptr<UIPickerView>& pickerView, long row, long component) override;

private:
    void setupViews();
    void setPickerPanelShown(bool shown);

    std::shared_ptr<KVNLabel> m_countryLabel;
    std::shared_ptr<KVNRoundedButton> m_nextButton;
    std::shared_ptr<UIImageView> m_countryImageView;
    std::shared_ptr<UIImageView> m_countryFoldImageView;
    std::shared_ptr<UIPickerView> m_countryPicker;
    std::vector<std::shared_ptr<KVNCountry>> m_sortedCountries;
    std::shared_ptr<KVNCountry> m_selectedCountry;
    std::shared_ptr<Layout::MadeConstraint> m_pickerViewBottomConstraint;
    std::shared_ptr<UIBarButtonItem> m_cancelButton;
};
