#pragma once
// The titles of a picker's rows and the news of a row chosen by the user. Main thread only.
#include <memory>
#include <optional>
#include <string>

class UIPickerView;

class UIPickerViewDelegate {
public:
    virtual ~UIPickerViewDelegate() = default;
    virtual std::optional<std::string> pickerView_titleForRow_forComponent(const std::shared_ptr<UIPickerView>& pickerView, long row,
                                                                           long component)
    {
        return std::nullopt;
    }
    virtual void pickerView_didSelectRow_inComponent(const std::shared_ptr<UIPickerView>& pickerView, long row, long component) {}
};
