#pragma once
// Told by the document table when the user chose a document; the choice is already in the
// photo session by then. Main thread only.
#include <memory>

class KVNDocumentSelectionTableViewController;

class KVNDocumentSelectionTableViewControllerDelegate {
public:
    virtual ~KVNDocumentSelectionTableViewControllerDelegate() = default;
    virtual void documentSelectionTableViewControllerSelectedDocument(const std::shared_ptr<KVNDocumentSelectionTableViewController>& controller) {}
};
