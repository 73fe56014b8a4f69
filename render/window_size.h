// The window's size when it opens, in pixels. The text overlay keeps a canvas of this size
// whatever the window's size later, so the size sits here, below the scene in the layering.
#pragma once
#include <cstdint>

const int32_t windowWidth = 800;
const int32_t windowHeight = 600;
