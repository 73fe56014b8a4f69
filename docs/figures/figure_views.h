// The views of docs/how-it-works.md, each drawn by the program's own functions from a scene
// state set here, with simulation steps of set lengths instead of the clock, so that every run
// draws the same pictures.
#pragma once
#include <string>

// Draws every view into folder, one PPM file named after each. False, with a line on stderr,
// at the first that fails.
bool drawFigures(const std::string& folder);
