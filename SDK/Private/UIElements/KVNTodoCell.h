#pragma once
// A row of the photo list: the photo slot's title and subtitle beside the photo's thumbnail
// once taken (with a checkmark and dimmed texts), else beside the take-photo icon with a
// disclosure indicator. Main thread only.
#include <memory>

#include "Private/UIElements/KVNDocumentSelectionCell.h"

class KVNPhoto;

class KVNTodoCell : public KVNDocumentSelectionCell {
public:
    void updateWithPhoto(const std::shared_ptr<KVNPhoto>& photo);
};
