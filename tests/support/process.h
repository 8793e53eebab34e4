// Running the tool, or a library routine that may end the process, in a child
// process whose standard output and exit status the test inspects.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace testsupport {

struct Result {
    std::string out;   // everything written to standard output
    std::string err;   // standard error (the tool writes nothing there)
    int status = -1;   // exit status as the shell sees it: exit(-1) is 255
};

// Runs `program` with `args` (not counting argv[0]) in directory `cwd`.
Result run(const std::string &program, const std::vector<std::string> &args,
           const std::string &cwd = "");

// Runs `body` in a forked child; its status is 0 if `body` returns.
Result runInChild(const std::function<void()> &body);

// A fresh directory under the system's temporary directory, removed with its
// contents when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::string &path() const { return path_; }
    std::string file(const std::string &name) const { return path_ + "/" + name; }
    // Writes `bytes` to `name` in the directory and returns its full path.
    std::string write(const std::string &name, const std::string &bytes) const;

private:
    std::string path_;
};

std::string readFile(const std::string &path);

// Replaces the figure of "Elapsed time N seconds" with "X", so whole outputs compare.
std::string maskElapsed(const std::string &out);

} // namespace testsupport
