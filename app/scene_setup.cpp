#include "app/scene_setup.h"

#include "data/run_files.h"

BitmapFont font;
BmpTexture normalMaps[normalMapCount];
BmpTexture floorTexture;
BmpTexture wallTexture;
GLUquadric* sphereQuadric;
ShaderProgram bumpShader;

namespace {

const GLfloat clearColor[4] = {0.3f, 0.3f, 1.0f, 0.0f};
const GLfloat materialSpecular[4] = {1, 1, 1, 1};
const GLfloat materialShininess = 50;
const GLfloat ambientLight[4] = {0.5f, 0.5f, 0.5f, 0.0f};
const GLfloat lightDiffuse[4] = {1, 1, 1, 1};
const GLfloat lightSpecular[4] = {1, 1, 1, 1};

}  // namespace

void setFixedGlState()
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(clearColor[0], clearColor[1], clearColor[2], clearColor[3]);
    glShadeModel(GL_SMOOTH);
    glMaterialfv(GL_FRONT, GL_SPECULAR, materialSpecular);
    glMaterialfv(GL_FRONT, GL_SHININESS, &materialShininess);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambientLight);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, lightDiffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, lightSpecular);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_DEPTH_TEST);
}

void initScene()
{
    setFixedGlState();
    // Each loader reports its own failure and the set-up goes on with the next resource.
    font.build(glyphSheetFile);
    for (int i = 0; i < normalMapCount; i++)
        normalMaps[i].load(normalMapFiles[i]);
    floorTexture.load(floorTextureFile);
    wallTexture.load(wallTextureFile);
    sphereQuadric = gluNewQuadric();
    gluQuadricNormals(sphereQuadric, GLU_SMOOTH);
    gluQuadricTexture(sphereQuadric, GL_TRUE);
    bumpShader.build(vertexShaderFile, fragmentShaderFile);
}
