// Test stand-in for the model's message box: records instead of showing.
#pragma once

#include <string>
#include <vector>

struct RecordedMessage {
    std::string text;
    std::string caption;
    unsigned int style;
};

// Every message shown since the last ClearRecordedMessages.
const std::vector<RecordedMessage>& RecordedMessages();
void ClearRecordedMessages();
