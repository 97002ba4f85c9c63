#pragma once
// What the contract picker tells its owner: the user chose another contract to read.
// Main thread.
#include <memory>

class KVNContract;
class KVNContractPicker;

class KVNContractPickerDelegate {
public:
    virtual ~KVNContractPickerDelegate() = default;

    virtual void contractPicker_didSelectContract(const std::shared_ptr<KVNContractPicker>& picker,
                                                  const std::shared_ptr<KVNContract>& contract) = 0;
};
