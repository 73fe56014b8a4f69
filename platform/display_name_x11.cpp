#include "platform/display_name.h"

// NOTE: on X11 the DISPLAY that the program inherits is the display it is to open.
void dropForeignDisplayName() {}
