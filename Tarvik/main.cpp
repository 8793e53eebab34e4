// Tarvik: summarises the point records of one LAS file, or of a list of LAS
// files of one version and point format, as one data set.
#include "tarvik.h"

int main(int argc, char **argv)
{
    return runTarvik(argc, argv);
}
