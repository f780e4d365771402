#pragma once

// What the window tests need from the X server besides xdotool and ImageMagick:
// the polite close a window manager sends when the user closes a window.

// Asks the top-level window `window` of the server in $DISPLAY to close itself
// (WM_PROTOCOLS / WM_DELETE_WINDOW); false when the server cannot be reached.
bool SendWindowClose(unsigned long window);
