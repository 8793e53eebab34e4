#include "harness.h"

#include "tarvik.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

void tarvik_fuzz_exit(int status)
{
    throw fuzz::Exit{status};
}

namespace fuzz {

namespace {

void removeWorkspace()
{
    std::error_code ignored;
    std::filesystem::remove_all(workspace(), ignored);
}

} // namespace

const std::string &workspace()
{
    // Never destroyed: the handler that removes it runs after static destructors.
    static const std::string &dir = *new std::string([] {
        // Memory-backed where there is one: a run writes and reads its files
        // several times, ten times faster there than on a disk.
        const std::filesystem::path base = access("/dev/shm", W_OK | X_OK) == 0
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        std::string pattern = (base / "tarvik-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            fail("mkdtemp failed");
        std::atexit(removeWorkspace);
        return pattern;
    }());
    return dir;
}

std::string inWorkspace(const std::string &name)
{
    return workspace() + "/" + name;
}

void quietStdout()
{
    if (std::getenv("TARVIK_FUZZ_VERBOSE") != nullptr)
        return;
    std::fflush(stdout);
    const int fd = open("/dev/null", O_WRONLY);
    if (fd < 0 || dup2(fd, 1) < 0)
        fail("cannot send standard output to /dev/null");
    close(fd);
}

void writeFile(const std::string &path, const std::string &bytes)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f)
        fail("cannot write", path);
}

std::string readFile(const std::string &path)
{
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

bool exists(const std::string &path)
{
    std::error_code ignored;
    return std::filesystem::exists(path, ignored);
}

int runTool(const std::vector<std::string> &args)
{
    std::vector<std::string> words = {"Tarvik"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);

    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(workspace());
    int status;
    try {
        status = runTarvik(static_cast<int>(words.size()), argv.data());
    } catch (const Exit &e) {
        status = e.status;
    }
    std::fflush(stdout);
    std::filesystem::current_path(before);
    return status;
}

void fail(const char *what, const std::string &detail)
{
    std::fflush(stdout);
    std::fprintf(stderr, "\nFUZZ FINDING: %s %s\n", what, detail.c_str());
    std::abort();
}

} // namespace fuzz
