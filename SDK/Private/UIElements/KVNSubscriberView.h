#pragma once
// The container of the agent's video: a bordered, rounded box over a radial gradient, with a
// white spinner unless the theme colours spinners. Main thread only.
#include "Private/UIElements/KVNPublisherView.h"

class KVNSubscriberView : public KVNPublisherView {
protected:
    void setUp() override;
};
