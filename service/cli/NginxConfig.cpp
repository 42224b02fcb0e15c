#include "cli/NginxConfig.h"

#include <QStandardPaths>
#include <QString>
#include <algorithm>

namespace {

// DataFolder refuses quotes, backslashes and "$", so a quoted path is taken literally.
QByteArray quoted(const QString &path) {
    return '"' + path.toUtf8() + '"';
}

} // namespace

QByteArray NginxConfig::render(const DataFolder &data) const {
    const QByteArray portText = QByteArray::number(port);
    // Each launcher keeps two connections (check and chat), plus the upstream side and headroom.
    const int connections = std::max(1024, maxClients * 4 + 256);
    const QByteArray temp = data.nginxTempDir().toUtf8();
    // A request whose app server died before answering is not sent again (it may have been acted
    // on); one that found it gone goes to the next. Port 0 (a templated config) stays one server.
    QByteArray upstreamServers;
    for (const quint16 app : QList<quint16>{appPort} + moreAppPorts)
        upstreamServers += "        server 127.0.0.1:" + QByteArray::number(app) + " max_fails=0;\n";

    QByteArray c;
    c += "# Written by quillbarrow-service at every start of `serve`; edits are overwritten.\n";
    if (runningAsRoot)
        c += "user root;\n";
    c += "worker_processes auto;\n"
         "worker_rlimit_nofile " +
         QByteArray::number(connections * 2) +
         ";\n"
         "daemon off;\n"
         "pid " +
         quoted(data.nginxPidFile()) +
         ";\n"
         "error_log " +
         quoted(data.nginxErrorLog()) +
         " warn;\n"
         "\n"
         "events {\n"
         "    worker_connections " +
         QByteArray::number(connections) +
         ";\n"
         "}\n"
         "\n"
         "http {\n"
         "    client_body_temp_path \"" +
         temp +
         "/body\";\n"
         "    proxy_temp_path \"" +
         temp +
         "/proxy\";\n"
         "    fastcgi_temp_path \"" +
         temp +
         "/fastcgi\";\n"
         "    uwsgi_temp_path \"" +
         temp +
         "/uwsgi\";\n"
         "    scgi_temp_path \"" +
         temp +
         "/scgi\";\n"
         "    # Every launcher checks every 3 s and polls the chat every 500 ms: logging those\n"
         "    # would write gigabytes a day. Failed ones, logins, downloads and pages are logged.\n"
         "    map \"$uri $status\" $quillbarrow_logged {\n"
         "        \"~^/game/(check\\.server|chat)\\.php 200$\" 0;\n"
         "        default 1;\n"
         "    }\n"
         "    access_log " +
         quoted(data.path(QStringLiteral("nginx/logs/access.log"))) +
         " combined buffer=64k flush=2s if=$quillbarrow_logged;\n"
         "\n"
         "    types {\n"
         "        text/html html htm php;\n"
         "        text/css css;\n"
         "        text/javascript js;\n"
         "        text/plain txt;\n"
         "        image/png png;\n"
         "        image/jpeg jpg jpeg;\n"
         "        image/svg+xml svg;\n"
         "        image/x-icon ico;\n"
         "        application/zip zip;\n"
         "    }\n"
         "    default_type application/octet-stream;\n"
         "    charset utf-8;\n"
         "    sendfile on;\n"
         "    tcp_nopush on;\n"
         "    server_tokens off;\n"
         "    keepalive_timeout 65s;\n"
         "    keepalive_requests 100000;\n"
         "    client_max_body_size " +
         QByteArray::number(std::max<qint64>(1024, maxBodyBytes)) +
         ";\n"
         "\n"
         "    upstream quillbarrow_app {\n" +
         upstreamServers +
         "        keepalive 64;\n"
         "    }\n"
         "\n"
         "    server {\n"
         "        listen " +
         listenAddress + ':' + portText + " ssl;\n";
    if (listenIpv6 && listenAddress == "127.0.0.1")
        c += "        listen [::1]:" + portText + " ssl;\n";
    c += "        server_name localhost;\n"
         "        ssl_certificate " +
         quoted(data.certificate()) +
         ";\n"
         "        ssl_certificate_key " +
         quoted(data.certificateKey()) +
         ";\n"
         "        ssl_protocols TLSv1.2 TLSv1.3;\n"
         "        ssl_session_cache shared:QuillbarrowTLS:10m;\n"
         "        ssl_session_timeout 1h;\n"
         "\n"
         "        root " +
         quoted(data.wwwDir()) +
         ";\n"
         "        # Only regular files below the web root: no directory pages, no links out of it.\n"
         "        disable_symlinks on from=$document_root;\n"
         "        location ^~ /download/ {\n"
         "            try_files $uri =404;\n"
         "        }\n"
         "        location ^~ /ads/ {\n"
         "            try_files $uri =404;\n"
         "        }\n"
         "        location ^~ /site/ {\n"
         "            try_files $uri =404;\n"
         "        }\n"
         "        location / {\n"
         "            proxy_pass http://quillbarrow_app;\n"
         "            proxy_http_version 1.1;\n"
         "            proxy_set_header Connection \"\";\n"
         "            proxy_set_header Host $host;\n"
         "            proxy_set_header X-Real-IP $remote_addr;\n"
         "            proxy_set_header X-Forwarded-For \"\";\n"
         "            proxy_connect_timeout 5s;\n"
         "            proxy_read_timeout 30s;\n"
         "        }\n"
         "    }\n"
         "}\n";
    return c;
}

QString NginxConfig::findProgram() {
    const QString inSbin = QStandardPaths::findExecutable(
        QStringLiteral("nginx"),
        {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin"), QStringLiteral("/sbin")});
    return inSbin.isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("nginx")) : inSbin;
}

QStringList NginxConfig::arguments(const DataFolder &data) {
    return {QStringLiteral("-p"), data.nginxDir() + u'/', QStringLiteral("-c"),
            data.nginxConfig(),   QStringLiteral("-e"),   data.nginxErrorLog()};
}
