#pragma once
// The phantom and the six detector spheres on its axis.

#include <array>

namespace corvane {

// The phantom: a cylinder of 60 cm diameter and 30 cm thickness around the
// beam axis, its entrance surface at z = 0, the point source at z = -70 cm.
struct PhantomGeometry {
    static constexpr float radius = 30.0f;
    static constexpr float thickness = 30.0f;
    static constexpr float ssd = 70.0f;
};

inline constexpr int kSpheres = 6;  // depths 0, 2, 5, 10, 15, 20 cm

// Depths of the sphere centres on the beam axis (cm), sphere j = 1..6 at
// index j - 1, and the squared sphere radius (1 cm diameter).
inline constexpr std::array<float, kSpheres> kSphereDepths{0.0f, 2.0f, 5.0f, 10.0f, 15.0f, 20.0f};
inline constexpr float kSphereRadiusSquared = 0.25f;

}  // namespace corvane
