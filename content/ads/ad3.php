<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Hexbound - Sigil Puzzles</title>
<style>
*{box-sizing:border-box;margin:0;padding:0}
html,body{height:100%;overflow:hidden;background:#0b1120}
body{font-family:"DejaVu Sans",Verdana,sans-serif;color:#ecfeff}
.ad{display:flex;flex-direction:column;height:100%;max-width:480px;margin:0 auto;
  background:radial-gradient(120% 60% at 50% 25%,#134e4a 0%,#0f172a 60%,#0b1120 100%)}
.art{position:relative;flex:1 1 auto;min-height:32%;overflow:hidden;display:flex;align-items:center;justify-content:center}
.board{display:grid;grid-template-columns:repeat(4,18%);gap:2% 0;width:92%;justify-content:center}
.board .row{display:contents}
.hex{aspect-ratio:1/1.15;clip-path:polygon(50% 0,100% 25%,100% 75%,50% 100%,0 75%,0 25%);
  background:#1e293b;margin:0 1%;position:relative}
.hex::after{content:"";position:absolute;inset:8%;clip-path:inherit;background:#0f172a}
.hex.lit{background:#5eead4;box-shadow:0 0 20px #2dd4bf}
.hex.lit::after{background:radial-gradient(circle,#99f6e4 0,#14b8a6 60%,#0f766e 100%)}
.hex.gold{background:#fbbf24}
.hex.gold::after{background:radial-gradient(circle,#fef3c7 0,#f59e0b 70%)}
.off{transform:translateX(50%)}
.glyph{position:absolute;inset:0;display:flex;align-items:center;justify-content:center;z-index:1;
  font-size:min(7vw,26px);color:#042f2e;font-weight:bold}
.pulse{animation:pulse 2.4s ease-in-out infinite}
@keyframes pulse{50%{filter:brightness(1.35)}}
.copy{padding:min(6vw,28px) min(7vw,32px) 0;text-align:center}
.badge{display:inline-block;font-size:min(5vw,14px);font-weight:bold;letter-spacing:.08em;text-transform:uppercase;
  color:#042f2e;background:#5eead4;padding:.25em .6em;border-radius:1em}
h1{font-size:min(14vw,56px);line-height:1;margin-top:.35em;letter-spacing:.04em;color:#f0fdfa}
h2{font-size:min(6vw,20px);font-weight:normal;color:#5eead4;margin-top:.2em;letter-spacing:.12em;text-transform:uppercase}
p{font-size:min(6.2vw,17px);line-height:1.4;color:#ccfbf1;margin-top:.7em}
.cta{display:block;margin:min(6vw,26px) min(7vw,32px) min(3vw,12px);padding:.7em 0;text-align:center;
  font-size:min(6.6vw,20px);font-weight:bold;border-radius:2em;color:#042f2e;
  background:linear-gradient(180deg,#99f6e4,#14b8a6)}
.meta{font-size:min(4.6vw,13px);color:#5eead4;text-align:center;padding-bottom:min(5vw,20px)}
</style>
</head>
<body>
<div class="ad">
  <div class="art" aria-hidden="true">
    <div class="board">
      <div class="hex"></div><div class="hex lit pulse"><span class="glyph">&#9651;</span></div><div class="hex"></div><div class="hex"></div>
      <div class="hex off"></div><div class="hex off gold"><span class="glyph">&#9733;</span></div><div class="hex off"></div><div class="hex off lit"></div>
      <div class="hex lit"></div><div class="hex"></div><div class="hex lit pulse"><span class="glyph">&#9675;</span></div><div class="hex"></div>
      <div class="hex off"></div><div class="hex off lit"></div><div class="hex off"></div><div class="hex off"></div>
      <div class="hex"></div><div class="hex"></div><div class="hex lit"></div><div class="hex gold pulse"><span class="glyph">&#9671;</span></div>
      <div class="hex off lit"></div><div class="hex off"></div><div class="hex off"></div><div class="hex off lit"></div>
    </div>
  </div>
  <div class="copy">
    <span class="badge">Plays offline</span>
    <h1>Hexbound</h1>
    <h2>Sigil Puzzles</h2>
    <p>120 hand-crafted boards. Link the sigils, bend the light, and find the one move nobody else saw.</p>
  </div>
  <span class="cta">Get it free</span>
  <div class="meta">Puzzle &middot; Quiet Owl Games</div>
</div>
</body>
</html>
