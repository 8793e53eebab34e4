// Shared by the tests that run the built Tarvik: its fixed texts and a runner.
#pragma once

#include "las_fixture.h"
#include "process.h"

#include <filesystem>
#include <string>
#include <vector>

namespace tool {

inline const std::string kBanner =
    "\nKorvane LiDAR Utilities"
    "\n\nDeveloped by the Korvane_LiDAR and Tarvik maintainers"
    "\nThe Korvane_LiDAR open-source project"
    "\nReachable through the project's public issue tracker"
    "\n\n** This software is provided as is, without warranty of any kind **"
    "\n** Please acknowledge the Korvane_LiDAR maintainers in work that uses it **\n";

inline const std::string kUsage =
    "\nUsage:\n"
    "Tarvik -h\n"
    "Tarvik <LAS File | ASCII List> <Options>\n"
    "          Options: -d Detailed Report\n"
    "                   -s Save report to LASFile_stats.asc | LASList_stats.asc\n\n" +
    kBanner;

// The line that blanks the last progress line before the summary.
inline const std::string kBlank = "\r" + std::string(78, ' ');

inline std::string progress(const std::string &name, int t, int count)
{
    return "\rProcessing file " + name + " (" + std::to_string(t) + " / " + std::to_string(count) +
           ")" + std::string(20, ' ');
}

// Runs Tarvik in `cwd` with the elapsed figure masked.
inline testsupport::Result run(const std::vector<std::string> &args, const std::string &cwd = "")
{
    testsupport::Result r = testsupport::run(TARVIK_EXE, args, cwd);
    r.out = testsupport::maskElapsed(r.out);
    return r;
}

#ifdef FAULT_SHIM
// Runs Tarvik with the fault shim preloaded and `setting` (NAME=VALUE) in its
// environment; see tests/support/fault_shim.c.
inline testsupport::Result runWithFaults(const std::string &setting,
                                         const std::vector<std::string> &args,
                                         const std::string &cwd = "")
{
    std::vector<std::string> full = {std::string("LD_PRELOAD=") + FAULT_SHIM, setting, TARVIK_EXE};
    full.insert(full.end(), args.begin(), args.end());
    auto r = testsupport::run("/usr/bin/env", full, cwd);
    r.out = testsupport::maskElapsed(r.out);
    return r;
}
#endif

inline const std::string kElapsed = "\nElapsed time X seconds\n";

} // namespace tool
