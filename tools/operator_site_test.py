#!/usr/bin/python3
"""Runs tools/operator_site.py on a free loopback port and checks its pages, version check,
downloads and fault modes from the client side.

    python3 tools/operator_site_test.py
"""
import http.client
import os
import re
import select
import signal
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.request
from html.parser import HTMLParser
from urllib.parse import quote, urlencode

SITE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "operator_site.py")
EXE = "Morvane-1.10.0.0.exe"
PAYLOAD = os.urandom(100_001)  # odd, so half of it is not a round number
SECRET = b"outside-the-updates-dir"
results = {"passed": 0, "failed": 0}


def check(name, ok, detail=""):
    if ok:
        results["passed"] += 1
    else:
        results["failed"] += 1
        print(f"FAIL {name} {detail}"[:400])


class Reply:
    """What the client saw: status, headers and body, or the error that cut it short."""

    def __init__(self, base, path, timeout):
        self.status, self.headers, self.body, self.error = None, {}, b"", None
        self.url = None  # where the answer came from, after redirects
        start = time.monotonic()
        try:
            with urllib.request.urlopen(base + path, timeout=timeout) as r:
                self.status, self.headers, self.url = r.status, r.headers, r.url
                self.body = r.read()
        except urllib.error.HTTPError as e:
            self.status, self.headers, self.body = e.code, e.headers, e.read()
        except http.client.IncompleteRead as e:
            self.body, self.error = e.partial, e
        except OSError as e:  # dropped, timed out
            self.error = e
        self.seconds = time.monotonic() - start

    def text(self):
        return self.body.decode("utf-8", "replace")


class Links(HTMLParser):
    def __init__(self, page):
        super().__init__()
        self.forms, self.fields, self.iframes, self.hrefs = [], [], [], []
        self.images_in_links, self.in_link = [], False
        self.feed(page)

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag == "form":
            self.forms.append(a)
        elif tag == "input" and a.get("name"):
            self.fields.append((a["name"], a.get("value", "")))
        elif tag == "iframe":
            self.iframes.append(a.get("src"))
        elif tag == "a":
            self.hrefs.append(a.get("href"))
            self.in_link = True
        elif tag == "img" and self.in_link:
            self.images_in_links.append(a.get("src"))

    def handle_endtag(self, tag):
        if tag == "a":
            self.in_link = False


def fill_updates(updates, files):
    for name in os.listdir(updates):
        os.remove(os.path.join(updates, name))
    for name, data in files.items():
        with open(os.path.join(updates, name), "wb") as f:
            f.write(data)


def test_pages(base):
    es6 = re.compile(r"\b(let|const|class|import)\s|=>|\bfetch\s*\(|`")
    outside = re.compile(r"""\b(src|href|action)\s*=\s*["'](?!/)|url\(|@import""")
    pages = [
        ("/embed/3333/?tvqd=razu", 200, ["账号", "密码", "登录", "Morvane", "公告",
                                        "width: 690px; height: 452px; overflow: hidden"]),
        ("/embed/3333/", 200, ["账号"]),
        ("/embed/notice", 200, ["公告"]),
        ("/play_gamecode?server=1&token=927ef325", 200,
         ["<canvas", "requestAnimationFrame", "setTimeout", "927ef325"]),
        ("/news", 200, ["新闻"]),
        ("/help", 200, ["帮助"]),
        ("/out?to=http%3A%2F%2Fforum.example%2F%3Ca%3E", 200, ["http://forum.example/&lt;a&gt;"]),
        ("/no/such/page", 404, ["404"]),
    ]
    for path, status, needles in pages:
        r = Reply(base, path, 3)
        page = r.text()
        scripts = "".join(re.findall(r"<script>(.*?)</script>", page, re.S))
        check(f"page {path}",
              r.status == status
              and r.headers.get("Content-Type") == "text/html; charset=utf-8"
              and page.startswith("<!DOCTYPE html>")
              and '<meta http-equiv="X-UA-Compatible" content="IE=edge">' in page
              and '<meta charset="utf-8">' in page
              and all(n in page for n in needles),
              f"status {r.status}, missing {[n for n in needles if n not in page]}")
        check(f"page {path} is ES5 with no outside resources",
              not es6.search(scripts) and not outside.search(page),
              f"{es6.search(scripts) or outside.search(page)}")

    login = Links(Reply(base, "/embed/3333/?tvqd=razu", 3).text())
    form = login.forms[0] if len(login.forms) == 1 else {}
    target = f"{form.get('action')}?{urlencode(login.fields)}"
    check("login form submits to the game at the top",
          form.get("method") == "get" and form.get("target") == "_top"
          and re.fullmatch(r"/play_gamecode\?server=1&token=[0-9a-f]{8}", target) is not None
          and Reply(base, target, 3).status == 200, f"{form} -> {target}")
    check("login iframe shows the notice",
          login.iframes == ["/embed/notice"]
          and Reply(base, "/embed/notice", 3).status == 200, f"{login.iframes}")

    game = Links(Reply(base, "/play_gamecode?server=1&token=927ef325", 3).text())
    linked = [h for h in game.hrefs if h is not None]
    check("game links are /news, /help, /out and one without href",
          sorted(h.split("?")[0] for h in linked) == ["/help", "/news", "/news", "/out"]
          and game.hrefs.count(None) == 1
          and all(Reply(base, h, 3).status == 200 for h in linked), f"{game.hrefs}")
    emblem = Reply(base, "/emblem.svg", 3)
    check("game page has an image inside a link",
          game.images_in_links == ["/emblem.svg"] and emblem.status == 200
          and emblem.text().startswith("<svg"), f"{game.images_in_links}")


def test_version(base, updates):
    newer = {"Morvane-1.9.0.0.exe": b"", EXE: b"", "Morvane-1.2.0.1.exe": b"",
             "Morvane-9.0.0.0.exe.part": b"", "Other-9.0.0.0.exe": b""}
    query = "/getClientVersion.php?p=kavro&g=brolt&v="
    cases = [
        # name, files in the updates dir, query, status, body
        ("none", {}, query + "1.0.0.0", 200, b"-1"),
        ("newer, highest by number", newer, query + "1.2.0.0", 200,
         f"{base}/download/{EXE}".encode()),
        ("older", {"Morvane-0.9.9.9.exe": b""}, query + "1.0.0.0", 200, b"-1"),
        ("equal", {"Morvane-1.0.0.0.exe": b""}, query + "1.0.0.0", 200, b"-1"),
        ("answer.txt verbatim", {EXE: b"", "answer.txt": b" -7\r\nzz"}, query + "1.0.0.0", 200,
         b" -7\r\nzz"),
        ("answer for this version first", {"answer.txt": b"-2", "answer-1.0.0.0.txt": b"x\r\n"},
         query + "1.0.0.0", 200, b"x\r\n"),
        ("answer for another version", {EXE: b"", "answer-1.0.0.0.txt": b"x"}, query + "1.0.0.1", 200,
         f"{base}/download/{EXE}".encode()),
        ("other product", {}, "/getClientVersion.php?p=x&g=brolt&v=1.0.0.0", 400, None),
        ("bad version", {}, query + "1.x", 400, None),
    ]
    for name, files, path, status, body in cases:
        fill_updates(updates, files)
        r = Reply(base, path, 3)
        check(f"version {name}",
              r.status == status and (body is None or r.body == body)
              and r.headers.get("Content-Type") == "text/plain", f"{r.status} {r.body!r}")


def test_download(base, updates, secret_path):
    fill_updates(updates, {EXE: PAYLOAD})
    os.symlink(secret_path, os.path.join(updates, "link.exe"))
    r = Reply(base, f"/download/{EXE}", 3)
    check("download",
          r.status == 200 and r.body == PAYLOAD
          and r.headers.get("Content-Length") == str(len(PAYLOAD))
          and r.headers.get("Content-Type") == "application/octet-stream",
          f"{r.status} {dict(r.headers)} {len(r.body)}")
    cases = [
        ("/download/Morvane-9.9.9.9.exe", 404),
        ("/download/link.exe", 404),
        ("/download/%2e%2e", 400),
        ("/download/../secret.txt", 400),
        ("/download/..%2fsecret.txt", 400),
        ("/download/%2e%2e%2Fsecret.txt", 400),
        ("/download/..%5csecret.txt", 400),
        ("/download/" + quote(secret_path, safe=""), 400),
        ("/download/" + secret_path, 400),
    ]
    for path, status in cases:
        r = Reply(base, path, 3)
        check(f"download {path} refused", r.status == status and SECRET not in r.body,
              f"{r.status} {r.body[:80]!r}")


def test_faults(base, updates):
    def truncated(r, sent=len(PAYLOAD) // 2, at_least=0.0):
        return (isinstance(r.error, http.client.IncompleteRead)
                and r.headers.get("Content-Length") == str(len(PAYLOAD))
                and r.body == PAYLOAD[:sent] and r.seconds >= at_least)

    def redirected(r, to):
        return r.status == 200 and r.body == PAYLOAD and r.url == base + to

    def dropped(r, at_least=0.0):
        return isinstance(r.error, http.client.RemoteDisconnected) and r.seconds >= at_least

    down = f"/download/{EXE}"
    version = "/getClientVersion.php?p=kavro&g=brolt&v=1.0.0.0"
    cases = [
        # name, extra files in the updates dir, path, client time-out, what the client sees
        ("status500", {}, down + "?fault=status500", 3, lambda r: r.status == 500),
        ("status503 on the version check", {}, version + "&fault=status503", 3,
         lambda r: r.status == 503),
        ("truncate", {}, down + "?fault=truncate", 3, truncated),
        ("short", {}, down + "?fault=short", 3, lambda r: truncated(r, len(PAYLOAD) - 1)),
        ("stall, then close", {}, down + "?fault=stall&delay_ms=300", 3,
         lambda r: truncated(r, at_least=0.3)),
        ("stall past the client's time-out", {}, down + "?fault=stall&delay_ms=2000", 0.5,
         lambda r: isinstance(r.error, TimeoutError) and 0.45 <= r.seconds < 1.5),
        ("redirect", {}, down + "?fault=redirect", 3,
         lambda r: redirected(r, down + "?fault=none")),
        # The target must not redirect again when the fault comes from the file.
        ("redirect from fault.txt", {"fault.txt": b"redirect"}, down, 3,
         lambda r: redirected(r, down + "?fault=none")),
        ("redirect of the version check keeps its query", {"Morvane-1.10.0.1.exe": b""},
         version + "&fault=redirect&delay_ms=5", 3,
         lambda r: r.status == 200 and r.body == f"{base}/download/Morvane-1.10.0.1.exe".encode()
         and r.url == base + version + "&fault=none"),
        ("nolength", {}, down + "?fault=nolength", 3,
         lambda r: r.status == 200 and "Content-Length" not in r.headers and r.body == PAYLOAD),
        ("slow", {}, down + "?fault=slow&delay_ms=30", 3,
         lambda r: r.status == 200 and r.body == PAYLOAD and r.seconds >= 20 * 0.03
         and r.headers.get("Content-Length") == str(len(PAYLOAD))),
        ("drop", {}, down + "?fault=drop", 3, lambda r: dropped(r) and r.seconds < 1),
        ("hang past the client's time-out", {}, down + "?fault=hang&delay_ms=2000", 0.5,
         lambda r: isinstance(r.error, TimeoutError) and 0.45 <= r.seconds < 1.5),
        ("hang, then close", {}, version + "&fault=hang&delay_ms=300", 3,
         lambda r: dropped(r, 0.3)),
        ("fault.txt for downloads", {"fault.txt": b"truncate\n"}, down, 3, truncated),
        ("query over fault.txt", {"fault.txt": b"truncate"}, down + "?fault=none", 3,
         lambda r: r.status == 200 and r.body == PAYLOAD),
        ("fault.txt with a delay", {"fault.txt": b"hang 300"}, down, 3,
         lambda r: dropped(r, 0.3)),
        ("version-fault.txt", {"version-fault.txt": b"status502"}, version, 3,
         lambda r: r.status == 502),
        ("unknown fault", {}, down + "?fault=bogus", 3, lambda r: r.status == 400),
        ("delay out of bounds", {}, down + "?fault=slow&delay_ms=3001", 3,
         lambda r: r.status == 400),
    ]
    for name, files, path, timeout, seen in cases:
        fill_updates(updates, dict({EXE: PAYLOAD}, **files))
        r = Reply(base, path, timeout)
        check(f"fault {name}", seen(r),
              f"{r.status} {r.error!r} {len(r.body)} bytes in {r.seconds:.2f}s")


def start_site(updates, extra=()):
    """The running site and its base URL, from the line it prints once it listens."""
    site = subprocess.Popen([sys.executable, SITE, "--port", "0", "--updates", updates, *extra],
                            stdout=subprocess.PIPE, text=True)
    ready = select.select([site.stdout], [], [], 10)[0]
    line = site.stdout.readline().strip() if ready else ""
    m = re.fullmatch(r"operator site on (http://127\.0\.0\.1:\d+)", line)
    check("ready line", m is not None, repr(line))
    return site, m.group(1) if m else None


def main():
    with tempfile.TemporaryDirectory() as tmp:
        updates = os.path.join(tmp, "updates")
        os.mkdir(updates)
        secret_path = os.path.join(tmp, "secret.txt")
        with open(secret_path, "wb") as f:
            f.write(SECRET)
        sites = []
        try:
            for signum in (signal.SIGTERM, signal.SIGINT):
                site, base = start_site(updates, () if signum == signal.SIGTERM else ("--login-status", "404"))
                sites.append(site)
                if base and signum == signal.SIGTERM:
                    test_pages(base)
                    test_version(base, updates)
                    test_download(base, updates, secret_path)
                    test_faults(base, updates)
                elif base:
                    login = Reply(base, "/embed/3333/?tvqd=razu", 3)
                    check("login page with --login-status 404", login.status == 404
                          and Reply(base, "/play_gamecode?server=1&token=927ef325", 3).status == 200,
                          f"{login.status}")
                site.send_signal(signum)
                check(f"stops on {signum.name}", site.wait(5) == 0, f"exit {site.returncode}")
        finally:
            for site in sites:
                if site.poll() is None:
                    site.kill()
                    site.wait()
    print(f"{results['passed']} passed, {results['failed']} failed")
    return 1 if results["failed"] else 0


if __name__ == "__main__":
    sys.exit(main())
