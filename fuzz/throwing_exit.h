// Force-included into the tool and library sources of the fuzz targets.
// glibc declares exit() as never throwing, so a --wrap=exit that throws is
// turned into std::terminate at the caller. Every call to exit in those
// sources is routed here instead, through a function that may throw, so the
// callers unwind and their files and buffers are released.
#pragma once

#include <cstdlib>

[[noreturn]] void tarvik_fuzz_exit(int status);
namespace std {
using ::tarvik_fuzz_exit;
}
#define exit(status) tarvik_fuzz_exit(status)
