#ifndef CAMLAYER_BENCHSUPPORT_H
#define CAMLAYER_BENCHSUPPORT_H

#include <QByteArray>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QTemporaryDir>

#include <functional>

namespace BenchSupport {

constexpr int CameraCount = 10000;
// A national road operator's list.
constexpr int CountryCameraCount = 100000;
// The country's capital, where its densest city lies, and the country.
const QPointF Capital(37.6, 55.75);
const QRectF Country(27.6, 50.75, 20.0, 10.0);

// A town of `count` cameras of all types around (37.6, 55.75), on a
// regular grid of 100 columns, each with a name, an address and a view
// sector.
QByteArray townList(int count);
// A country of `count` cameras over Country: forty cities of sizes falling
// off as in a real country, the capital holding an eighth of the cameras,
// and a quarter of the cameras along the roads between the cities. Seen
// at zoom 13 over the capital, about 1,000 cameras are in view. The same
// count always gives the same list.
QByteArray countryList(int count);

// Writes the town list for up to CameraCount cameras, the country list
// beyond, into `dir`. Gives the file's path, empty when it cannot.
QString writeCameraList(const QTemporaryDir &dir, int count = CameraCount);

// The camera count given as the program's first argument, or `fallback`;
// 0 when the argument is not a count from 1 to 500,000.
int countArgument(int argc, char *argv[], int fallback);

// Bytes of heap the process has in use.
qint64 heapInUse();

// Median wall time of `runs` calls of `work`, in milliseconds; `prepare`
// runs untimed before each call.
double medianMs(int runs, const std::function<void()> &work,
                const std::function<void()> &prepare = {});

// Prints one figure against its baseline and whether the ratio meets the
// target; returns the exit status of the benchmark.
int report(const char *what, double ms, const char *baselineName, double baselineMs, double target);
// Prints one figure against a bound of its own, with its ratio to a
// baseline for comparison between machines; returns the exit status.
int reportWithin(const char *what, double ms, double limitMs, const char *baselineName,
                 double baselineMs);

} // namespace BenchSupport

#endif // CAMLAYER_BENCHSUPPORT_H
