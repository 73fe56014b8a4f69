// OpenGL entry points and the extension string, fetched at run time.
// The lookup yields nullptr for a name the GL library does not provide, which neither system
// call tells plainly: glXGetProcAddressARB hands out a stub for any name, and some Windows
// drivers answer wglGetProcAddress with a small number instead of null.
// Both are seams: tests point them at reduced versions to walk the failure paths.
#pragma once

typedef void (*GlProc)();
typedef GlProc (*GlProcLookup)(const char* name);
typedef const char* (*GlExtensionsQuery)();

extern GlProcLookup glProcLookup;            // starts as systemGlProcLookup
extern GlExtensionsQuery glExtensionsQuery;  // starts as systemGlExtensions

GlProc systemGlProcLookup(const char* name);
const char* systemGlExtensions();  // glGetString(GL_EXTENSIONS) of the current context

inline GlProc lookupGlProc(const char* name) { return glProcLookup(name); }
inline const char* glExtensionString() { return glExtensionsQuery(); }
