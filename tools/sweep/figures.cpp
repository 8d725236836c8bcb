#include "figures.h"

#include "analysis/result_analysis.h"
#include "rows.h"

namespace sweep {

RunFigures figuresOfRun(const std::filesystem::path& resultFile) {
    const analysis::CoefficientTable table =
        analysis::readCoefficientTable(resultFile.parent_path() / kDataFiles[0]);
    const analysis::ResultAnalysis a = analysis::analyseResult(resultFile, table);
    RunFigures f;
    f.hvl1 = a.incidentBeam.hvl1MmAl;
    f.hvl2 = a.incidentBeam.hvl2MmAl;
    f.meanEnergy = a.incidentBeam.meanEnergyKeV;
    for (std::size_t i = 0; i < f.factor.size(); ++i) {
        f.factor[i] = a.counted[i].ratioOfSums.value;
        f.uFactor[i] = a.counted[i].ratioOfSums.uncertainty;
    }
    if (const auto surface = a.surfaceRatio()) {
        f.surfaceRatio = surface->value;
        f.uSurfaceRatio = surface->uncertainty;
    }
    return f;
}

}  // namespace sweep
