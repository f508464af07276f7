// The brightness gauge's layout over any screen size, level count, row divisor, margin and text
// widths: whatever it accepts must fit the screen, with every segment and gap inside the gauge.
#include <stdlib.h>

#include "osd/GaugeLayout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    UINT v[8] = { 0 };
    memcpy(v, data, size < sizeof v ? size : sizeof v);
    GaugeMeasures m = { v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7] };
    // Half the runs at believable sizes, so that the accepting paths are explored too.
    if (size > sizeof v && (data[sizeof v] & 1)) {
        m.screenWidth %= 8192;
        m.screenHeight %= 8192;
        m.levelCount %= 300;
        m.heightDivisor %= 16;
        m.margin %= 64;
        m.titleWidth %= 4096;
        m.minWidth %= 1024;
        m.maxWidth %= 1024;
    }
    GaugePlan plan;
    if (!PlanGauge(m, &plan))
        return 0;
    const unsigned long long w = m.screenWidth, h = m.screenHeight, n = m.levelCount;
    if (plan.width == 0 || plan.width > w || plan.x < 0 || plan.x + (unsigned long long)plan.width > w)
        abort();
    if (plan.step == 0 || plan.left + (2 * n + 1) * plan.step > plan.width)
        abort();   // the segments and gaps run past the gauge
    if (plan.height != plan.unit + plan.titleHeight)
        abort();
    if (m.heightDivisor >= 3 && (plan.y < 0 || plan.y + (unsigned long long)plan.height > h))
        abort();   // the gauge leaves the screen
    if (plan.titleX > plan.width)
        abort();
    return 0;
}
