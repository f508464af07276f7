#include "osd/GaugeLayout.h"

#include <limits.h>

void GaugeRowHeights(UINT screenHeight, UINT heightDivisor, UINT *unit, UINT *titleHeight)
{
    *unit = heightDivisor ? screenHeight / heightDivisor : 0;
    *titleHeight = (*unit / 3) * 2;
}

static unsigned long long Largest(unsigned long long a, unsigned long long b)
{
    return a > b ? a : b;
}

BOOL PlanGauge(const GaugeMeasures &m, GaugePlan *plan)
{
    const UINT w = m.screenWidth, h = m.screenHeight, n = m.levelCount;
    // More levels than pixels can never fit. Positions are signed screen coordinates, so a screen
    // that one cannot span is refused too.
    if (!w || !h || !m.heightDivisor || !n || n > w || w > INT_MAX || h > INT_MAX) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    UINT unit, titleHeight;
    GaugeRowHeights(h, m.heightDivisor, &unit, &titleHeight);

    // The widths are summed in 64 bits: measured texts and margins never wrap into a small gauge.
    typedef unsigned long long Wide;
    const Wide margin = m.margin;
    // A quarter of the screen's width is left free for many levels, half of it for two.
    const UINT k = n > 2 ? 2 : 1;
    Wide wide = w - (w / n) * k;
    wide = Largest(wide, (m.titleWidth + margin) + (titleHeight + margin));
    const Wide wideLeft = m.minWidth + margin, wideRight = m.maxWidth + margin;
    wide = Largest(wide, (margin + 1) * n + 1 + wideLeft + wideRight);
    if (wide > w || wideLeft + wideRight > wide || wide - wideLeft - wideRight < 2 * (Wide)n + 1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // Everything fits the screen's width from here on.
    const UINT width = (UINT)wide;
    UINT left = (UINT)wideLeft, right = (UINT)wideRight;

    // Gaps and segments alternate, all S wide; the remainder is shared by both labels.
    const UINT step = (width - left - right) / (2 * n + 1);
    const UINT remainder = width - (2 * n + 1) * step - left - right;
    if (remainder > 1) {
        left += remainder / 2;
        right += remainder / 2;
    }

    plan->unit = unit;
    plan->titleHeight = titleHeight;
    plan->width = width;
    plan->height = titleHeight + unit;
    plan->x = (int)((w - width) / 2);
    plan->y = (int)(h - 2 * unit - titleHeight);   // one row unit above the screen's bottom
    plan->left = left;
    plan->step = step;
    // The title starts above the first segment, the icon ends where the first gap begins.
    if ((m.titleWidth + margin) + step + left < width && step + left > titleHeight) {
        plan->iconX = (int)left - (int)titleHeight;
        plan->titleX = step + left;
    } else {
        plan->iconX = 0;
        plan->titleX = titleHeight;
    }
    return TRUE;
}

RECT GaugeSegmentBox(const GaugePlan &plan, UINT index)
{
    RECT box = { (LONG)(plan.left + plan.step * (2 * index + 1)), (LONG)plan.titleHeight,
                 (LONG)(plan.left + plan.step * (2 * index + 2)), (LONG)(plan.titleHeight + plan.unit) };
    return box;
}

void GaugeUnlitInsets(UINT w, UINT h, UINT margin, UINT *insetX, UINT *insetY)
{
    if (w / 5 > margin + 1) {
        *insetX = 2 * (w / 5);
        *insetY = 2 * (h / 5);
    } else if (w / 3 > margin) {
        *insetX = w / 3;
        *insetY = h / 3;
    } else {
        *insetX = 0;
        *insetY = h > 9 ? 4 * (h / 9) : h > 3 ? h / 3 : 1;
    }
}
