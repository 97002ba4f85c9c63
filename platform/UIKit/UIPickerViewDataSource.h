#pragma once
// What a picker asks about its content: how many wheels and how many rows each has.
// Main thread only.
#include <memory>

class UIPickerView;

class UIPickerViewDataSource {
public:
    virtual ~UIPickerViewDataSource() = default;
    virtual long numberOfComponentsInPickerView(const std::shared_ptr<UIPickerView>& pickerView) = 0;
    virtual long pickerView_numberOfRowsInComponent(const std::shared_ptr<UIPickerView>& pickerView, long component) = 0;
};
