<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Whisperwood - Chapter II: The Hollow Oak</title>
<style>
*{box-sizing:border-box;margin:0;padding:0}
html,body{height:100%;overflow:hidden;background:#03140c}
body{font-family:"DejaVu Serif",Georgia,serif;color:#f0fdf4}
.ad{display:flex;flex-direction:column;height:100%;max-width:480px;margin:0 auto;
  background:linear-gradient(180deg,#0b2e22 0%,#14532d 45%,#03140c 80%)}
.art{position:relative;flex:1 1 auto;min-height:34%;overflow:hidden}
.glow{position:absolute;left:50%;top:34%;width:80%;aspect-ratio:1;transform:translate(-50%,-50%);border-radius:50%;
  background:radial-gradient(circle,rgba(187,247,208,.55) 0,rgba(187,247,208,0) 65%)}
.trees{position:absolute;left:0;right:0;bottom:0}
.t1{height:70%;background:#166534;opacity:.55;
  clip-path:polygon(0 100%,0 40%,8% 10%,16% 45%,22% 20%,32% 50%,40% 15%,50% 55%,58% 25%,68% 50%,76% 5%,86% 45%,94% 20%,100% 40%,100% 100%)}
.t2{height:55%;background:#0f3d22;
  clip-path:polygon(0 100%,0 30%,10% 60%,18% 0,28% 55%,36% 25%,46% 70%,54% 20%,62% 60%,72% 10%,82% 55%,90% 25%,100% 50%,100% 100%)}
.oak{position:absolute;left:50%;bottom:0;width:34%;height:48%;transform:translateX(-50%);background:#052e16;
  clip-path:polygon(30% 100%,36% 40%,8% 28%,0 8%,30% 14%,42% 0,58% 0,70% 14%,100% 8%,92% 28%,64% 40%,70% 100%)}
.door{position:absolute;left:50%;bottom:0;width:7%;height:13%;transform:translateX(-50%);border-radius:50% 50% 0 0;
  background:#fde68a;box-shadow:0 0 18px #facc15}
.fly{position:absolute;width:4px;height:4px;border-radius:50%;background:#fef08a;box-shadow:0 0 8px #facc15;
  animation:drift 5s ease-in-out infinite alternate}
.f1{left:20%;top:40%}.f2{left:70%;top:30%;animation-delay:1s}.f3{left:45%;top:60%;animation-delay:2s}
.f4{left:82%;top:58%;animation-delay:3s}.f5{left:30%;top:22%;animation-delay:1.6s}
@keyframes drift{from{transform:translate(0,0);opacity:.3}to{transform:translate(14px,-18px);opacity:1}}
.copy{padding:min(5vw,24px) min(7vw,32px) 0}
.badge{display:inline-block;font-family:"DejaVu Sans",Verdana,sans-serif;font-size:min(5vw,14px);font-weight:bold;
  letter-spacing:.08em;text-transform:uppercase;color:#052e16;background:#bbf7d0;padding:.25em .6em;border-radius:1em}
h1{font-size:min(10.5vw,44px);line-height:1.05;margin-top:.35em;color:#dcfce7}
h2{font-size:min(6.4vw,21px);font-weight:normal;font-style:italic;color:#86efac;margin-top:.25em}
p{font-size:min(6.2vw,17px);line-height:1.45;color:#d1fae5;margin-top:.7em}
.cta{display:block;margin:min(6vw,26px) min(7vw,32px) min(3vw,12px);padding:.7em 0;text-align:center;
  font-family:"DejaVu Sans",Verdana,sans-serif;font-size:min(6.6vw,20px);font-weight:bold;border-radius:.5em;
  color:#052e16;background:linear-gradient(180deg,#fde68a,#eab308)}
.meta{font-family:"DejaVu Sans",Verdana,sans-serif;font-size:min(4.6vw,13px);color:#86efac;text-align:center;
  padding-bottom:min(5vw,20px)}
</style>
</head>
<body>
<div class="ad">
  <div class="art" aria-hidden="true">
    <div class="glow"></div>
    <div class="trees t1"></div>
    <div class="trees t2"></div>
    <div class="oak"></div>
    <div class="door"></div>
    <div class="fly f1"></div><div class="fly f2"></div><div class="fly f3"></div>
    <div class="fly f4"></div><div class="fly f5"></div>
  </div>
  <div class="copy">
    <span class="badge">Free update 1.4.1</span>
    <h1>Whisperwood</h1>
    <h2>Chapter II: The Hollow Oak</h2>
    <p>Something is knocking from inside the old oak. Follow the fireflies deeper into the wood than anyone has dared.</p>
  </div>
  <span class="cta">Continue the story</span>
  <div class="meta">Adventure &middot; Lanternfish Studio</div>
</div>
</body>
</html>
