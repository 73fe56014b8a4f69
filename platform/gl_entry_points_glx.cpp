#include "platform/gl_entry_points.h"

#include <GL/gl.h>
#include <GL/glx.h>
#include <dlfcn.h>

GlProc systemGlProcLookup(const char* name)
{
    // NOTE: glXGetProcAddressARB returns a dispatch stub even for made-up names, so first ask
    // the GL library itself whether it exports the name at all.
    static void* library = dlopen("libGL.so.1", RTLD_LAZY | RTLD_LOCAL);
    if (!library || !dlsym(library, name))
        return nullptr;
    return glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name));
}

const char* systemGlExtensions()
{
    return reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
}

GlProcLookup glProcLookup = systemGlProcLookup;
GlExtensionsQuery glExtensionsQuery = systemGlExtensions;
