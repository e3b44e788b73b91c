// The setup window's layout: one table of 96-DPI pixel positions, scaled by
// the window's DPI and by how much the user has enlarged the message font.
#pragma once

#include <windows.h>

// Makes the message font for this DPI the window's font and sets the scale
// that goes with it: dpi / 96, times the font's height over the height of the
// default 9-point message font at that DPI when it is taller (1 otherwise,
// so that with the default font every number is exactly the DPI's). The old
// font is the caller's to delete.
void choose_font_and_scale(int dpi);

// A message font so large that the window would not fit the work area is
// followed only as far as the work area allows (never below the DPI's own
// scale): the Install button has to stay on the screen.
void fit_scale_to(const RECT& work_area);

// 96-DPI pixels at the window's scale.
int scaled(int pixels);

// The window's DPI, or the screen's before Windows 10 1607.
int window_dpi(HWND window);

// The main window's outer size at its scale: exactly 620 x 400 at 96 DPI with
// the default font.
SIZE window_size();

// Creates the controls in Tab order, at their places, in the window's font.
void create_controls();

// Moves every control to its place at the current scale and gives it the
// current font.
void lay_out_controls();

// The window has moved to a monitor of another DPI (WM_DPICHANGED): new font,
// every control laid out again, the window in the rectangle Windows suggests.
void change_dpi(HWND window, int dpi, const RECT& suggested);
