// Generated skins and tray picture files against the running program. Each case comes from one seed,
// so that a failure names the seed and KESTREL_CASE_SEED replays that case alone (KESTREL_CASE_KEEP=1
// keeps its files). A skin case is a skin file, the images it names (sound BMPs of every depth and
// RLE, truncated ones, garbage, folders, missing files, names too long to use) and the indicator a
// user should then see: one Kestrel.exe rebuilds its indicator for case after case, and each time it
// must show what the files call for (the body's size, place and shape, or the empty 0 x 0 indicator
// of a skin it cannot use) and go on answering.
#include "scenario/Scenario.h"

#include <climits>
#include <cstdlib>
#include <random>
#include <vector>

#include "FakeBattery.h"
#include "indicator/IndicatorWindow.h"

namespace {

// A picture as the generator drew it: each pixel is the key colour or the ink colour.
struct Picture {
    int width, height;
    std::vector<bool> ink;   // row by row from the top
    bool Opaque(int x, int y) const { return ink[(size_t)y * width + x]; }
};

struct GeneratedFile {
    std::string name;    // relative to the resource folder; a trailing "\" makes a folder
    std::string bytes;
};

struct SkinCase {
    unsigned seed;
    DWORD skinNumber, mode, vertical, show;   // the settings the case stores
    std::string skinText;                     // the IndicatorNN.dat file
    bool skinFileMissing;
    std::vector<GeneratedFile> files;
    bool bodyUsable;   // the body of the orientation shown: read, well formed, a whole BMP with pixels
    Picture body;
    int powerState, percent, minutes;         // shown while the case runs: 0 AC, 1 charging, 2 battery
};

// Seeds with (seed % LargeEvery) == 0 draw a large picture: a frame of the largest size a skin image
// may have, or a checkerboard of 600 x 600 whose shape takes more rectangles than Kestrel accepts.
const unsigned LargeEvery = 500;
const size_t MostShapeRectangles = 10000;
// Wider or higher images are refused, whatever their file holds.
const int LargestImage = 1024;
// The installed resource folder, as the program joins names to it.
const size_t ResourceFolderLength = sizeof "C:\\Program Files\\Ardwick\\Kestrel\\Resource\\" - 1;
const std::string Resources = std::string(InstallFolder) + "\\Resource\\";
// Exact in every depth: each component is 0 or 255, which 5 bits also hold.
const COLORREF Keys[] = { RGB(255, 0, 255), RGB(0, 0, 0), RGB(255, 255, 255), RGB(0, 255, 255) };
const COLORREF Inks[] = { RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 0), RGB(255, 0, 0), RGB(0, 0, 0),
                          RGB(255, 255, 255) };

class Dice {
public:
    explicit Dice(unsigned seed) : engine(seed) {}
    unsigned Below(unsigned n) { return n ? engine() % n : 0; }
    int Between(int low, int high) { return low + (int)Below((unsigned)(high - low + 1)); }
    bool Chance(unsigned percent) { return Below(100) < percent; }
    template <typename T, size_t N> const T &Pick(const T (&items)[N]) { return items[Below(N)]; }
private:
    std::mt19937 engine;
};

enum Shape { Solid, Frame, Ellipse, Checker, Stripes, Noise, AllKey, ShapeCount };

Picture Draw(int w, int h, Shape shape, Dice &dice)
{
    Picture p = { w, h, std::vector<bool>((size_t)w * h) };
    for (int i = 0; i < w * h; i++) {
        const int x = i % w, y = i / w;
        const double dx = (x + 0.5) / w - 0.5, dy = (y + 0.5) / h - 0.5;
        const bool ink[ShapeCount] = { true, x > 0 && y > 0 && x < w - 1 && y < h - 1, dx * dx + dy * dy < 0.25,
                                       (x + y) % 2 == 0, x % 3 != 0, shape == Noise && dice.Chance(50), false };
        p.ink[i] = ink[shape];
    }
    return p;
}

// A bottom-up BMP of the picture: 1, 4, 8, 16 (5-5-5), 24 or 32 bits per pixel, uncompressed or with
// run lengths (BI_RLE4, BI_RLE8); palette entry 0 is the key colour, 1 the ink.
std::string BitmapFile(const Picture &p, int bpp, DWORD compression, COLORREF key, COLORREF ink)
{
    std::string bits;
    for (int y = p.height - 1; y >= 0; y--) {
        if (compression != BI_RGB) {   // runs of palette indexes, a row at a time
            for (int x = 0, count; x < p.width; x += count) {
                const bool opaque = p.Opaque(x, y);
                for (count = 0; x + count < p.width && count < 255 && p.Opaque(x + count, y) == opaque; count++)
                    ;
                bits += (char)count;
                bits += (char)(opaque ? (compression == BI_RLE4 ? 0x11 : 1) : 0);
            }
            bits += std::string("\0\0", 2);   // end of line
            continue;
        }
        std::string line(((size_t)p.width * bpp + 31) / 32 * 4, '\0');
        for (int x = 0; x < p.width; x++) {
            const bool opaque = p.Opaque(x, y);
            const COLORREF c = opaque ? ink : key;
            const unsigned v = ((GetRValue(c) >> 3) << 10) | ((GetGValue(c) >> 3) << 5) | (GetBValue(c) >> 3);
            const char bgr[3] = { (char)GetBValue(c), (char)GetGValue(c), (char)GetRValue(c) };
            if (bpp == 1)
                line[x / 8] |= (char)(opaque ? 0x80 >> (x % 8) : 0);
            else if (bpp == 4)
                line[x / 2] |= (char)(opaque ? (x % 2 ? 0x01 : 0x10) : 0);
            else if (bpp == 8)
                line[x] = opaque ? 1 : 0;
            else if (bpp == 16)
                line.replace(2 * x, 2, std::string({ (char)(v & 0xFF), (char)(v >> 8) }));
            else
                line.replace((size_t)x * (bpp / 8), 3, bgr, 3);
        }
        bits += line;
    }
    if (compression != BI_RGB)
        bits += std::string("\0\1", 2);   // end of bitmap
    const DWORD colours = bpp <= 8 ? 1u << bpp : 0, offset = 14 + 40 + 4 * colours;
    const BITMAPFILEHEADER file = { 0x4D42, offset + (DWORD)bits.size(), 0, 0, offset };
    const BITMAPINFOHEADER info = { 40, p.width, p.height, 1, (WORD)bpp, compression, (DWORD)bits.size(), 2835, 2835,
                                    colours, 0 };
    std::string s = std::string((const char *)&file, sizeof file) + std::string((const char *)&info, sizeof info);
    for (DWORD i = 0; i < colours; i++) {
        const COLORREF c = i == 0 ? key : i == 1 ? ink : RGB(128, 128, 128);
        s += std::string({ (char)GetBValue(c), (char)GetGValue(c), (char)GetRValue(c), '\0' });
    }
    return s + bits;
}

// "g<seed>\<element>\" and then folders of ten characters until the name is length characters long.
std::string NameOfLength(const std::string &start, const std::string &element, size_t length)
{
    std::string name = start + "\\" + element + "\\";
    while (name.size() + 11 + 5 <= length)
        name += "dddddddddd\\";
    return name + std::string(length - name.size() - 4, 'n') + ".bmp";
}

// One element's entry and image, written into the case; true when the element can be used.
bool MakeElement(SkinCase &c, const std::string &element, bool placed, bool large, Dice &dice, std::string *value,
                 Picture *picture)
{
    const std::string folder = "g" + std::to_string(c.seed), name = folder + "\\" + element + ".bmp";
    std::string entryName = name, written = name;
    // Names at the limits: a joined path of 259 characters loads; one of 260, or a name of 260, does
    // not. (The entry's own syntax is the skin entry table's.)
    const unsigned naming = large ? 99 : dice.Below(100);   // a large picture is always there to load
    const bool nameUsable = naming >= 6;
    if (naming < 6)
        entryName = NameOfLength(folder, element, naming < 3 ? 260 - ResourceFolderLength : 260);
    else if (naming < 9)
        entryName = written = NameOfLength(folder, element, 259 - ResourceFolderLength);

    int width = dice.Chance(10) ? dice.Between(1, 320) : dice.Between(1, 48);
    int height = dice.Chance(10) ? dice.Between(1, 320) : dice.Between(1, 48);
    const bool checkerboard = large && c.seed % (2 * LargeEvery) != 0;
    if (large) {
        width = height = checkerboard ? 600 : LargestImage;
    } else if (dice.Chance(2)) {
        width = dice.Chance(50) ? LargestImage : 4000;   // a long thin strip, one way or the other
        height = 1;
        if (dice.Chance(50))
            std::swap(width, height);
    }
    *picture = Draw(width, height, checkerboard ? Checker : large ? Frame : (Shape)dice.Below(ShapeCount), dice);
    static const int depths[] = { 1, 4, 8, 16, 24, 32, 4, 8 };   // the last two with run lengths
    static const unsigned largeDepths[] = { 0, 6, 7 };
    const unsigned depth = large ? dice.Pick(largeDepths) : dice.Below(8);
    const DWORD compression = depth == 6 ? BI_RLE4 : depth == 7 ? BI_RLE8 : BI_RGB;
    // Black is the one key every expansion of 5 bits keeps exact.
    const COLORREF key = depths[depth] == 16 ? RGB(0, 0, 0) : dice.Pick(Keys), picked = dice.Pick(Inks);
    const COLORREF ink = picked == key ? RGB(0, 255, 0) : picked;
    std::string bytes = BitmapFile(*picture, depths[depth], compression, key, ink);
    // What becomes of the file: whole; missing; a folder; garbage; cut short; a BMP without pixels.
    const unsigned kind = large ? 0 : dice.Below(100);
    if (kind >= 76 && kind < 82) {
        written += "\\";
    } else if (kind >= 82 && kind < 88) {
        bytes = dice.Chance(50) ? "BM" : "";
        for (int n = dice.Between(0, 200); n > 0; n--)
            bytes += (char)dice.Below(256);
        if (bytes.size() >= 18 && bytes[0] == 'B')
            bytes[14] = 7;   // a header size no BMP has
    } else if (kind >= 88 && kind < 95) {
        bytes.resize(dice.Between(2, (int)bytes.size() - 1));
    } else if (kind >= 95) {
        bytes = BitmapFile(Draw(dice.Chance(50) ? 0 : width, 0, Solid, dice), depths[depth], compression, key, ink);
    }
    if (nameUsable && (kind < 70 || kind >= 76))
        c.files.push_back({ written, written.back() == '\\' ? "" : bytes });

    // Placed elements anywhere, far outside the body too; now and then the entry is unusable.
    std::string place;
    if (placed) {
        static const int distant[] = { INT_MIN, INT_MAX, -100000, 100000, -1 };
        for (int i = 0; i < 2; i++)
            place += std::to_string(dice.Chance(5) ? dice.Pick(distant) : dice.Between(-10, 60)) + ",";
    }
    const bool malformed = !large && dice.Chance(5);
    *value = place + std::to_string(GetRValue(key)) + "," + std::to_string(GetGValue(key)) + "," +
             std::to_string(GetBValue(key)) + "," + (malformed ? "" : entryName);
    return nameUsable && kind < 70 && !malformed && width <= LargestImage && height <= LargestImage;
}

SkinCase GenerateSkinCase(unsigned seed)
{
    Dice dice(seed);
    SkinCase c;
    c.seed = seed;
    static const DWORD oddNumbers[] = { 100, 4294967295u, 12345 }, oddModes[] = { 4, 7, 0xFFFFFFFF };
    c.skinNumber = dice.Chance(5) ? dice.Pick(oddNumbers) : dice.Below(100);
    c.mode = dice.Chance(5) ? dice.Pick(oddModes) : dice.Below(4);
    c.vertical = dice.Chance(5) ? 0x80000000 : dice.Below(2);
    const bool large = seed % LargeEvery == 0;   // always shown: it is there to be loaded and shaped
    c.show = !large && dice.Chance(5) ? 0 : 1;
    c.powerState = dice.Below(3);
    c.percent = dice.Between(0, 100);
    c.minutes = c.powerState == 2 && dice.Chance(80) ? dice.Between(1, 1440) : 0;

    static const char *const sections[4] = { "Indicator.None", "Indicator.Psm", "Indicator.Rbt", "Indicator.Psm.Rbt" };
    static const char *const elements[7] = { "Body", "Gauge", "PsmAcNoCharging", "PsmAcCharging", "PsmDc", "RbtNum",
                                             "RbtMin" };
    // Now and then the entries are written under another mode's section, where they are never read.
    const bool misplaced = !large && dice.Chance(4);
    const DWORD section = (c.mode < 3 ? c.mode : 3) + (misplaced ? 1 : 0);
    c.skinText = "[Indicator.General]\r\nTitle=Generated\r\n\r\n[" + std::string(sections[section % 4]) + "]\r\n";
    for (int o = 0; o < 2; o++) {
        for (int i = 0; i < 7; i++) {
            const std::string element = std::string(elements[i]) + (o == 0 ? "H" : "V");
            const bool shown = i == 0 && (o == 0) == (c.vertical == 0);
            std::string value;
            Picture picture;
            const bool usable = MakeElement(c, element, i != 0, shown && large, dice, &value, &picture);
            c.skinText += element + "=" + value + "\r\n";
            if (shown) {
                c.bodyUsable = usable && !misplaced && picture.width > 0 && picture.height > 0;
                c.body = picture;
            }
        }
    }
    c.skinFileMissing = !large && dice.Chance(3);
    const bool garbage = !c.skinFileMissing && !large && dice.Chance(3);
    if (garbage) {
        // Garbage instead of a profile: nothing in it reads as an entry.
        c.skinText.clear();
        for (int n = dice.Between(0, 600); n > 0; n--)
            c.skinText += (char)dice.Between(1, 255);
    }
    c.bodyUsable = c.bodyUsable && !c.skinFileMissing && !garbage;
    return c;
}

// The rectangles a region of the picture's inked pixels takes: rows of the same runs share one band,
// every run of a band is one rectangle.
size_t ShapeRectangles(const Picture &p)
{
    size_t rectangles = 0;
    for (int y = 0; y < p.height; y++) {
        bool same = y > 0;
        for (int x = 0; x < p.width && same; x++)
            same = p.Opaque(x, y) == p.Opaque(x, y - 1);
        for (int x = 0; x < p.width && !same; x++)
            rectangles += p.Opaque(x, y) && (x == 0 || !p.Opaque(x - 1, y));
    }
    return rectangles;
}

// The body the user sees: only a usable one, whose shape the window system can take, gives the
// indicator a size and a shape; anything else leaves it 0 x 0 and empty.
const Picture *ExpectedBody(const SkinCase &c)
{
    return c.show && c.bodyUsable && ShapeRectangles(c.body) <= MostShapeRectangles ? &c.body : NULL;
}

// ---- the cases against the running program

const UINT SettingsChangedMessage = 0x8065;
// Long enough for the largest body to be loaded and shaped; a hang takes longer.
const UINT AnswerTimeoutMs = 60000;

// The seeds to run: the one KESTREL_CASE_SEED names, or 0 to KESTREL_CASE_COUNT - 1 (count by default).
std::vector<unsigned> Seeds(unsigned count)
{
    if (const char *one = getenv("KESTREL_CASE_SEED"))
        return { (unsigned)strtoul(one, NULL, 10) };
    std::vector<unsigned> seeds(getenv("KESTREL_CASE_COUNT") ? strtoul(getenv("KESTREL_CASE_COUNT"), NULL, 10) : count);
    for (unsigned seed = 0; seed < seeds.size(); seed++)
        seeds[seed] = seed;
    return seeds;
}

// Writes the generated files, making their folders; a name ending in "\" is made a folder.
bool WriteGenerated(const std::vector<GeneratedFile> &files)
{
    for (const GeneratedFile &f : files) {
        const std::string path = Resources + f.name;
        for (size_t i = Resources.size(); i < path.size(); i++)
            if (path[i] == '\\')
                CreateDirectoryA(path.substr(0, i).c_str(), NULL);
        if (path.back() != '\\' && !WriteTextFile(path, f.bytes))
            return false;
    }
    return true;
}

std::string Replay(unsigned seed)
{
    return "seed " + std::to_string(seed) + "; replay with KESTREL_CASE_SEED=" + std::to_string(seed);
}

// "" when the window's shape covers exactly the picture's inked pixels (or nothing without one).
std::string ShapeDifference(HWND window, const Picture *picture)
{
    HRGN shape = CreateRectRgn(0, 0, 0, 0);
    const int kind = GetWindowRgn(window, shape);
    RECT box;
    GetRgnBox(shape, &box);
    std::string difference;
    if (!picture)
        difference = kind == ERROR || kind == NULLREGION ? "" : "a shape where none belongs";
    else if (box.left < 0 || box.top < 0 || box.right > picture->width || box.bottom > picture->height)
        difference = "a shape beyond the body";
    for (int i = 0; picture && difference.empty() && i < picture->width * picture->height; i++)
        if ((PtInRegion(shape, i % picture->width, i / picture->width) != 0) != picture->ink[i])
            difference = "the shape differs at " + std::to_string(i % picture->width) + "," +
                         std::to_string(i / picture->width);
    DeleteObject(shape);
    return difference;
}

bool Answers(HWND window, UINT message, WPARAM wParam)
{
    DWORD_PTR result;
    return SendMessageTimeoutA(window, message, wParam, 0, SMTO_BLOCK | SMTO_ABORTIFHUNG, AnswerTimeoutMs, &result) != 0;
}

typedef KestrelWorld Generated;

// Runs one case against the running program; "" when it showed what the case calls for.
std::string RunCase(const SkinCase &c, KestrelProcess &kestrel, const char *battery)
{
    static const FakeBatteryState states[3] = { FakeAcNotCharging, FakeAcCharging, FakeOnBattery };
    FakeBatterySet(battery, states[c.powerState], (DWORD)c.percent, (DWORD)c.minutes);
    char name[32];
    wsprintfA(name, "Indicator%02u.dat", c.skinNumber);
    const std::string skinFile = InstallFolder + std::string("\\") + name;
    DeleteFileA(skinFile.c_str());
    if ((!c.skinFileMissing && !WriteGenerated({ { std::string("..\\") + name, c.skinText } }))
            || !WriteGenerated(c.files))
        return "the case's files could not be written";
    StoreDword("IndicatorNumber", c.skinNumber);
    StoreDword("IndicatorMode", c.mode);
    StoreDword("IndicatorVerticalStyle", c.vertical);
    StoreDword("IndicatorShowWindow", c.show);

    // Sent rather than posted: when it returns the indicator has been rebuilt.
    std::string failure;
    const Picture *body = ExpectedBody(c);
    const LONG width = body ? body->width : 0, height = body ? body->height : 0;
    if (!Answers(kestrel.MainWindow(), SettingsChangedMessage, 1)) {
        failure = kestrel.Running() ? "Kestrel stopped answering" : "Kestrel ended";
    } else {
        HWND indicator = IndicatorOf(kestrel.Id());
        RECT r = WindowRect(indicator), place = { 0, 0, width, height }, area;
        // The top-right corner, inside the work area, as far as it goes.
        OffsetRect(&place, GetSystemMetrics(SM_CXSCREEN), 0);
        GetWorkArea(&area);
        ClampRectToArea(&place, &area);
        if (!indicator != !c.show)
            failure = c.show ? "no indicator" : "an indicator that should be hidden";
        else if (indicator && !EqualRect(&r, &place))
            failure = "indicator of " + std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) + " at " +
                      std::to_string(r.left) + "," + std::to_string(r.top) + ", expected " +
                      std::to_string(width) + "x" + std::to_string(height);
        else if (indicator)
            failure = ShapeDifference(indicator, body);
        // A paint composes every element the skin loaded, for the status just set.
        if (failure.empty() && indicator && !Answers(indicator, WM_PAINT, 0))
            failure = kestrel.Running() ? "Kestrel stopped answering while painting" : "Kestrel ended painting";
    }
    if (!getenv("KESTREL_CASE_KEEP")) {
        DeleteFileA(skinFile.c_str());
        RemoveTree(Resources + "g" + std::to_string(c.seed));
    }
    return failure;
}

TEST_F(Generated, EachSkinShowsTheBodyOrTheEmptyIndicatorAndKestrelKeepsAnswering)
{
    // The indicator it builds at start, from a message it posts itself, must not replace a case's.
    ASSERT_TRUE(StartSettled(kestrel, "/D"));
    unsigned run = 0, shown = 0;
    for (unsigned seed : Seeds(1000)) {
        const SkinCase c = GenerateSkinCase(seed);
        const std::string failure = RunCase(c, kestrel, battery);
        EXPECT_EQ("", failure) << Replay(seed);
        run++;
        shown += ExpectedBody(c) != NULL;
        if (failure.compare(0, 7, "Kestrel") == 0)
            break;   // it hangs or has ended: the cases after this one would tell nothing more
    }
    std::cout << run << " generated skins, " << shown << " of them with a body to show" << std::endl;
    kestrel.Exit();
}

} // namespace
