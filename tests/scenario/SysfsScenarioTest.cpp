// The sysfs power driver over the fake tree the runner mounts in place of the machine's: what the
// program's own driver channel finds there, and the running Kestrel driving it. The tree holds the
// panel "panel" (raw, 937 steps, no connector), the panel "locked" (firmware, so it would be chosen
// first, but its brightness is read-only) and two cpufreq policies of 800000..2400000 kHz, the
// second with a read-only cap. Tests add panels of their own and remove them again.
#include "scenario/Scenario.h"

#include <vector>

#include "FakeBattery.h"
#include "driver/DriverChannel.h"

namespace {

const std::string Backlight = "Z:\\sys\\class\\backlight\\";
const std::string Panel = Backlight + "panel\\";
const std::string Policy0 = "Z:\\sys\\devices\\system\\cpu\\cpufreq\\policy0\\";
const std::string Policy1 = "Z:\\sys\\devices\\system\\cpu\\cpufreq\\policy1\\";

// A sysfs value: the text and a newline.
std::string Value(const std::string &path) { return ReadTextFile(path); }
bool Put(const std::string &path, const std::string &text) { return WriteTextFile(path, text + "\n"); }
bool Put(const std::string &path, unsigned value) { return Put(path, std::to_string(value)); }
// Whether the panel shows brightness and the first policy has the cap clock.
bool Written(const char *brightness, const char *clock)
{
    return Value(Panel + "brightness") == brightness && Value(Policy0 + "scaling_max_freq") == clock;
}

// A panel of the test's own: type, range and value, and the enabled file of its display connector
// when connector is given ("enabled" or "disabled").
struct TestPanel {
    const char *name;
    const char *type;
    unsigned max;
    const char *connector;
};
bool AddPanel(const TestPanel &p)
{
    const std::string folder = Backlight + p.name + "\\";
    return CreateDirectoryA(folder.c_str(), NULL) && CreateDirectoryA((folder + "device").c_str(), NULL)
        && Put(folder + "type", p.type) && Put(folder + "max_brightness", p.max) && Put(folder + "brightness", 1)
        && (!p.connector || Put(folder + "device\\enabled", p.connector));
}
bool RemovePanel(const char *name)
{
    RemoveTree(Backlight + name);
    return GetFileAttributesA((Backlight + name).c_str()) == INVALID_FILE_ATTRIBUTES;
}

class Sysfs : public KestrelWorld {
protected:
    void SetUp() override
    {
        REQUIRE_TEST_WORLD(SysfsWorld(), "not the sysfs world, which run-tests.sh makes last");
        KestrelWorld::SetUp();
        ASSERT_TRUE(Put(Panel + "max_brightness", 937) && Put(Panel + "brightness", 400) && Put(Panel + "type", "raw")
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
    static DWORD ReadLevel(DriverChannel &channel)
    {
        DWORD word = 0xBAD;
        EXPECT_TRUE(channel.AccessLcdLevel(FALSE, &word));
        return word;
    }
    static bool SetLevel(DriverChannel &channel, DWORD level) { return channel.AccessLcdLevel(TRUE, &level) != FALSE; }
};

TEST_F(Sysfs, TheLevelsFollowTheFilesAndAFeatureGoesWithItsFiles)
{
    // A raw panel's levels are even steps of lightness (the cube root of the light) from a lit floor,
    // max(1, 5 % of the range), to the top; each within a step or a thousandth of the curve's own
    // value (the rows hold the curve rounded, the driver cuts down). A firmware panel
    // numbers its own steps: evenly over 1..max. A read after a set is the level set.
    const struct { const char *type; unsigned max; std::vector<unsigned> values; } panels[] = {
        { "raw", 7, { 1, 2, 3, 4, 5, 6, 7 } },
        { "raw", 15, { 1, 2, 3, 4, 6, 9, 11, 15 } },
        { "raw", 255, { 13, 25, 43, 67, 99, 141, 192, 255 } },
        { "raw", 937, { 47, 91, 155, 245, 364, 516, 706, 937 } },
        { "raw", 120000, { 6000, 11576, 19841, 31323, 46551, 66054, 90361, 120000 } },
        { "raw", 4294967295u, { 214748365, 414334266, 710138672, 1121090984, 1666120602, 2364156926u, 3234129357u,
                                4294967295u } },
        { "firmware", 15, { 1, 3, 5, 7, 9, 11, 13, 15 } },
    };
    Restorer type{ [] { return Put(Panel + "type", "raw") && Put(Panel + "max_brightness", 937); } };
    for (const auto &p : panels) {
        SCOPED_TRACE(std::string(p.type) + " " + std::to_string(p.max));
        ASSERT_TRUE(Put(Panel + "type", p.type) && Put(Panel + "max_brightness", p.max));
        DriverChannel channel;
        DWORD count = 0, cpu = 0;
        ASSERT_TRUE(channel.Open("k.exe /Z", InstallFolder));
        channel.GetInfo(NULL, NULL, NULL, NULL, &count, NULL, &cpu);
        EXPECT_TRUE(count == p.values.size() && cpu == 4) << count << " backlight and " << cpu << " CPU levels";
        for (DWORD level = 0; level < count && level < p.values.size(); level++) {
            const double expected = p.values[level], written = strtod(Value(Panel + "brightness").c_str(), NULL);
            EXPECT_TRUE(SetLevel(channel, level));
            const double now = strtod(Value(Panel + "brightness").c_str(), NULL);
            EXPECT_LE(std::abs(now - expected), 1 + expected / 1000) << "level " << level << " after " << written;
            EXPECT_EQ(level, ReadLevel(channel));
        }
        channel.Close();
    }

    // A number longer than any sysfs writes (its first 31 characters would read as 9), or a file
    // missing, takes its feature away, and the file's return brings the feature back; the CPU has
    // no second policy to fall back on, since the other's cap is read-only.
    Restorer files{ [] { return Put(Panel + "max_brightness", 937) && Put(Policy0 + "cpuinfo_max_freq", 2400000); } };
    DWORD lcd, cpu;
    ASSERT_TRUE(Put(Panel + "max_brightness", std::string(30, '0') + "937")
                && DeleteFileA((Policy0 + "cpuinfo_max_freq").c_str()));
    Probe(&lcd, &cpu);
    EXPECT_TRUE(lcd == 0 && cpu == 0) << lcd << " backlight and " << cpu << " CPU levels";
    ASSERT_TRUE(files.restore());
    Probe(&lcd, &cpu);
    EXPECT_TRUE(lcd == 8 && cpu == 4) << lcd << " backlight and " << cpu << " CPU levels";
}

TEST_F(Sysfs, TheBuiltInPanelIsChosen)
{
    // Each row adds panels beside "panel" (raw, no connector, 937), all below their maximum, and
    // says which is driven: the one whose brightness the top level sets to its own maximum. A DDC/CI panel of an external monitor
    // is driven only when "panel" is out of use (its range unreadable).
    const struct { std::vector<TestPanel> added; bool panelInUse; const char *driven; } rows[] = {
        { { { "zz_fw", "firmware", 15, NULL } }, true, "zz_fw" },
        { { { "zz_platform", "platform", 24, NULL }, { "zz_on", "raw", 255, "enabled" } }, true, "zz_platform" },
        { { { "zz_on", "raw", 255, "enabled" } }, true, "zz_on" },
        { { { "aa_off", "raw", 255, "disabled" } }, true, "panel" },
        { { { "ddcci5", "raw", 100, "enabled" } }, true, "panel" },
        { { { "ddcci5", "raw", 100, "enabled" } }, false, "ddcci5" },
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.driven);
        Restorer panels{ [&] {
            bool removed = Put(Panel + "max_brightness", 937);
            for (const TestPanel &p : row.added)
                removed = RemovePanel(p.name) && removed;
            return removed;
        } };
        for (const TestPanel &p : row.added)
            ASSERT_TRUE(AddPanel(p));
        ASSERT_TRUE(Put(Panel + "brightness", 400));
        ASSERT_TRUE(row.panelInUse || DeleteFileA((Panel + "max_brightness").c_str()));
        DriverChannel channel;
        ASSERT_TRUE(channel.Open("k.exe /Z", InstallFolder));
        EXPECT_TRUE(SetLevel(channel, 7));
        const std::string driven = Backlight + row.driven + "\\";
        EXPECT_EQ(Value(driven + "max_brightness"), Value(driven + "brightness"));
        channel.Close();
    }
}

TEST_F(Sysfs, ReadingsOfKestrelsOwnFadeAreNotAMoveAndAReadingIsWhatThePanelShows)
{
    DriverChannel channel;
    ASSERT_TRUE(channel.Open("k.exe /Z", InstallFolder));
    const DWORD Moved = LcdLevelChangedBit;
    // From 400 down to level 1 (90): the panel fades through the values between; a value outside
    // them is a move from outside, reported once.
    const struct { unsigned shows; DWORD read; } fade[] = {
        { 250, 3 }, { 120, 1 }, { 91, 1 }, { 600, Moved | 5 }, { 600, 5 },
    };
    ASSERT_TRUE(SetLevel(channel, 1));
    for (const auto &f : fade) {
        ASSERT_TRUE(Put(Panel + "brightness", f.shows));
        EXPECT_EQ(f.read, ReadLevel(channel)) << "showing " << f.shows;
    }
    // The fade is over after three seconds: then a value between 600 and 705 is a move too.
    ASSERT_TRUE(SetLevel(channel, 6));
    Sleep(3200);
    ASSERT_TRUE(Put(Panel + "brightness", 650));
    EXPECT_EQ(Moved | 6, ReadLevel(channel));
    channel.Close();

    // A panel whose hardware lags shows its actual_brightness, not the value last asked for; one
    // without it, its brightness. zz_lag wins as a raw panel on an enabled connector.
    Restorer lag{ [] { return RemovePanel("zz_lag"); } };
    ASSERT_TRUE(AddPanel({ "zz_lag", "raw", 937, "enabled" }) && Put(Backlight + "zz_lag\\brightness", 900)
                && Put(Backlight + "zz_lag\\actual_brightness", 364));
    DriverChannel lagging;
    ASSERT_TRUE(lagging.Open("k.exe /Z", InstallFolder));
    EXPECT_EQ(4u, ReadLevel(lagging));
    ASSERT_TRUE(DeleteFileA((Backlight + "zz_lag\\actual_brightness").c_str()));
    EXPECT_EQ(Moved | 7, ReadLevel(lagging));
    lagging.Close();
}

TEST_F(Sysfs, KestrelFollowsTheAdapterWithoutABroadcastFindsARenamedPanelAndPutsTheCapsBack)
{
    StoreDword("LCDBackLightAC", 6);
    StoreDword("LCDBackLightDC", 1);
    StoreDword("CPUClockAC", 2);
    StoreDword("CPUClockDC", 0);
    ASSERT_TRUE(Put(Policy0 + "scaling_max_freq", 2000000));   // a cap the user had set
    ASSERT_TRUE(kestrel.Launch("/D"));
    // On AC at start; then unplugged and plugged in again as Wine shows it, with no broadcast:
    // Kestrel notices at its next status tick. Only the policy whose cap may be written gets it.
    const struct { FakeBatteryState state; const char *brightness, *clock; } steps[] = {
        { FakeAcNotCharging, "705\n", "1866666\n" },
        { FakeOnBattery, "90\n", "800000\n" },
        { FakeAcCharging, "705\n", "1866666\n" },
    };
    for (const auto &s : steps) {
        ASSERT_TRUE(FakeBatterySet(battery, s.state, 57, s.state == FakeOnBattery ? 95 : 0));
        EXPECT_TRUE(WaitUntil([&] { return Written(s.brightness, s.clock); }, 2500))
            << s.state << ": " << Value(Panel + "brightness") << Value(Policy0 + "scaling_max_freq");
    }
    EXPECT_EQ("2400000\n", Value(Policy1 + "scaling_max_freq"));
    // The machine's own keys move the backlight beyond Kestrel's last fade: Kestrel shows its gauge.
    ASSERT_TRUE(Put(Panel + "brightness", 900));
    EXPECT_TRUE(WaitUntil([&] { HWND gauge = GaugeOf(kestrel.Id()); return gauge && IsWindowVisible(gauge); }));
    // The panel comes back under a new name (a graphics reset): the next push finds it.
    const std::string folder = Panel.substr(0, Panel.size() - 1), renamed = folder + "-1";
    Restorer name{ [&] {
        return GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES || MoveFileA(renamed.c_str(), folder.c_str());
    } };
    ASSERT_TRUE(MoveFileA(folder.c_str(), renamed.c_str()));
    ASSERT_TRUE(FakeBatterySet(battery, FakeOnBattery, 57, 95));
    EXPECT_TRUE(WaitUntil([&] { return Value(renamed + "\\brightness") == "90\n"; }, 2500));
    // At its end the caps are as Kestrel found them; the backlight stays where the user left it.
    kestrel.Exit();
    EXPECT_TRUE(WaitUntil([] { return Value(Policy0 + "scaling_max_freq") == "2000000\n"; }));
    EXPECT_EQ("90\n", Value(renamed + "\\brightness"));

    // A cap someone else set meanwhile is theirs to keep.
    StoreDword("CPUClockAC", 1);
    DriverChannel channel;
    ASSERT_TRUE(channel.Open("k.exe /Z", InstallFolder) && channel.ApplyPowerLevels(TRUE, TRUE));
    EXPECT_EQ("1333333\n", Value(Policy0 + "scaling_max_freq"));
    // A set that finds the panel gone looks for it again at once, with no read in between.
    const std::string set = Value(renamed + "\\brightness");
    ASSERT_TRUE(Put(renamed + "\\brightness", 5) && MoveFileA(renamed.c_str(), folder.c_str()));
    EXPECT_TRUE(channel.ApplyPowerLevels(FALSE, TRUE));
    EXPECT_EQ(set, Value(Panel + "brightness"));
    ASSERT_TRUE(Put(Policy0 + "scaling_max_freq", 1700000));
    channel.Close();
    // The driver hears of the close after the handle is gone; the requests of a fresh channel
    // come after it.
    DWORD lcd, cpu;
    Probe(&lcd, &cpu);
    EXPECT_EQ("1700000\n", Value(Policy0 + "scaling_max_freq"));
}

} // namespace
