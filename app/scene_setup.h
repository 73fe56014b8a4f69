// The fixed GL state and the resources made once at start-up, which live for the whole run.
#pragma once
#include "app/scene_state.h"
#include "image/bmp_texture.h"
#include "render/bitmap_font.h"
#include "render/shader_program.h"

#include <GL/glu.h>

extern BitmapFont font;
extern BmpTexture normalMaps[normalMapCount];
extern BmpTexture floorTexture;
extern BmpTexture wallTexture;
extern GLUquadric* sphereQuadric;
extern ShaderProgram bumpShader;

void initScene();
