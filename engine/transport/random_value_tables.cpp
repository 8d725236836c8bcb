#include "transport/random_value_tables.h"

#include <cmath>

#include "model/energy_grid.h"

namespace corvane {

RandomValueTables::RandomValueTables() {
    for (std::int32_t a = 0; a < RandomGenerator::kModulus; ++a) {
        const auto i = static_cast<std::size_t>(a);
        const float r = RandomGenerator::toUniform(a);
        uniform[i] = r;
        logUniform[i] = a == 0 ? 0.0 : std::log(static_cast<double>(r));
        // The azimuth phi = U * pi * 2, stored, then its cosine and sine.
        const float phi = static_cast<float>(static_cast<double>(r) * kPi * 2);
        cosAzimuth[i] = static_cast<float>(std::cos(static_cast<double>(phi)));
        sinAzimuth[i] = static_cast<float>(std::sin(static_cast<double>(phi)));
    }
}

const RandomValueTables& randomValueTables() {
    static const RandomValueTables tables;
    return tables;
}

}  // namespace corvane
