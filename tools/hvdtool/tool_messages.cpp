// hvdtool has no message boxes: the number readers' messages are kept for
// the check's report.
#include "model/input_message.h"
#include "tools/hvdtool/settings/settings_check.h"

void ShowInputMessage(const char* text, const char*, unsigned int)
{
    LastInputMessage = text;
}
