#include "platform/gl_entry_points.h"

#include <windows.h>

#include <GL/gl.h>

#include <cstdint>

GlProc systemGlProcLookup(const char* name)
{
    // NOTE: some drivers answer a name they lack with 1, 2, 3 or -1 instead of null.
    const intptr_t proc = reinterpret_cast<intptr_t>(wglGetProcAddress(name));
    if (proc == 0 || proc == 1 || proc == 2 || proc == 3 || proc == -1)
        return nullptr;
    return reinterpret_cast<GlProc>(proc);
}

const char* systemGlExtensions()
{
    return reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
}

GlProcLookup glProcLookup = systemGlProcLookup;
GlExtensionsQuery glExtensionsQuery = systemGlExtensions;
