#pragma once
// A suite of tests against the simulated service (sim/): the suite starts a sim of its own and
// trusts its test authority for the process's HTTP and WebSocket clients (HTTPTrust); each
// test starts from a reset sim (no chosen answers, no request record, the default hold time).
// Suites that share a process (one test executable runs all its suites) share no sim, so
// nothing one suite chose or queued reaches the next.
//
// Base is the fixture below (ManualClockFixture for tests that turn the main run loop). Tests
// that use this fixture link PlatformNetwork.
#include <memory>

#include <gtest/gtest.h>

#include "Network/HTTPTrust.h"
#include "support/SimService.h"

template<typename Base = ::testing::Test>
class SimFixture : public Base {
protected:
    static void SetUpTestSuite()
    {
        Base::SetUpTestSuite();
        sim = SimService::start();
        ASSERT_TRUE(HTTPTrust::addTrustedCertificateAuthorityFile(sim->caFile()));
    }

    static void TearDownTestSuite()
    {
        sim.reset();
        Base::TearDownTestSuite();
    }

    void SetUp() override
    {
        Base::SetUp();
        sim->reset();
    }

    inline static std::unique_ptr<SimService> sim;
};
