#include "indicator/TestSkin.h"


#include "app/AppState.h"
#include "gfx/Text.h"

namespace testskin {

bool WriteBmp(const std::string &path, int width, int height, const std::function<COLORREF(int, int)> &pixel)
{
    // 24 bits per pixel, bottom up, rows padded to four bytes.
    const int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file = { 0x4D42, (DWORD)(sizeof file + sizeof(BITMAPINFOHEADER) + stride * height), 0, 0,
                              sizeof file + sizeof(BITMAPINFOHEADER) };
    BITMAPINFOHEADER info = { sizeof info, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0 };
    std::string bytes = std::string((const char *)&file, sizeof file) + std::string((const char *)&info, sizeof info);
    for (int y = height - 1; y >= 0; y--) {
        std::string row(stride, '\0');
        for (int x = 0; x < width; x++) {
            const COLORREF c = pixel(x, y);
            row.replace(3 * x, 3, std::string({ (char)GetBValue(c), (char)GetGValue(c), (char)GetRValue(c) }));
        }
        bytes += row;
    }
    HANDLE out = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    DWORD written = 0;
    const bool ok = out != INVALID_HANDLE_VALUE && WriteFile(out, bytes.data(), (DWORD)bytes.size(), &written, NULL);
    if (out != INVALID_HANDLE_VALUE)
        CloseHandle(out);
    return ok;
}

std::string FreshFolder(const char *name)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + name;
    CreateDirectoryA(folder.c_str(), NULL);
    return folder + "\\";
}

static COLORREF Solid(COLORREF c, int, int) { return c; }

bool WriteSkin(const std::string &folder, UINT number)
{
    using namespace std::placeholders;
    auto solid = [](COLORREF c) { return std::bind(Solid, c, _1, _2); };
    bool ok = WriteBmp(folder + "bodyh.bmp", 80, 24, [](int x, int y) {
                  return (y == 0 && (x == 0 || x == 79)) ? Key : BodyColour; })
        && WriteBmp(folder + "bodyv.bmp", 24, 80, [](int x, int y) {
                  return (y == 0 && (x == 0 || x == 23)) ? Key : BodyColour; })
        && WriteBmp(folder + "gaugeh.bmp", 41, 8, solid(GaugeColour))
        && WriteBmp(folder + "gaugev.bmp", 8, 30, solid(GaugeColour))
        && WriteBmp(folder + "ac.bmp", 6, 6, solid(AcMark))
        && WriteBmp(folder + "charging.bmp", 6, 6, solid(ChargingMark))
        && WriteBmp(folder + "battery.bmp", 6, 6, solid(BatteryMark))
        && WriteBmp(folder + "label.bmp", 8, 8, solid(LabelColour))
        && WriteBmp(folder + "digitsh.bmp", 95, 8, [](int x, int) { return x >= 90 ? StripTail : Glyph(x / 9); })
        && WriteBmp(folder + "digitsv.bmp", 8, 100, [](int, int y) { return Glyph(y / 10); });
    if (!ok)
        return false;
    char name[32];
    wsprintfA(name, "Indicator%02u.dat", number);
    std::string file = folder + name;
    DeleteFileA(file.c_str());
    const char *sections[] = { "Indicator.None", "Indicator.Psm", "Indicator.Rbt", "Indicator.Psm.Rbt" };
    const char *entries[][2] = {
        { "BodyH", "255,0,255,bodyh.bmp" }, { "BodyV", "255,0,255,bodyv.bmp" },
        { "GaugeH", "2,2,255,0,255,gaugeh.bmp" }, { "GaugeV", "2,2,255,0,255,gaugev.bmp" },
        { "PsmAcNoChargingH", "50,2,255,0,255,ac.bmp" }, { "PsmAcNoChargingV", "2,40,255,0,255,ac.bmp" },
        { "PsmAcChargingH", "50,2,255,0,255,charging.bmp" }, { "PsmAcChargingV", "2,40,255,0,255,charging.bmp" },
        { "PsmDcH", "50,2,255,0,255,battery.bmp" }, { "PsmDcV", "2,40,255,0,255,battery.bmp" },
        { "RbtNumH", "2,12,255,0,255,digitsh.bmp" }, { "RbtNumV", "12,2,255,0,255,digitsv.bmp" },
        { "RbtMinH", "40,12,255,0,255,label.bmp" }, { "RbtMinV", "12,40,255,0,255,label.bmp" },
    };
    for (const char *section : sections)
        for (const auto &entry : entries)
            ok = WritePrivateProfileStringA(section, entry[0], entry[1], file.c_str()) && ok;
    return ok;
}

std::string InstallFolderOf(const std::string &folder)
{
    return folder.substr(0, folder.size() - 1);
}

void UseFolder(const std::string &folder)
{
    CopyText(appState.installFolder, PathSize, InstallFolderOf(folder).c_str());
    CopyText(appState.resourceFolder, PathSize, folder.c_str());
}

} // namespace testskin
