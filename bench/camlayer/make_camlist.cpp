// Writes a camera list to standard output, for trying the workstation with
// a large layer: make_camlist [count] > cameras.xml. Up to 10,000 cameras
// make a town around (37.6, 55.75), more a country of forty cities over
// 20 by 10 degrees (the lists the benchmarks use).
#include "benchsupport.h"

#include <cstdio>

int main(int argc, char *argv[])
{
    const int count = BenchSupport::countArgument(argc, argv, BenchSupport::CountryCameraCount);
    if (count == 0) {
        std::fprintf(stderr, "usage: %s [cameras, 1 to 500000] > list.xml\n", argv[0]);
        return 2;
    }
    const QByteArray list = count <= BenchSupport::CameraCount ? BenchSupport::townList(count)
                                                               : BenchSupport::countryList(count);
    return std::fwrite(list.constData(), 1, size_t(list.size()), stdout) == size_t(list.size()) ? 0
                                                                                                : 1;
}
