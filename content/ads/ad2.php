<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Cinder Vale Online - Season of Ash</title>
<style>
*{box-sizing:border-box;margin:0;padding:0}
html,body{height:100%;overflow:hidden;background:#0c0718}
body{font-family:"DejaVu Sans",Verdana,sans-serif;color:#f5f3ff}
.ad{display:flex;flex-direction:column;height:100%;max-width:480px;margin:0 auto;
  background:linear-gradient(180deg,#1e0b3a 0%,#4c1d95 40%,#0c0718 78%)}
.art{position:relative;flex:1 1 auto;min-height:32%;overflow:hidden}
.moon{position:absolute;left:50%;top:12%;width:62%;aspect-ratio:1;transform:translateX(-50%);border-radius:50%;
  background:radial-gradient(circle at 40% 38%,#fde68a 0,#f97316 45%,#7c2d12 70%,transparent 71%);
  box-shadow:0 0 60px rgba(249,115,22,.6)}
.keep{position:absolute;left:0;right:0;bottom:0;height:58%;background:#0c0718;
  clip-path:polygon(0 62%,8% 62%,8% 40%,12% 32%,16% 40%,16% 62%,28% 62%,28% 22%,34% 10%,40% 22%,40% 50%,
  46% 50%,46% 4%,50% 0,54% 4%,54% 50%,60% 50%,60% 24%,66% 12%,72% 24%,72% 62%,84% 62%,84% 38%,88% 30%,
  92% 38%,92% 62%,100% 62%,100% 100%,0 100%)}
.win{position:absolute;width:2.5%;height:4%;background:#fbbf24;box-shadow:0 0 8px #f59e0b}
.ember{position:absolute;bottom:0;width:5px;height:5px;border-radius:50%;background:#fb923c;
  box-shadow:0 0 8px #f97316;animation:rise 6s linear infinite;opacity:0}
.e1{left:18%;animation-delay:0s}.e2{left:42%;animation-delay:1.5s}.e3{left:63%;animation-delay:3s}
.e4{left:80%;animation-delay:4.2s}.e5{left:30%;animation-delay:2.2s}
@keyframes rise{0%{transform:translateY(0);opacity:0}15%{opacity:1}100%{transform:translateY(-420px) translateX(20px);opacity:0}}
.copy{padding:min(6vw,28px) min(7vw,32px) 0}
.badge{display:inline-block;font-size:min(5vw,14px);font-weight:bold;letter-spacing:.08em;text-transform:uppercase;
  color:#fff7ed;border:1px solid #fb923c;padding:.25em .6em;border-radius:.3em}
h1{font-size:min(12vw,48px);line-height:1.02;margin-top:.35em;text-transform:uppercase;color:#fde68a;
  text-shadow:0 0 14px rgba(249,115,22,.7)}
h2{font-size:min(6.8vw,22px);color:#c4b5fd;margin-top:.3em;font-weight:normal;font-style:italic}
p{font-size:min(6.2vw,17px);line-height:1.4;color:#ddd6fe;margin-top:.7em}
.cta{display:block;margin:min(6vw,26px) min(7vw,32px) min(3vw,12px);padding:.7em 0;text-align:center;
  font-size:min(6.6vw,20px);font-weight:bold;border-radius:.5em;color:#1c0a06;
  background:linear-gradient(180deg,#fbbf24,#ea580c);box-shadow:0 0 18px rgba(234,88,12,.5)}
.meta{font-size:min(4.6vw,13px);color:#a78bfa;text-align:center;padding-bottom:min(5vw,20px)}
</style>
</head>
<body>
<div class="ad">
  <div class="art" aria-hidden="true">
    <div class="moon"></div>
    <div class="keep"></div>
    <div class="win" style="left:49%;bottom:40%"></div>
    <div class="win" style="left:32.5%;bottom:30%"></div>
    <div class="win" style="left:64.5%;bottom:28%"></div>
    <div class="ember e1"></div><div class="ember e2"></div><div class="ember e3"></div>
    <div class="ember e4"></div><div class="ember e5"></div>
  </div>
  <div class="copy">
    <span class="badge">Free weekend</span>
    <h1>Cinder Vale Online</h1>
    <h2>Season of Ash</h2>
    <p>The ember keep has fallen. Gather your guild, reclaim the vale and forge legendary gear from living flame.</p>
  </div>
  <span class="cta">Join the battle</span>
  <div class="meta">MMORPG &middot; Ashgrove Entertainment</div>
</div>
</body>
</html>
