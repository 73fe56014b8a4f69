// Shows one message box through the program's own message-box layer, so that the test and demo
// commands can tell before anything else runs whether dialogs appear on their display
// (scripts/lib/dialog-check.sh). It blocks until the box is dismissed or the process is ended;
// where no box can be shown, the layer's stderr line says why and the probe ends at once.
#include "platform/message_box.h"

int main()
{
    showMessage("Message boxes can be shown on this display.", "Kullerix message box check",
                MessageOwnerNone, MessageIconWarning);
    return 0;
}
