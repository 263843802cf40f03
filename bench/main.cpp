#include "Bench.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTextStream>

#include <cstdio>
#include <map>
#include <utility>

namespace Bench {

namespace {
std::map<std::pair<int, QString>, Function>& registry()
{
    static std::map<std::pair<int, QString>, Function> benches;
    return benches;
}
} // namespace

Registrar::Registrar(const char* name, int order, Function function)
{
    registry()[{order, QString::fromLatin1(name)}] = std::move(function);
}

QString dataDir()
{
    QString dir = qEnvironmentVariable("VELLUMARK_BENCH_DIR");
    if (dir.isEmpty())
        dir = QDir::current().filePath(QStringLiteral("bench-data"));
    QDir().mkpath(dir);
    return QDir(dir).absolutePath();
}

double timeMs(const std::function<void()>& f, int runs)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        f();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

double timeCommandMs(const QString& shellCommand, int runs, QByteArray* output)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QProcess process;
        QElapsedTimer timer;
        timer.start();
        process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), shellCommand});
        process.waitForFinished(-1);
        best = std::min(best, timer.nsecsElapsed() / 1e6);
        if (output)
            *output = process.readAllStandardOutput();
    }
    return best;
}

qint64 peakRss()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return -1;
}

QByteArray runSelf(const QStringList& args)
{
    QProcess process;
    process.start(QCoreApplication::applicationFilePath(), args);
    process.waitForFinished(-1);
    return process.readAllStandardOutput();
}

void printRow(const QString& what, double ours, const QString& unit, const QString& other,
              double theirs)
{
    std::printf("%-44s %10.1f %-3s | %-34s %10.1f %-3s | ratio %5.2f\n", qPrintable(what), ours,
                qPrintable(unit), qPrintable(other), theirs, qPrintable(unit),
                theirs > 0 ? ours / theirs : 0.0);
    std::fflush(stdout);
}

void printLine(const QString& text)
{
    std::printf("%s\n", qPrintable(text));
    std::fflush(stdout);
}

} // namespace Bench

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen"
                                                                     : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const QString which = args.isEmpty() ? QStringLiteral("all") : args.takeFirst();
    int status = 0;
    bool found = false;
    for (const auto& [key, function] : Bench::registry()) {
        if (which == QLatin1String("all") ? key.first >= 0 : key.second == which) {
            found = true;
            status |= function(args);
        }
    }
    if (!found) {
        std::fprintf(stderr, "usage: vellumark_bench [all");
        for (const auto& entry : Bench::registry())
            std::fprintf(stderr, "|%s", qPrintable(entry.first.second));
        std::fprintf(stderr, "]\n");
        return 2;
    }
    return status;
}
