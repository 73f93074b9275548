// The five results of the results screen as values rather than texts, for
// the comparisons and statistics of hvdtool diff and range.
#pragma once

#include <cstdint>
#include <string>

#include "display/result_text.h"
#include "model/settings_record.h"

struct ResultValue {
    bool distance;          // lines 2 and 4: lightYears; else count and exponent
    std::int64_t count;     // meaningful when exponent is 0; else INT64_MAX or INT64_MIN
    std::uint8_t exponent;  // 0, or the power of ten of "more than 10^" ("less than -10^" when count is INT64_MIN)
    float lightYears;       // +inf reads "infinite", NaN "undefined"
};

// Index 0 to 4 for the results screen's lines 1 to 5.
struct ResultValues {
    ResultValue line[ResultLineCount];
};

// The results a record holds after ComputeResultsFor.
ResultValues RecordResults(const SettingsRecord& record);

// The results the SettingsRecord holds after ComputeResults.
ResultValues CurrentResults();

// The results screen's wording of the value with its unit: "9,780,000",
// "109 ly", "infinite ly", "more than 10^23".
std::string ResultWording(const ResultValue& value);

// The value as a number when it is one (not "more than 10^", not infinite
// or undefined); false otherwise.
bool ResultNumber(const ResultValue& value, long double* number);

// The value in JSON: the exact count or the float as a number, else the
// wording without unit as a string ("more than 10^23", "infinite").
std::string ResultJson(const ResultValue& value);
