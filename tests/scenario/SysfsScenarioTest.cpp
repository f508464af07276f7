// The sysfs power driver over the fake tree the runner mounts in place of the machine's: what the
// program's own driver channel finds there, and the running Kestrel driving it. The tree holds the
// panel "panel" (raw, 937 steps), the panel "locked" (firmware, so it would be chosen first, but
// its brightness is read-only) and two cpufreq policies of 800000..2400000 kHz, the second with a
// read-only cap.
#include "scenario/Scenario.h"

#include "FakeBattery.h"
#include "driver/DriverChannel.h"

namespace {

const std::string Panel = "Z:\\sys\\class\\backlight\\panel\\";
const std::string Policy0 = "Z:\\sys\\devices\\system\\cpu\\cpufreq\\policy0\\";
const std::string Policy1 = "Z:\\sys\\devices\\system\\cpu\\cpufreq\\policy1\\";

// A sysfs value: the number and a newline.
std::string Value(const std::string &path) { return ReadTextFile(path); }
bool Put(const std::string &path, unsigned value) { return WriteTextFile(path, std::to_string(value) + "\n"); }
// Whether the panel shows brightness and the first policy has the cap clock.
bool Written(const char *brightness, const char *clock)
{
    return Value(Panel + "brightness") == brightness && Value(Policy0 + "scaling_max_freq") == clock;
}

class Sysfs : public KestrelWorld {
protected:
    void SetUp() override
    {
        REQUIRE_TEST_WORLD(SysfsWorld(), "not the sysfs world, which run-tests.sh makes last");
        KestrelWorld::SetUp();
        ASSERT_TRUE(Put(Panel + "max_brightness", 937) && Put(Panel + "brightness", 400)
                    && Put(Policy0 + "scaling_max_freq", 2400000));
    }
    // What a fresh channel finds: backlight levels and CPU levels, 0 for a feature it lacks.
    static void Probe(DWORD *lcdCount, DWORD *cpuCount)
    {
        DriverChannel channel;
        DWORD lcd = 0, cpu = 0, ring = 0;
        *lcdCount = *cpuCount = 0;
        if (channel.Open("k.exe /Z", InstallFolder))
            channel.GetInfo(NULL, NULL, NULL, &lcd, lcdCount, &cpu, cpuCount);
        *lcdCount *= lcd;
        *cpuCount *= cpu;
        EXPECT_FALSE(channel.AccessRingResume(FALSE, &ring)) << "Linux has no resume on ring";
        channel.Close();
    }
};

TEST_F(Sysfs, TheLevelsFollowTheFilesAndAFeatureGoesWithItsFiles)
{
    // Eight levels over 1..937, never 0; a set writes the panel's value, the next read is that level;
    // a small panel has a level per value. The locked panel, ranked first, is passed over.
    const struct { unsigned max; DWORD count; unsigned values[8]; } panels[] = {
        { 937, 8, { 1, 134, 268, 402, 535, 669, 803, 937 } }, { 5, 5, { 1, 2, 3, 4, 5 } },
    };
    for (const auto &p : panels) {
        ASSERT_TRUE(Put(Panel + "max_brightness", p.max));
        DriverChannel channel;
        DWORD count = 0, cpu = 0;
        ASSERT_TRUE(channel.Open("k.exe /Z", InstallFolder));
        channel.GetInfo(NULL, NULL, NULL, NULL, &count, NULL, &cpu);
        EXPECT_TRUE(count == p.count && cpu == 4) << count << " backlight and " << cpu << " CPU levels";
        for (DWORD level = 0; level < p.count; level++) {
            DWORD read = 99, set = level;
            EXPECT_TRUE(channel.AccessLcdLevel(TRUE, &set)
                        && Value(Panel + "brightness") == std::to_string(p.values[level]) + "\n"
                        && channel.AccessLcdLevel(FALSE, &read) && read == level)
                << p.max << " at " << level << ": " << read;
        }
        channel.Close();
    }
    // Moved from outside: the nearest level, with the change bit on the first read only.
    ASSERT_TRUE(Put(Panel + "max_brightness", 937));
    DriverChannel channel;
    DWORD first = 0, second = 0;
    ASSERT_TRUE(channel.Open("k.exe /Z", InstallFolder));
    ASSERT_TRUE(Put(Panel + "brightness", 640));
    EXPECT_TRUE(channel.AccessLcdLevel(FALSE, &first) && channel.AccessLcdLevel(FALSE, &second));
    EXPECT_TRUE(first == (LcdLevelChangedBit | 5) && second == 5) << std::hex << first << ", " << second;
    channel.Close();

    // A file missing takes its feature away, and its return brings the feature back; the CPU has
    // no second policy to fall back on, since the other's cap is read-only.
    Restorer files{ [] { return Put(Panel + "max_brightness", 937) && Put(Policy0 + "cpuinfo_max_freq", 2400000); } };
    DWORD lcd, cpu;
    ASSERT_TRUE(DeleteFileA((Panel + "max_brightness").c_str())
                && DeleteFileA((Policy0 + "cpuinfo_max_freq").c_str()));
    Probe(&lcd, &cpu);
    EXPECT_TRUE(lcd == 0 && cpu == 0) << lcd << " backlight and " << cpu << " CPU levels";
    ASSERT_TRUE(files.restore());
    Probe(&lcd, &cpu);
    EXPECT_TRUE(lcd == 8 && cpu == 4) << lcd << " backlight and " << cpu << " CPU levels";
}

TEST_F(Sysfs, KestrelWritesEachSourcesLevelsAndShowsAnOutsideChange)
{
    StoreDword("LCDBackLightAC", 6);
    StoreDword("LCDBackLightDC", 1);
    StoreDword("CPUClockAC", 2);
    StoreDword("CPUClockDC", 0);
    ASSERT_TRUE(kestrel.Launch("/D"));
    // On AC at start; then on battery. Only the policy whose cap may be written gets it.
    EXPECT_TRUE(WaitUntil([] { return Written("803\n", "1866666\n"); }))
        << Value(Panel + "brightness") << Value(Policy0 + "scaling_max_freq");
    ASSERT_TRUE(FakeBatterySet(battery, FakeOnBattery, 57, 95));
    SendAndWait(kestrel.MainWindow(), WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE, 0);
    EXPECT_TRUE(WaitUntil([] { return Written("134\n", "800000\n"); }))
        << Value(Panel + "brightness") << Value(Policy0 + "scaling_max_freq");
    EXPECT_EQ("2400000\n", Value(Policy1 + "scaling_max_freq"));
    // The machine's own keys move the backlight: Kestrel shows its gauge.
    ASSERT_TRUE(Put(Panel + "brightness", 535));
    EXPECT_TRUE(WaitUntil([&] { HWND gauge = GaugeOf(kestrel.Id()); return gauge && IsWindowVisible(gauge); }));
    kestrel.Exit();
}

} // namespace
