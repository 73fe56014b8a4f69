#include "platform/display_name.h"

#include <cstdlib>

void dropForeignDisplayName()
{
    // "NAME=" removes the variable from the C library's environment, which freeglut reads,
    // and from the process's own.
    _putenv("DISPLAY=");
}
