// IndicatorWindow: the floating battery indicator, a never-activated, topmost popup shaped like its
// skin's body, in a corner of the work area or where the user dragged it. Owned by the main window:
// Create from the indicator settings, Update with each power reading, Destroy, delete. A changed
// setting is applied by destroying the indicator and creating a new one.
#ifndef KESTREL_INDICATORWINDOW_H
#define KESTREL_INDICATORWINDOW_H

#include <windows.h>

#include "driver/PowerState.h"

class IndicatorSkin;
class Tooltip;

// The IndicatorPosition setting: four fixed corners, anything larger is the free position.
const DWORD PositionTopRight = 0;
const DWORD PositionTopLeft = 1;
const DWORD PositionBottomRight = 2;
const DWORD PositionBottomLeft = 3;
const DWORD PositionFree = 4;

enum DragState { Idle = 0, Pressed = 1, Dragging = 2 };

// Shifts rect, keeping its size, into area: up past the bottom, left past the right, then down past
// the top and right past the left, so a rectangle larger than the area ends at its top-left corner.
void ClampRectToArea(RECT *rect, const RECT *area);

// The screen's work area (the screen without the taskbar), never beyond the primary screen.
void GetWorkArea(RECT *area);

class IndicatorWindow {
public:
    IndicatorWindow();

    // Loads the skin for displayMode from the installation's folders (as IndicatorSkin::Load takes
    // them), computes the place, creates the shaped window owned by owner and shows it without
    // activating it, with the status and tipText. FALSE when a window exists (ERROR_ALREADY_EXISTS)
    // or anything fails; a failure leaves no skin and no shape behind.
    BOOL Create(HINSTANCE module, HWND owner, const char *installFolder, const char *resourceFolder,
                UINT skinNumber, DWORD displayMode, DWORD position, BOOL horizontal, UINT percent, PowerState state,
                UINT minutes, const char *tipText);
    // Records the status, replaces the tooltip if its text changed and repaints. FALSE
    // (ERROR_NOT_READY) without a window.
    BOOL Update(UINT percent, PowerState state, UINT minutes, const char *tipText);
    // Destroys the window; its destruction releases the skin and the tooltip.
    void Destroy();
    // The top-left corner for the position choice and the size, inside the work area.
    void ComputePosition(int *x, int *y) const;

    HWND Window() const { return window; }
    DragState Drag() const { return drag; }

private:
    static LRESULT CALLBACK IndicatorWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void OnPaint();
    void OnDestroy();
    void MoveTo(int x, int y);
    void OnButtonDown(LPARAM lParam);
    void OnMouseMove(LPARAM lParam);
    void OnButtonUp();
    BOOL FreePosition() const { return position > PositionBottomLeft; }

    HINSTANCE module;
    HWND window;
    WNDPROC previous;
    HRGN shape;
    IndicatorSkin *skin;
    Tooltip *tooltip;
    DWORD position;
    int width, height;
    BOOL horizontal;
    UINT percent;
    PowerState state;
    UINT minutes;
    DragState drag;
    POINT pressScreen;
    POINT pressWindow;
    HWND owner;              // where a double click sends the command that opens the settings
};

#endif
