#include "tools/skirmdeck-dir/DirTool.h"

#include "core/directory/DirectoryClient.h"
#include "core/directory/PostedServer.h"
#include "core/runtime/ErrorTrap.h"
#include "core/settings/CommandLine.h"
#include "core/state/AppState.h"
#include "tools/skirmdeck-dir/ServerListFormat.h"

#include <QCommandLineParser>

namespace {

const QString kProgram = QStringLiteral("skirmdeck-dir");

QCommandLineOption ValueOption(const char *name, const char *description)
{
    return QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(description), QStringLiteral("value"));
}

// Whether the directory lists a server at the address, for any of the games.
bool Listed(const QString &ipAddress)
{
    for (const QString &game : kGameNames) {
        for (const DbServerRow &row : ActiveServers(game))
            if (row.ip == ipAddress)
                return true;
    }
    return false;
}

} // namespace

QString DirTool::usage()
{
    return QStringLiteral(
        "Commands:\n"
        "  list GAME [--format text|tsv|json]\n"
        "      The servers the directory lists for GAME, one a line.\n"
        "  post --name NAME --address ADDRESS --port PORT [--mods MODS] --key KEY\n"
        "       [--connection TYPE] [--game GAME]\n"
        "      Posts a server and remembers it (with KEY) as the user's own, as the Post Server\n"
        "      window does. TYPE is one of 28.8K (the default), 56K, ISDN, Cable, DSL, T1, T3.\n"
        "  announce\n"
        "      Re-announces the remembered server; exit status 1 when none is posted or the\n"
        "      directory no longer lists it. For cron: */30 * * * * skirmdeck-dir announce\n"
        "  remove\n"
        "      Removes the remembered server from the directory.\n"
        "\n"
        "GAME is one of \"Rogue Spear\" (post's default), \"Urban Operations\", \"Rainbow Six\", \"Eagle Watch\".\n"
        "The directory is the one the settings name (DirectoryConnection, DirectoryServer), else the\n"
        "embedded one. The settings file is the first of: --registry FILE, $SKIRMDECK_REGISTRY,\n"
        "--prefix DIR (DIR/system.reg), $WINEPREFIX/system.reg, ~/.wine/system.reg, and system.reg\n"
        "in the program's data folder. The options come before the command.\n"
        "Exit status: 0 done, 1 the directory failed or had nothing to do, 2 a bad command line.\n");
}

int DirTool::run(const QStringList &args)
{
    if (args.isEmpty())
        return usageError(QStringLiteral("a command is needed: list, post, announce or remove"));
    const QString command = args.first();
    const QStringList rest = args.mid(1);
    if (command == QLatin1String("list"))
        return list(rest);
    if (command == QLatin1String("post"))
        return post(rest);
    if (command == QLatin1String("announce"))
        return announce(rest);
    if (command == QLatin1String("remove"))
        return remove(rest);
    return usageError(QStringLiteral("unknown command '%1'").arg(command));
}

int DirTool::usageError(const QString &message)
{
    m_err += QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n").arg(kProgram, message);
    return cmdline::kUsageError;
}

int DirTool::fail(const QString &message)
{
    // One line, whatever the driver put into its message.
    m_err += kProgram + QStringLiteral(": ") + message.simplified() + QLatin1Char('\n');
    return kFailed;
}

template <class Body> int DirTool::directory(Body &&body)
{
    try {
        return body();
    } catch (...) {
        const RuntimeError error = currentError(std::current_exception());
        return fail(QStringLiteral("%1 (error %2)").arg(error.description()).arg(error.number()));
    }
}

bool DirTool::parse(QCommandLineParser &parser, const QStringList &args, qsizetype positional)
{
    if (!parser.parse(QStringList{kProgram} + args)) {
        usageError(parser.errorText());
        return false;
    }
    if (parser.positionalArguments().size() != positional) {
        usageError(positional == 0 ? QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments()[0])
                                   : QStringLiteral("one game is needed, for example \"Rogue Spear\""));
        return false;
    }
    return true;
}

int DirTool::list(const QStringList &args)
{
    QCommandLineParser parser;
    parser.addOption(ValueOption("format", "text, tsv or json"));
    if (!parse(parser, args, 1))
        return cmdline::kUsageError;
    const QString game = parser.positionalArguments().first();
    if (!kGameNames.contains(game))
        return usageError(QStringLiteral("unknown game '%1'").arg(game));
    const auto format = ParseServerListFormat(
        parser.isSet(QStringLiteral("format")) ? parser.value(QStringLiteral("format")) : QStringLiteral("text"));
    if (!format)
        return usageError(QStringLiteral("--format: text, tsv or json"));
    return directory([&] {
        m_out += FormatServerList(ActiveServers(game), *format);
        return 0;
    });
}

int DirTool::post(const QStringList &args)
{
    QCommandLineParser parser;
    for (const char *name : {"name", "address", "port", "mods", "key", "connection", "game"})
        parser.addOption(ValueOption(name, name));
    if (!parse(parser, args, 0))
        return cmdline::kUsageError;
    const auto value = [&](const char *name, const QString &fallback = QString()) {
        const QString option = QString::fromLatin1(name);
        return parser.isSet(option) ? parser.value(option) : fallback;
    };
    const PostRequest request{value("name"),    value("game", kRogueSpear),
                              value("address"), value("port"),
                              value("mods"),    value("connection", kConnectionTypes.first()),
                              value("key")};
    if (const auto empty = FirstEmptyPostField(request))
        return usageError(empty->message);
    if (!kGameNames.contains(request.gametype))
        return usageError(QStringLiteral("unknown game '%1'").arg(request.gametype));
    if (!kConnectionTypes.contains(request.connectionType))
        return usageError(QStringLiteral("--connection: one of %1").arg(kConnectionTypes.join(QStringLiteral(", "))));
    return directory([&] {
        PostAndRemember(request);
        m_out += kPostedMessage + QLatin1Char('\n');
        return 0;
    });
}

std::optional<int> DirTool::refusePosted(const QStringList &args, const QString &command)
{
    QCommandLineParser parser;
    if (!parse(parser, args, 0))
        return cmdline::kUsageError;
    if (!StoredServerIsPosted())
        return fail(QStringLiteral("no posted server to %1").arg(command));
    return std::nullopt;
}

int DirTool::announce(const QStringList &args)
{
    if (const auto stop = refusePosted(args, QStringLiteral("announce")))
        return *stop;
    return directory([&] {
        AnnounceStoredServer();
        // The refresh itself says nothing: an entry that lapsed or was removed meanwhile must be posted again.
        const QString ip = StoredPostedServer().ip;
        return Listed(ip) ? 0 : fail(QStringLiteral("the directory lists no server at '%1'; post it again").arg(ip));
    });
}

int DirTool::remove(const QStringList &args)
{
    if (const auto stop = refusePosted(args, QStringLiteral("remove")))
        return *stop;
    return directory([&] {
        RemoveStoredServer();
        m_out += kRemovedMessage + QLatin1Char('\n');
        return 0;
    });
}
