#include "tests/support/input_message_recorder.h"

#include "model/input_message.h"

namespace {
std::vector<RecordedMessage> Messages;
}

void ShowInputMessage(const char* text, const char* caption, unsigned int style)
{
    Messages.push_back({text, caption, style});
}

const std::vector<RecordedMessage>& RecordedMessages()
{
    return Messages;
}

void ClearRecordedMessages()
{
    Messages.clear();
}
