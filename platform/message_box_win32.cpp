#include "platform/message_dialog.h"

#include <windows.h>

void showMessageDialog(const char* text, const char* caption, MessageOwner owner,
                       MessageIcon icon)
{
    // The focus is asked at the moment of the box: the program's window while it runs.
    HWND window = owner == MessageOwnerFocusWindow ? GetFocus() : nullptr;
    const UINT type = MB_OK | (icon == MessageIconWarning ? MB_ICONWARNING : 0);
    MessageBoxA(window, text, caption, type);
}
