// A power-off requester for page tests: counts the requests instead of powering anything off.
#pragma once

#include "system/PowerOff.h"

namespace quilbo::test {

class FakePowerOff : public PowerOffRequester {
public:
    void requestPowerOff() override { ++requests; }

    int requests = 0;
};

}  // namespace quilbo::test
