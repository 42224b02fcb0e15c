#include "cli/ServiceCommand.h"

#include "cli/DataFolder.h"
#include "cli/DataFolderSetup.h"
#include "cli/DatabaseSetting.h"
#include "cli/DemoContent.h"
#include "cli/DownloadSeals.h"
#include "cli/LogLines.h"
#include "cli/ServiceLocations.h"
#include "cli/ServiceRunner.h"
#include "cli/WorkerPool.h"
#include "lib/ServiceAdmin.h"
#include "lib/ServiceConfig.h"
#include "lib/ServiceStore.h"

#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <QHostAddress>
#include <memory>
#include <optional>

namespace {

const char kOverview[] =
    "Usage: quillbarrow-service COMMAND --data DIR [ARGUMENTS]\n"
    "\n"
    "The reference online service of Quillbarrow: nginx (HTTPS, static files) in front of the app\n"
    "server (check, login, chat, web pages), with everything it keeps in one data folder.\n"
    "\n"
    "Commands:\n"
    "  init --data DIR [--force] [--cert FILE --key FILE]\n"
    "                                       prepare a data folder: database, settings, certificate,\n"
    "                                       nginx configuration, demo content and its announced versions\n"
    "  serve --data DIR [--port PORT]       run nginx and the app server until SIGINT or SIGTERM\n"
    "                                       (port 8443 by default, on 127.0.0.1 and ::1)\n"
    "  user add --data DIR EMAIL PASSWORD NAME\n"
    "                                       add an account (PASSWORD \"-\" reads it from standard input)\n"
    "  user disable --data DIR EMAIL        disable an account and end its login\n"
    "  user enable --data DIR EMAIL         enable a disabled account\n"
    "  user kick --data DIR EMAIL           end the account's login (its launcher logs out)\n"
    "  set versions --data DIR LAUNCHER G0 ... G12\n"
    "                                       announce the launcher version and the 13 game versions\n"
    "                                       (\"NoVer\" for a game without one)\n"
    "  set counts --data DIR ADS NEWS       announce the number of ad pages and news pictures\n"
    "  set state --data DIR on|off          announce the service as up or down\n"
    "  digest --data DIR                    write DIR/www/download/<file>.sha256 for every download\n"
    "  sign FILE --key KEY                  sign FILE (a setup program) with an Ed25519 secret key\n"
    "                                       into FILE.sig\n"
    "  status --data DIR                    announced state, versions, counts and who is online\n"
    "  help [COMMAND]                       this text, or one command's\n"
    "\n"
    "Admin commands work while the service runs; it picks the change up within a second.\n"
    "Exit codes: 0 done, 1 failed, 2 usage error.\n";

struct CommandHelp {
    const char *name;
    const char *text;
};

const CommandHelp kCommandHelp[] = {
    {"init",
     "Usage: quillbarrow-service init --data DIR [--force] [--cert FILE --key FILE] [--database ADDRESS]\n"
     "Creates DIR (mode 0700) with service.db, service.ini, tls/cert.pem and tls/key.pem (issued by the\n"
     "build's local CA for localhost, 127.0.0.1 and ::1), nginx/ (configuration, logs, temporary files)\n"
     "and www/ (a copy of the demo content), and stores the versions and counts the demo announces.\n"
     "On a folder init made before, --force refreshes all of that but keeps the accounts and\n"
     "service.ini. --database postgresql://... keeps accounts, sessions and chat in PostgreSQL.\n"
     "--cert and --key install an operator's certificate (PEM, with its chain) and private key for a\n"
     "real host name instead; serve then never replaces them, it only warns before they expire.\n"},
    {"serve",
     "Usage: quillbarrow-service serve --data DIR [--port PORT] [--workers N] [--listen IPV4]\n"
     "--listen 0.0.0.0 serves other machines too (a front nginx), not only loopback.\n"
     "--workers N runs N app server processes behind nginx (needs a PostgreSQL database, see init).\n"
     "Starts the app server (loopback HTTP, a free port) and nginx (HTTPS on PORT, default 8443) as the\n"
     "current user, and runs until SIGINT or SIGTERM, which stop both. If either fails, the other is\n"
     "stopped too and the exit code is 1. It logs to standard error, one line per event.\n"
     "nginx's log: DIR/nginx/logs/.\n"},
    {"user",
     "Usage: quillbarrow-service user add --data DIR EMAIL PASSWORD NAME\n"
     "       quillbarrow-service user disable|enable|kick --data DIR EMAIL\n"
     "PASSWORD \"-\" reads the password from the first line of standard input, which keeps it out of\n"
     "the process list. Put \"--\" before arguments that begin with \"-\".\n"},
    {"set", "Usage: quillbarrow-service set versions --data DIR LAUNCHER G0 G1 ... G12\n"
            "       quillbarrow-service set counts --data DIR ADS NEWS\n"
            "       quillbarrow-service set state --data DIR on|off\n"},
    {"status", "Usage: quillbarrow-service status --data DIR\n"
               "Prints the announced state, versions and counts, and the players online.\n"},
    {"digest", "Usage: quillbarrow-service digest --data DIR\n"
               "Writes a SHA-256 digest (sha256sum format) beside every file in DIR/www/download, as\n"
               "<file>.sha256; run it after adding or replacing a download. Launchers check it.\n"},
    {"sign", "Usage: quillbarrow-service sign FILE --key KEY\n"
             "Signs FILE with the Ed25519 secret key in KEY (libsodium's 64 bytes, raw or as hex) into\n"
             "FILE.sig. Launchers run a downloaded QuillbarrowSetup.exe only when its signature\n"
             "verifies against the public key they were built with.\n"},
};

using Arguments = ServiceCommand::Arguments;

// Options may stand anywhere ("--data DIR" or "--data=DIR"); "--" ends them.
std::optional<Arguments> parseArguments(const QStringList &list, bool allowForce, bool allowPort,
                                        bool allowKey, bool allowCertificate, QString *error) {
    Arguments parsed;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QString &arg = list.at(i);
        if (optionsEnded || !arg.startsWith(u'-') || arg == u"-") {
            parsed.positional.append(arg);
            continue;
        }
        if (arg == u"--") {
            optionsEnded = true;
            continue;
        }
        if (arg == u"-h" || arg == u"--help") {
            parsed.help = true;
            continue;
        }
        const qsizetype equals = arg.indexOf(u'=');
        const QString name = equals < 0 ? arg : arg.left(equals);
        auto value = [&]() -> std::optional<QString> {
            if (equals >= 0)
                return arg.mid(equals + 1);
            if (i + 1 < list.size())
                return list.at(++i);
            *error = QStringLiteral("%1 needs a value").arg(name);
            return std::nullopt;
        };
        if (name == u"--data") {
            const std::optional<QString> v = value();
            if (!v)
                return std::nullopt;
            parsed.data = *v;
        } else if ((name == u"--key" && (allowKey || allowCertificate)) ||
                   (name == u"--cert" && allowCertificate)) {
            const std::optional<QString> v = value();
            if (!v)
                return std::nullopt;
            (name == u"--cert" ? parsed.cert : parsed.key) = *v;
        } else if (name == u"--force" && allowForce && equals < 0) {
            parsed.force = true;
        } else if (name == u"--port" && allowPort) {
            const std::optional<QString> v = value();
            if (!v)
                return std::nullopt;
            bool ok = false;
            const uint port = v->toUInt(&ok);
            if (!ok || port == 0 || port > 65535) {
                *error = QStringLiteral("--port needs a number from 1 to 65535, not \"%1\"").arg(*v);
                return std::nullopt;
            }
            parsed.port = static_cast<quint16>(port);
        } else {
            *error = QStringLiteral("unknown option %1").arg(arg);
            return std::nullopt;
        }
    }
    return parsed;
}

// An initialised data folder's store with its settings, for the admin commands.
struct AdminContext {
    std::unique_ptr<ServiceStore> store;
    ServiceConfig config;
};

std::optional<AdminContext> openAdmin(const QString &dataArgument, QString *error) {
    const std::optional<DataFolder> data = DataFolder::fromArgument(dataArgument, error);
    if (!data)
        return std::nullopt;
    if (!data->isInitialised()) {
        *error = QStringLiteral("%1 is not a service data folder (no service.db); prepare it with: "
                                "quillbarrow-service init --data %1")
                     .arg(data->root());
        return std::nullopt;
    }
    std::optional<ServiceConfig> config = ServiceConfig::load(data->settingsFile(), error);
    if (!config) {
        *error = QStringLiteral("%1: %2").arg(data->settingsFile(), *error);
        return std::nullopt;
    }
    AdminContext context{ServiceStore::open(config->storeAddress(data->database()), error), *config};
    if (!context.store) {
        *error = QStringLiteral("cannot open the database %1: %2")
                     .arg(config->storeAddress(data->database()), *error);
        return std::nullopt;
    }
    return context;
}

std::optional<int> parseCount(const QString &text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= 0 ? std::optional<int>(value) : std::nullopt;
}

} // namespace

ServiceCommand::ServiceCommand(QString executableDir, QTextStream &out, QTextStream &err)
    : m_executableDir(std::move(executableDir))
    , m_out(out)
    , m_err(err) {}

int ServiceCommand::run(const QStringList &arguments) {
    if (arguments.isEmpty())
        return usageError(QStringLiteral("no command given"));
    const QString command = arguments.first();
    const QStringList rest = arguments.mid(1);
    if (command == u"help" || command == u"--help" || command == u"-h") {
        printUsage(rest.value(0));
        return Done;
    }
    if (command == u"init")
        return runInit(rest);
    if (command == u"serve")
        return runServe(rest);
    if (command == u"app-server")
        return WorkerPool::runWorker(rest, m_err);
    if (command == u"user")
        return runUser(rest);
    if (command == u"set")
        return runSet(rest);
    if (command == u"status")
        return runStatus(rest);
    if (command == u"digest")
        return runDigest(rest);
    if (command == u"sign")
        return runSign(rest);
    return usageError(QStringLiteral("unknown command \"%1\"").arg(command));
}

void ServiceCommand::printUsage(const QString &command) {
    for (const CommandHelp &help : kCommandHelp) {
        if (command == QLatin1String(help.name)) {
            m_out << help.text;
            m_out.flush();
            return;
        }
    }
    m_out << kOverview;
    m_out.flush();
}

int ServiceCommand::usageError(const QString &message, const QString &command) {
    m_err << "quillbarrow-service: " << message << "\n";
    m_err << "Run \"quillbarrow-service help" << (command.isEmpty() ? QString() : u' ' + command)
          << "\" for the usage.\n";
    m_err.flush();
    return UsageError;
}

std::optional<Arguments> ServiceCommand::commandArguments(const QString &command,
                                                          const QStringList &arguments, ArgumentRules rules,
                                                          int &exitCode) {
    QString error;
    std::optional<Arguments> args =
        parseArguments(arguments, rules.force, rules.port, rules.key, rules.certificate, &error);
    if (!args) {
        exitCode = usageError(error, command);
        return std::nullopt;
    }
    if (args->help) {
        printUsage(command);
        exitCode = Done;
        return std::nullopt;
    }
    if (!rules.positional && !args->positional.isEmpty()) {
        const QString options =
            rules.force || rules.port ? QStringLiteral("its options") : QStringLiteral("--data");
        exitCode =
            usageError(QStringLiteral("%1 takes no arguments besides %2").arg(command, options), command);
        return std::nullopt;
    }
    return args;
}

int ServiceCommand::failed(const QString &message) {
    m_err << "quillbarrow-service: " << message << "\n";
    m_err.flush();
    return Failed;
}

int ServiceCommand::runInit(const QStringList &givenArguments) {
    int exitCode = Done;
    QStringList arguments = givenArguments;
    QString error;
    const std::optional<QString> database =
        DatabaseSetting::takeOption(arguments, QStringLiteral("--database"), &error);
    if (!error.isEmpty())
        return usageError(error, QStringLiteral("init"));
    const std::optional<Arguments> args =
        commandArguments(QStringLiteral("init"), arguments,
                         {.force = true, .certificate = true, .positional = false}, exitCode);
    if (!args)
        return exitCode;
    if (args->cert.isEmpty() != args->key.isEmpty())
        return usageError(QStringLiteral("--cert and --key go together"), QStringLiteral("init"));
    const std::optional<DataFolder> data = DataFolder::fromArgument(args->data, &error);
    if (!data)
        return usageError(error, QStringLiteral("init"));
    DataFolderSetup setup(ServiceLocations::find(m_executableDir), m_out, m_err);
    const int result = setup.run(*data, args->force, {args->cert, args->key});
    if (result != Done || !database)
        return result;
    if (const QString problem = DatabaseSetting::use(*data, *database); !problem.isEmpty())
        return failed(problem);
    m_out << "Accounts, sessions and chat are kept in " << *database << "\n";
    return Done;
}

int ServiceCommand::runServe(const QStringList &givenArguments) {
    int exitCode = Done;
    QStringList arguments = givenArguments;
    QString workersError;
    const std::optional<QString> workers =
        DatabaseSetting::takeOption(arguments, QStringLiteral("--workers"), &workersError);
    if (!workersError.isEmpty() || (workers && (workers->toInt() < 1 || workers->toInt() > 64)))
        return usageError(QStringLiteral("--workers takes a number from 1 to 64"), QStringLiteral("serve"));
    const std::optional<QString> listen =
        DatabaseSetting::takeOption(arguments, QStringLiteral("--listen"), &workersError);
    if (!workersError.isEmpty() ||
        (listen && QHostAddress(*listen).protocol() != QAbstractSocket::IPv4Protocol))
        return usageError(QStringLiteral("--listen takes an IPv4 address such as 0.0.0.0"),
                          QStringLiteral("serve"));
    const std::optional<Arguments> args =
        commandArguments(QStringLiteral("serve"), arguments, {.port = true, .positional = false}, exitCode);
    if (!args)
        return exitCode;
    QString error;
    const std::optional<DataFolder> data = DataFolder::fromArgument(args->data, &error);
    if (!data)
        return usageError(error, QStringLiteral("serve"));

    // Everything serve says goes to standard error, one line per event, as a journal keeps it.
    const LogLines logLines;
    ServiceRunner runner(*data, ServiceLocations::find(m_executableDir), args->port.value_or(8443), m_err,
                         m_err);
    runner.setWorkers(workers ? workers->toInt() : 1);
    if (listen)
        runner.setListenAddress(*listen);
    QEventLoop loop;
    QObject::connect(&runner, &ServiceRunner::finished, &loop, &QEventLoop::exit);
    runner.start();
    return loop.exec();
}

int ServiceCommand::runUser(const QStringList &arguments) {
    int exitCode = Done;
    const std::optional<Arguments> args = commandArguments(QStringLiteral("user"), arguments, {}, exitCode);
    if (!args)
        return exitCode;
    const QString action = args->positional.value(0);
    const QStringList values = args->positional.mid(1);
    const qsizetype wanted = action == u"add" ? 3 : 1;
    if (action != u"add" && action != u"disable" && action != u"enable" && action != u"kick")
        return usageError(action.isEmpty() ? QStringLiteral("user needs add, disable, enable or kick")
                                           : QStringLiteral("unknown user action \"%1\"").arg(action),
                          QStringLiteral("user"));
    if (values.size() != wanted)
        return usageError(
            QStringLiteral("user %1 takes %2, got %3 arguments")
                .arg(action, wanted == 3 ? QStringLiteral("EMAIL PASSWORD NAME") : QStringLiteral("EMAIL"))
                .arg(values.size()),
            QStringLiteral("user"));

    QString error;
    std::optional<AdminContext> context = openAdmin(args->data, &error);
    if (!context)
        return failed(error);
    ServiceAdmin admin(*context->store, context->config);
    const QString email = values.at(0);
    StoreResult result;
    if (action == u"add") {
        QString password = values.at(1);
        if (password == u"-") {
            QFile input;
            if (!input.open(stdin, QIODevice::ReadOnly))
                return failed(QStringLiteral("cannot read the password from standard input"));
            password = QString::fromUtf8(input.readLine()).remove(u'\n').remove(u'\r');
        }
        result = admin.addUser(email, password, values.at(2));
    } else if (action == u"disable") {
        result = admin.disableUser(email);
    } else if (action == u"enable") {
        result = admin.enableUser(email);
    } else {
        result = admin.kickUser(email);
    }
    if (!result.ok())
        return failed(QStringLiteral("user %1 %2: %3").arg(action, email, result.error));
    m_out << "user " << action << " " << email << ": done\n";
    m_out.flush();
    return Done;
}

int ServiceCommand::runSet(const QStringList &arguments) {
    int exitCode = Done;
    const std::optional<Arguments> args = commandArguments(QStringLiteral("set"), arguments, {}, exitCode);
    if (!args)
        return exitCode;
    const QString what = args->positional.value(0);
    const QStringList values = args->positional.mid(1);

    std::optional<QList<QByteArray>> versions;
    std::optional<std::pair<int, int>> counts;
    std::optional<bool> state;
    if (what == u"versions") {
        if (values.size() != DemoContent::kVersionCount)
            return usageError(
                QStringLiteral("set versions takes %1 versions (the launcher, then the 13 games), got %2")
                    .arg(DemoContent::kVersionCount)
                    .arg(values.size()),
                QStringLiteral("set"));
        versions.emplace();
        for (const QString &v : values)
            versions->append(v.toUtf8());
    } else if (what == u"counts") {
        const std::optional<int> ads = parseCount(values.value(0));
        const std::optional<int> news = parseCount(values.value(1));
        if (values.size() != 2 || !ads || !news)
            return usageError(QStringLiteral("set counts takes two numbers: ADS NEWS"),
                              QStringLiteral("set"));
        counts = std::pair{*ads, *news};
    } else if (what == u"state") {
        if (values.size() != 1 || (values.at(0) != u"on" && values.at(0) != u"off"))
            return usageError(QStringLiteral("set state takes on or off"), QStringLiteral("set"));
        state = values.at(0) == u"on";
    } else {
        return usageError(what.isEmpty() ? QStringLiteral("set needs versions, counts or state")
                                         : QStringLiteral("unknown setting \"%1\"").arg(what),
                          QStringLiteral("set"));
    }

    QString error;
    std::optional<AdminContext> context = openAdmin(args->data, &error);
    if (!context)
        return failed(error);
    ServiceAdmin admin(*context->store, context->config);
    const StoreResult result = versions ? admin.setVersions(*versions)
                               : counts ? admin.setCounts(counts->first, counts->second)
                                        : admin.setState(*state);
    if (!result.ok())
        return failed(QStringLiteral("set %1: %2").arg(what, result.error));
    m_out << "set " << what << ": done\n";
    m_out.flush();
    return Done;
}

int ServiceCommand::runStatus(const QStringList &arguments) {
    int exitCode = Done;
    const std::optional<Arguments> args =
        commandArguments(QStringLiteral("status"), arguments, {.positional = false}, exitCode);
    if (!args)
        return exitCode;
    QString error;
    std::optional<AdminContext> context = openAdmin(args->data, &error);
    if (!context)
        return failed(error);
    const std::optional<ServiceSettings> settings = context->store->settings(&error);
    const ServiceAdmin admin(*context->store, context->config);
    const ServiceAdmin::OnlineUsers online = admin.onlineUsers();
    if (!settings || !online.error.isEmpty())
        return failed(QStringLiteral("cannot read the status: %1").arg(settings ? online.error : error));
    m_out << "State:    " << (settings->online ? "on" : "off") << "\n"
          << "Versions: " << QString::fromUtf8(settings->versions.join('^')) << "\n"
          << "Ads:      " << settings->adCount << "\n"
          << "News:     " << settings->newsCount << "\n"
          << "Online:   " << online.users.size() << "\n";
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    for (const OnlineUser &user : online.users) {
        m_out << "  " << user.name << " <" << user.email << ">  seen "
              << qMax<qint64>(0, (now - user.lastSeenMs) / 1000) << " s ago";
        if (!user.channels.isEmpty())
            m_out << "  channels: " << user.channels.join(QStringLiteral(", "));
        m_out << "\n";
    }
    m_out.flush();
    return Done;
}

int ServiceCommand::runDigest(const QStringList &arguments) {
    int exitCode = Done;
    const std::optional<Arguments> args =
        commandArguments(QStringLiteral("digest"), arguments, {.positional = false}, exitCode);
    if (!args)
        return exitCode;
    QString error;
    const std::optional<DataFolder> data = DataFolder::fromArgument(args->data, &error);
    if (!data)
        return usageError(error, QStringLiteral("digest"));
    QStringList written;
    if (!DownloadSeals::writeDigests(data->path(QStringLiteral("www/download")), &written, &error))
        return failed(error);
    for (const QString &name : written)
        m_out << name << "\n";
    m_out.flush();
    return Done;
}

int ServiceCommand::runSign(const QStringList &arguments) {
    int exitCode = Done;
    const std::optional<Arguments> args =
        commandArguments(QStringLiteral("sign"), arguments, {.key = true}, exitCode);
    if (!args)
        return exitCode;
    if (args->positional.size() != 1 || args->key.isEmpty())
        return usageError(QStringLiteral("sign takes one FILE and --key KEY"), QStringLiteral("sign"));
    QString error;
    if (!DownloadSeals::sign(args->positional.first(), args->key, &error))
        return failed(error);
    m_out << args->positional.first() << ".sig\n";
    m_out.flush();
    return Done;
}
