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

// The lighting, material and switches that every frame starts from and returns to.
void setFixedGlState();
// The fixed state, then every resource in turn; a resource that fails stays failed.
void initScene();
