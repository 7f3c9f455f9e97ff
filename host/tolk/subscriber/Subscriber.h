#pragma once

// The whole publish/subscribe family of the pattern library.
#include "host/tolk/subscriber/ISubscriber.h"
#include "host/tolk/subscriber/Listeners.h"
#include "host/tolk/subscriber/Observable.h"
#include "host/tolk/subscriber/Publisher.h"
#include "host/tolk/subscriber/SubscriptionList.h"
