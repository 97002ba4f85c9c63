#pragma once
// What the waiting-list panel asks of its host, the video screen: to get the user notified
// (push registration or SMS enrolment). Main thread only.
class KVNWaitingListControllerDelegate {
public:
    virtual ~KVNWaitingListControllerDelegate() = default;
    virtual void waitingListPushNotificationRequested() = 0;
};
