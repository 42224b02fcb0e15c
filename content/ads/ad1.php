<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Starfall Drift - now on Quillbarrow</title>
<style>
*{box-sizing:border-box;margin:0;padding:0}
html,body{height:100%;overflow:hidden;background:#0b0618}
body{font-family:"DejaVu Sans",Verdana,sans-serif;color:#f8fafc}
.ad{display:flex;flex-direction:column;height:100%;max-width:480px;margin:0 auto;
  background:linear-gradient(180deg,#1a0b2e 0%,#3b0f4a 45%,#0b0618 100%)}
.art{position:relative;flex:1 1 auto;min-height:32%;overflow:hidden}
.stars{position:absolute;inset:0;
  background:radial-gradient(1px 1px at 12% 18%,#fff,transparent),radial-gradient(1px 1px at 72% 9%,#fde68a,transparent),
  radial-gradient(1.5px 1.5px at 40% 30%,#fff,transparent),radial-gradient(1px 1px at 86% 36%,#fff,transparent),
  radial-gradient(1px 1px at 24% 44%,#f9a8d4,transparent),radial-gradient(1.5px 1.5px at 60% 22%,#fff,transparent)}
.sun{position:absolute;left:50%;bottom:34%;width:70%;aspect-ratio:1;transform:translateX(-50%);border-radius:50%;
  background:repeating-linear-gradient(180deg,#fde047 0 9%,#f97316 9% 12%,#fde047 12% 20%,transparent 20% 23%);
  -webkit-mask:linear-gradient(#000 55%,transparent 56%);mask:linear-gradient(#000 55%,transparent 56%);
  box-shadow:0 0 40px #f472b6}
.road{position:absolute;left:0;right:0;bottom:0;height:36%;background:#111827;
  clip-path:polygon(46% 0,54% 0,100% 100%,0 100%)}
.lane{position:absolute;left:50%;bottom:0;width:3%;height:36%;transform:translateX(-50%);
  background:repeating-linear-gradient(180deg,transparent 0 10%,#fde047 10% 22%);
  clip-path:polygon(45% 0,55% 0,100% 100%,0 100%);animation:rush .6s linear infinite}
.grid{position:absolute;left:0;right:0;bottom:0;height:36%;opacity:.5;
  background:repeating-linear-gradient(90deg,transparent 0 11%,#ec4899 11% 11.6%)}
.car{position:absolute;left:50%;bottom:6%;width:44%;aspect-ratio:2.2;transform:translateX(-50%)}
.car .body{position:absolute;inset:30% 0 18% 0;border-radius:30% 30% 12% 12%;
  background:linear-gradient(#22d3ee,#0e7490)}
.car .roof{position:absolute;left:22%;right:22%;top:0;height:40%;border-radius:40% 40% 0 0;
  background:linear-gradient(#0f172a,#1e293b)}
.car .lamp{position:absolute;bottom:32%;width:16%;height:10%;border-radius:3px;background:#f43f5e;box-shadow:0 0 12px #f43f5e}
.car .lamp.l{left:6%}.car .lamp.r{right:6%}
.car .wheel{position:absolute;bottom:0;width:18%;height:26%;border-radius:4px;background:#030712}
.car .wheel.l{left:8%}.car .wheel.r{right:8%}
@keyframes rush{from{background-position:0 0}to{background-position:0 40px}}
.copy{padding:min(6vw,28px) min(7vw,32px) 0}
.badge{display:inline-block;font-size:min(5vw,14px);font-weight:bold;letter-spacing:.08em;text-transform:uppercase;
  color:#0b0618;background:#fde047;padding:.25em .6em;border-radius:1em}
h1{font-size:min(13vw,52px);line-height:1;margin-top:.35em;text-transform:uppercase;letter-spacing:.02em;
  background:linear-gradient(90deg,#f9a8d4,#fde047);-webkit-background-clip:text;background-clip:text;color:transparent}
p{font-size:min(6.4vw,17px);line-height:1.4;color:#e2e8f0;margin-top:.7em}
.cta{display:block;margin:min(6vw,26px) min(7vw,32px) min(3vw,12px);padding:.7em 0;text-align:center;
  font-size:min(6.6vw,20px);font-weight:bold;letter-spacing:.04em;border-radius:.5em;color:#fff;
  background:linear-gradient(180deg,#ec4899,#be185d);box-shadow:0 0 18px rgba(236,72,153,.55)}
.meta{font-size:min(4.6vw,13px);color:#a5b4fc;text-align:center;padding-bottom:min(5vw,20px)}
</style>
</head>
<body>
<div class="ad">
  <div class="art" aria-hidden="true">
    <div class="stars"></div>
    <div class="sun"></div>
    <div class="road"></div>
    <div class="grid"></div>
    <div class="lane"></div>
    <div class="car"><div class="roof"></div><div class="body"></div>
      <div class="lamp l"></div><div class="lamp r"></div><div class="wheel l"></div><div class="wheel r"></div></div>
  </div>
  <div class="copy">
    <span class="badge">Update 2.2</span>
    <h1>Starfall Drift</h1>
    <p>Twelve new night tracks across the Comet Belt. Chain drifts, light up the grid and race your friends' ghosts.</p>
  </div>
  <span class="cta">Update now</span>
  <div class="meta">Racing &middot; Comet Garage &middot; in the Shop</div>
</div>
</body>
</html>
