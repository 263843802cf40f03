// vellumark-cli: capture, search and summarise catalogs from the shell, on Qt Core alone.
#include "cli/CaptureCommand.h"
#include "cli/Console.h"
#include "cli/CopiesCommand.h"
#include "cli/DisksCommand.h"
#include "cli/SearchCommand.h"
#include "cli/SearchTerms.h"

#include <QStringList>

#include <cstring>
#include <functional>
#include <map>

namespace {

const char* const kUsage =
    "Usage: vellumark-cli COMMAND [ARGUMENT...]\n"
    "Capture, search and summarise Vellumark catalogs from the shell.\n"
    "\n"
    "Commands:\n"
    "  capture [--index VALUE] [--append | --overwrite] FOLDER CATALOG\n"
    "  search CATALOG [TERM...] [--index VALUE] [--count] [--format lines|tsv|csv|json]\n"
    "  disks CATALOG\n"
    "  copies CATALOG [--only-on VALUE] [--min-size SIZE]\n"
    "\n"
    "vellumark-cli COMMAND --help tells more of each; man vellumark-cli tells all.\n";

const char* const kCaptureHelp =
    "Usage: vellumark-cli capture [--index VALUE] [--append | --overwrite] FOLDER CATALOG\n"
    "Writes one catalog line (index TAB full name TAB size, CR LF) for every file of the\n"
    "folder tree, exactly as the capture window does.\n"
    "\n"
    "  --index VALUE  the index value of every line (at most 5 characters; a value that is\n"
    "                 not a number becomes 1, as does no value at all)\n"
    "  --append       add to an existing CATALOG\n"
    "  --overwrite    replace an existing CATALOG\n"
    "An existing CATALOG is refused without one of the two. Files and folders that cannot be\n"
    "catalogued are reported on standard error, one report per folder; progress shows there\n"
    "when it is a terminal.\n"
    "Exit status: 0 done, 1 done with reports, 2 failed (refused, or the catalog could not be\n"
    "written; every line it holds is whole).\n";

const char* const kSearchHelp =
    "Usage: vellumark-cli search CATALOG [TERM...] [--index VALUE] [--count]\n"
    "                            [--format lines|tsv|csv|json]\n"
    "Prints the records that every term holds for, in file order.\n"
    "\n"
    "  text          the file name contains text, letter case ignored (* % ' are literal)\n"
    "  \"two words\"   one term with its blanks (\"\" inside is one double quote)\n"
    "  -term         leaves out the records the term holds for\n"
    "  path:TEXT     the full name starts with TEXT\n"
    "  ext:jpg,png   the extension of the name's last component is one of these\n"
    "  size:>1G  size:<100M  size:1k..2M  size:4096\n"
    "                sizes in bytes (> < strict, a..b both ends included; k M G T in 1024s)\n"
    "  disk:3  disk:1,4-6\n"
    "                index values\n"
    "  --index VALUE records whose index value is VALUE (as the Index list chooses)\n"
    "  --count       print the number of records only\n"
    "  --format F    lines (the catalog's line, LF; the default), tsv, csv or json\n"
    "Exit status: 0 something found, 1 nothing found, 2 error (a term it cannot read, a file\n"
    "that is not a catalog, or a catalog that stops early: the records before the stop are\n"
    "printed, then the reason).\n";

const char* const kDisksHelp =
    "Usage: vellumark-cli disks CATALOG\n"
    "One row per index value, in the order of the values: index, label, files, bytes,\n"
    "captured, free at capture (TAB-separated, under a header line). Label, time of capture\n"
    "(ISO 8601) and free bytes come from the catalog's side file (CATALOG.disks).\n"
    "Exit status: 0 done, 1 an empty catalog, 2 error.\n";

const char* const kCopiesHelp =
    "Usage: vellumark-cli copies CATALOG [--only-on VALUE] [--min-size SIZE]\n"
    "Two records are copies when their file names (the last part of the full name, letter\n"
    "case ignored) and sizes are the same and their index values differ; one file held twice\n"
    "on one disk is not a copy.\n"
    "\n"
    "Without --only-on: every group of copies, the most wasted bytes first (size x (copies -\n"
    "1)), each group's records as catalog lines (index TAB name TAB size) by disk, groups\n"
    "apart by an empty line; then, on standard error, the number of groups and the bytes the\n"
    "copies beyond one of each take.\n"
    "  --only-on VALUE  instead, the records of index value VALUE that no other disk holds, in\n"
    "                   file order; then, on standard error, their number and bytes and, for\n"
    "                   every other disk, how many of this disk's files and bytes it holds\n"
    "  --min-size SIZE  leave out groups (with --only-on: files) smaller than SIZE bytes\n"
    "                   (k M G T in 1024s, as search's size: terms)\n"
    "The whole catalog is loaded; one the loader refuses or that stops early gives no answer.\n"
    "Exit status: 0 something listed, 1 nothing listed, 2 error.\n";

int usageError(const QString& text, const char* help)
{
    Console::error(text);
    Console::note(QByteArray("Try 'vellumark-cli ") + help + " --help'.\n");
    return Console::kError;
}

// Options of one command: --name VALUE, --name=VALUE, --flag; "--" ends them. Everything else
// is an operand, including words that start with a single "-" (excluding search terms).
struct Options
{
    std::map<QString, QString> values;
    QStringList flags;
    QStringList operands;
};

bool readOptions(const QStringList& args, const QStringList& valued, const QStringList& flags,
                 Options* options, QString* error)
{
    bool ended = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (ended || !arg.startsWith(QLatin1String("--"))) {
            options->operands.append(arg);
            continue;
        }
        if (arg == QLatin1String("--")) {
            ended = true;
            continue;
        }
        const qsizetype equals = arg.indexOf(QLatin1Char('='));
        const QString name = arg.mid(2, equals < 0 ? -1 : equals - 2);
        if (valued.contains(name)) {
            if (equals >= 0) {
                options->values[name] = arg.mid(equals + 1);
            } else if (i + 1 < args.size()) {
                options->values[name] = args.at(++i);
            } else {
                *error = QStringLiteral("option --%1 needs a value").arg(name);
                return false;
            }
        } else if (flags.contains(name) && equals < 0) {
            options->flags.append(name);
        } else {
            *error = QStringLiteral("unknown option %1").arg(arg);
            return false;
        }
    }
    return true;
}

int capture(const QStringList& args)
{
    Options options;
    QString error;
    if (!readOptions(args, {QStringLiteral("index")},
                     {QStringLiteral("append"), QStringLiteral("overwrite")}, &options, &error))
        return usageError(error, "capture");
    if (options.operands.size() != 2)
        return usageError(QStringLiteral("capture needs a FOLDER and a CATALOG"), "capture");
    const bool append = options.flags.contains(QLatin1String("append"));
    const bool overwrite = options.flags.contains(QLatin1String("overwrite"));
    if (append && overwrite)
        return usageError(QStringLiteral("--append and --overwrite exclude each other"), "capture");
    CaptureRequest request;
    request.folder = options.operands.at(0);
    request.catalog = options.operands.at(1);
    if (options.values.count(QStringLiteral("index")))
        request.index = options.values[QStringLiteral("index")];
    request.existing = append      ? CaptureRequest::Existing::Append
                       : overwrite ? CaptureRequest::Existing::Overwrite
                                   : CaptureRequest::Existing::Refuse;
    return runCapture(request);
}

int search(const QStringList& args)
{
    Options options;
    QString error;
    if (!readOptions(args, {QStringLiteral("index"), QStringLiteral("format")},
                     {QStringLiteral("count")}, &options, &error))
        return usageError(error, "search");
    if (options.operands.isEmpty())
        return usageError(QStringLiteral("search needs a CATALOG"), "search");
    SearchRequest request;
    request.catalog = options.operands.takeFirst();
    request.count = options.flags.contains(QLatin1String("count"));
    if (options.values.count(QStringLiteral("format"))
        && !RecordFormat::parse(options.values[QStringLiteral("format")], &request.format))
        return usageError(QStringLiteral("unknown format %1 (lines, tsv, csv or json)")
                              .arg(options.values[QStringLiteral("format")]),
                          "search");
    for (const QString& term : options.operands) {
        if (!SearchTerms::parse(term, &request.filter, &error))
            return usageError(error, "search");
    }
    if (options.values.count(QStringLiteral("index"))) {
        RecordFilter::Term term;
        term.kind = RecordFilter::Term::Kind::IndexEquals;
        term.exact = options.values[QStringLiteral("index")].toUtf8();
        request.filter.add(std::move(term));
    }
    return runSearch(request);
}

int disks(const QStringList& args)
{
    Options options;
    QString error;
    if (!readOptions(args, {}, {}, &options, &error))
        return usageError(error, "disks");
    if (options.operands.size() != 1)
        return usageError(QStringLiteral("disks needs a CATALOG"), "disks");
    return runDisks(options.operands.first());
}

int copies(const QStringList& args)
{
    Options options;
    QString error;
    if (!readOptions(args, {QStringLiteral("only-on"), QStringLiteral("min-size")}, {}, &options, &error))
        return usageError(error, "copies");
    if (options.operands.size() != 1)
        return usageError(QStringLiteral("copies needs a CATALOG"), "copies");
    CopiesRequest request;
    request.catalog = options.operands.first();
    if (options.values.count(QStringLiteral("only-on"))) {
        request.onlyOn = options.values[QStringLiteral("only-on")];
        if (request.onlyOn.isEmpty())
            return usageError(QStringLiteral("--only-on needs an index value"), "copies");
    }
    if (options.values.count(QStringLiteral("min-size"))) {
        const QString size = options.values[QStringLiteral("min-size")];
        if (!SearchTerms::sizeValue(size, &request.minimumSize))
            return usageError(QStringLiteral("cannot read the size %1").arg(size), "copies");
    }
    return runCopies(request);
}

} // namespace

int main(int argc, char** argv)
{
    // No QCoreApplication: nothing here needs an event loop, and starting fast matters to a
    // program that is run once per search.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(Console::path(argv[i]));

    struct Command
    {
        const char* name;
        const char* help;
        std::function<int(const QStringList&)> run;
    };
    const Command commands[] = {{"capture", kCaptureHelp, capture},
                                {"search", kSearchHelp, search},
                                {"disks", kDisksHelp, disks},
                                {"copies", kCopiesHelp, copies}};
    if (args.isEmpty()) {
        Console::note(kUsage);
        return Console::kError;
    }
    const QString name = args.takeFirst();
    if (name == QLatin1String("--help") || name == QLatin1String("help")) {
        for (const Command& command : commands) {
            if (!args.isEmpty() && args.first() == QLatin1String(command.name)) {
                QString ignored;
                return Console::out(command.help, &ignored) ? 0 : Console::kError;
            }
        }
        QString ignored;
        return Console::out(kUsage, &ignored) ? 0 : Console::kError;
    }
    if (name == QLatin1String("--version")) {
        QString ignored;
        return Console::out("vellumark-cli " VELLUMARK_VERSION "\n", &ignored) ? 0 : Console::kError;
    }
    for (const Command& command : commands) {
        if (name != QLatin1String(command.name))
            continue;
        // --help before a "--" asks for the command's help, whatever else is given.
        const qsizetype help = args.indexOf(QStringLiteral("--help"));
        const qsizetype end = args.indexOf(QStringLiteral("--"));
        if (help >= 0 && (end < 0 || help < end)) {
            QString ignored;
            return Console::out(command.help, &ignored) ? 0 : Console::kError;
        }
        return command.run(args);
    }
    Console::error(QStringLiteral("unknown command %1").arg(name));
    Console::note(kUsage);
    return Console::kError;
}
