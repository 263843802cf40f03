#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// A tiny harness: every benchmark registers itself by name; `vellumark_bench all` runs them in
// order and each prints its own figures next to the standard tool it is measured against.
namespace Bench {

using Function = std::function<int(const QStringList& args)>;

struct Registrar
{
    Registrar(const char* name, int order, Function function);
};

// Where generated data lives (VELLUMARK_BENCH_DIR, default ./bench-data).
QString dataDir();

// Milliseconds taken by f, best of `runs`.
double timeMs(const std::function<void()>& f, int runs = 3);

// Runs a shell command (through /bin/sh) and returns its best wall time in ms over runs;
// its output is discarded unless output is given.
double timeCommandMs(const QString& shellCommand, int runs = 3, QByteArray* output = nullptr);

// Peak resident memory of this process so far, in bytes (VmHWM).
qint64 peakRss();

// Runs this benchmark program again with args and returns its stdout (for measurements that
// need a fresh process, such as peak memory).
QByteArray runSelf(const QStringList& args);

void printRow(const QString& what, double ours, const QString& unit, const QString& other,
              double theirs);
void printLine(const QString& text);

} // namespace Bench

#define VELLUMARK_BENCH(name, order, function) \
    static const Bench::Registrar bench_registrar_##function(name, order, function)
