#pragma once
// The sphere test of a flight: which of the six on-axis spheres a flight
// passes, counted into the tallies.

#include "model/tallies.h"

namespace corvane {

// Scores one flight from (x0, y0, z0) to (x1, y1, z1) of a photon of energy e
// travelling with polar cosine cosTheta, into component 1 (primary) or 2
// (scattered) of every sphere it passes: the flight's line must meet the
// sphere, and the flight must cross one of the three planes through the
// sphere's centre or start or end inside the sphere. A flight parallel to the
// surface, or with an unchanged x or y, scores nowhere.
void scoreFlight(Tallies& tallies, float x0, float y0, float z0, float x1, float y1, float z1, float cosTheta,
                 float e, int component);

}  // namespace corvane
