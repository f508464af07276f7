// The status line and power state for every kind of system power status, into buffers of any size.
// The real reading through the fake battery is seen on screen by the scenarios.
#include <gtest/gtest.h>
#include <string>

#include "driver/PowerStatus.h"

namespace {

// AC line, battery flag, percent, reserved, seconds left, full seconds (always set: none stands for
// a system that gave no status).
SYSTEM_POWER_STATUS Status(BYTE ac, BYTE flag, BYTE percent, DWORD seconds)
{
    return { ac, flag, percent, 0, seconds, 0xFFFFFFFF };
}

TEST(PowerStatus, EveryBranchGivesItsStateMinutesAndLine)
{
    const DWORD unknown = 0xFFFFFFFF;
    const SYSTEM_POWER_STATUS longest = Status(1, 8, 100, unknown);
    const struct { const char *what; SYSTEM_POWER_STATUS system; DWORD percent; PowerState state; DWORD minutes;
                   const char *text; } cases[] = {
        { "unreadable", {}, 0, OnBattery, 0, "Power status unknown" },   // passed as null
        { "AC line unknown", Status(255, 1, 80, 60), 0, OnBattery, 0, "Power status unknown" },
        { "battery unknown", Status(1, 255, 80, 60), 0, OnBattery, 0, "Power status unknown" },
        { "no battery on AC", Status(1, 128, 255, unknown), 0, OnAc, 0,
          "Connected to AC power (no battery contained)" },
        { "no battery off AC", Status(0, 128, 255, unknown), 0, OnBattery, 0,
          "Connected to AC power (no battery contained)" },
        { "charging on AC", longest, 100, OnAcCharging, 0,
          "Connected to AC power (battery charging):100% battery remaining" },
        { "charging off AC", Status(0, 8 | 1, 70, 3600), 70, OnBattery, 60,
          "Battery in use:70% battery remaining" },
        { "full on AC", Status(1, 1, 100, 7200), 100, OnAc, 0,
          "Connected to AC power:100% battery remaining" },
        { "on battery", Status(0, 0, 57, 3599), 57, OnBattery, 59,
          "Battery in use:57% battery remaining" },
        { "time unknown", Status(0, 2, 12, unknown), 12, OnBattery, 0,
          "Battery in use:12% battery remaining" },
        { "percent unknown", Status(0, 0, 255, 60), 0, OnBattery, 1,
          "Battery in use:0% battery remaining" },
    };
    for (const auto &c : cases) {
        DWORD percent = 1234, minutes = 1234;
        PowerState state = OnAc;
        char text[100];
        ComposePowerStatus(c.system.BatteryFullLifeTime ? &c.system : NULL, &percent, &state, &minutes, text,
                           sizeof text);
        EXPECT_TRUE(percent == c.percent && state == c.state && minutes == c.minutes)
            << c.what << ": " << percent << "%, state " << state << ", " << minutes << " min";
        EXPECT_STREQ(c.text, text) << c.what;
    }

    // Cut to the caller's buffer, never past it; the longest line fits the tray's tooltip whole.
    for (UINT size : { 64u, 10u }) {
        char text[80];
        memset(text, '#', sizeof text);
        DWORD percent, minutes;
        PowerState state;
        ComposePowerStatus(&longest, &percent, &state, &minutes, text, size);
        EXPECT_EQ(std::string(cases[5].text).substr(0, size - 1), text);
        EXPECT_EQ(std::string(sizeof text - size, '#'), std::string(text + size, sizeof text - size));
    }
}

} // namespace
