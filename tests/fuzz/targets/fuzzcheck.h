#pragma once
// What the fuzz targets share: a property that must hold for every input.
// A broken one aborts, which libFuzzer reports with the input that did it.

#include <cstdio>
#include <cstdlib>

inline void require(bool holds, const char *property)
{
    if (holds)
        return;
    std::fprintf(stderr, "property broken: %s\n", property);
    std::abort();
}
