#pragma once
// The RQR2 to RQR10 radiation qualities of IEC 61267: for each, the added
// aluminium that gives the standard's first half-value layer, from the tube
// spectrum alone.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "rows.h"

namespace sweep {

struct RqrQuality {
    const char* name;
    double kV;
    double hvl1;  // mm Al
};

// RQR2 40 kV 1.42 mm Al ... RQR10 150 kV 6.57 mm Al.
const std::vector<RqrQuality>& rqrQualities();

// What the RQR rows share besides tube voltage and aluminium.
struct RqrSettings {
    std::string formula = "birch";  // birch | tucker
    std::string angle = "12";       // degrees
    std::string inherent = "1";     // mm Al eq.
    std::string material = "water"; // water | tissue
    std::string photons = "1000000";
    std::string field = "10";       // cm
};

// Computes first HVLs of tube spectra; reads the coefficient table once.
class HvlCalculator {
public:
    explicit HvlCalculator(const std::filesystem::path& coefficientTable);
    ~HvlCalculator();
    HvlCalculator(const HvlCalculator&) = delete;
    HvlCalculator& operator=(const HvlCalculator&) = delete;

    // The first HVL (mm Al, air kerma) of the filtered tube spectrum of a
    // condition, as the engine computes the spectrum the histories are drawn
    // from. Throws std::exception when the spectrum filters to nothing.
    double firstHvl(const Condition& condition) const;

private:
    struct Tables;
    Tables* tables_;
};

// The added aluminium, to 0.01 mm, whose spectrum has the first HVL `target`:
// a bisection between 0 and 100 mm, the grid value closer to the target
// taken. Empty when no thickness in that range reaches it (the spectrum
// without added aluminium is already harder, or 100 mm is still softer).
std::optional<double> aluminiumForHvl(const HvlCalculator& hvl, Condition condition, double target);

// The plan of the preset: one row per quality, its aluminium written with two
// decimals, or "unreachable" with the reason.
std::vector<PlannedRow> rqrPlan(const HvlCalculator& hvl, const RqrSettings& settings);

}  // namespace sweep
