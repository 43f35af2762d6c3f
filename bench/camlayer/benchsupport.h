#ifndef CAMLAYER_BENCHSUPPORT_H
#define CAMLAYER_BENCHSUPPORT_H

#include <QString>
#include <QTemporaryDir>

#include <functional>

namespace BenchSupport {

constexpr int CameraCount = 10000;

// Writes a list of CameraCount cameras of all types, each with a name, an
// address and a view sector, spread over a town-sized area around
// (37.6, 55.75), into `dir`. Gives the file's path, empty when it cannot.
QString writeCameraList(const QTemporaryDir &dir);

// Median wall time of `runs` calls of `work`, in milliseconds; `prepare`
// runs untimed before each call.
double medianMs(
    int runs, const std::function<void()> &work, const std::function<void()> &prepare = {});

// Prints one figure against its baseline and whether it meets the target;
// returns the exit status of the benchmark.
int report(const char *what, double ms, const char *baselineName, double baselineMs, double target);

} // namespace BenchSupport

#endif // CAMLAYER_BENCHSUPPORT_H
