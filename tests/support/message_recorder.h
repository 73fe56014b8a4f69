// Records what the program would show in message boxes, instead of showing them.
#pragma once
#include "platform/message_box.h"

#include <string>
#include <vector>

struct RecordedMessage {
    std::string text;
    std::string caption;
    MessageOwner owner;
    MessageIcon icon;
};

// While one exists, every message is appended to messages; the dialog comes back on destruction.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    std::vector<RecordedMessage> messages;
    std::vector<std::string> texts() const;
};
