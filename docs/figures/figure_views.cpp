#include "docs/figures/figure_views.h"

#include "app/frame_rendering.h"
#include "app/scene_setup.h"
#include "app/scene_state.h"
#include "app/simulation.h"
#include "docs/figures/frame_capture.h"
#include "docs/figures/shader_variants.h"
#include "tools/textures/texture_set.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const int letteringMap = 5;  // the fifth map: raised capitals round the poles

// Final colours that make a quantity of the fragment shader visible, dimmed by its diffuse term
// so that the ball still reads as round. Vectors show in eye space, encoded as the maps encode
// normals: red to the right, green up, blue towards the viewer.
// NOTE: the diffuse term also keeps the map and the light in use; a shader that dropped their
// uniforms would make drawBall report them missing.
const char* const showS =
    "gl_FragColor = vec4(vec3(gl_TexCoord[0].s) * (0.4 + 0.6 * diffuse), 1.0);";
const char* const showAround =
    "gl_FragColor = vec4((normalize(gl_NormalMatrix * t) * 0.5 + 0.5)"
    " * (0.4 + 0.6 * diffuse), 1.0);";
const char* const showTowardsPole =
    "gl_FragColor = vec4((normalize(gl_NormalMatrix * b) * 0.5 + 0.5)"
    " * (0.4 + 0.6 * diffuse), 1.0);";

bool fail(const std::string& what)
{
    fprintf(stderr, "kx_figures: %s\n", what.c_str());
    return false;
}

bool saveFrame(const std::string& folder, const std::string& name)
{
    return writeFrame(folder + "/" + name + ".ppm") || fail("cannot write " + name);
}

// The start view as after F1 twice: without the hints, which cover the ball's top, and the help.
SceneState startView(int normalMapIndex)
{
    SceneState state;
    state.hintsHidden = true;
    state.normalMapIndex = normalMapIndex;
    return state;
}

bool drawScene(const SceneState& state, const std::string& folder, const std::string& name)
{
    scene = state;
    display();
    return saveFrame(folder, name);
}

// Draws with the shipped fragment shader changed in one statement.
bool drawVariant(const SceneState& state, const std::string& start, const std::string& replacement,
                 const std::string& folder, const std::string& name)
{
    std::string source =
        replaceStatement(compiledSource(bumpShader.fragmentShader), start, replacement);
    if (source.empty())
        return fail("the fragment shader has no statement that begins with \"" + start + "\"");
    ShaderProgram shipped = bumpShader;
    bumpShader = buildVariant(source, folder, name);
    bool saved = drawScene(state, folder, name);
    bumpShader = shipped;
    return saved;
}

// A normal map of one flat texel: the smooth ball, lit per pixel. Made once.
GLuint flatMap()
{
    static const unsigned char flat[3] = {128, 128, 255};
    static GLuint name = 0;
    if (name)
        return name;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, flat);
    glBindTexture(GL_TEXTURE_2D, 0);
    return name;
}

// The room's light as the vertex shader declares it.
bool roomLight(GLfloat direction[4])
{
    const char* const declaration = "roomLightDirection = vec4(";
    std::string source = compiledSource(bumpShader.vertexShader);
    size_t at = source.find(declaration);
    return at != std::string::npos &&
           sscanf(source.c_str() + at + strlen(declaration), "%f , %f , %f , %f", &direction[0],
                  &direction[1], &direction[2], &direction[3]) == 4;
}

// The ball as the fixed-function pipeline lights it, per vertex: the program's own frame with
// the shader's entry points taken away (as on a GL without them) and no map bound, and light 0
// put where the shader's light is. A local viewer gives its highlight the shader's view
// direction, so that only where the lighting is computed differs.
bool drawPerVertex(const std::string& folder, const std::string& name)
{
    GLfloat direction[4];
    if (!roomLight(direction))
        return fail("the vertex shader declares no roomLightDirection");
    const ShaderEntryPoints shipped = shaderEntryPoints;
    const GLuint map = normalMaps[0].textureName;
    shaderEntryPoints = {};
    normalMaps[0].textureName = 0;

    scene = startView(0);
    placeCamera();  // the light goes through the camera's matrix, as light_mvmatrix takes it
    glLightfv(GL_LIGHT0, GL_POSITION, direction);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, GL_TRUE);
    display();
    bool saved = saveFrame(folder, name);

    const GLfloat headlight[4] = {0, 0, 1, 0};
    glLoadIdentity();
    glLightfv(GL_LIGHT0, GL_POSITION, headlight);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, GL_FALSE);
    shaderEntryPoints = shipped;
    normalMaps[0].textureName = map;
    return saved;
}

// The first stage of a map: its height field over the map's (s, t) grid as grey, t upwards.
bool writeHeights(int number, const std::string& path)
{
    const int width = 512, height = 256;
    SphereHeight heightAt = ballHeightField(number);
    std::vector<double> values;
    for (int row = 0; row < height; row++)
        for (int column = 0; column < width; column++)
            values.push_back(
                heightAt(spherePoint((column + 0.5) / width, 1 - (row + 0.5) / height)));
    const double low = *std::min_element(values.begin(), values.end());
    const double high = *std::max_element(values.begin(), values.end());
    std::vector<unsigned char> rgb(3 * values.size());
    for (size_t i = 0; i < values.size(); i++) {
        double grey = high > low ? (values[i] - low) / (high - low) : 0;
        rgb[3 * i] = rgb[3 * i + 1] = rgb[3 * i + 2] = (unsigned char)(grey * 255 + 0.5);
    }
    return writePpm(path, width, height, rgb) || fail("cannot write " + path);
}

bool writeTextures(const std::string& folder)
{
    for (int i = 0; i < normalMapCount; i++) {
        std::string name = "normalmap" + std::to_string(i + 1);
        if (!writeTexture(normalMaps[i].textureName, folder + "/" + name + ".ppm"))
            return fail("cannot read back or write " + name);
    }
    if (!writeTexture(floorTexture.textureName, folder + "/floor.ppm") ||
        !writeTexture(wallTexture.textureName, folder + "/bricks.ppm") ||
        !writeTexture(font.sheet.textureName, folder + "/glyphs.ppm"))
        return fail("cannot read back or write the floor, the bricks or the glyph sheet");
    return writeHeights(letteringMap, folder + "/lettering-heights.ppm");
}

bool drawMapsAndLighting(const std::string& folder)
{
    for (int i = 0; i < normalMapCount; i++)
        if (!drawScene(startView(i), folder, "ball" + std::to_string(i + 1)))
            return false;
    if (!drawPerVertex(folder, "per-vertex"))
        return false;
    const GLuint golf = normalMaps[0].textureName;
    normalMaps[0].textureName = flatMap();
    bool drawn = drawScene(startView(0), folder, "flat-map");
    normalMaps[0].textureName = golf;

    SceneState near = startView(0);
    near.cameraDistance = 5;
    return drawn && drawScene(near, folder, "highlight-closeup");
}

bool drawTangentFrame(const std::string& folder)
{
    const GLuint golf = normalMaps[0].textureName;
    normalMaps[0].textureName = flatMap();
    bool drawn = drawVariant(startView(0), "gl_FragColor =", showS, folder, "frame-s") &&
                 drawVariant(startView(0), "gl_FragColor =", showAround, folder, "frame-around") &&
                 drawVariant(startView(0), "gl_FragColor =", showTowardsPole, folder, "frame-pole");
    normalMaps[0].textureName = golf;

    // Close to the lettered ball, rolled away from the camera until the pole that faced the
    // start view faces the camera (which looks down on the ball from height 3).
    scene = startView(letteringMap - 1);
    scene.cameraDistance = 5;
    scene.launchRequested = true;
    scene.frameDelta = atan(3 / scene.cameraDistance) * ballRadius / scene.ballSpeed;
    moveScene();
    rollBall();
    const SceneState pole = scene;
    return drawn && drawScene(pole, folder, "pole-bias") &&
           drawVariant(pole, "float lodBias =", "float lodBias = 0.0;", folder, "pole-no-bias");
}

bool drawLight(const std::string& folder)
{
    for (int quarter = 0; quarter < 4; quarter++) {
        SceneState around = startView(0);
        around.cameraAngle = quarter * PI / 2;
        if (!drawScene(around, folder, "light-" + std::to_string(quarter)))
            return false;
    }
    SceneState side = startView(0);
    side.cameraAngle = 0.5;
    side.cameraDistance = 6;
    return drawScene(side, folder, "facing-fade") &&
           drawVariant(side, "float facing =", "float facing = 1.0;", folder, "no-facing-fade");
}

// The lettered ball launched away from the start view, seen from its side while it rolls.
bool drawRolling(const std::string& folder)
{
    scene = startView(letteringMap - 1);
    scene.launchRequested = true;
    scene.frameDelta = 0;
    moveScene();
    rollBall();
    scene.cameraAngle = -PI / 2;  // from the left of the path, on the side of the light
    for (int frame = 0; frame < 6; frame++) {
        display();
        if (!saveFrame(folder, "roll-" + std::to_string(frame)))
            return false;
        scene.frameDelta = 0.2;
        moveScene();
        rollBall();
    }
    return true;
}

}  // namespace

bool drawFigures(const std::string& folder)
{
    return writeTextures(folder) && drawMapsAndLighting(folder) && drawTangentFrame(folder) &&
           drawLight(folder) && drawRolling(folder);
}
