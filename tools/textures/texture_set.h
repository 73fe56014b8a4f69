// The seven pictures the program reads from textures/: the floor's planks, the walls' bricks and
// the ball's five normal maps. Each is a pure function of the generator's code, so every run
// writes the same bytes.
#pragma once
#include "data/room_tiling.h"
#include "data/run_files.h"
#include "tools/textures/rgb_picture.h"
#include "tools/textures/sphere_normal_map.h"

#include <string>

// Warm planks with grain and joints, tiling in both directions; the room repeats it
// floorTextureRepeats times each way over its floor.
RgbPicture makeHardwoodFloor();

// Bricks in running bond with mortar, tiling in both directions; the room repeats it
// wallTextureRepeatsAlong times along a wall and wallTextureRepeatsUp times up it.
RgbPicture makeBrickWall();

// The height field behind normal map `number` (1 to 5), for tests and previews.
SphereHeight ballHeightField(int number);

// Normal map `number` (1 to 5): dimples, riveted plates, hammered metal, ripples, lettering.
RgbPicture makeNormalMap(int number);

// Writes all seven files below the run folder `folder` (whose textures/ must exist) under the
// paths the program reads. On failure, puts the file writer's reason, which names the file, in
// *error and returns false.
bool writeTextureSet(const std::string& folder, std::string* error);
