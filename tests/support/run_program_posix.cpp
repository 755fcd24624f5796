#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <stdexcept>

#include "run_program.h"
#include "temp_dir.h"

extern char** environ;

namespace firma::testing {

void set_environment_variable(const std::string& name, const std::string& value) {
    ::setenv(name.c_str(), value.c_str(), 1);
}

RunResult run_program(const std::vector<std::string>& args, const RunStreams& streams) {
    TempDir capture;
    const std::string in = streams.in.empty() ? "/dev/null" : streams.in;
    const std::string out = streams.out.empty() ? capture / "out" : streams.out;
    const std::string err = streams.err.empty() ? capture / "err" : streams.err;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (err == kClosed)
        posix_spawn_file_actions_addclose(&actions, 2);
    else
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (!streams.cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, streams.cwd.c_str());
    std::vector<char*> argv;
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    std::vector<std::string> current;
    for (char** entry = environ; *entry != nullptr; ++entry) current.emplace_back(*entry);
    const std::vector<std::string> environment = environment_with(current, streams.environment);
    std::vector<char*> envp;
    for (const auto& entry : environment) envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);

    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot run " + args[0]);

    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) throw std::runtime_error("wait4 failed");
    RunResult result;
    result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (streams.out.empty()) result.out = read_file(out);
    if (streams.err.empty()) result.err = read_file(err);
    result.peak_rss_kib = usage.ru_maxrss;
    return result;
}

}  // namespace firma::testing
