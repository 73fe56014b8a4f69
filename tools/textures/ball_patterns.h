// The height fields behind the ball's five normal maps, each a function of the point on the
// unit sphere, so features stay round at every latitude and nothing breaks at the s seam or
// pinches at the poles. Heights are in units of the ball's radius; slopes reach about 40 to 55
// degrees at feature edges, which reads clearly under a single light.
#pragma once
#include "tools/textures/sphere_normal_map.h"

// Golf-ball dimples on an icosahedral layout (five-fold centres at the poles).
SphereHeight golfDimples();

// Curved steel plates with grooved seams and rows of domed rivets beside them.
SphereHeight rivetedPlates();

// Overlapping shallow hammer dents of varied size, meeting in soft ridges.
SphereHeight hammeredMetal();

// Ring packets of ripples spreading from scattered drops, as on a pond in the rain.
SphereHeight rainRipples();

// "KULLERIX" in raised capitals around each pole, a star on each pole, a zigzag on the equator.
SphereHeight raisedLettering();
