#include "tests/support/message_recorder.h"

#include <cassert>

namespace {

MessageRecorder* active = nullptr;

void record(const char* text, const char* caption, MessageOwner owner, MessageIcon icon)
{
    active->messages.push_back({text ? text : "", caption ? caption : "", owner, icon});
}

}  // namespace

MessageRecorder::MessageRecorder()
{
    assert(!active);
    active = this;
    setMessageHandler(record);
}

MessageRecorder::~MessageRecorder()
{
    setMessageHandler(nullptr);
    active = nullptr;
}

std::vector<std::string> MessageRecorder::texts() const
{
    std::vector<std::string> result;
    for (const RecordedMessage& message : messages)
        result.push_back(message.text);
    return result;
}
