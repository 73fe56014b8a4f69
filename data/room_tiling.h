// How often the room repeats its textures: the texture coordinates that the scene gives the far
// corners of the floor and of each wall, and what the texture generators size their tiles for.
// The floor is 60 by 60 units and a wall 60 long and 4 high, so a tile of the floor spans
// 60 / floorTextureRepeats units each way and a tile of the wall 60 / wallTextureRepeatsAlong.
#pragma once

const int floorTextureRepeats = 5;       // each way across the floor
const int wallTextureRepeatsAlong = 30;  // along a wall
const int wallTextureRepeatsUp = 2;      // from the floor to a wall's top
