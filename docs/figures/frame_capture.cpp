#include "docs/figures/frame_capture.h"

#include "platform/gl_entry_points.h"
#include "tools/image_files/file_bytes.h"

#include <GL/glext.h>
#include <algorithm>

namespace {

int frameWidth = 0;
int frameHeight = 0;

template <typename Proc>
bool fetch(Proc* slot, const char* name)
{
    *slot = reinterpret_cast<Proc>(lookupGlProc(name));
    return *slot != nullptr;
}

// GL keeps rows bottom first; the files want them top first.
std::vector<unsigned char> flipped(const std::vector<unsigned char>& rgb, int width, int height)
{
    std::vector<unsigned char> rows(rgb.size());
    const size_t row = size_t(3) * width;
    for (int y = 0; y < height; y++)
        std::copy(rgb.begin() + y * row, rgb.begin() + (y + 1) * row,
                  rows.begin() + (height - 1 - y) * row);
    return rows;
}

}  // namespace

bool drawOffscreen(int width, int height)
{
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus;
    if (!fetch(&genFramebuffers, "glGenFramebuffers") ||
        !fetch(&bindFramebuffer, "glBindFramebuffer") ||
        !fetch(&genRenderbuffers, "glGenRenderbuffers") ||
        !fetch(&bindRenderbuffer, "glBindRenderbuffer") ||
        !fetch(&renderbufferStorage, "glRenderbufferStorage") ||
        !fetch(&framebufferRenderbuffer, "glFramebufferRenderbuffer") ||
        !fetch(&checkFramebufferStatus, "glCheckFramebufferStatus"))
        return false;

    GLuint framebuffer, buffers[2];
    genFramebuffers(1, &framebuffer);
    bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    genRenderbuffers(2, buffers);
    bindRenderbuffer(GL_RENDERBUFFER, buffers[0]);
    renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, buffers[0]);
    bindRenderbuffer(GL_RENDERBUFFER, buffers[1]);
    renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, buffers[1]);
    frameWidth = width;
    frameHeight = height;
    return checkFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

bool writeFrame(const std::string& path)
{
    std::vector<unsigned char> rgb(size_t(3) * frameWidth * frameHeight);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, frameWidth, frameHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return writePpm(path, frameWidth, frameHeight, flipped(rgb, frameWidth, frameHeight));
}

bool writeTexture(GLuint name, const std::string& path)
{
    GLint width = 0, height = 0;
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    if (width <= 0 || height <= 0)
        return false;
    std::vector<unsigned char> rgb(size_t(3) * width * height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return writePpm(path, width, height, flipped(rgb, width, height));
}

bool writePpm(const std::string& path, int width, int height,
              const std::vector<unsigned char>& rgb)
{
    const std::string header = "P6\n" + std::to_string(width) + " " + std::to_string(height) +
                               "\n255\n";
    std::vector<unsigned char> file(header.begin(), header.end());
    file.insert(file.end(), rgb.begin(), rgb.end());
    std::string ignored;  // the caller names the file that could not be written
    return writeFileBytes(path.c_str(), file, &ignored);
}
