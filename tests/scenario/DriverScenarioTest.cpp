// Kestrel and the simulated driver, as the driver sees the program start.
#include "scenario/Scenario.h"

#include "SimControl.h"

namespace {

const UINT CmdExit = 40005;

class DriverStartup : public KestrelScenario {
protected:
    void SetUp() override
    {
        KestrelScenario::SetUp();
        SimState state;
        REQUIRE_TEST_WORLD(SimGetState(&state), "the driver simulator is not loaded in this prefix");
        ASSERT_TRUE(SimReset());
    }
};

TEST_F(DriverStartup, StartingSendsTheThreeProbesFirst)
{
    const char *modes[] = { "/Z", "/A" };
    for (const char *mode : modes) {
        ASSERT_TRUE(SimClearLog());
        KestrelProcess kestrel;
        ASSERT_TRUE(kestrel.Start(mode));
        ASSERT_TRUE(kestrel.WaitForMainWindow() != NULL);
        EXPECT_EQ(0u, DriverRequests().find("lcd-count 0, cpu-count 0, ring-get 0")) << mode;
        ASSERT_TRUE(kestrel.Post(WM_COMMAND, CmdExit, 0));
        DWORD code = 99;
        ASSERT_TRUE(kestrel.WaitForExit(10000, &code));
        EXPECT_EQ(0u, code);
    }
}

TEST_F(DriverStartup, ASecondCopyNeitherOpensTheDriverNorCreatesAWindow)
{
    KestrelProcess first;
    ASSERT_TRUE(first.Start("/D /X"));
    ASSERT_TRUE(first.WaitForMainWindow() != NULL);
    ASSERT_TRUE(WaitUntil([] { return DriverRequests("ring-set") != ""; }));   // the first is settled
    ASSERT_TRUE(SimClearLog());

    KestrelProcess second;
    ASSERT_TRUE(second.Start("/D /X"));
    DWORD code = 99;
    ASSERT_TRUE(second.WaitForExit(10000, &code));
    EXPECT_EQ(0u, code);
    // An opened channel always probes its features first: no probe, no open.
    EXPECT_EQ("", DriverRequests());
    ASSERT_TRUE(first.Post(WM_COMMAND, CmdExit, 0));
    EXPECT_TRUE(first.WaitForExit(10000, &code));
}

TEST_F(DriverStartup, WithoutTheDriverKestrelStartsAllTheSame)
{
    ASSERT_EQ(0, RunProgram("kestrelsim-setup.exe remove-acpi", 30000));
    KestrelProcess kestrel;
    ASSERT_TRUE(kestrel.Start("/A"));
    EXPECT_TRUE(kestrel.WaitForMainWindow() != NULL);
    EXPECT_TRUE(kestrel.Post(WM_COMMAND, CmdExit, 0));
    DWORD code = 99;
    EXPECT_TRUE(kestrel.WaitForExit(10000, &code));
    EXPECT_EQ(0u, code);
    EXPECT_EQ("", DriverRequests());
    EXPECT_EQ(0, RunProgram("kestrelsim-setup.exe install-acpi", 30000));
}

} // namespace
