#pragma once
// File names of the system are matched without regard to ASCII letter case, as
// on the platform the programs were first written for: "Att_coeff2023.dat"
// and "Att_Coeff2023.dat" name one file.

#include <filesystem>
#include <string>
#include <string_view>

namespace corvane {

// Why `name` cannot be matched to one entry of `folder`: when no entry bears
// the exact name and two or more equal it ignoring ASCII case, a reason that
// lists them all; otherwise empty.
std::string nameAmbiguity(const std::filesystem::path& folder, std::string_view name);

// The path to open for `name` in `folder`: the exact name when it exists,
// otherwise the single entry of the folder whose name equals it ignoring ASCII
// case, otherwise the exact name (so that opening it reports "not found").
// Throws EngineError (open) when the name is ambiguous.
std::filesystem::path resolveFileName(const std::filesystem::path& folder, std::string_view name);

}  // namespace corvane
