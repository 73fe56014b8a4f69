// A real GL context for tests: one 800 by 600 GLUT window on the test display, made once.
#pragma once

// Makes the window current; fails the calling test when there is no display.
void ensureGlContext();

// Reads the pixel at (x, y) of the back buffer, bottom-left origin, as red, green, blue bytes.
void readBackPixel(int x, int y, unsigned char rgb[3]);
