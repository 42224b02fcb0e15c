#include "lib/WebSite.h"

#include "core/GameCatalogue.h"
#include "lib/AccountRules.h"
#include "lib/FormFields.h"
#include "lib/HashWorker.h"
#include "lib/RateLimiter.h"
#include "lib/ServiceContext.h"
#include "lib/ServiceLog.h"
#include "lib/ServiceStore.h"
#include "lib/SessionRegistry.h"
#include "lib/SitePage.h"

namespace {

QString esc(const QString &text) {
    return SitePage::escape(text);
}

QString errorBox(const QStringList &errors) {
    if (errors.isEmpty())
        return {};
    QString items;
    for (const QString &e : errors)
        items += QStringLiteral("<li>%1</li>").arg(esc(e));
    return QStringLiteral("<div class=\"errors\" role=\"alert\"><ul>%1</ul></div>").arg(items);
}

QString fromView(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// One card per catalogue game with a generated cover and the version the service announces.
QString catalogueCards(const QList<QByteArray> &versions) {
    QString cards;
    const auto &games = GameCatalogue();
    for (std::size_t i = 0; i < games.size(); ++i) {
        const GameEntry &g = games[i];
        const int hue = static_cast<int>((i * 67 + 20) % 360);
        const QByteArray version =
            static_cast<qsizetype>(i + 1) < versions.size() ? versions[i + 1] : QByteArray();
        const QString release = version.isEmpty() || version == "NoVer"
                                    ? QStringLiteral("coming soon")
                                    : QStringLiteral("v") + esc(QString::fromUtf8(version));
        cards += QStringLiteral(
                     "<div class=\"game\"><div class=\"cover\" style=\"background:linear-gradient(150deg,"
                     "hsl(%1,70%,48%),hsl(%2,65%,18%))\">%3</div><div class=\"meta\"><b>%4</b><br>%6 · %5"
                     "</div></div>")
                     .arg(QString::number(hue), QString::number((hue + 40) % 360), esc(fromView(g.Title)),
                          esc(fromView(g.Genre)), release, esc(fromView(g.Developer)));
    }
    return QStringLiteral("<div class=\"games\">%1</div>").arg(cards);
}

} // namespace

WebSite::WebSite(ServiceContext &context)
    : m_context(context) {}

void WebSite::handle(const IncomingRequest &request, HttpResponder responder) {
    if (request.path != QLatin1String("/") && request.path != QLatin1String("/index.php")) {
        responder.send(HttpReply::page(notFound(), 404));
        return;
    }
    // The launcher appends the e-mail address to the query as it is, so "+" is a plus here.
    const std::optional<FormFields> query = FormFields::parse(request.rawQuery, false);
    const QString id = query ? query->value(QStringLiteral("id")) : QString();
    const bool post = request.method == IncomingRequest::Method::Post;
    if (request.method == IncomingRequest::Method::Other ||
        (post && id != QLatin1String("register") && id != QLatin1String("forgot-password"))) {
        responder.send(HttpReply::text(QByteArrayLiteral("Method not allowed"), 405));
        return;
    }
    if (id.isEmpty()) {
        responder.send(HttpReply::page(home()));
    } else if (id == QLatin1String("register")) {
        if (post)
            registerAccount(request, std::move(responder));
        else
            responder.send(HttpReply::page(registerPage({})));
    } else if (id == QLatin1String("forgot-password")) {
        QString email;
        if (post) {
            const std::optional<FormFields> form = FormFields::parse(request.body);
            email = form ? form->value(QStringLiteral("email")).trimmed().left(AccountRules::kEmailMax)
                         : QString();
            qCInfo(lcService) << "password reset asked for" << email << "from" << request.clientAddress;
        }
        responder.send(HttpReply::page(forgotPage(email, post)));
    } else if (id == QLatin1String("invite-a-friend")) {
        responder.send(HttpReply::page(invitePage(query->value(QStringLiteral("user_email")))));
    } else if (id == QLatin1String("donate")) {
        responder.send(HttpReply::page(donatePage()));
    } else {
        responder.send(HttpReply::page(notFound(), 404));
    }
}

void WebSite::registerAccount(const IncomingRequest &request, HttpResponder responder) {
    RegisterForm form;
    const std::optional<FormFields> fields = FormFields::parse(request.body);
    if (!fields) {
        form.errors.append(QStringLiteral("The form could not be read. Please try again."));
        responder.send(HttpReply::page(registerPage(form), 400));
        return;
    }
    form.email = fields->value(QStringLiteral("email")).trimmed().toLower();
    form.name = fields->value(QStringLiteral("name")).trimmed();
    const QString password = fields->value(QStringLiteral("password"));
    const QString repeated = fields->value(QStringLiteral("password2"));
    for (const QString &problem : {AccountRules::checkEmail(form.email), AccountRules::checkName(form.name),
                                   AccountRules::checkPassword(password)}) {
        if (!problem.isEmpty())
            form.errors.append(problem);
    }
    if (password != repeated)
        form.errors.append(QStringLiteral("The two passwords differ."));
    // Keep what is echoed back bounded.
    form.email = form.email.left(AccountRules::kEmailMax);
    form.name = form.name.left(AccountRules::kNameMax * 2);
    if (form.errors.isEmpty()) {
        QString error;
        if (m_context.store.accountByEmail(form.email, &error))
            form.errors.append(QStringLiteral("An account with this e-mail address already exists."));
        else if (m_context.store.nameTaken(form.name, &error))
            form.errors.append(error.isEmpty() ? QStringLiteral("This player name is already taken.")
                                               : error);
        else if (!error.isEmpty())
            form.errors.append(QStringLiteral("The account service is not available right now."));
    }
    if (form.errors.isEmpty() &&
        !m_context.registrationsPerAddress.allow(request.clientAddress, m_context.now()))
        form.errors.append(
            QStringLiteral("Too many accounts were created from your address. Please try again later."));
    if (form.errors.isEmpty() && !m_context.hashes.canTakeMore())
        form.errors.append(QStringLiteral("The service is busy. Please try again in a moment."));
    if (!form.errors.isEmpty()) {
        responder.send(HttpReply::page(registerPage(form), 400));
        return;
    }
    const QString address = request.clientAddress;
    m_context.hashes.hash(password.toUtf8(), [this, form, address, responder = std::move(responder)](
                                                 std::optional<QByteArray> hash) mutable {
        RegisterForm result = form;
        if (!hash) {
            result.errors.append(QStringLiteral("The account could not be created. Please try again."));
        } else if (const StoreResult r = m_context.store.createAccount(form.email, form.name, *hash);
                   !r.ok()) {
            result.errors.append(r.error.startsWith(QLatin1String("store:"))
                                     ? QStringLiteral("The account could not be created. Please try again.")
                                     : r.error);
        }
        if (!result.errors.isEmpty()) {
            responder.send(HttpReply::page(registerPage(result), 400));
            return;
        }
        qCInfo(lcService) << "account created:" << form.email << "as" << form.name << "from" << address;
        responder.send(HttpReply::page(registered(form.name, form.email)));
    });
}

QByteArray WebSite::home() const {
    const ServiceSettings &s = m_context.settings;
    const int players = m_context.sessions.liveCount(m_context.now());
    const QString launcher = s.versions.isEmpty() ? QString() : QString::fromUtf8(s.versions.first());
    const QString body =
        QStringLiteral(
            "<section class=\"hero\"><h1>Thirteen worlds.<br>One launcher.</h1>"
            "<p class=\"lead\">Quillbarrow keeps your games installed, updated and one click away, with "
            "chat, "
            "news and friends built in.</p>"
            "<div class=\"row\"><a class=\"btn\" href=\"/download/QuillbarrowSetup.exe\">Download the "
            "launcher</a>"
            "<a class=\"btn ghost\" href=\"/index.php?id=register\">Create a free account</a></div>"
            "<div class=\"card status\"><div><span>Service</span><b class=\"%1\">%2</b></div>"
            "<div><span>Players online</span><b>%3</b></div>"
            "<div><span>Launcher</span><b>v%4</b></div></div></section>"
            "<h2>Why Quillbarrow</h2><div class=\"grid\">"
            "<div class=\"card\"><h3>A shop of thirteen</h3><p>Browse, search and install every game of the "
            "catalogue; downloads show size, speed and time left.</p></div>"
            "<div class=\"card\"><h3>Always up to date</h3><p>When a game gets a new version, one click "
            "fetches "
            "just the update. The launcher updates itself too.</p></div>"
            "<div class=\"card\"><h3>Chat and whispers</h3><p>Talk in channels, whisper to a friend with "
            "<b>/w name</b>, join rooms with <b>/join</b>.</p></div>"
            "<div class=\"card\"><h3>Your account, safe</h3><p>Passwords are stored as argon2id hashes and "
            "login attempts are limited.</p></div></div>"
            "<h2>The catalogue</h2>%5"
            "<h2>News</h2><ul class=\"news\">"
            "<li><b>Patch day.</b> Several games received updates; the launcher offers them on the game "
            "page.</li>"
            "<li><b>New channels.</b> Type <b>/join lobby</b> in the chat to meet other players.</li>"
            "<li><b>Invite your friends.</b> The Social panel of the launcher has an invite link for "
            "you.</li>"
            "</ul>")
            .arg(s.online ? QStringLiteral("on-line") : QStringLiteral("off-line"),
                 s.online ? QStringLiteral("Online") : QStringLiteral("Offline"), QString::number(players),
                 esc(launcher), catalogueCards(s.versions));
    return SitePage::render(QStringLiteral("Home"), QStringLiteral("home"), body);
}

QByteArray WebSite::registerPage(const RegisterForm &form) const {
    const QString body =
        QStringLiteral(
            "<div class=\"narrow\"><h1>Create your account</h1>"
            "<p class=\"lead\">One account for the launcher, the shop and the chat.</p>%1"
            "<form method=\"post\" action=\"/index.php?id=register\" autocomplete=\"on\">"
            "<label for=\"email\">E-mail</label>"
            "<input type=\"email\" id=\"email\" name=\"email\" maxlength=\"%2\" required value=\"%3\">"
            "<label for=\"name\">Player name (shown in chat)</label>"
            "<input type=\"text\" id=\"name\" name=\"name\" maxlength=\"%4\" required value=\"%5\">"
            "<label for=\"password\">Password (at least %6 characters)</label>"
            "<input type=\"password\" id=\"password\" name=\"password\" maxlength=\"%7\" required>"
            "<label for=\"password2\">Password again</label>"
            "<input type=\"password\" id=\"password2\" name=\"password2\" maxlength=\"%7\" required>"
            "<div class=\"row\"><button class=\"btn\" type=\"submit\">Create account</button></div>"
            "</form></div>")
            .arg(errorBox(form.errors), QString::number(AccountRules::kEmailMax), esc(form.email),
                 QString::number(AccountRules::kNameMax), esc(form.name),
                 QString::number(AccountRules::kPasswordMin), QString::number(AccountRules::kPasswordMax));
    return SitePage::render(QStringLiteral("Create account"), QStringLiteral("register"), body);
}

QByteArray WebSite::registered(const QString &name, const QString &email) const {
    const QString body =
        QStringLiteral("<div class=\"narrow\"><h1>Welcome, %1!</h1>"
                       "<div class=\"ok\">Your account is ready. Start the Quillbarrow launcher "
                       "and log in with <b>%2</b> and your password.</div>"
                       "<div class=\"row\"><a class=\"btn\" href=\"/download/"
                       "QuillbarrowSetup.exe\">Download the launcher</a></div></div>")
            .arg(esc(name), esc(email));
    return SitePage::render(QStringLiteral("Account created"), QStringLiteral("register"), body);
}

QByteArray WebSite::forgotPage(const QString &email, bool acknowledged) const {
    QString body = QStringLiteral("<div class=\"narrow\"><h1>Forgot your password?</h1>");
    if (acknowledged) {
        // The same answer whether or not the address has an account.
        body +=
            QStringLiteral("<div class=\"ok\">If an account is registered under <b>%1</b>, password reset "
                           "instructions go to that address. This demo server sends no e-mail: ask its "
                           "administrator to set a new password.</div>")
                .arg(esc(email));
    } else {
        body +=
            QStringLiteral("<p class=\"lead\">Enter the e-mail address of your account and we will help you "
                           "back in.</p>"
                           "<form method=\"post\" action=\"/index.php?id=forgot-password\">"
                           "<label for=\"email\">E-mail</label>"
                           "<input type=\"email\" id=\"email\" name=\"email\" maxlength=\"%1\" required>"
                           "<div class=\"row\"><button class=\"btn\" type=\"submit\">Send reset link</button>"
                           "</div></form>")
                .arg(AccountRules::kEmailMax);
    }
    body += QStringLiteral("</div>");
    return SitePage::render(QStringLiteral("Forgot password"), QStringLiteral("forgot-password"), body);
}

QByteArray WebSite::invitePage(const QString &inviter) const {
    const QString who = inviter.trimmed().left(256);
    QString body = QStringLiteral("<div class=\"narrow\"><h1>Invite a friend</h1>");
    if (who.isEmpty()) {
        body +=
            QStringLiteral("<p class=\"lead\">Games are better together. Send your friends this link:</p>");
    } else {
        body += QStringLiteral("<p class=\"lead\"><b>%1</b> invites you to Quillbarrow: thirteen games, one "
                               "launcher, and a chat to meet in.</p><p>Share this link:</p>")
                    .arg(esc(who));
    }
    body += QStringLiteral(
        "<p class=\"mono\">/index.php?id=register</p>"
        "<div class=\"row\"><a class=\"btn\" href=\"/index.php?id=register\">Create a free "
        "account</a><a class=\"btn ghost\" href=\"/download/QuillbarrowSetup.exe\">Download the "
        "launcher</a></div></div>");
    return SitePage::render(QStringLiteral("Invite a friend"), QStringLiteral("invite-a-friend"), body);
}

QByteArray WebSite::donatePage() const {
    const QString body = QStringLiteral(
        "<h1>Support Quillbarrow</h1><p class=\"lead\">Quillbarrow is made by a small team. Donations keep "
        "the "
        "servers running and the games coming.</p>"
        "<div class=\"grid tiers\" style=\"margin-top:28px\">"
        "<div class=\"card\"><h3>Squire</h3><div class=\"price\">€3</div><p>A coffee for the team.</p></div>"
        "<div class=\"card\"><h3>Knight</h3><div class=\"price\">€10</div><p>A month of chat "
        "servers.</p></div>"
        "<div class=\"card\"><h3>Patron</h3><div class=\"price\">€25</div><p>Your name in the "
        "credits.</p></div>"
        "</div><div class=\"row\"><button class=\"btn\" disabled>Donate</button></div>"
        "<p class=\"lead\" style=\"margin-top:18px\">Payments are not enabled on this server.</p>");
    return SitePage::render(QStringLiteral("Donate"), QStringLiteral("donate"), body);
}

QByteArray WebSite::notFound() const {
    return SitePage::render(
        QStringLiteral("Not found"), QString(),
        QStringLiteral("<h1>Page not found</h1><p class=\"lead\">This page does not exist. "
                       "<a href=\"/\">Back to the start page</a>.</p>"));
}
