#include "tools/hvdtool/solve/break_even.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <set>

#include "model/extended_math.h"
#include "model/number_text.h"
#include "model/settings_record.h"
#include "tools/hvdtool/settings/settings_check.h"
#include "tools/hvdtool/settings/settings_fields.h"

namespace {

// Points of each of the three grids: even steps of the index, and steps
// growing geometrically away from either end.
const int GridPoints = 2048;
// Around a change of side, neighbours are scanned until this many in a
// row show no further change (and never past the grid's next points): the
// roundings of two stages that move apart can make the product waver
// over a few hundred neighbouring floats.
const std::int64_t QuietRun = 1024;

// Every finite float has a text in the wizard's field that reads back to it.
const float LargestReal = std::numeric_limits<float>::max();

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

    // Accepted by the wizard with the others at the file's values.
    bool Accepted(std::int64_t index)
    {
        unsigned char block[StoredBlockSize];
        std::memcpy(block, block_, sizeof block);
        Write(block, index);
        return BrokenWizardRules(block) == 0;
    }

    // The bounds that the field's own range and the fixed span of years
    // give; the rules that join fields may still refuse values inside.
    void NaturalRange(std::int64_t* low, std::int64_t* high) const
    {
        const char* name = field_.name;
        if (!IsCount()) {
            float bound = field_.fraction ? 1.0f : LargestReal;
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

// From an accepted index towards a refused one: the last accepted index
// before a refused one.
std::int64_t LastAccepted(const IndexLine& line, std::int64_t accepted, std::int64_t refused)
{
    while (accepted - refused > 1 || refused - accepted > 1) {
        std::int64_t middle = accepted + (refused - accepted) / 2;
        (line.accepted(middle) ? accepted : refused) = middle;
    }
    return accepted;
}

// The changes of side along one line, each the lower of two neighbouring
// accepted indexes on either side of the target.
struct ChangeSearch {
    const IndexLine& line;
    std::set<std::int64_t>& changes;

    struct Segment {
        std::int64_t low;
        bool lowSide;
        std::int64_t high;
        bool highSide;
    };

    // low < high, both accepted, on different sides. A refused middle is a
    // band the wizard refuses: the search goes on from its accepted edges,
    // and a change of side across the band is no crossing.
    void Narrow(std::int64_t low, bool lowSide, std::int64_t high, bool highSide)
    {
        const std::int64_t outerLow = low, outerHigh = high;
        std::vector<Segment> open = {{low, lowSide, high, highSide}};
        while (!open.empty()) {
            Segment g = open.back();
            open.pop_back();
            if (g.lowSide == g.highSide) continue;
            if (g.high - g.low == 1) {
                changes.insert(g.low);
                ScanFrom(g.low, g.high, outerLow, outerHigh);
                continue;
            }
            std::int64_t middle = g.low + (g.high - g.low) / 2;
            if (line.accepted(middle)) {
                bool side = line.reaches(middle);
                open.push_back({g.low, g.lowSide, middle, side});
                open.push_back({middle, side, g.high, g.highSide});
            } else {
                std::int64_t below = LastAccepted(line, g.low, middle), above = LastAccepted(line, g.high, middle);
                open.push_back({g.low, g.lowSide, below, line.reaches(below)});
                open.push_back({above, line.reaches(above), g.high, g.highSide});
            }
        }
    }

    // Rounding may make the product waver around the target: from a change
    // at low and high = low + 1, neighbours are scanned both ways while
    // changes keep turning up, within the grid's points and the accepted
    // indexes.
    void ScanFrom(std::int64_t low, std::int64_t high, std::int64_t outerLow, std::int64_t outerHigh)
    {
        for (int direction : {-1, 1}) {
            std::int64_t quiet = 0;
            std::int64_t at = direction < 0 ? low : high;
            bool side = line.reaches(at);
            while (quiet < QuietRun) {
                std::int64_t next = at + direction;
                if (next < outerLow || next > outerHigh || !line.accepted(next)) break;
                bool nextSide = line.reaches(next);
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
};

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

SideChanges FindSideChanges(const IndexLine& line, std::int64_t low, std::int64_t high, std::int64_t inside)
{
    SideChanges found;
    // The accepted bounds: the natural ones, or where the wizard refuses an
    // end, the last accepted index from the grid's first (last) accepted
    // point towards it.
    const std::vector<std::int64_t> outer = Grid(low, high, inside);
    std::size_t first = 0, last = outer.size() - 1;
    while (!line.accepted(outer[first])) ++first;
    while (!line.accepted(outer[last])) --last;
    found.from = first == 0 ? outer[first] : LastAccepted(line, outer[first], outer[first - 1]);
    found.to = last == outer.size() - 1 ? outer[last] : LastAccepted(line, outer[last], outer[last + 1]);

    // Between neighbouring accepted points of the grid, each change of side
    // narrowed to two neighbouring accepted indexes.
    ChangeSearch search{line, found.changes};
    std::int64_t previous = 0;
    bool previousSide = false, any = false;
    for (std::int64_t point : Grid(found.from, found.to, inside)) {
        if (!line.accepted(point)) continue;
        const bool side = line.reaches(point);
        if (any && side != previousSide) search.Narrow(previous, previousSide, point, side);
        previous = point;
        previousSide = side;
        any = true;
    }
    return found;
}

std::vector<BreakEven> FindBreakEvens(const unsigned char* storedBlock, SolvedResult result, long double target)
{
    SetExtendedPrecision();
    std::vector<BreakEven> found;
    for (std::size_t parameter = 0; parameter < SettingsFieldCount; ++parameter) {
        ParameterLine line(storedBlock, parameter, result, target);
        std::int64_t low, high;
        line.NaturalRange(&low, &high);
        const IndexLine index{[&line](std::int64_t i) { return line.Accepted(i); }, [&line](std::int64_t i) { return line.Reaches(i); }};
        const SideChanges sides = FindSideChanges(index, low, high, line.FileIndex());
        BreakEven entry;
        entry.parameter = parameter;
        entry.fileValue = line.ValueOf(line.FileIndex());
        entry.from = line.ValueOf(sides.from);
        entry.to = line.ValueOf(sides.to);
        entry.reachedAtFrom = line.Reaches(sides.from);
        for (std::int64_t left : sides.changes) {
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
