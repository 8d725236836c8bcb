#pragma once
// The sphere test of a flight: which of the six on-axis spheres a flight
// passes, counted into the tallies, and the track length of its path inside
// each.

#include "model/tallies.h"

namespace corvane {

// The length (cm) of the path p(t) = p0 + t v, 0 <= t <= 1 (a segment), or
// t >= 0 when `ray` (the straight path of a photon that has left the phantom
// through the entrance surface into the vacuum around it), inside the sphere
// of radius 0.5 cm centred on the axis at depth d. Zero for a path that only
// touches the sphere or has no length.
double chordInSphere(double x0, double y0, double z0, double vx, double vy, double vz, double d, bool ray);

// Adds the track length of a flight from (x0, y0, z0) to (x1, y1, z1) inside
// every sphere to component 1 or 2, bin k, batch b. A flight that ends at or
// in front of the entrance surface (z1 <= 0) has left the phantom: its path
// is followed on beyond its end point, straight and unattenuated.
void addTrackLengths(Tallies& tallies, float x0, float y0, float z0, float x1, float y1, float z1, int component,
                     int k, int batch);

// Adds the track length of the source ray of a photon of bin k, from the
// point source at depth -ssd to its entry point (x, y, 0), inside the depth-0
// sphere (the only one that sticks out of the phantom), as primary.
void addSourceRay(Tallies& tallies, float x, float y, float ssd, int k, int batch);

// Scores one flight from (x0, y0, z0) to (x1, y1, z1) of a photon of energy e
// travelling with polar cosine cosTheta, into component 1 (primary) or 2
// (scattered) of every sphere it passes: the flight's line must meet the
// sphere, and the flight must cross one of the three planes through the
// sphere's centre or start or end inside the sphere. A flight parallel to the
// surface, or with an unchanged x or y, scores nowhere. The counts go also
// to batch `batch`, and the flight's track length inside each sphere is
// added (addTrackLengths), whether it counts or not.
void scoreFlight(Tallies& tallies, float x0, float y0, float z0, float x1, float y1, float z1, float cosTheta,
                 float e, int component, int batch = 0);

}  // namespace corvane
