// update_header ends the process without closing its file, as routines that
// end the process do. In-process, each such input would leak a stream and a
// descriptor; fopen and fclose are wrapped (-Wl,--wrap) to know which streams
// the code under test left open, and the harness closes them as the ending
// process would have.
#include "open_streams.h"

#include <cstdio>
#include <set>

namespace {

std::set<std::FILE *> &openStreams()
{
    static std::set<std::FILE *> streams;
    return streams;
}

} // namespace

extern "C" std::FILE *__real_fopen(const char *path, const char *mode);
extern "C" std::FILE *__real_fopen64(const char *path, const char *mode);
extern "C" int __real_fclose(std::FILE *f);

namespace {

std::FILE *track(std::FILE *f)
{
    if (f != nullptr)
        openStreams().insert(f);
    return f;
}

} // namespace

// Sources built with 64-bit file offsets call fopen64.
extern "C" std::FILE *__wrap_fopen(const char *path, const char *mode)
{
    return track(__real_fopen(path, mode));
}

extern "C" std::FILE *__wrap_fopen64(const char *path, const char *mode)
{
    return track(__real_fopen64(path, mode));
}

extern "C" int __wrap_fclose(std::FILE *f)
{
    openStreams().erase(f);
    return __real_fclose(f);
}

namespace fuzz {

void closeStreamsLeftOpen()
{
    for (std::FILE *f : openStreams())
        __real_fclose(f);
    openStreams().clear();
}

} // namespace fuzz
