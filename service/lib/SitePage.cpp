#include "lib/SitePage.h"

namespace {

const char kStyle[] = R"css(
:root{--bg:#0b0f17;--panel:#141a26;--panel2:#1a2130;--line:#263044;--text:#e7eaf0;--muted:#9aa5b8;
--accent:#ffb347;--accent2:#ff6a3d;--good:#7cfc00;--bad:#ff6347}
*{box-sizing:border-box}
html,body{margin:0;background:radial-gradient(1200px 600px at 70% -10%,#2a1d14 0%,var(--bg) 55%) fixed,var(--bg);
color:var(--text);font:16px/1.55 system-ui,"Segoe UI",Roboto,"DejaVu Sans",sans-serif}
a{color:var(--accent);text-decoration:none}a:hover{text-decoration:underline}
.wrap{max-width:1080px;margin:0 auto;padding:0 24px}
header{border-bottom:1px solid var(--line);background:rgba(11,15,23,.85);position:sticky;top:0;backdrop-filter:blur(6px)}
header .wrap{display:flex;align-items:center;gap:28px;height:64px}
.logo{display:flex;align-items:center;gap:10px;font-weight:800;letter-spacing:.14em;color:var(--text)}
.logo:hover{text-decoration:none}
.logo i{display:inline-grid;place-items:center;width:34px;height:34px;border-radius:9px;font-style:normal;
background:linear-gradient(135deg,var(--accent),var(--accent2));color:#1a0f08;font-size:20px;letter-spacing:0}
nav{display:flex;gap:20px;margin-left:auto;flex-wrap:wrap}
nav a{color:var(--muted);font-size:14px;text-transform:uppercase;letter-spacing:.08em}
nav a.on,nav a:hover{color:var(--text);text-decoration:none}
main{padding:48px 0 64px}
h1{font-size:44px;line-height:1.1;margin:0 0 16px}h2{font-size:26px;margin:40px 0 14px}h3{margin:0 0 8px}
.lead{font-size:19px;color:var(--muted);max-width:640px}
.hero{padding:40px 0 24px}
.btn{display:inline-block;padding:12px 22px;border-radius:10px;font-weight:700;border:0;cursor:pointer;font-family:inherit;font-size:16px;
background:linear-gradient(135deg,var(--accent),var(--accent2));color:#1a0f08}
.btn:hover{text-decoration:none;filter:brightness(1.08)}
.btn.ghost{background:transparent;border:1px solid var(--line);color:var(--text)}
.btn[disabled]{opacity:.45;cursor:not-allowed}
.row{display:flex;gap:14px;flex-wrap:wrap;margin-top:26px}
.grid{display:grid;grid-template-columns:repeat(auto-fit,minmax(230px,1fr));gap:18px}
.card{background:linear-gradient(180deg,var(--panel2),var(--panel));border:1px solid var(--line);border-radius:14px;padding:22px}
.card p{color:var(--muted);margin:0}
.status{display:flex;gap:28px;flex-wrap:wrap;padding:14px 22px;margin-top:34px}
.status b{display:block;font-size:20px}.status span{color:var(--muted);font-size:13px;text-transform:uppercase;letter-spacing:.08em}
.on-line{color:var(--good)}.off-line{color:var(--bad)}
.narrow{max-width:520px}
form label{display:block;font-size:14px;color:var(--muted);margin:16px 0 6px}
input[type=text],input[type=email],input[type=password]{width:100%;padding:12px 14px;border-radius:9px;border:1px solid var(--line);
background:#0e131d;color:var(--text);font-size:16px}
input:focus{outline:2px solid var(--accent);border-color:transparent}
.errors{background:#2a1214;border:1px solid #5c2328;color:#ffb4b4;border-radius:10px;padding:12px 16px;margin:18px 0}
.errors ul{margin:0;padding-left:18px}
.ok{background:#10240f;border:1px solid #2c5a22;color:#c9f7b8;border-radius:10px;padding:14px 18px;margin:18px 0}
.games{display:grid;grid-template-columns:repeat(auto-fill,minmax(190px,1fr));gap:16px}
.game{border:1px solid var(--line);border-radius:12px;overflow:hidden;background:var(--panel)}
.cover{height:112px;display:flex;align-items:flex-end;padding:12px;font-weight:800;font-size:18px;line-height:1.15;
text-shadow:0 2px 8px rgba(0,0,0,.6)}
.game .meta{padding:10px 12px 12px;font-size:13px;color:var(--muted)}
.game .meta b{color:var(--text);font-weight:600}
.news li{margin:0 0 10px;color:var(--muted)}.news b{color:var(--text)}
.tiers .card{text-align:center}.tiers .price{font-size:34px;font-weight:800;margin:6px 0 10px}
.mono{font-family:ui-monospace,"DejaVu Sans Mono",monospace;background:#0e131d;border:1px solid var(--line);
padding:10px 12px;border-radius:8px;word-break:break-all}
footer{border-top:1px solid var(--line);color:var(--muted);font-size:13px;padding:22px 0 40px}
footer .wrap{display:flex;justify-content:space-between;flex-wrap:wrap;gap:10px}
)css";

struct NavEntry {
    const char *id;
    const char *href;
    const char *label;
};

constexpr NavEntry kNav[] = {
    {"home", "/", "Home"},
    {"register", "/index.php?id=register", "Create account"},
    {"forgot-password", "/index.php?id=forgot-password", "Forgot password"},
    {"invite-a-friend", "/index.php?id=invite-a-friend", "Invite a friend"},
    {"donate", "/index.php?id=donate", "Donate"},
};

} // namespace

QString SitePage::escape(const QString &text) {
    QString out;
    out.reserve(text.size() + 16);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        case '"':
            out += QLatin1String("&quot;");
            break;
        case '\'':
            out += QLatin1String("&#39;");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QByteArray SitePage::render(const QString &title, const QString &current, const QString &bodyHtml) {
    QString nav;
    for (const NavEntry &e : kNav) {
        const bool on = current == QLatin1String(e.id);
        nav += QStringLiteral("<a href=\"%1\"%2>%3</a>")
                   .arg(QLatin1String(e.href), on ? QStringLiteral(" class=\"on\"") : QString(),
                        QLatin1String(e.label));
    }
    const QString html =
        QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
                       "<meta name=\"viewport\" content=\"width=device-width,initial-scale=1\">"
                       "<title>%1 · Quillbarrow</title><link rel=\"icon\" href=\"/site/logo.svg\">"
                       "<style>%2</style></head><body>"
                       "<header><div class=\"wrap\"><a class=\"logo\" href=\"/\"><i>Q</i>QUILLBARROW</a>"
                       "<nav>%3</nav></div></header>"
                       "<main><div class=\"wrap\">%4</div></main>"
                       "<footer><div class=\"wrap\"><span>© Quillbarrow Games. All thirteen of them.</span>"
                       "<span><a href=\"/index.php?id=donate\">Support us</a> · "
                       "<a href=\"/index.php?id=register\">Create account</a></span></div></footer>"
                       "</body></html>\n")
            .arg(escape(title), QLatin1String(kStyle), nav, bodyHtml);
    return html.toUtf8();
}
