#!/usr/bin/python3
"""Stand-in for the operator's web site, on loopback only, for running and testing the launcher.

    python3 tools/operator_site.py [--port 18080] [--host 127.0.0.1] [--updates DIR] [--verbose]
                                   [--login-status NNN]

Standard library only. Prints "operator site on http://HOST:PORT" once it listens (--port 0 picks
a free port); SIGTERM or Ctrl+C stops it. DIR defaults to build/site-updates under the repo root.

Routes (GET):
  /embed/3333/?...                 login page, 690 x 452; the form leads the top frame to
                                   /play_gamecode?server=1&token=T, T = 8 lowercase hex digits,
                                   FNV-1a 32 over the UTF-16 code units of the trimmed account;
                                   with --login-status other than 200, that status and a short page
  /embed/notice                    notice box shown in an iframe of the login page
  /play_gamecode?...               canvas toy, with links to /news, /help and /out?to=..., an
                                   emblem image inside a link and a link without href
  /emblem.svg                      the emblem image of the game page
  /news, /help, /out?to=...        small pages; /out only shows where it would go
  /getClientVersion.php?p=kavro&g=brolt&v=A.B.C.D
                                   text/plain: http://HOST:PORT/download/Morvane-a.b.c.d.exe for
                                   the highest Morvane-a.b.c.d.exe in DIR newer than v, else -1.
                                   DIR/answer.txt, when present, is answered verbatim instead;
                                   DIR/answer-<v>.txt, for that v only, before answer.txt.
                                   Other p or g, or a v that is not 1 to 4 numbers: 400.
  /download/NAME                   NAME from DIR as application/octet-stream; 404 when missing,
                                   400 for names with "..", "/", "\\" or ":"
  anything else                    404

Faults, for the version check and downloads: query parameters fault= and delay_ms=.
Defaults for them come from DIR/fault.txt (downloads) and DIR/version-fault.txt (version check),
which hold the mode and optionally a delay, e.g. "slow 500"; query parameters win over the file.
Files are read on every request, so tests may change them while the site runs.
  none          normal answer
  statusNNN     status NNN (200..599) with a short text body instead of the answer
  truncate      Content-Length of the whole body, only the first half sent, then close
  short         Content-Length of the whole body, all but its last byte sent, then close
  stall         Content-Length, the first half of the body, nothing for delay_ms (default 60000,
                at most 120000), then close
  nolength      no Content-Length; the whole body, then close
  slow          Content-Length, then the body in at most 20 chunks, delay_ms (default 200,
                at most 3000) before each, so at most a minute in all
  drop          read the request, close without answering
  hang          read the request, send nothing for delay_ms (default 60000, at most 120000), close
  redirect      302 to the same URL with fault=none in place of fault= and delay_ms=, so the
                target gives the normal answer even when a fault file says redirect
Faults shape the normal answer only; 400 and 404 answers are sent as they are.
An unknown mode or a bad delay_ms: 400.
"""
import argparse
import html
import ipaddress
import os
import re
import signal
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qsl, quote, unquote, urlencode

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
EXE_NAME = re.compile(r"Morvane-(\d+)\.(\d+)\.(\d+)\.(\d+)\.exe")
VERSION = re.compile(r"\d+(\.\d+){0,3}")
STATUS_FAULT = re.compile(r"status([2-5]\d\d)")
SLOW_CHUNKS = 20
DELAY_DEFAULT = {"slow": 200, "hang": 60000, "stall": 60000}
DELAY_MAX = {"slow": 3000, "hang": 120000, "stall": 120000}
FAULTS = ("none", "truncate", "short", "stall", "nolength", "slow", "drop", "hang", "redirect")

# Shared look; the login page and its notice box run in the old IE engine, so only plain CSS.
BASE_CSS = """
html, body { margin: 0; padding: 0; }
body { background: #14161c; color: #FFF5D3;
       font: 13px "Microsoft YaHei", "WenQuanYi Micro Hei", "SimSun", sans-serif; }
a { color: #CBAE5B; }
h1, h2 { color: #CBAE5B; font-weight: bold; }
.panel { background: #1b1e28; border: 1px solid #CBAE5B; }
"""


def html_page(title, css, body, script=""):
    if script:
        script = "<script>\n" + script + "\n</script>\n"
    return ('<!DOCTYPE html>\n<html lang="zh-CN">\n<head>\n'
            '<meta http-equiv="X-UA-Compatible" content="IE=edge">\n'
            '<meta charset="utf-8">\n'
            "<title>" + title + "</title>\n<style>" + BASE_CSS + css + "</style>\n"
            "</head>\n" + body + "\n" + script + "</html>\n").encode("utf-8")


LOGIN_CSS = """
html, body { width: 690px; height: 452px; overflow: hidden; }
body { position: relative; background: linear-gradient(#23283a, #14161c); }
h1 { position: absolute; left: 28px; top: 18px; margin: 0; font: bold 42px Georgia, serif;
     letter-spacing: 4px; text-shadow: 0 0 12px rgba(203, 174, 91, 0.45); }
.tagline { position: absolute; left: 31px; top: 74px; color: #b8ab86; }
.panel { position: absolute; top: 112px; height: 300px; }
.panel h2 { margin: 0; padding: 8px 14px; font-size: 14px; background: #23283a;
            border-bottom: 1px solid #5c5033; }
#notice { left: 28px; width: 330px; }
#notice iframe { display: block; width: 330px; height: 264px; border: 0; }
#login { left: 384px; width: 276px; }
label { display: block; margin: 16px 20px 6px; color: #CBAE5B; }
input, button { display: block; box-sizing: border-box; width: 236px; margin: 0 20px; }
input { height: 30px; padding: 0 8px; border: 1px solid #5c5033; background: #14161c;
        color: #FFF5D3; font-size: 14px; }
button { height: 40px; margin-top: 26px; border: 1px solid #CBAE5B; background: #3a3120;
         color: #FFF5D3; font-size: 16px; letter-spacing: 8px; cursor: pointer; }
#status { margin: 10px 20px 0; height: 18px; color: #e08a6a; }
.foot { position: absolute; left: 28px; top: 424px; color: #6f6650; font-size: 12px; }
"""

LOGIN_BODY = """<body scroll="no">
<h1>Morvane</h1>
<div class="tagline">群星陨落之地，古老的符文仍在低语。</div>
<div class="panel" id="notice">
<h2>公告</h2>
<iframe src="/embed/notice" frameborder="0" scrolling="no" title="公告"></iframe>
</div>
<div class="panel" id="login">
<h2>登录</h2>
<form id="form" action="/play_gamecode" method="get" target="_top">
<input type="hidden" name="server" value="1">
<input type="hidden" name="token" id="token" value="811c9dc5">
<label for="account">账号</label>
<input type="text" id="account" maxlength="32" autocomplete="off">
<label for="password">密码</label>
<input type="password" id="password" maxlength="32">
<button type="submit">登录</button>
<div id="status"></div>
</form>
</div>
<div class="foot">Morvane 测试服务器 · 仅限本机</div>
</body>"""

# The fields have no name, so only server and token reach the URL. The token's preset value is
# the hash of the empty account, for a browser that would submit without running the script.
LOGIN_SCRIPT = r"""
function fnv1a(text) {
  var h = 0x811c9dc5;
  for (var i = 0; i < text.length; i++) {
    h ^= text.charCodeAt(i);
    // h * 16777619 mod 2^32, without Math.imul, which old IE lacks
    h = (h + (h << 1) + (h << 4) + (h << 7) + (h << 8) + (h << 24)) >>> 0;
  }
  var hex = h.toString(16);
  while (hex.length < 8) hex = '0' + hex;
  return hex;
}
document.getElementById('form').onsubmit = function () {
  var account = document.getElementById('account').value.replace(/^\s+|\s+$/g, '');
  if (!account) {
    document.getElementById('status').innerHTML = '请输入账号';
    return false;
  }
  document.getElementById('token').value = fnv1a(account);
  return true;
};
"""

NOTICE_CSS = """
html, body { width: 330px; height: 264px; overflow: hidden; background: #1b1e28; }
ul { margin: 0; padding: 10px 14px; list-style: none; }
li { padding: 7px 0; border-bottom: 1px dotted #3d3a30; }
li span { float: right; color: #8d8469; }
.more { position: absolute; right: 14px; bottom: 10px; }
"""

NOTICE_BODY = """<body scroll="no">
<ul>
<li>新版本 1.0 已开放下载 <span>06-01</span></li>
<li>服务器例行维护：周四 06:00–08:00 <span>05-28</span></li>
<li>符文大厅活动开启，击中发光符文赢取金币 <span>05-20</span></li>
<li>请勿向任何人透露您的密码 <span>05-12</span></li>
<li>防沉迷系统说明 <span>05-01</span></li>
</ul>
<a class="more" href="/news" target="_top">更多公告 »</a>
</body>"""

GAME_CSS = """
body { background: linear-gradient(#23283a, #14161c); min-height: 100%; }
.wrap { width: 660px; margin: 0 auto; padding: 14px 0; }
.top h1 { display: inline; margin: 0; font: bold 28px Georgia, serif; letter-spacing: 3px; }
.top .who { margin-left: 14px; color: #b8ab86; }
.nav { float: right; margin-top: 10px; }
.nav a { margin-left: 14px; }
canvas { display: block; margin: 12px 0; border: 1px solid #CBAE5B; background: #14161c;
         cursor: crosshair; }
.hud { font-size: 15px; }
.hud b { color: #CBAE5B; }
.hud img { vertical-align: middle; border: 0; }
.rules { color: #FFF5D3; cursor: help; }
"""

EMBLEM_SVG = """<svg xmlns="http://www.w3.org/2000/svg" width="24" height="24" viewBox="0 0 24 24">
<rect width="24" height="24" rx="4" fill="#23283a" stroke="#CBAE5B"/>
<path d="M12 3 L14 10 L21 12 L14 14 L12 21 L10 14 L3 12 L10 10 Z" fill="#CBAE5B"/>
</svg>"""

GAME_BODY = """<body>
<div class="wrap">
<div class="top"><span class="nav"><a href="/news">新闻</a><a href="/help">帮助</a><a
 href="/out?to=http%3A%2F%2Fforum.morvane.example%2F">论坛</a></span>
<h1>Morvane</h1><span class="who">服务器 {server} · 令牌 {token}</span></div>
<canvas id="board" width="640" height="400">需要支持画布的浏览器。</canvas>
<div class="hud"><a class="emblem" href="/news?from=emblem"><img src="/emblem.svg" width="24" height="24"
 alt="公告"></a> 得分 <b id="score">0</b> · 错过 <b id="missed">0</b> · 点击发光的符文 ·
 <a class="rules" title="点击任一符文开始">规则</a></div>
</div>
</body>"""

GAME_SCRIPT = r"""
(function () {
  var canvas = document.getElementById('board');
  if (!canvas.getContext) return;
  var ctx = canvas.getContext('2d');
  var runes = [], sparks = [], score = 0, missed = 0, nextSpawn = 0;
  var LIFE = 2600, RADIUS = 26;
  var later = window.requestAnimationFrame || function (step) {
    return window.setTimeout(step, 16);
  };
  function now() {
    return window.performance && performance.now ? performance.now() : new Date().getTime();
  }
  function spawn(t) {
    runes.push({
      x: RADIUS + Math.random() * (canvas.width - 2 * RADIUS),
      y: RADIUS + Math.random() * (canvas.height - 2 * RADIUS),
      born: t, spin: Math.random() * Math.PI, sides: 3 + Math.floor(Math.random() * 4)
    });
  }
  function drawRune(r, t) {
    var age = (t - r.born) / LIFE;
    var glow = 0.55 + 0.45 * Math.sin(t / 140 + r.spin);
    var g = ctx.createRadialGradient(r.x, r.y, 2, r.x, r.y, RADIUS * 1.8);
    g.addColorStop(0, 'rgba(240, 214, 132, ' + (0.7 * glow * (1 - age)) + ')');
    g.addColorStop(1, 'rgba(203, 174, 91, 0)');
    ctx.fillStyle = g;
    ctx.beginPath();
    ctx.arc(r.x, r.y, RADIUS * 1.8, 0, Math.PI * 2);
    ctx.fill();
    ctx.strokeStyle = 'rgba(255, 245, 211, ' + (1 - age * 0.7) + ')';
    ctx.lineWidth = 2;
    ctx.beginPath();
    for (var i = 0; i <= r.sides; i++) {
      var a = r.spin + t / 900 + i * Math.PI * 2 / r.sides;
      var px = r.x + Math.cos(a) * RADIUS * 0.7, py = r.y + Math.sin(a) * RADIUS * 0.7;
      if (i === 0) ctx.moveTo(px, py); else ctx.lineTo(px, py);
    }
    ctx.stroke();
    ctx.beginPath();
    ctx.arc(r.x, r.y, RADIUS, 0, Math.PI * 2);
    ctx.stroke();
  }
  function frame() {
    var t = now(), i;
    if (t >= nextSpawn && runes.length < 6) {
      spawn(t);
      nextSpawn = t + 500 + Math.random() * 600;
    }
    ctx.fillStyle = '#14161c';
    ctx.fillRect(0, 0, canvas.width, canvas.height);
    for (i = runes.length - 1; i >= 0; i--) {
      if (t - runes[i].born > LIFE) {
        runes.splice(i, 1);
        missed++;
        document.getElementById('missed').innerHTML = missed;
      }
    }
    for (i = 0; i < runes.length; i++) drawRune(runes[i], t);
    for (i = sparks.length - 1; i >= 0; i--) {
      var s = sparks[i], k = (t - s.born) / 400;
      if (k >= 1) { sparks.splice(i, 1); continue; }
      ctx.strokeStyle = 'rgba(240, 214, 132, ' + (1 - k) + ')';
      ctx.beginPath();
      ctx.arc(s.x, s.y, RADIUS + k * 30, 0, Math.PI * 2);
      ctx.stroke();
    }
    later(frame);
  }
  canvas.onmousedown = function (e) {
    e = e || window.event;
    var box = canvas.getBoundingClientRect();
    var x = e.clientX - box.left, y = e.clientY - box.top;
    for (var i = runes.length - 1; i >= 0; i--) {
      var dx = x - runes[i].x, dy = y - runes[i].y;
      if (dx * dx + dy * dy <= RADIUS * RADIUS) {
        sparks.push({ x: runes[i].x, y: runes[i].y, born: now() });
        runes.splice(i, 1);
        score++;
        document.getElementById('score').innerHTML = score;
        return false;
      }
    }
    return false;
  };
  frame();
})();
"""

TEXT_CSS = """
body { background: linear-gradient(#23283a, #14161c); }
.panel { width: 560px; margin: 30px auto; padding: 6px 24px 20px; }
p, li { line-height: 1.7; }
"""

BACK = '<p><a href="/play_gamecode">返回游戏</a></p>'

NEWS_BODY = """<body><div class="panel">
<h1>新闻</h1>
<ul>
<li>符文大厅开放：在限定时间内击中尽可能多的发光符文。</li>
<li>新版本 1.0 已上线，启动器会自动提示更新。</li>
<li>周四例行维护，请提前下线。</li>
</ul>""" + BACK + "</div></body>"

HELP_BODY = """<body><div class="panel">
<h1>帮助</h1>
<p>用鼠标点击画面中发光的符文即可得分；符文消失前未被点击则记为错过。</p>
<p>无法登录时，请确认账号输入正确，或稍后再试。</p>""" + BACK + "</div></body>"

OUT_BODY = """<body><div class="panel">
<h1>即将离开 Morvane</h1>
<p>外部链接：{to}</p>
<p>测试站点不会打开外部网站。</p>""" + BACK + "</div></body>"

MISSING_BODY = """<body><div class="panel">
<h1>404</h1>
<p>找不到页面：{path}</p>
</div></body>"""

STATIC_PAGES = {
    "/embed/notice": html_page("公告", NOTICE_CSS, NOTICE_BODY),
    "/news": html_page("新闻 - Morvane", TEXT_CSS, NEWS_BODY),
    "/help": html_page("帮助 - Morvane", TEXT_CSS, HELP_BODY),
}
LOGIN_PAGE = html_page("Morvane", LOGIN_CSS, LOGIN_BODY, LOGIN_SCRIPT)


def version_tuple(text):
    parts = [int(p) for p in text.split(".")]
    return tuple(parts + [0] * (4 - len(parts)))


class Handler(BaseHTTPRequestHandler):
    server_version = "OperatorSite/1"

    def log_message(self, format, *args):
        if self.server.verbose:
            super().log_message(format, *args)

    def do_GET(self):
        path, _, query = self.path.partition("?")
        self.query = dict(parse_qsl(query, keep_blank_values=True))
        try:
            self.route(path)
        except (BrokenPipeError, ConnectionResetError):
            pass  # the client gave up, which the fault tests do on purpose

    def route(self, path):
        if path == "/embed/3333/":
            if self.server.login_status == 200:
                self.reply(200, LOGIN_PAGE)
            else:
                body = MISSING_BODY.format(path=html.escape(path))
                self.reply(self.server.login_status, html_page("Morvane", TEXT_CSS, body))
        elif path in STATIC_PAGES:
            self.reply(200, STATIC_PAGES[path])
        elif path == "/play_gamecode":
            body = GAME_BODY.format(server=html.escape(self.query.get("server", "?")),
                                    token=html.escape(self.query.get("token", "?")))
            self.reply(200, html_page("Morvane", GAME_CSS, body, GAME_SCRIPT))
        elif path == "/emblem.svg":
            self.reply(200, EMBLEM_SVG.encode(), "image/svg+xml")
        elif path == "/out":
            body = OUT_BODY.format(to=html.escape(self.query.get("to", "")))
            self.reply(200, html_page("外部链接 - Morvane", TEXT_CSS, body))
        elif path == "/getClientVersion.php":
            self.version_check()
        elif path.startswith("/download/"):
            self.download(unquote(path[len("/download/"):]))
        else:
            body = MISSING_BODY.format(path=html.escape(unquote(path)))
            self.reply(404, html_page("404 - Morvane", TEXT_CSS, body))

    def updates_file(self, name):
        try:
            with open(os.path.join(self.server.updates, name), "rb") as f:
                return f.read()
        except OSError:
            return None

    def version_check(self):
        fault = self.fault("version-fault.txt")
        if fault is None:
            return
        if self.query.get("p") != "kavro" or self.query.get("g") != "brolt":
            return self.reply(400, b"unknown product\n", "text/plain")
        if not VERSION.fullmatch(self.query.get("v", "")):
            return self.reply(400, b"bad version\n", "text/plain")
        answer = self.updates_file(f"answer-{self.query['v']}.txt")
        if answer is None:
            answer = self.updates_file("answer.txt")
        if answer is None:
            answer = b"-1"
            best = version_tuple(self.query["v"])
            try:
                names = os.listdir(self.server.updates)
            except OSError:
                names = []
            for name in names:
                m = EXE_NAME.fullmatch(name)
                if m and tuple(map(int, m.groups())) > best:
                    best = tuple(map(int, m.groups()))
                    host, port = self.server.server_address[:2]
                    answer = f"http://{host}:{port}/download/{quote(name)}".encode()
        self.reply(200, answer, "text/plain", *fault)

    def download(self, name):
        fault = self.fault("fault.txt")
        if fault is None:
            return
        if not name or ".." in name or any(c in name for c in "/\\:\0"):
            return self.reply(400, b"bad file name\n", "text/plain")
        path = os.path.join(self.server.updates, name)
        # A symlink in the updates dir must not lead out of it either.
        inside = os.path.dirname(os.path.realpath(path)) == os.path.realpath(self.server.updates)
        body = self.updates_file(name) if inside and os.path.isfile(path) else None
        if body is None:
            return self.reply(404, b"no such file\n", "text/plain")
        self.reply(200, body, "application/octet-stream", *fault)

    def fault(self, default_file):
        """(mode, delay in s) from the query or the default file; None after answering 400."""
        words = (self.updates_file(default_file) or b"").decode("utf-8", "replace").split()
        mode = self.query.get("fault", words[0] if words else "") or "none"
        delay = self.query.get("delay_ms", words[1] if len(words) > 1 else "")
        if mode not in FAULTS and not STATUS_FAULT.fullmatch(mode):
            self.reply(400, b"unknown fault\n", "text/plain")
            return None
        if not delay:
            delay = DELAY_DEFAULT.get(mode, 0)
        elif not delay.isdigit() or int(delay) > DELAY_MAX.get(mode, 120000):
            self.reply(400, b"bad delay_ms\n", "text/plain")
            return None
        return mode, int(delay) / 1000

    def reply(self, status, body, ctype="text/html; charset=utf-8", mode="none", delay=0):
        if mode in ("drop", "hang"):
            time.sleep(delay)
            self.close_connection = True
            return
        m = STATUS_FAULT.fullmatch(mode)
        if m:
            status = int(m.group(1))
            body = b"" if status in (204, 304) else f"fault {mode}\n".encode()
            ctype = "text/plain"
        location = None
        if mode == "redirect":
            status, body, ctype = 302, b"moved\n", "text/plain"
            path, _, query = self.path.partition("?")
            kept = [(k, v) for k, v in parse_qsl(query, keep_blank_values=True)
                    if k not in ("fault", "delay_ms")]
            host, port = self.server.server_address[:2]
            location = f"http://{host}:{port}{path}?{urlencode(kept + [('fault', 'none')])}"
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        if location:
            self.send_header("Location", location)
        if mode != "nolength":
            self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        if mode == "truncate":
            self.wfile.write(body[:len(body) // 2])
        elif mode == "short":
            self.wfile.write(body[:-1])
        elif mode == "stall":
            self.wfile.write(body[:len(body) // 2])
            self.wfile.flush()
            time.sleep(delay)
        elif mode == "slow":
            size = max(1, -(-len(body) // SLOW_CHUNKS))
            for start in range(0, len(body), size):
                time.sleep(delay)
                self.wfile.write(body[start:start + size])
        else:
            self.wfile.write(body)
        # HTTP/1.0 closes after every answer, which is what ends the truncated and unsized bodies.


class Site(ThreadingHTTPServer):
    daemon_threads = True  # a hanging answer must not hold up the exit

    def __init__(self, address, updates, verbose=False, login_status=200):
        self.updates = updates
        self.verbose = verbose
        self.login_status = login_status
        super().__init__(address, Handler)


def interrupt(signum, frame):
    raise KeyboardInterrupt


def main():
    ap = argparse.ArgumentParser(description="Stand-in operator web site on loopback.")
    ap.add_argument("--port", type=int, default=18080, help="0 picks a free port")
    ap.add_argument("--host", default="127.0.0.1", help="an IPv4 loopback address")
    ap.add_argument("--updates", default=os.path.join(ROOT, "build", "site-updates"),
                    help="folder of Morvane-a.b.c.d.exe, answer.txt, fault.txt")
    ap.add_argument("--verbose", action="store_true", help="log every request")
    ap.add_argument("--login-status", type=int, default=200, choices=range(200, 600), metavar="NNN",
                    help="status of the login page; where no page can render, 404 ends its first load at once")
    args = ap.parse_args()
    try:
        loopback = ipaddress.IPv4Address(args.host).is_loopback
    except ValueError:
        loopback = False
    if not loopback:
        ap.error("--host must be an IPv4 loopback address such as 127.0.0.1")
    site = Site((args.host, args.port), os.path.abspath(args.updates), args.verbose, args.login_status)
    # SIGINT too: a shell starts background jobs with it ignored, and then Ctrl+C would not work.
    for signum in (signal.SIGINT, signal.SIGTERM):
        signal.signal(signum, interrupt)
    host, port = site.server_address[:2]
    try:
        # Inside the try: a signal sent as soon as the line is read must still stop it cleanly.
        print(f"operator site on http://{host}:{port}", flush=True)
        site.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        site.server_close()


if __name__ == "__main__":
    main()
