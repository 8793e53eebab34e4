// The scan benchmark: how close Tarvik comes to the speed at which the machine
// reads a LAS file from the page cache.
//
//   scan_bench [--points N] [--runs R] [--dir DIR] [--formats 0123]
//              [--list-files F] [--list-points P] [--keep]
//
// For each point format it writes a synthetic file of N points (make_sample:
// a few classes, 1-4 returns, intensities over a few hundred values, scan
// angles within +-20, five point source IDs, increasing GPS times), reads it
// once to warm the cache, then R times, interleaved: (a) a plain read of the
// whole file into a 1 MiB buffer with nothing done to it, (b) Tarvik FILE,
// (c) Tarvik FILE -d. Then a list of F files of P points (format 1) with -d
// against a plain read of the same files. Medians of the R runs; the ratio is
// each median over the plain read's, and the peak resident memory is the
// largest of the tool's runs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Timing {
    double seconds;
    long peakKiB;
};

void runOrDie(const std::vector<std::string> &args)
{
    std::string line;
    for (const auto &a : args)
        line += a + " ";
    if (std::system(line.c_str()) != 0) {
        std::fprintf(stderr, "scan_bench: failed: %s\n", line.c_str());
        std::exit(1);
    }
}

// Reads every byte of the files into one buffer, as fast as read(2) goes.
Timing plainRead(const std::vector<std::string> &files)
{
    static std::vector<char> buffer(size_t{1} << 20);
    const auto t0 = std::chrono::steady_clock::now();
    for (const auto &f : files) {
        const int fd = open(f.c_str(), O_RDONLY);
        if (fd < 0) {
            std::perror(f.c_str());
            std::exit(1);
        }
        while (read(fd, buffer.data(), buffer.size()) > 0) {
        }
        close(fd);
    }
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), 0};
}

// Runs the tool with its output discarded; the time includes starting it.
Timing tool(const std::vector<std::string> &args, const std::string &cwd)
{
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(cwd.c_str()) != 0)
            _exit(120);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        std::vector<char *> argv;
        argv.push_back(const_cast<char *>(TARVIK_EXE));
        for (const auto &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(TARVIK_EXE, argv.data());
        _exit(121);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "scan_bench: Tarvik failed (status %d)\n", status);
        std::exit(1);
    }
    return {s, usage.ru_maxrss};
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

struct Row {
    std::string name;
    unsigned long long points;
    std::vector<double> seconds;
    long peakKiB = 0;
};

void print(const Row &r, double limit)
{
    const double s = median(r.seconds);
    std::printf("| %-26s | %11llu | %9.4f | %8.1f | %5.2f | %s |\n", r.name.c_str(), r.points, s,
                static_cast<double>(r.points) / s / 1e6, s / limit,
                r.peakKiB ? (std::to_string(r.peakKiB / 1024) + " MiB").c_str() : "-");
}

void header()
{
    std::printf("| %-26s | %11s | %9s | %8s | %5s | %s |\n", "run", "points", "median s", "Mpts/s",
                "ratio", "peak RSS");
    std::printf("|%s|%s|%s|%s|%s|%s|\n", std::string(28, '-').c_str(), std::string(13, '-').c_str(),
                std::string(11, '-').c_str(), std::string(10, '-').c_str(),
                std::string(7, '-').c_str(), std::string(10, '-').c_str());
}

// Times the plain read and each tool command line over the same files, interleaved.
void measure(const std::string &label, const std::vector<std::string> &files,
             const std::vector<std::pair<std::string, std::vector<std::string>>> &commands,
             unsigned long long points, int runs, const std::string &dir)
{
    Row read{label + ": plain read", points, {}};
    std::vector<Row> rows;
    for (const auto &c : commands)
        rows.push_back({label + ": " + c.first, points, {}});
    plainRead(files); // warm the page cache
    for (int r = 0; r < runs; ++r) {
        read.seconds.push_back(plainRead(files).seconds);
        for (size_t c = 0; c < commands.size(); ++c) {
            const Timing t = tool(commands[c].second, dir);
            rows[c].seconds.push_back(t.seconds);
            rows[c].peakKiB = std::max(rows[c].peakKiB, t.peakKiB);
        }
    }
    const double limit = median(read.seconds);
    print(read, limit);
    for (const Row &row : rows)
        print(row, limit);
}

} // namespace

int main(int argc, char **argv)
{
    unsigned long long points = 10000000;
    int runs = 7, listFiles = 100;
    unsigned long long listPoints = 100000;
    std::string dir = "/tmp/tarvik-bench", formats = "0123";
    bool keep = false;
    for (int a = 1; a < argc; ++a) {
        const std::string opt = argv[a];
        const char *value = a + 1 < argc ? argv[a + 1] : "";
        if (opt == "--keep") { keep = true; continue; }
        if (opt == "--points") points = std::strtoull(value, nullptr, 10);
        else if (opt == "--runs") runs = std::atoi(value);
        else if (opt == "--dir") dir = value;
        else if (opt == "--formats") formats = value;
        else if (opt == "--list-files") listFiles = std::atoi(value);
        else if (opt == "--list-points") listPoints = std::strtoull(value, nullptr, 10);
        else {
            std::fprintf(stderr, "usage: scan_bench [--points N] [--runs R] [--dir DIR] "
                                 "[--formats 0123] [--list-files F] [--list-points P] [--keep]\n");
            return 2;
        }
        ++a;
    }
    mkdir(dir.c_str(), 0755);
    std::printf("Tarvik scan benchmark: %d runs each, medians, page cache warm\n\n", runs);
    header();
    std::vector<std::string> made;
    for (char f : formats) {
        const std::string name = std::string("bench_f") + f + ".las";
        const std::string path = dir + "/" + name;
        runOrDie({MAKE_SAMPLE_EXE, path, "--points", std::to_string(points), "--format",
                  std::string(1, f)});
        made.push_back(path);
        measure(std::string("format ") + f, {path}, {{"Tarvik FILE", {name}}, {"Tarvik FILE -d", {name, "-d"}}},
                points, runs, dir);
        if (!keep)
            unlink(path.c_str());
    }
    if (listFiles > 0) {
        std::vector<std::string> files;
        std::string list;
        for (int k = 0; k < listFiles; ++k) {
            const std::string name = "tile" + std::to_string(k) + ".las";
            runOrDie({MAKE_SAMPLE_EXE, dir + "/" + name, "--points", std::to_string(listPoints),
                      "--format", "1", "--seed", std::to_string(k + 1)});
            files.push_back(dir + "/" + name);
            list += name + "\n";
        }
        FILE *f = std::fopen((dir + "/tiles.txt").c_str(), "w");
        std::fputs(list.c_str(), f);
        std::fclose(f);
        measure(std::to_string(listFiles) + " files", files, {{"Tarvik LIST -d", {"tiles.txt", "-d"}}},
                listPoints * static_cast<unsigned long long>(listFiles), runs, dir);
        if (!keep) {
            for (const auto &p : files)
                unlink(p.c_str());
            unlink((dir + "/tiles.txt").c_str());
        }
    }
    return 0;
}
