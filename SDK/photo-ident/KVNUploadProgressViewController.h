#pragma once
// Sends the chosen document's photos one after another with a progress bar, then makes the
// photo identification's completion call and, a second later, shows the result or closes the
// identification with success. A failure offers a retry or goes back to the photo list.
// Main thread only.
#include <functional>
#include <memory>
#include <vector>

#include "UIKit/UIViewController.h"

class KVNLabel;
class KVNPhoto;
class KVNProgressView;
class NSError;

class KVNUploadProgressViewController : public UIViewController {
public:
    void viewDidLoad() override;

    long uploadedPhotosCount() const { return m_uploadedPhotosCount; }
    void setUploadedPhotosCount(long count);
    const std::shared_ptr<KVNLabel>& progressValueLabel() const { return m_progressValueLabel; }
    const std::shared_ptr<KVNProgressView>& progressView() const { return m_progressView; }
    const std::vector<std::shared_ptr<KVNPhoto>>& photos() const { return m_photos; }

private:
    void startPhotoUpload();
    void uploadNextPhoto();
    void checkUploadedPhotos();
    void requestVideoChat();
    void showAlertForError_withRetryBlock(const std::shared_ptr<NSError>& error, std::function<void()> retryBlock);
    void showResult();
    void popBack();

    long m_uploadedPhotosCount = 0;
    std::shared_ptr<KVNLabel> m_progressValueLabel;
    std::shared_ptr<KVNProgressView> m_progressView;
    std::vector<std::shared_ptr<KVNPhoto>> m_photos;
};
