// Pictures read back from GL into binary PPM files: the frames that the program's drawing
// functions make, drawn into an offscreen framebuffer the size of the window (so nothing
// depends on where the window lies or whether it is shown), and the textures it loaded.
#pragma once
#include <GL/gl.h>
#include <string>
#include <vector>

// Makes a framebuffer of colour and depth, width by height, the target of every draw and read
// that follows. False when the GL offers no framebuffer objects.
bool drawOffscreen(int width, int height);

// The picture drawn last into the offscreen framebuffer.
bool writeFrame(const std::string& path);

// Level 0 of a 2D texture, shown as the BMP and TGA files are: its first row (t = 0) at the bottom.
bool writeTexture(GLuint name, const std::string& path);

// Red, green, blue bytes in tight rows, top row first.
bool writePpm(const std::string& path, int width, int height,
              const std::vector<unsigned char>& rgb);
