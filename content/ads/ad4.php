<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Neon Gambit - deal your first hand</title>
<style>
*{box-sizing:border-box;margin:0;padding:0}
html,body{height:100%;overflow:hidden;background:#0b0221}
body{font-family:"DejaVu Sans",Verdana,sans-serif;color:#fdf4ff}
.ad{display:flex;flex-direction:column;height:100%;max-width:480px;margin:0 auto;
  background:linear-gradient(180deg,#0b0221 0%,#2e1065 55%,#0b0221 100%)}
.art{position:relative;flex:1 1 auto;min-height:34%;overflow:hidden}
.floor{position:absolute;left:-20%;right:-20%;bottom:0;height:40%;transform:perspective(200px) rotateX(55deg);
  transform-origin:bottom;background:repeating-linear-gradient(90deg,rgba(34,211,238,.35) 0 2px,transparent 2px 12%),
  repeating-linear-gradient(0deg,rgba(244,114,182,.35) 0 2px,transparent 2px 18%)}
.card{position:absolute;left:50%;top:50%;width:38%;aspect-ratio:.68;margin-left:-19%;margin-top:-28%;
  border-radius:8%;background:linear-gradient(160deg,#1e1b4b,#0b0221);border:3px solid #f472b6;
  box-shadow:0 0 16px #f472b6,inset 0 0 12px rgba(244,114,182,.4);transform-origin:50% 120%}
.card.a{transform:rotate(-22deg)}
.card.b{border-color:#22d3ee;box-shadow:0 0 20px #22d3ee,inset 0 0 12px rgba(34,211,238,.4);z-index:2}
.card.c{transform:rotate(22deg)}
.suit{position:absolute;inset:0;display:flex;align-items:center;justify-content:center;font-size:min(16vw,64px)}
.card.b .suit{color:#22d3ee;text-shadow:0 0 12px #22d3ee}
.card.a .suit,.card.c .suit{color:#f472b6;text-shadow:0 0 12px #f472b6}
.corner{position:absolute;left:8%;top:5%;font-size:min(6vw,22px);font-weight:bold}
.card.b .corner{color:#a5f3fc}.card.a .corner,.card.c .corner{color:#fbcfe8}
.flicker{animation:flicker 3.5s infinite}
@keyframes flicker{0%,18%,22%,100%{opacity:1}20%{opacity:.55}}
.copy{padding:min(5vw,24px) min(7vw,32px) 0}
.badge{display:inline-block;font-size:min(5vw,14px);font-weight:bold;letter-spacing:.08em;text-transform:uppercase;
  color:#22d3ee;border:1px solid #22d3ee;padding:.25em .6em;border-radius:.3em;box-shadow:0 0 8px rgba(34,211,238,.5)}
h1{font-size:min(13vw,52px);line-height:1;margin-top:.35em;text-transform:uppercase;color:#fdf4ff;
  text-shadow:0 0 6px #f472b6,0 0 18px #db2777}
p{font-size:min(6.2vw,17px);line-height:1.4;color:#f5d0fe;margin-top:.7em}
.cta{display:block;margin:min(6vw,26px) min(7vw,32px) min(3vw,12px);padding:.7em 0;text-align:center;
  font-size:min(6.6vw,20px);font-weight:bold;letter-spacing:.05em;border-radius:.4em;color:#0b0221;
  background:linear-gradient(90deg,#22d3ee,#f472b6)}
.meta{font-size:min(4.6vw,13px);color:#c084fc;text-align:center;padding-bottom:min(5vw,20px)}
</style>
</head>
<body>
<div class="ad">
  <div class="art" aria-hidden="true">
    <div class="floor"></div>
    <div class="card a"><span class="corner">7</span><span class="suit">&#9830;</span></div>
    <div class="card c"><span class="corner">Q</span><span class="suit">&#9829;</span></div>
    <div class="card b flicker"><span class="corner">A</span><span class="suit">&#9824;</span></div>
  </div>
  <div class="copy">
    <span class="badge flicker">Ranked season 3</span>
    <h1>Neon Gambit</h1>
    <p>Build a deck of 30 glowing cards, bluff the house and climb the Midnight League. New players get a starter deck.</p>
  </div>
  <span class="cta">Deal me in</span>
  <div class="meta">Card Battler &middot; Quiet Owl Games</div>
</div>
</body>
</html>
