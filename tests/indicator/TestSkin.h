// A synthetic skin for the indicator tests: solid, distinct colours per element so that a pixel
// read from a composed picture tells which layer it came from. Written into a fresh folder that
// then serves as both the installation and the resource folder.
#ifndef KESTREL_TESTS_TESTSKIN_H
#define KESTREL_TESTS_TESTSKIN_H

#include <windows.h>
#include <functional>
#include <string>

namespace testskin {

const COLORREF Key = RGB(255, 0, 255);
const COLORREF BodyColour = RGB(128, 128, 128);
const COLORREF GaugeColour = RGB(0, 200, 0);
const COLORREF AcMark = RGB(200, 0, 0);
const COLORREF ChargingMark = RGB(200, 200, 0);
const COLORREF BatteryMark = RGB(0, 0, 200);
const COLORREF LabelColour = RGB(0, 128, 255);
const COLORREF StripTail = RGB(255, 255, 255);   // the strip's columns beyond its ten cells
inline COLORREF Glyph(int d) { return RGB(10 + 20 * d, 50, 90); }

// Horizontal: body 80 x 24 with key corners, gauge 41 x 8 at (2, 2), marks 6 x 6 at (50, 2),
// strip 95 x 8 at (2, 12) (cells 9 wide), label 8 x 8 at (40, 12).
// Vertical: body 24 x 80, gauge 8 x 30 at (2, 2), marks at (2, 40), strip 8 x 100 at (12, 2)
// (cells 10 high), label at (12, 40). Every key is written into all four mode sections.
const POINT GaugeH = { 2, 2 }, GaugeV = { 2, 2 }, MarkH = { 50, 2 }, MarkV = { 2, 40 };
const POINT DigitsH = { 2, 12 }, DigitsV = { 12, 2 }, LabelH = { 40, 12 }, LabelV = { 12, 40 };

bool WriteBmp(const std::string &path, int width, int height, const std::function<COLORREF(int, int)> &pixel);

// A fresh folder under the temporary folder (with a trailing backslash).
std::string FreshFolder(const char *name);

// Writes Indicator<number>.dat and its images into folder.
bool WriteSkin(const std::string &folder, UINT number);
// folder as an installation folder: without its trailing backslash.
std::string InstallFolderOf(const std::string &folder);
// Points appState's folders at folder, for the settings page.
void UseFolder(const std::string &folder);

} // namespace testskin

#endif
