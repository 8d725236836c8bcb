#pragma once
// Photon interaction data of the materials the programs need, from xraylib
// (cross sections, form factors, incoherent scattering functions) and from the
// NIST mass energy-absorption tables of Hubbell and Seltzer.

#include <filesystem>
#include <string>
#include <vector>

namespace corvane::datagen {

struct Constituent {
    int z = 0;
    double massFraction = 0;
};

struct Material {
    std::string name;
    double density = 0;  // g/cm3
    std::vector<Constituent> constituents;
};

// Liquid water, H2O with mass fractions from the atomic weights, 1.0 g/cm3.
Material liquidWater();
// ICRU-44 soft tissue, 1.06 g/cm3.
Material icruSoftTissue();

// Linear interaction coefficients in 1/cm at photon energy e (keV): the mass
// coefficients of the elements weighted by mass fraction, times the density.
double coherentCoefficient(const Material& m, double eKeV);
double incoherentCoefficient(const Material& m, double eKeV);
double photoelectricCoefficient(const Material& m, double eKeV);
// Mass attenuation coefficient with coherent scattering, cm2/g.
double massAttenuation(const Material& m, double eKeV);
// Linear attenuation coefficient of a pure element with coherent scattering.
double elementAttenuation(int z, double density, double eKeV);

// Momentum transfer x = sin(theta/2)/lambda in 1/angstrom. The molecular
// squared form factor and incoherent scattering function per unit mass: the
// sums over the elements of (atoms per gram / Avogadro) times F^2 or S.
double molecularFormFactorSquared(const Material& m, double x);
double molecularIncoherentFunction(const Material& m, double x);
// Integral of the molecular squared form factor over x^2 from 0 to x.
double cumulativeCoherent(const Material& m, double x);

// The energies (keV) in (lo, hi) at which the photoelectric cross section of
// one of the material's elements jumps, located to within 1e-6 keV as
// xraylib's own tables place them.
std::vector<double> photoelectricEdges(const Material& m, double lo, double hi);

// A NIST table of mass attenuation and mass energy-absorption coefficients:
// rows of energy (MeV), mu/rho and mu_en/rho (cm2/g); an absorption edge
// appears as two rows of one energy, below and above the edge.
class NistTable {
public:
    explicit NistTable(const std::filesystem::path& csvFile);

    // mu_en/rho in cm2/g at e (keV): log-log interpolation between the two
    // tabulated energies around e, never across an edge (at an edge energy
    // the value above the edge); below the first energy, log-log
    // extrapolation along the first two rows.
    double massEnergyAbsorption(double eKeV) const;
    double massAttenuation(double eKeV) const;

    double firstEnergyKeV() const { return rows_.front().energyKeV; }

private:
    struct Row {
        double energyKeV, mu, muEn;
    };
    double interpolate(double eKeV, double Row::*column) const;
    std::vector<Row> rows_;
    std::string name_;
};

}  // namespace corvane::datagen
