#pragma once
// Told by the photo list's table when a slot gained or lost its photo. Main thread only.
#include <memory>

class KVNTodoTableViewController;

class KVNTodoTableViewControllerDelegate {
public:
    virtual ~KVNTodoTableViewControllerDelegate() = default;
    virtual void todoTableViewControllerDidChangeTakenPhotosCount(const std::shared_ptr<KVNTodoTableViewController>& controller) {}
};
