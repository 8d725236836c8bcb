#pragma once
// Writing a whole file so that readers see either the old file or the new
// one, never a part.

#include <filesystem>
#include <string>

namespace corvane {

// Writes `text` to a temporary file beside `target`, flushes it to disk and
// renames it over `target`, so that a failed or interrupted write never
// leaves a truncated file nor damages an existing file of that name. Throws
// EngineError (write) naming `shownName`.
void replaceFileWhole(const std::filesystem::path& target, const std::string& shownName, const std::string& text);

}  // namespace corvane
