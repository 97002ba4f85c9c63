#pragma once
// The stage the waiting-list panel shows.
enum KVNWaitingListStage : long {
    KVNWaitingListStageOffer = 0,
    KVNWaitingListStageRequestNotification = 1,
    KVNWaitingListStageNotificationDenied = 2,
};
