#include "model/settings_record.h"

#include "model/extended_math.h"

// Zero-filled at start: every parameter 0, every text null, CurrentPage 0.
SettingsRecord Settings;

void InitSettingsRecord()
{
    std::int64_t maxYears;
    RealToCount(1000000000.0L * 10.0L, &maxYears);
    Settings.MaxYears = maxYears;
}

unsigned char* StoredBlockBytes()
{
    return reinterpret_cast<unsigned char*>(&Settings);
}
