#pragma once
// The sphere test of the fast transport: scoreFlight computed with the parts
// that do not depend on the sphere taken once per flight, and the
// discriminants of the six spheres two at a time in SSE2 registers (or one
// at a time where SSE2 is missing, or where CORVANE_SCALAR_SPHERE_TEST asks
// for the scalar form), every operation with the rounding of its scalar form.

#include "transport/tallies.h"

namespace corvane {

// Counts and track lengths of one flight exactly as scoreFlight gives them;
// it reads nothing but its arguments and writes only `tallies`.
void scoreFlightFast(Tallies& tallies, float x0, float y0, float z0, float x1, float y1, float z1, float cosTheta,
                     float e, int component, int batch = 0);

}  // namespace corvane
