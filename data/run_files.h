// The files the program reads at run time, by their paths relative to its working directory:
// the set-up loads them, the generators in tools/ write them, and the build reads this list
// (data/run_files.cmake) to declare, stage and install them. A name is written here alone.
#pragma once
#include <cstdint>
#include <iterator>

const char* const glyphSheetFile = "textures/Font.tga";
const char* const normalMapFiles[] = {"textures/normalmap1.bmp", "textures/normalmap2.bmp",
                                      "textures/normalmap3.bmp", "textures/normalmap4.bmp",
                                      "textures/normalmap5.bmp"};
const int32_t normalMapCount = int32_t(std::size(normalMapFiles));
const char* const floorTextureFile = "textures/hardwoodfloor.bmp";
const char* const wallTextureFile = "textures/brick.bmp";
const char* const vertexShaderFile = "BumpMapping.vert";
const char* const fragmentShaderFile = "BumpMapping.frag";
