#!/usr/bin/python3
"""The launcher's self-update end to end, under Wine, against the stand-in operator site.

    update_e2e.py --installed N.exe --next N1.exe --i686 X.exe --helper update_helper.exe
                  --site tools/operator_site.py --prefix-script tools/wine-prefix.sh
                  [--only NAME ...] [--verbose]

N and N+1 are the launcher built as 1.0.0.0 and 1.0.0.1 with the version server
http://127.0.0.1:18091 (tests/CMakeLists.txt). Needs WINEPREFIX, HOME, WINEDEBUG and
WINEDLLOVERRIDES as the other Wine tests, and an X display. Each case installs N in the prefix's
data folder, starts it (or runs the "-d" step directly), follows update.log until the expected
lines are in, then checks the lines, the installed file and which launchers still run. Prints one
line per case; exits 1 when a case fails. Standard library only.
"""
import argparse
import glob
import hashlib
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass, field

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from wine_harness import QUIET, report, restart_prefix, start_wine  # noqa: E402

PORT = 18091
SERVER = f"http://127.0.0.1:{PORT}"
V0, V1 = "1.0.0.0", "1.0.0.1"
UPDATE_NAME = f"Morvane-{V1}.exe"
URL = f"{SERVER}/download/{UPDATE_NAME}"
TEMP_NAME = "quvaqlndtmp.exe"
SEP = "=" * 21
LOG_LIMIT = 10_485_760
ANY_TEXT = re.compile(r".+", re.S)  # the system's own error text
def refused(reason):
    return "Update refused:" + reason
# "%2d-%2d-%2d %2d:%2d:%2d : \tUpdateModule\t": numbers padded with spaces, the year in full.
HEADER = re.compile(r"[ \d]\d+-[ \d]\d-[ \d]\d [ \d]\d:[ \d]\d:[ \d]\d : \tUpdateModule\t")
FIRST_LINE_SECONDS = 10  # from the start to the first log line, which takes about a second
CASE_SECONDS = 40
SETTLE_SECONDS = 1.5  # quiet time after the last expected line, so extra lines show up


def md5(data):
    return hashlib.md5(data).hexdigest()


def file_version(data):
    """The FileVersion string of a PE's version resource, or None."""
    key = "FileVersion".encode("utf-16-le") + b"\0\0"
    for m in re.finditer(re.escape(key) + rb"(?:\0\0)?((?:[0-9.]\0)+)\0\0", data):
        text = m.group(1).decode("utf-16-le")
        if re.fullmatch(r"\d+(\.\d+){3}", text):
            return text
    return None


def check_url(version):
    return f"{SERVER}/getClientVersion.php?p=kavro&g=brolt&v={version}"


def no_update(version, body, status=200):
    """A check that got an answer which offers nothing."""
    return [check_url(version), f"Http QueryInfoStatusCode:{status}",
            f"Server response check version msg:{body}", "Finish Update.", SEP]


def offered(url=URL):
    """The check of N that offers url, and the download's first lines."""
    return [check_url(V0), "Http QueryInfoStatusCode:200", f"Server response check version msg:{url}",
            f"ExcuUpdate,URL={url}", "Http QueryInfoStatusCode:200"]


def downloaded(data):
    return [f"Content length:{len(data)}", f"Finish download,file size={len(data)}",
            f"Finish download,file md5={md5(data)}"]


def applied(data):
    """The -d step copying data over the installed file, then the new launcher's own check."""
    return ([f"Finish download,current file md5={md5(data)}", f"Update success.Current Version:{V1}", SEP]
            + no_update(V1, "-1"))


def old_log(size):
    """An earlier update log of exactly size bytes, whole UTF-16LE lines as far as they go."""
    line = "24- 1- 1  0: 0: 0 : \tUpdateModule\tan earlier start\r\n".encode("utf-16-le")
    data = line * (size // len(line))
    filler = size - len(data)
    return data + b"x" * filler


@dataclass
class Apply:
    """Runs the downloaded N+1 from the cache with "-d <installed path>" directly."""
    target: str  # relative to the data folder
    lock_ms: int = 0  # the installed file is held open without sharing this long


@dataclass
class Case:
    name: str
    expect: list  # the messages of update.log: exact text or a pattern
    update: str = None  # fixture served as Morvane-1.0.0.1.exe
    files: dict = field(default_factory=dict)  # answer.txt, fault.txt, version-fault.txt
    installed: str = "N"
    installed_name: str = "Morvane.exe"
    after: str = None  # fixture the installed file must equal at the end; None: unchanged
    site_up: bool = True
    log: bytes = None  # update.log before the start
    log_kept: bool = False
    stale_temp: bytes = None
    apply: Apply = None
    exits: bool = False  # the started process must have ended with 0 (else it still runs)
    alive: tuple = ()  # executable names that must run at the end
    gone: tuple = ()  # executable names that must not
    max_seconds: float = None  # the last line must come sooner than this after the start
    apply_after_release: bool = False  # the copy must succeed only once the lock is gone
    fails_before_release: float = None  # the copy must fail this late, while the lock is held


def cases(fx):
    chain = dict(exits=True, alive=("Morvane.exe",), gone=(TEMP_NAME,), after="N1")
    stays = dict(alive=("Morvane.exe",))
    return [
        Case("success: N downloads N+1, which replaces it and starts", update="N1",
             expect=offered() + downloaded(fx["N1"]) + applied(fx["N1"]), **chain),
        Case("version server refused", site_up=False,
             expect=[check_url(V0), "Try Download File Exception", ANY_TEXT,
                     "Server response check version msg:", "Finish Update.", SEP], **stays),
        Case("version server stalls", update="N1", files={"version-fault.txt": b"hang 40000"},
             expect=[check_url(V0), "Try Download File Exception", ANY_TEXT,
                     "Server response check version msg:", "Finish Update.", SEP],
             max_seconds=30, **stays),
        Case("check answers 404", update="N1", files={"version-fault.txt": b"status404"},
             expect=no_update(V0, "", 404), **stays),
        Case("check answers 500", update="N1", files={"version-fault.txt": b"status500"},
             expect=no_update(V0, "", 500), **stays),
        Case("download redirected to the file", update="N1", files={"fault.txt": b"redirect"},
             expect=offered() + downloaded(fx["N1"]) + applied(fx["N1"]), **chain),
        Case('body "-1"', update="N1", files={"answer.txt": b"-1"}, expect=no_update(V0, "-1"), **stays),
        Case('body "0"', update="N1", files={"answer.txt": b"0"}, expect=no_update(V0, "0"), **stays),
        Case('body "abcde"', update="N1", files={"answer.txt": b"abcde"},
             expect=no_update(V0, "abcde"), **stays),
        Case('body "-3 not now"', update="N1", files={"answer.txt": b"-3 not now"},
             expect=no_update(V0, "-3 not now"), **stays),
        # A line break inside the URL would end the request line and smuggle in a header:
        # the request is never sent.
        Case("URL with a line break inside", update="N1",
             files={f"answer-{V0}.txt": (URL + "\r\nX-Smuggled: 1").encode()},
             expect=[check_url(V0), "Http QueryInfoStatusCode:200",
                     f"Server response check version msg:{URL}\r\nX-Smuggled: 1",
                     f"ExcuUpdate,URL={URL}\r\nX-Smuggled: 1", "Try Download File Exception", ANY_TEXT],
             **stays),
        # The URL keeps its CR LF in the log; the request leaves the trailing line end out, so
        # the download goes through. Offered to N only, or N+1 would take it again.
        Case("URL followed by CR LF", update="N1", files={f"answer-{V0}.txt": (URL + "\r\n").encode()},
             expect=offered(URL + "\r\n") + downloaded(fx["N1"]) + applied(fx["N1"]), **chain),
        Case("download without Content-Length", update="N1", files={"fault.txt": b"nolength"},
             expect=offered() + ["Content length:0", "ERROR!Before download dwFileSize == dwToatlSize,exit"],
             **stays),
        # WinINet ends a body cut short as if it were complete: only the count tells.
        Case("download one byte short", update="N1", files={"fault.txt": b"short"},
             expect=offered() + [f"Content length:{len(fx['N1'])}"], **stays),
        Case("connection dropped mid-body", update="N1", files={"fault.txt": b"truncate"},
             expect=offered() + [f"Content length:{len(fx['N1'])}"], **stays),
        Case("server stalls mid-body", update="N1", files={"fault.txt": b"stall 40000"},
             expect=offered() + [f"Content length:{len(fx['N1'])}", "Try Download File Exception", ANY_TEXT],
             max_seconds=30, **stays),
        Case("update is not an executable", update="html",
             expect=offered() + downloaded(fx["html"]) + [refused("not an executable"), SEP], **stays),
        Case("update is an i386 executable", update="i686",
             expect=offered() + downloaded(fx["i686"]) + [refused("an executable for another machine"), SEP], **stays),
        Case("signed launcher, unsigned update", installed="N_A", update="N1",
             expect=offered() + downloaded(fx["N1"]) + [refused("the download is not signed"), SEP], **stays),
        Case("signed launcher, update signed by another subject", installed="N_A", update="N1_O",
             expect=offered() + downloaded(fx["N1_O"]) + [refused("the download is signed by another subject"), SEP], **stays),
        Case("signed launcher, update changed after signing", installed="N_A", update="N1_A_changed",
             expect=offered() + downloaded(fx["N1_A_changed"]) + [refused("the download's signature is not valid"),
                                                                   SEP], **stays),
        Case("signed launcher, update signed by the same subject", installed="N_A", update="N1_A",
             expect=offered() + downloaded(fx["N1_A"]) + applied(fx["N1_A"]),
             **dict(chain, after="N1_A")),
        Case("target folder missing", apply=Apply("missing\\Morvane.exe"),
             expect=["Update failure.Error Code:3", SEP] + no_update(V1, "-1"), alive=(TEMP_NAME,)),
        Case("target locked for 2 s", apply=Apply("Morvane.exe", 2000),
             expect=applied(fx["N1"]), apply_after_release=True, **chain),
        Case("target locked for 8 s", apply=Apply("Morvane.exe", 8000),
             expect=["Update failure.Error Code:32", SEP] + no_update(V1, "-1"),
             fails_before_release=4.5, alive=(TEMP_NAME,)),
        Case("installed path with spaces", installed_name="Morvane Game.exe", update="N1",
             expect=offered() + downloaded(fx["N1"]) + applied(fx["N1"]),
             **dict(chain, alive=("Morvane Game.exe",))),
        Case("stale temporary executable", stale_temp=b"MZ left from an earlier start" * 40,
             expect=no_update(V0, "-1"), **stays),
        Case("log one byte over the limit is deleted", log=old_log(LOG_LIMIT + 1),
             expect=no_update(V0, "-1"), **stays),
        Case("log at the limit is kept", log=old_log(LOG_LIMIT), log_kept=True,
             expect=no_update(V0, "-1"), **stays),
    ]


def parse_log(data, old):
    """(messages, problem, kept): the messages after the earlier log old when the file still starts
    with it (kept), else from the start; a line still being written is left out. problem says what
    is wrong with the file, if anything."""
    kept = bool(old) and data.startswith(old)
    if kept:
        data = data[len(old):]
    text = data[:len(data) // 2 * 2].decode("utf-16-le", "replace")
    starts = list(HEADER.finditer(text))
    problem = None
    if text and (not starts or starts[0].start() != 0):
        problem = f"the log starts with {text[:60]!r}, not a log line"
    messages = []
    for i, m in enumerate(starts):
        end = starts[i + 1].start() if i + 1 < len(starts) else len(text)
        record = text[m.end():end]
        if not record.endswith("\r\n"):
            if i + 1 < len(starts):
                problem = problem or f"line {i + 1} does not end with CR LF: {record!r}"
            break
        messages.append(record[:-2])
    return messages, problem, kept


def matches(expected, seen):
    return expected.fullmatch(seen) is not None if isinstance(expected, re.Pattern) else expected == seen


def shown(expected):
    return f"/{expected.pattern}/" if isinstance(expected, re.Pattern) else repr(expected)


def sign(tool_dir, source, subject, out):
    """source signed with a new self-made certificate of subject, written to out."""
    key, cert = os.path.join(tool_dir, subject + ".key"), os.path.join(tool_dir, subject + ".pem")
    if not os.path.exists(cert):
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "30",
                        "-subj", "/CN=" + subject, "-addext", "extendedKeyUsage=codeSigning",
                        "-keyout", key, "-out", cert], check=True, **QUIET)
    subprocess.run(["osslsigncode", "sign", "-certs", cert, "-key", key, "-n", "Morvane",
                    "-in", source, "-out", out], check=True, **QUIET)
    with open(out, "rb") as f:
        return f.read()


class Site:
    """tools/operator_site.py on the launcher's version-server port."""

    def __init__(self, script, updates):
        self.script, self.updates, self.process = script, updates, None

    def start(self):
        self.process = subprocess.Popen([sys.executable, self.script, "--port", str(PORT),
                                         "--updates", self.updates],
                                        stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True)
        ready = select.select([self.process.stdout], [], [], 10)[0]
        line = self.process.stdout.readline().strip() if ready else ""
        if line != f"operator site on {SERVER}":
            self.stop()
            raise RuntimeError(f"the operator site did not start on port {PORT} (is it taken?)")

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process = None


class Prefix:
    """The test prefix: its data folders and the programs running in it."""

    def __init__(self, script, work):
        self.script, self.work = script, work
        prefix = os.environ["WINEPREFIX"]
        roaming = [p for p in glob.glob(os.path.join(prefix, "drive_c", "users", "*", "AppData", "Roaming"))
                   if os.path.basename(os.path.dirname(os.path.dirname(p))) != "Public"]
        if len(roaming) != 1:
            raise RuntimeError(f"expected one user's AppData\\Roaming in {prefix}, found {roaming}")
        self.appdata = roaming[0]
        user = os.path.basename(os.path.dirname(os.path.dirname(self.appdata)))
        self.win_appdata = f"C:\\users\\{user}\\AppData\\Roaming"
        self.data = os.path.join(self.appdata, "kavro_2", "kavro_2")
        self.res = os.path.join(self.data, "res")
        self.cache = os.path.join(self.appdata, "cache")
        self.log = os.path.join(self.res, "update.log")
        self.started = []

    def win_data(self, name):
        return f"{self.win_appdata}\\kavro_2\\kavro_2\\{name}"

    def win_cache(self, name):
        return f"{self.win_appdata}\\cache\\{name}"

    def reset(self):
        for folder in (os.path.join(self.appdata, "kavro_2"), self.cache):
            shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(self.res)

    def run(self, args, output):
        process = start_wine(args, output, self.work, append=True)
        self.started.append(process)
        return process

    def running(self, helper):
        """Names of the executables running in the prefix, in lower case."""
        output = os.path.join(self.work, "list.txt")
        if os.path.exists(output):
            os.remove(output)
        try:
            self.run([helper, "list"], output).wait(20)
        except subprocess.TimeoutExpired:
            return None
        with open(output, "rb") as f:
            return {line.strip().lower() for line in f.read().decode("utf-8", "replace").splitlines()}

    def restart(self):
        """Ends every program of the prefix, then starts its services again, detached."""
        restart_prefix(self.script, self.started)
        self.started = []


def install(prefix, case, fx):
    prefix.reset()
    with open(os.path.join(prefix.data, case.installed_name), "wb") as f:
        f.write(fx[case.installed])
    if case.log is not None:
        with open(prefix.log, "wb") as f:
            f.write(case.log)
    if case.stale_temp is not None or case.apply:
        os.makedirs(prefix.cache)
        with open(os.path.join(prefix.cache, TEMP_NAME), "wb") as f:
            f.write(case.stale_temp if case.stale_temp is not None else fx["N1"])


def fill_updates(updates, case, fx):
    for name in os.listdir(updates):
        os.remove(os.path.join(updates, name))
    files = dict(case.files)
    if case.update:
        files[UPDATE_NAME] = fx[case.update]
    for name, data in files.items():
        with open(os.path.join(updates, name), "wb") as f:
            f.write(data)


def follow_log(prefix, case, process, released, t0):
    """Reads update.log until the expected lines are in and quiet, or the case is clearly lost.
    Returns (messages, problem, first-seen time of each message, "released" seen at that time,
    whether the earlier log is still at the start)."""
    seen_at, released_then = [], []
    quiet_since = None
    while True:
        now = time.monotonic()
        try:
            with open(prefix.log, "rb") as f:
                data = f.read()
        except FileNotFoundError:
            data = b""
        # The lock's end is read after the log: a line seen before it must predate the release.
        was_released = released()
        messages, problem, kept = parse_log(data, case.log)
        for _ in range(len(seen_at), len(messages)):
            seen_at.append(now - t0)
            released_then.append(was_released)
        result = messages, problem, seen_at, released_then, kept
        wrong = problem or len(messages) > len(case.expect) or any(
            not matches(e, m) for e, m in zip(case.expect, messages))
        if wrong:
            return result
        if len(messages) == len(case.expect):
            quiet_since = quiet_since or now
            if now - quiet_since >= SETTLE_SECONDS:
                return result
        else:
            quiet_since = None
        elapsed = now - t0
        if elapsed > CASE_SECONDS or (not messages and elapsed > FIRST_LINE_SECONDS):
            return result
        if not messages and process.poll() is not None and elapsed > 3:
            return result  # ended without a word; nothing more will come
        time.sleep(0.1)


def run_case(case, fx, prefix, site, updates, helper):
    fill_updates(updates, case, fx)
    install(prefix, case, fx)
    if not case.site_up:
        site.stop()
    output = os.path.join(prefix.work, "helper.txt")
    if os.path.exists(output):
        os.remove(output)
    t0 = time.monotonic()
    if case.apply:
        app = prefix.win_cache(TEMP_NAME)
        command_line = "-d " + prefix.win_data(case.apply.target)
        if case.apply.lock_ms:
            process = prefix.run([helper, "lock", prefix.win_data(case.installed_name),
                                  str(case.apply.lock_ms), app, command_line], output)
        else:
            process = prefix.run([helper, "start", app, command_line], output)
    else:
        process = prefix.run([prefix.win_data(case.installed_name)], output)

    def released():
        try:
            with open(output, "rb") as f:
                return b"released" in f.read()
        except FileNotFoundError:
            return False

    messages, problem, seen_at, released_then, kept = follow_log(prefix, case, process, released, t0)
    faults = []
    if problem:
        faults.append(problem)
    if case.log is not None and kept != case.log_kept:
        faults.append("the earlier log was " + ("kept" if kept else "deleted"))
    for i, (expected, message) in enumerate(zip(case.expect, messages)):
        if not matches(expected, message):
            faults.append(f"line {i + 1}: expected {shown(expected)}, got {message!r}")
            break
    else:
        if len(messages) < len(case.expect):
            last = f", last {messages[-1]!r}" if messages else ""
            faults.append(f"{len(messages)} of {len(case.expect)} lines{last}; next expected "
                          f"{shown(case.expect[len(messages)])}")
        elif len(messages) > len(case.expect):
            faults.append(f"unexpected line {len(case.expect) + 1}: {messages[len(case.expect)]!r}")
    complete = not faults

    if complete and case.max_seconds and seen_at[-1] >= case.max_seconds:
        faults.append(f"the last line came after {seen_at[-1]:.1f} s, not within {case.max_seconds} s")
    if complete and case.apply_after_release:
        success = next(i for i, e in enumerate(case.expect) if str(e).startswith("Update success"))
        if not released_then[success]:
            faults.append("the copy succeeded while the installed file was still locked")
    if complete and case.fails_before_release is not None:
        if released_then[0] or seen_at[0] < case.fails_before_release:
            faults.append(f"the copy failed after {seen_at[0]:.1f} s, "
                          f"{'after' if released_then[0] else 'before'} the lock ended; expected "
                          f"at least {case.fails_before_release} s while it was held")

    with open(os.path.join(prefix.data, case.installed_name), "rb") as f:
        installed = f.read()
    want = fx[case.after or case.installed]
    if installed != want:
        faults.append(f"installed file is {len(installed)} bytes, md5 {md5(installed)}, "
                      f"expected {case.after or 'unchanged'} ({md5(want)})")
    want_version = V1 if case.after else V0
    if file_version(installed) != want_version:
        faults.append(f"installed version {file_version(installed)}, expected {want_version}")
    if not os.path.isdir(prefix.cache):
        faults.append("no cache folder")
    if case.stale_temp is not None and os.path.exists(os.path.join(prefix.cache, TEMP_NAME)):
        faults.append("the stale temporary executable is still there")

    if case.exits:
        try:
            code = process.wait(5)
        except subprocess.TimeoutExpired:
            code = None
        if code != 0:
            faults.append(f"the started process {'still runs' if code is None else f'ended with {code}'},"
                          " expected it to end with 0")
    elif process.poll() is not None:
        faults.append(f"the launcher ended with {process.returncode}; its login should go on")
    if case.alive or case.gone:
        deadline = time.monotonic() + 5
        while True:  # a process that is handing over may take a moment to end
            names = prefix.running(helper) or set()
            missing = [n for n in case.alive if n.lower() not in names]
            extra = [n for n in case.gone if n.lower() in names]
            if not (missing or extra) or time.monotonic() > deadline:
                break
            time.sleep(0.5)
        if missing:
            faults.append(f"not running: {', '.join(missing)}")
        if extra:
            faults.append(f"still running: {', '.join(extra)}")
    return faults, messages, time.monotonic() - t0


def fixtures(args, work):
    fx = {}
    for key, path in (("N", args.installed), ("N1", args.next), ("i686", args.i686)):
        with open(path, "rb") as f:
            fx[key] = f.read()
    page = b"<!DOCTYPE html>\n<html><head><title>Morvane</title></head><body>\n"
    end = b"</body></html>\n"
    fx["html"] = (page + b"<p>Not found.</p>\n" * 300)[:5000 - len(end)] + end
    signing = os.path.join(work, "signing")
    os.makedirs(signing)
    try:
        fx["N_A"] = sign(signing, args.installed, "Morvane Test A", os.path.join(signing, "N_A.exe"))
        fx["N1_A"] = sign(signing, args.next, "Morvane Test A", os.path.join(signing, "N1_A.exe"))
        fx["N1_O"] = sign(signing, args.next, "Other Subject", os.path.join(signing, "N1_O.exe"))
        # Signed by the right subject, then changed: the digest no longer matches.
        tampered = bytearray(fx["N1_A"])
        tampered[len(tampered) // 2] ^= 0xFF
        fx["N1_A_changed"] = bytes(tampered)
    except (OSError, subprocess.CalledProcessError) as e:
        sys.exit(f"cannot sign the fixtures with openssl and osslsigncode: {e}")
    return fx


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--installed", required=True, help="the launcher built as 1.0.0.0")
    ap.add_argument("--next", required=True, help="the launcher built as 1.0.0.1")
    ap.add_argument("--i686", required=True, help="an executable for i386")
    ap.add_argument("--helper", required=True, help="update_helper.exe")
    ap.add_argument("--site", required=True, help="tools/operator_site.py")
    ap.add_argument("--prefix-script", required=True, help="tools/wine-prefix.sh")
    ap.add_argument("--only", nargs="+", default=[], help="run the cases whose name contains one of these")
    ap.add_argument("--verbose", action="store_true", help="print the last lines of the log of failed cases")
    args = ap.parse_args()
    prefix_dir = os.environ.get("WINEPREFIX", "")
    if not prefix_dir or os.path.realpath(prefix_dir) == os.path.realpath(os.path.expanduser("~/.wine")):
        sys.exit("set WINEPREFIX to the test prefix (never ~/.wine)")
    if not os.environ.get("DISPLAY"):
        sys.exit("needs an X display: DISPLAY is not set")

    began = time.monotonic()
    failed = 0
    with tempfile.TemporaryDirectory(prefix="update-e2e-") as work:
        updates = os.path.join(work, "updates")
        os.mkdir(updates)
        fx = fixtures(args, work)
        helper = "Z:" + os.path.abspath(args.helper).replace("/", "\\")
        prefix = Prefix(os.path.abspath(args.prefix_script), work)
        site = Site(os.path.abspath(args.site), updates)
        table = [c for c in cases(fx) if not args.only or any(o in c.name for o in args.only)]
        try:
            prefix.restart()
            site.start()
            for case in table:
                try:
                    faults, messages, seconds = run_case(case, fx, prefix, site, updates, helper)
                finally:
                    prefix.restart()
                    if site.process is None:
                        site.start()
                if not report(case.name, faults, seconds):
                    failed += 1
                    if args.verbose:
                        for message in messages[-40:]:
                            print(f"    {message!r}")
        finally:
            site.stop()
    print(f"{len(table) - failed} of {len(table)} cases passed in {time.monotonic() - began:.0f} s")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
