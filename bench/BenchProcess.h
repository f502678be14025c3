#pragma once

// Child processes and CPU pinning for the benchmarks: every outside tool and every
// run of our player that must start in a fresh process goes through RunChild, so
// both sides are timed the same way, on the same cores.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace bench {

// The program's arguments after its name, read before any Qt object exists.
QStringList Arguments(int argc, char** argv);

// "0,1", "0-7" or "2-3,6" to CPU numbers; empty when the list is malformed.
std::vector<int> ParseCores(const QString& list);
// Pins the calling thread and every thread it starts later; call it first in main.
bool PinToCores(const std::vector<int>& cores);

struct ChildRun {
    bool ok = false;        // started and exited with 0
    double wallMs = 0.0;    // from fork to reaping it
    double peakRssMiB = 0;  // the child's peak resident memory
    QByteArray output;      // its standard output, when kept
};

// Runs command[0] (looked up on PATH) pinned to `cores` (none: not pinned), its
// standard output kept or thrown away, its standard error passed through.
ChildRun RunChild(const QStringList& command, const std::vector<int>& cores,
                  bool keepOutput = false);

// The values of the "key value" lines a child printed, in order.
std::vector<double> ChildValues(const QByteArray& output, const char* key);
// The first of them; -1 when the key is missing.
double ChildValue(const QByteArray& output, const char* key);

}  // namespace bench
