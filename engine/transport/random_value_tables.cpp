#include "transport/random_value_tables.h"

#include <cmath>

#include "model/arithmetic.h"
#include "model/energy_grid.h"

namespace corvane {

RandomValueTables::RandomValueTables() {
    for (std::int32_t a = 0; a < RandomGenerator::kModulus; ++a) {
        const auto i = static_cast<std::size_t>(a);
        const float r = RandomGenerator::toUniform(a);
        uniform[i] = r;
        logUniform[i] = a == 0 ? 0.0 : std::log(asDouble(r));
        // The azimuth phi = U * pi * 2, stored, then its cosine and sine.
        const float phi = storeFloat(asDouble(r) * kPi * 2);
        cosAzimuth[i] = storeFloat(std::cos(asDouble(phi)));
        sinAzimuth[i] = storeFloat(std::sin(asDouble(phi)));
    }
}

const RandomValueTables& randomValueTables() {
    static const RandomValueTables tables;
    return tables;
}

}  // namespace corvane
