#pragma once
// Writing a whole file so that readers see either the old file or the new
// one, never a part, and so that nothing but a regular file or a symbolic link
// is ever replaced.

#include <filesystem>
#include <string>

namespace corvane {

// The folder a file of `target` is written into ("." for a bare name).
std::filesystem::path folderOf(const std::filesystem::path& target);

// Creates an empty private file beside the target, in `dir`, so that the
// rename stays within one file system and replaces the target in one step.
// Returns its descriptor and sets `path`, or returns -1 with errno set.
int createTemporaryBeside(const std::filesystem::path& dir, std::string& path);

// Writes `text` under the file name `name` (matched in `folder` without
// regard to letter case) through a temporary file beside it, flushed to disk
// and renamed over the old file, so that a failed or interrupted write never
// leaves a truncated file nor damages an existing one. A device node, FIFO or
// socket of that name is refused, a replaced regular file keeps its
// permission bits, and Ctrl+C, a kill or a closed terminal during the write
// remove the temporary file before they end the process. Throws EngineError
// (write) naming the file.
void replaceFileWhole(const std::filesystem::path& folder, const std::string& name, const std::string& text);

}  // namespace corvane
