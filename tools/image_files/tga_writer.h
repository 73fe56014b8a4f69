// True-colour TGA files as the program's TGA reader takes them: plain (type 2) or run-length
// (type 10), 24 or 32 bits, no image ID, no colour map, origin (0, 0), rows stored bottom-up.
// Only writes; reading is the program's own business.
#pragma once
#include <cstddef>
#include <vector>

// Appends the run-length packets for count pixels of bytesPerPixel bytes each, in the order
// given: runs of two or more equal pixels become run packets, everything else raw packets,
// each packet at most 128 pixels long. Packets cross row ends freely.
void appendRlePackets(std::vector<unsigned char>& out, const unsigned char* pixels, size_t count,
                      int bytesPerPixel);

// The whole file for an image given as red, green, blue (, alpha) bytes with its top row first.
std::vector<unsigned char> encodeTga(const unsigned char* pixels, int width, int height,
                                     int bytesPerPixel, bool compressed);
