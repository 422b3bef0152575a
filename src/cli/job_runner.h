// Verifying files in child processes, several at once: the engine is used from one thread per
// process, so files run side by side only in processes of their own.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "cli/file_outcome.h"
#include "cli/options.h"

namespace quorvel::cli {

// Verifies each of `files` in a child process running this same program as
// `child_command(file)` says, which makes it write one JSON line (see json_report.h); at most
// `jobs` children run at once, started in the order of `files`. Calls `done(index, outcome)`
// as each child ends, in the order they end. A child that cannot be started, dies, or ends
// without a readable line gives a failed outcome for its file; the others go on.
void verify_in_child_processes(
    std::span<const std::string> files, unsigned jobs,
    const std::function<ChildCommand(const std::string& file)>& child_command,
    const std::function<void(std::size_t index, FileOutcome outcome)>& done);

}  // namespace quorvel::cli
