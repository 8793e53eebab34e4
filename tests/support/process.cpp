#include "process.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

namespace {

// Reads both pipes to their ends, then reaps the child.
Result collect(pid_t pid, int outFd, int errFd)
{
    Result r;
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string *sinks[2] = {&r.out, &r.err};
    int open = 2;
    char buf[65536];
    while (open > 0) {
        if (poll(fds, 2, -1) < 0)
            break;
        for (int k = 0; k < 2; ++k) {
            if (fds[k].fd < 0 || fds[k].revents == 0)
                continue;
            const ssize_t n = read(fds[k].fd, buf, sizeof buf);
            if (n > 0) {
                sinks[k]->append(buf, static_cast<size_t>(n));
            } else {
                close(fds[k].fd);
                fds[k].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return r;
}

template <typename ChildBody> Result forkWith(ChildBody body)
{
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0)
        throw std::runtime_error("pipe failed");
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        close(outPipe[0]);
        close(errPipe[0]);
        close(outPipe[1]);
        close(errPipe[1]);
        body();
        std::fflush(nullptr);
        _exit(0);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    return collect(pid, outPipe[0], errPipe[0]);
}

} // namespace

Result run(const std::string &program, const std::vector<std::string> &args, const std::string &cwd)
{
    return forkWith([&] {
        if (!cwd.empty() && chdir(cwd.c_str()) != 0)
            _exit(120);
        std::vector<char *> argv;
        argv.push_back(const_cast<char *>(program.c_str()));
        for (const std::string &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(121);
    });
}

Result runInChild(const std::function<void()> &body)
{
    return forkWith([&] { body(); });
}

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tarvik-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    // Tests may leave read-only files behind; make them removable first.
    for (auto &entry : std::filesystem::recursive_directory_iterator(path_, ignored))
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::write(const std::string &name, const std::string &bytes) const
{
    const std::string p = file(name);
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f)
        throw std::runtime_error("cannot write " + p);
    return p;
}

std::string readFile(const std::string &path)
{
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

std::string maskElapsed(const std::string &out)
{
    static const std::string label = "Elapsed time ";
    std::string masked = out;
    for (size_t at = masked.find(label); at != std::string::npos;
         at = masked.find(label, at + label.size())) {
        const size_t from = at + label.size();
        size_t to = from;
        while (to < masked.size() && (std::isdigit(static_cast<unsigned char>(masked[to])) ||
                                      masked[to] == '.'))
            ++to;
        if (to > from && masked.compare(to, 8, " seconds") == 0)
            masked.replace(from, to - from, "X");
    }
    return masked;
}

} // namespace testsupport
