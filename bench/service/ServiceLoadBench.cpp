// Load on the reference service as a crowd of launchers makes it: N logged-in clients, each
// posting the check every 3 s and the chat poll every 500 ms over its own two keep-alive HTTPS
// connections, some of them sending chat messages and whispers. Reports served requests per
// second, latency percentiles, errors, whether every chat message reached everyone it was meant
// for exactly once, and the CPU time of app server, nginx and generator.
#include "LoadRun.h"
#include "ServiceUnderTest.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <cstdlib>

namespace {

struct Goal {
    double p99Ms = 100;
};

int intOption(const QCommandLineParser &parser, const QString &name, int minimum) {
    bool ok = false;
    const int value = parser.value(name).toInt(&ok);
    if (!ok || value < minimum) {
        QTextStream(stderr) << "--" << name << " needs a number of at least " << minimum << "\n";
        std::exit(2);
    }
    return value;
}

} // namespace

int main(int argc, char *argv[]) {
    // Qt's own event dispatcher keeps socket notifiers in a hash; the GLib one searches a list on
    // every change, which costs more than the requests themselves with thousands of sockets.
    qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Load generator for the Quillbarrow reference service."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("clients"), QStringLiteral("Simulated launchers."), QStringLiteral("N"),
         QStringLiteral("1000")},
        {QStringLiteral("seconds"), QStringLiteral("Length of the measured window."), QStringLiteral("S"),
         QStringLiteral("60")},
        {QStringLiteral("warmup"), QStringLiteral("Seconds of load before measuring."), QStringLiteral("S"),
         QStringLiteral("5")},
        {QStringLiteral("senders"), QStringLiteral("Clients that send chat messages."), QStringLiteral("K"),
         QStringLiteral("50")},
        {QStringLiteral("send-interval"), QStringLiteral("Milliseconds between the messages of a sender."),
         QStringLiteral("MS"), QStringLiteral("5000")},
        {QStringLiteral("threads"), QStringLiteral("Threads of the generator."), QStringLiteral("T"),
         QStringLiteral("4")},
        {QStringLiteral("data"), QStringLiteral("Data folder to use and keep (accounts are reused)."),
         QStringLiteral("DIR")},
        {QStringLiteral("database"),
         QStringLiteral("PostgreSQL address instead of the folder's SQLite file."),
         QStringLiteral("ADDRESS")},
        {QStringLiteral("workers"), QStringLiteral("App server processes (needs --database above 1)."),
         QStringLiteral("N"), QStringLiteral("1")},
        {QStringLiteral("kill-after"),
         QStringLiteral("SIGKILL one app server this many seconds into the measured window (0: never)."),
         QStringLiteral("S"), QStringLiteral("0")},
        {QStringLiteral("service"), QStringLiteral("The quillbarrow-service command."),
         QStringLiteral("PATH"), QStringLiteral(QUILLBARROW_SERVICE_PROGRAM)},
        {QStringLiteral("ca"), QStringLiteral("CA certificate to trust."), QStringLiteral("PEM"),
         QStringLiteral(QUILLBARROW_BENCH_CA_CERT)},
    });
    parser.process(app);

    LoadRun::Options options;
    options.clients = intOption(parser, QStringLiteral("clients"), 1);
    options.seconds = intOption(parser, QStringLiteral("seconds"), 1);
    options.warmupSeconds = intOption(parser, QStringLiteral("warmup"), 0);
    options.senders = std::min(options.clients, intOption(parser, QStringLiteral("senders"), 0));
    options.sendIntervalMs = intOption(parser, QStringLiteral("send-interval"), 50);
    options.threads = intOption(parser, QStringLiteral("threads"), 1);

    QTextStream out(stdout);
    QTemporaryDir temp;
    const QString dataDir = parser.isSet(QStringLiteral("data")) ? parser.value(QStringLiteral("data"))
                                                                 : temp.filePath(QStringLiteral("data"));
    const int workers = intOption(parser, QStringLiteral("workers"), 1);
    const int killAfter = intOption(parser, QStringLiteral("kill-after"), 0);
    ServiceUnderTest service(parser.value(QStringLiteral("service")), dataDir,
                             parser.value(QStringLiteral("database")), workers);
    out << "Preparing " << dataDir << "\n";
    out.flush();
    if (const QString error = service.prepare(options.clients); !error.isEmpty()) {
        QTextStream(stderr) << "setup: " << error << "\n";
        return 1;
    }
    if (const QString error = service.start(); !error.isEmpty()) {
        QTextStream(stderr) << "setup: " << error << "\n";
        return 1;
    }

    // Only the service's CA: loading the system's roots into every connection's context would
    // make the generator's handshakes, not the service, the bottleneck.
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setCaCertificates(QSslCertificate::fromPath(parser.value(QStringLiteral("ca"))));
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);

    out << "Service: " << workers << " app server" << (workers > 1 ? "s" : "") << " on "
        << (parser.isSet(QStringLiteral("database")) ? QStringLiteral("PostgreSQL")
                                                     : QStringLiteral("SQLite"))
        << (killAfter > 0 ? QStringLiteral(", one killed %1 s into the window").arg(killAfter) : QString())
        << "\n";
    out << "Load: " << options.clients << " clients, " << options.warmupSeconds << " s warm-up, "
        << options.seconds << " s measured, " << options.senders << " senders every "
        << options.sendIntervalMs << " ms (every " << LoadRun::Options{}.whisperEvery << "th a whisper)\n";
    out.flush();
    LoadRun run(options, service.port(), config);
    ServiceUnderTest::Cpu before, after;
    QString error;
    qint64 killed = 0;
    const bool ran = run.run(
        &error,
        [&] {
            before = service.cpuSeconds();
            if (killAfter > 0)
                QTimer::singleShot(killAfter * 1000, [&] { killed = service.killOneAppServer(); });
        },
        [&] { after = service.cpuSeconds(); });
    service.stop();
    if (!ran) {
        QTextStream(stderr) << "run: " << error << "\n";
        return 1;
    }

    const RunMetrics &m = run.metrics();
    const MessageLedger::Verdict v = run.verdict();
    const double seconds = run.measuredSeconds();
    const auto served = static_cast<double>(m.checkUs.size() + m.chatUs.size());
    std::vector<std::uint32_t> all = m.checkUs;
    all.insert(all.end(), m.chatUs.begin(), m.chatUs.end());

    out << Qt::fixed << qSetRealNumberPrecision(1);
    out << "Logins: " << options.clients << " in " << run.loginSeconds()
        << " s; TLS connections opened: " << run.connects() << "\n";
    out << "Served: " << served / seconds << " req/s (" << m.checkUs.size() << " checks, " << m.chatUs.size()
        << " chat posts in " << seconds << " s)\n";
    out << qSetRealNumberPrecision(2);
    out << "Latency ms      p50      p90      p99      max\n";
    for (const auto &[label, samples] :
         {std::pair<const char *, const std::vector<std::uint32_t> &>{"check", m.checkUs},
          {"chat", m.chatUs},
          {"all", all}}) {
        out << "  " << qSetFieldWidth(10) << Qt::left << label << Qt::right << qSetFieldWidth(9)
            << RunMetrics::percentileMs(samples, 0.50) << RunMetrics::percentileMs(samples, 0.90)
            << RunMetrics::percentileMs(samples, 0.99) << RunMetrics::percentileMs(samples, 1.0)
            << qSetFieldWidth(0) << "\n";
    }
    out << "Errors: " << m.errors() << " (timeouts " << m.timeouts << ", connection " << m.connectionErrors
        << ", HTTP status " << m.badStatus << ", bad replies " << m.badReplies
        << "); slots skipped while busy: " << m.skippedSlots << "\n";
    for (const QString &sample : m.samples)
        out << "  " << sample << "\n";
    out << "Chat: " << v.channelMessages << " channel messages, " << v.whispers << " whispers ("
        << v.unconfirmed << " unconfirmed); deliveries expected " << v.expectedDeliveries << ", received "
        << v.delivered << ", lost " << v.lost << ", doubled " << v.doubled << ", misdelivered "
        << v.misdelivered << ", unexpected lines " << m.unexpectedLines << "\n";
    const double window = seconds;
    out << qSetRealNumberPrecision(1) << "CPU in the window (of " << 2 * window
        << " core-seconds): app server " << after.appServer - before.appServer << " s, nginx "
        << after.nginx - before.nginx << " s, generator " << after.generator - before.generator
        << " s, everything else on the machine "
        << (after.machine - before.machine) - (after.appServer - before.appServer) -
               (after.nginx - before.nginx) - (after.generator - before.generator)
        << " s\n";

    // A killed app server may fail the requests its players had in flight, one each at most.
    const qint64 allowedErrors = killed ? options.clients / workers : 0;
    if (killAfter > 0)
        out << "Killed app server: pid " << killed << "\n";
    const double p99 = RunMetrics::percentileMs(all, 0.99);
    const bool met = p99 <= Goal{}.p99Ms && m.errors() <= allowedErrors && v.lost == 0 && v.doubled == 0 &&
                     v.misdelivered == 0;
    out << "Goal (p99 <= " << Goal{}.p99Ms << " ms, errors <= " << allowedErrors
        << ", every message exactly once): " << (met ? "met" : "missed") << "\n";
    return met ? 0 : 3;
}
