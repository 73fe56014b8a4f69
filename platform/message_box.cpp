#include "platform/message_dialog.h"

namespace {

MessageHandler installedHandler = nullptr;

}  // namespace

void showMessage(const char* text, const char* caption, MessageOwner owner, MessageIcon icon)
{
    if (installedHandler)
        installedHandler(text, caption, owner, icon);
    else
        showMessageDialog(text, caption, owner, icon);
}

void setMessageHandler(MessageHandler handler) { installedHandler = handler; }
