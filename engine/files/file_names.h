#pragma once
// File names of the system are matched without regard to ASCII letter case, as
// on the platform the programs were first written for: "Att_coeff2023.dat"
// and "Att_Coeff2023.dat" name one file.

#include <filesystem>
#include <string_view>

namespace corvane {

// The path to open for `name` in `folder`: the exact name when it exists,
// otherwise the single entry of the folder whose name equals it ignoring ASCII
// case, otherwise the exact name (so that opening it reports "not found").
std::filesystem::path resolveFileName(const std::filesystem::path& folder, std::string_view name);

}  // namespace corvane
