// The shared library is the contract other programs link against: it must
// export its twenty routines by their plain C names, and nothing else.
#include "process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

TEST(Exports, LibraryExportsExactlyItsRoutines)
{
    const auto r = testsupport::run("/bin/sh", {"-c", std::string("nm -D --defined-only ") +
                                                          KORVANE_LIBRARY_FILE});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> names;
    std::istringstream lines(r.out);
    std::string address, kind, name;
    while (lines >> address >> kind >> name)
        names.push_back(name);
    std::sort(names.begin(), names.end());
    const std::vector<std::string> expected = {
        "check_DEM", "check_YN", "check_file_extension", "check_las", "check_numeric_argument",
        "credits", "d_parallel_qs", "d_parallel_quicksort", "d_qs", "d_quicksort", "error_msg",
        "file_access", "initialize_header10", "initialize_header11", "initialize_header12",
        "l_parallel_qs", "l_parallel_quicksort", "l_qs", "l_quicksort", "update_header"};
    EXPECT_EQ(names, expected);
}
