/* Preloaded by the end-to-end tests: an extension string as a driver without shaders gives it.
 * The names to hide come from KX_HIDDEN_GL_EXTENSIONS (separated by spaces); by default the
 * two the shader build needs. */
#define _GNU_SOURCE
#include <GL/gl.h>
#include <dlfcn.h>
#include <stdlib.h>
#include <string.h>

typedef const GLubyte* (*GetStringProc)(GLenum);

static int hidden(const char* name, size_t length)
{
    const char* list = getenv("KX_HIDDEN_GL_EXTENSIONS");
    if (!list)
        list = "GL_ARB_shading_language_100 GL_ARB_shader_objects";
    while (*list) {
        size_t entry = strcspn(list, " ");
        if (entry == length && strncmp(list, name, length) == 0)
            return 1;
        list += entry;
        list += strspn(list, " ");
    }
    return 0;
}

const GLubyte* glGetString(GLenum name)
{
    static GetStringProc real;
    static char* reduced;
    if (!real)
        real = (GetStringProc)dlsym(RTLD_NEXT, "glGetString");
    const GLubyte* value = real(name);
    if (name != GL_EXTENSIONS || !value)
        return value;

    const char* all = (const char*)value;
    free(reduced);
    reduced = malloc(strlen(all) + 1);
    if (!reduced)
        return value;
    char* out = reduced;
    while (*all) {
        size_t length = strcspn(all, " ");
        if (length && !hidden(all, length)) {
            if (out != reduced)
                *out++ = ' ';
            memcpy(out, all, length);
            out += length;
        }
        all += length;
        all += strspn(all, " ");
    }
    *out = '\0';
    return (const GLubyte*)reduced;
}
