#include "tools/hvdtool/break_even.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <set>

#include "model/extended_math.h"
#include "model/number_text.h"
#include "model/settings_record.h"
#include "tools/hvdtool/settings_check.h"
#include "tools/hvdtool/settings_fields.h"

namespace {

// Points of each of the three grids: even steps of the index, and steps
// growing geometrically away from either end.
const int GridPoints = 2048;
// Around a change of side, neighbours are scanned until this many in a
// row show no further change (and never past the grid's next points): the
// roundings of two stages that move apart can make the product waver
// over a few hundred neighbouring floats.
const std::int64_t QuietRun = 1024;

// The largest count the wizard reads: 16 digits.
const std::int64_t LargestFieldCount = 9999999999999999LL;
// Beyond about 10^21 a real's text outgrows the wizard's field; from 2^120
// on the wizard would write the exponent form, which fits again. The
// search keeps to one run of accepted values, inside this bound.
const float LargestSearchedReal = 1.2676506e30f;  // 2^100

// Floats as indexes that count up through the floats in order of value:
// neighbouring floats are neighbouring indexes, -0 and +0 one index.
std::int64_t IndexOfFloat(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    std::int64_t magnitude = bits & 0x7FFFFFFFu;
    return (bits & 0x80000000u) ? -magnitude : magnitude;
}

float FloatOfIndex(std::int64_t index)
{
    std::uint32_t bits = index < 0 ? 0x80000000u | static_cast<std::uint32_t>(-index) : static_cast<std::uint32_t>(index);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::size_t FieldIndex(const char* name)
{
    for (std::size_t i = 0; i < SettingsFieldCount; ++i) {
        if (std::strcmp(SettingsFields[i].name, name) == 0) return i;
    }
    return 0;
}

// One parameter over its indexes, the others at the file's values.
class ParameterLine {
public:
    ParameterLine(const unsigned char* storedBlock, std::size_t parameter, SolvedResult result, long double target)
        : field_(SettingsFields[parameter]), result_(result), target_(target)
    {
        std::memset(&record_, 0, sizeof record_);
        std::memcpy(&record_, storedBlock, StoredBlockSize);
        record_.MaxYears = FixedMaxYears;
        std::memcpy(block_, storedBlock, sizeof block_);
    }

    bool IsCount() const { return field_.kind == FieldKind::Count; }

    long double ValueOf(std::int64_t index) const { return IsCount() ? static_cast<long double>(index) : FloatOfIndex(index); }

    std::int64_t FileIndex() const
    {
        return IsCount() ? ReadCountField(block_, field_.offset) : IndexOfFloat(ReadRealField(block_, field_.offset));
    }

    long double Product(std::int64_t index)
    {
        SettingsRecord record = record_;
        Write(reinterpret_cast<unsigned char*>(&record), index);
        return SolvedProduct(ComputeResultsFor(&record), result_);
    }

    bool Reaches(std::int64_t index) { return Product(index) >= target_; }

    // Accepted by the wizard and read back as shown: past about 10^21 the
    // wizard reads only the first 23 characters of a real's text, and a
    // value it keeps as something else is not one to offer.
    bool Accepted(std::int64_t index)
    {
        unsigned char block[StoredBlockSize];
        std::memcpy(block, block_, sizeof block);
        Write(block, index);
        if (!IsCount() && std::strlen(ShareToText(FloatOfIndex(index))) > static_cast<std::size_t>(FieldTextLength)) return false;
        return WizardRefusals(block).empty();
    }

    // The accepted values from the file's value outwards: the range's
    // bounds from the wizard's rules, narrowed where the wizard refuses
    // the bound itself (the star-kind sum, the length of a real's text).
    void AcceptedRange(std::int64_t* from, std::int64_t* to)
    {
        std::int64_t low, high;
        NaturalRange(&low, &high);
        const std::int64_t file = FileIndex();
        *from = Accepted(low) ? low : Narrow(file, low);
        *to = Accepted(high) ? high : Narrow(file, high);
    }

private:
    void Write(unsigned char* block, std::int64_t index) const
    {
        if (IsCount()) {
            WriteCountField(block, field_.offset, index);
        } else {
            WriteRealField(block, field_.offset, FloatOfIndex(index));
        }
    }

    std::int64_t Count(const char* name) const { return ReadCountField(block_, SettingsFields[FieldIndex(name)].offset); }

    void NaturalRange(std::int64_t* low, std::int64_t* high) const
    {
        const char* name = field_.name;
        if (!IsCount()) {
            float bound = field_.fraction ? 1.0f : LargestSearchedReal;
            *low = IndexOfFloat(field_.fraction ? 0.0f : -bound);
            *high = IndexOfFloat(bound);
        } else if (std::strcmp(name, "FirstLifeYears") == 0) {
            *low = 0;
            *high = std::min(FixedMaxYears, Count("FirstCivilizationYears"));
        } else if (std::strcmp(name, "FirstCivilizationYears") == 0) {
            *low = Count("FirstLifeYears");
            *high = FixedMaxYears - Count("CivilizationSpanYears");
        } else if (std::strcmp(name, "CivilizationSpanYears") == 0) {
            *low = 0;
            *high = FixedMaxYears - Count("FirstCivilizationYears");
        } else {
            *low = std::strcmp(name, "StarCount") == 0 ? 1000 : 0;
            *high = LargestFieldCount;
        }
    }

    // The last accepted index from an accepted one towards a refused one.
    std::int64_t Narrow(std::int64_t accepted, std::int64_t refused)
    {
        while (accepted - refused > 1 || refused - accepted > 1) {
            std::int64_t middle = accepted + (refused - accepted) / 2;
            (Accepted(middle) ? accepted : refused) = middle;
        }
        return accepted;
    }

    const SettingsField& field_;
    SolvedResult result_;
    long double target_;
    SettingsRecord record_;
    unsigned char block_[StoredBlockSize];
};

// The grid's indexes from `from` to `to`, ascending, without repeats.
std::vector<std::int64_t> Grid(std::int64_t from, std::int64_t to, std::int64_t file)
{
    std::vector<std::int64_t> points = {from, to, file};
    const long double width = static_cast<long double>(to) - static_cast<long double>(from);
    for (int k = 1; k < GridPoints; ++k) {
        long double even = width * k / GridPoints;
        // width^(k / GridPoints): from a step of 1 next to an end up to the whole width.
        long double growing = width >= 1 ? ExpExtended(LnExtended(width) * k / GridPoints) : 0;
        for (long double offset : {even, growing}) {
            std::int64_t step = static_cast<std::int64_t>(std::floor(std::min(offset, width)));
            points.push_back(from + step);
            points.push_back(to - step);
        }
    }
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    return points;
}

}  // namespace

long double SolvedProduct(const StageProducts& products, SolvedResult result)
{
    switch (result) {
    case SolvedResult::Galaxy: return products.galaxyCivilizations;
    case SolvedResult::Universe: return products.universeCivilizations;
    case SolvedResult::Inhabited: return products.inhabitedPlanets;
    }
    return products.galaxyCivilizations;
}

std::vector<BreakEven> FindBreakEvens(const unsigned char* storedBlock, SolvedResult result, long double target)
{
    SetExtendedPrecision();
    std::vector<BreakEven> found;
    for (std::size_t parameter = 0; parameter < SettingsFieldCount; ++parameter) {
        ParameterLine line(storedBlock, parameter, result, target);
        std::int64_t from, to;
        line.AcceptedRange(&from, &to);
        BreakEven entry;
        entry.parameter = parameter;
        entry.fileValue = line.ValueOf(line.FileIndex());
        entry.from = line.ValueOf(from);
        entry.to = line.ValueOf(to);
        entry.reachedAtFrom = line.Reaches(from);

        // Left indexes of the changes of side: index i and i + 1 differ.
        std::set<std::int64_t> changes;
        std::vector<std::int64_t> grid = Grid(from, to, line.FileIndex());
        std::vector<char> sides(grid.size());
        for (std::size_t i = 0; i < grid.size(); ++i) sides[i] = line.Reaches(grid[i]);
        for (std::size_t i = 0; i + 1 < grid.size(); ++i) {
            if (sides[i] == sides[i + 1]) continue;
            std::int64_t low = grid[i], high = grid[i + 1];
            while (high - low > 1) {
                std::int64_t middle = low + (high - low) / 2;
                (line.Reaches(middle) == static_cast<bool>(sides[i]) ? low : high) = middle;
            }
            changes.insert(low);
            // Rounding may make the product waver around the target: scan
            // both ways while changes keep turning up.
            for (int direction : {-1, 1}) {
                std::int64_t quiet = 0;
                std::int64_t at = direction < 0 ? low : high;
                bool side = line.Reaches(at);
                while (quiet < QuietRun) {
                    std::int64_t next = at + direction;
                    if (next < grid[i] || next > grid[i + 1]) break;
                    bool nextSide = line.Reaches(next);
                    if (nextSide != side) {
                        changes.insert(std::min(at, next));
                        quiet = 0;
                    } else {
                        ++quiet;
                    }
                    at = next;
                    side = nextSide;
                }
            }
        }
        for (std::int64_t left : changes) {
            long double below = line.Product(left), above = line.Product(left + 1);
            bool rising = above >= target;
            Crossing c;
            c.value = line.ValueOf(rising ? left + 1 : left);
            c.product = rising ? above : below;
            c.neighbour = line.ValueOf(rising ? left : left + 1);
            c.neighbourProduct = rising ? below : above;
            entry.crossings.push_back(c);
        }
        found.push_back(entry);
    }
    return found;
}
