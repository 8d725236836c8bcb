#include "process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "conditions.h"

extern char** environ;

namespace sweep {

pid_t startProcess(const std::vector<std::string>& command, const std::filesystem::path& folder,
                   const std::filesystem::path& out, const std::filesystem::path& err) {
    std::vector<std::string> arguments = command;
    std::vector<char*> argv;
    for (std::string& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!err.empty()) {
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw SweepError("cannot start " + command.front() + ": " + std::strerror(rc));
    return pid;
}

int exitStatusOf(pid_t pid, bool block) {
    int raw = 0;
    pid_t got;
    while ((got = ::waitpid(pid, &raw, block ? 0 : WNOHANG)) < 0 && errno == EINTR) {
    }
    if (got == 0) return -1;
    if (got < 0) return 1;
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : WIFSIGNALED(raw) ? 128 + WTERMSIG(raw) : 1;
}

}  // namespace sweep
