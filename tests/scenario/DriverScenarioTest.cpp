// Kestrel and the simulated driver, as the driver sees the program start.
#include "scenario/Scenario.h"

#include "SimControl.h"

namespace {

typedef KestrelWorld DriverStartup;

TEST_F(DriverStartup, StartingSendsTheThreeProbesFirst)
{
    const char *modes[] = { "/Z", "/A" };
    for (const char *mode : modes) {
        ASSERT_TRUE(SimClearLog());
        KestrelProcess kestrel;
        ASSERT_TRUE(kestrel.Launch(mode));
        EXPECT_EQ(0u, DriverRequests().find("lcd-count 0, cpu-count 0, ring-get 0")) << mode;
        kestrel.Exit();
    }
}

TEST_F(DriverStartup, ASecondCopyNeitherOpensTheDriverNorCreatesAWindow)
{
    KestrelProcess first;
    ASSERT_TRUE(first.Launch("/D /X"));
    ASSERT_TRUE(WaitUntil([] { return DriverRequests("ring-set") != ""; }));   // the first is settled
    ASSERT_TRUE(SimClearLog());

    KestrelProcess second;
    ASSERT_TRUE(second.Start("/D /X"));
    DWORD code = 99;
    ASSERT_TRUE(second.WaitForExit(10000, &code));
    EXPECT_EQ(0u, code);
    // An opened channel always probes its features first: no probe, no open.
    EXPECT_EQ("", DriverRequests());
    first.Exit();
}

} // namespace
