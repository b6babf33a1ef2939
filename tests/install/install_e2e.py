#!/usr/bin/python3
"""The per-user installation at start, end to end, with the real launcher under Wine.

    install_e2e.py --older N.exe --newer N1.exe --probe install_probe.exe
                   --prefix-script tools/wine-prefix.sh [--only NAME ...] [--verbose]

N and N+1 are the launcher built as 1.0.0.0 and 1.0.0.1, both named Morvane.exe, with a refused
login port (tests/CMakeLists.txt). Needs WINEPREFIX, HOME, WINEDEBUG and WINEDLLOVERRIDES as the
other Wine tests, and an X display. Each case prepares the player's state, starts one launcher,
waits for the first line of update.log (the update check runs only once the login window's
initialisation, and so the install, is over), stops the prefix's programs and compares what is
installed, and what changed, with what the case expects. The probe reads the shortcuts through
IShellLinkW and the registry inside the prefix. Prints one line per case; exits 1 when a case
fails. Standard library only.
"""
import argparse
import hashlib
import json
import os
import re
import shutil
import subprocess
import struct
import sys
import tempfile
import time
from dataclasses import dataclass

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from wine_harness import report, restart_prefix, start_wine  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
V0, V1 = "1.0.0.0", "1.0.0.1"
EXE = "Morvane.exe"
OLD_TIME = 978307200  # 2001-01-01: any write by the start shows as a newer time
INSTALL_SECONDS = 20  # from the start to the first log line, which takes about a second
REG_SZ = 1
OLD_ENTRY = {  # an uninstall entry left by an earlier installation elsewhere
    "Path": r"C:\Games\Old Morvane\Morvane.exe",
    "DisplayName": "Morvane (old)",
    "Publisher": "Someone else",
    "UninstallString": r"C:\Games\Old Morvane\Morvane.exe -u",
    "DisplayVersion": "0.9",
}


def file_version(data):
    """The FileVersion string of a PE's version resource, or None."""
    key = "FileVersion".encode("utf-16-le") + b"\0\0"
    for m in re.finditer(re.escape(key) + rb"(?:\0\0)?((?:[0-9.]\0)+)\0\0", data):
        text = m.group(1).decode("utf-16-le")
        if re.fullmatch(r"\d+(\.\d+){3}", text):
            return text
    return None


def resource_strings():
    """The launcher's string table by number, read from its resource script."""
    with open(os.path.join(SOURCE, "res", "resource.h"), encoding="utf-8") as f:
        ids = {m.group(1): int(m.group(2)) for m in re.finditer(r"#define\s+(IDS_\w+)\s+(\d+)", f.read())}
    with open(os.path.join(SOURCE, "res", "launcher.rc"), encoding="utf-8") as f:
        script = f.read()
    table = re.search(r"^STRINGTABLE\s*\nBEGIN\n(.*?)^END", script, re.S | re.M).group(1)
    strings = {}
    for m in re.finditer(r'^\s*(IDS_\w+)\s+"((?:[^"\\]|\\.)*)"\s*$', table, re.M):
        strings[ids[m.group(1)]] = re.sub(r"\\(.)", r"\1", m.group(2))
    return strings


def sha(data):
    return hashlib.sha256(data).hexdigest()[:16]


def read(path):
    with open(path, "rb") as f:
        return f.read()


def ini(data):
    """{section: {key: value}} of a private-profile file, names in lower case as Windows matches them."""
    sections, current = {}, None
    for line in data.decode("latin-1").split("\r\n"):
        line = line.strip()
        if line.startswith("[") and line.endswith("]"):
            current = sections.setdefault(line[1:-1].lower(), {})
        elif "=" in line and current is not None:
            key, value = line.split("=", 1)
            current[key.strip().lower()] = value.strip()
    return sections


def set_ini(path, section, key, value):
    """Sets one key the way a player's editor would: the rest of the file stays as it is."""
    lines = read(path).decode("latin-1").split("\r\n")
    if lines and lines[-1] == "":
        lines.pop()
    start = next((i for i, l in enumerate(lines) if l.strip().lower() == f"[{section.lower()}]"), None)
    if start is None:
        lines += [f"[{section}]", f"{key}={value}"]
    else:
        end = next((i for i in range(start + 1, len(lines)) if lines[i].startswith("[")), len(lines))
        at = next((i for i in range(start + 1, end) if lines[i].split("=", 1)[0].strip().lower() == key.lower()),
                  None)
        if at is None:
            lines.insert(end, f"{key}={value}")
        else:
            lines[at] = f"{key}={value}"
    with open(path, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("latin-1"))


@dataclass
class Case:
    name: str
    run: str  # "older"/"newer" from the build folder, "older elsewhere"/"newer elsewhere", "installed"
    installed: str  # the fixture the installed copy must equal afterwards
    fresh: bool = False  # start from a per-user state with nothing installed
    prepare: tuple = ()  # steps on the player's state before the start, see Run.prepare
    changes: set = None  # exactly the items the start changes (Names attributes); None: a fresh start
    firststart: str = None  # expected "Start"/"firststart" afterwards; None: absent
    desktop_kept: bool = False  # the desktop shortcut is the player's and must stay as it was
    entry_kept: bool = False  # the uninstall entry existed before and must stay as it was


class Names:
    """Every installed item's key in a snapshot, and what it must hold."""

    def __init__(self, strings, folders):
        title, publisher, menu_publisher = strings[102], strings[125], strings[105]
        self.data_win = f"{folders['appdata']}\\{strings[124]}\\{strings[117]}"
        self.target = f"{self.data_win}\\{EXE}"
        self.installed = f"data/{EXE}"
        self.settings = "data/res/systemset.ini"
        self.icon = "data/res/uninstall.ico"
        self.desktop = f"desktop/{publisher}《{title}》.lnk"
        menu = f"menu/{menu_publisher}/{title}"
        self.game = f"{menu}/{title}.lnk"
        self.uninstall = f"{menu}/{strings[109]}.lnk"
        plain = dict(target=self.target, arguments="1", icon="", icon_index=0, show=1, description="",
                     working_directory="")
        self.links = {
            self.desktop: plain,
            self.game: plain,
            self.uninstall: dict(plain, arguments="-u", icon=f"{self.data_win}\\res\\uninstall.ico"),
        }
        # Quoted path: an unquoted one with spaces would start another program.
        self.values = {"Path": self.target, "DisplayName": title, "Publisher": publisher,
                       "UninstallString": f'"{self.target}" -u'}


def cases():
    return [
        Case("first start from the build folder", run="older", installed="older", fresh=True),
        Case("second start, the installed copy itself", run="installed", installed="older",
             changes={"game", "uninstall"}),
        Case("newer executable from elsewhere replaces the installed copy", run="newer elsewhere",
             installed="newer", prepare=("firststart=1",), changes={"installed", "settings", "game", "uninstall"},
             firststart="0"),
        Case("older executable from elsewhere leaves the installed copy", run="older elsewhere",
             installed="newer", prepare=("firststart=1",), changes={"game", "uninstall"}, firststart="1"),
        # The copy also resets the "firststart" that the case before left set.
        Case("deleted installed copy comes back, the player's desktop shortcut stays", run="older elsewhere",
             installed="older", prepare=("delete installed", "player's desktop shortcut"),
             changes={"installed", "settings", "game", "uninstall"}, firststart="0", desktop_kept=True),
        Case("existing uninstall entry stays as it was", run="older", installed="older", fresh=True,
             prepare=("old entry",), entry_kept=True),
        Case("deleted desktop shortcut is created again", run="installed", installed="older",
             prepare=("delete desktop shortcut",), changes={"desktop", "game", "uninstall"}, entry_kept=True),
    ]


class Run:
    def __init__(self, args, work):
        self.work = work
        self.script = os.path.abspath(args.prefix_script)
        self.prefix = os.environ["WINEPREFIX"]
        self.probe = os.path.abspath(args.probe)
        self.fx = {"older": read(args.older), "newer": read(args.newer)}
        self.paths = {"older": os.path.abspath(args.older), "newer": os.path.abspath(args.newer)}
        for key, want in (("older", V0), ("newer", V1)):
            if file_version(self.fx[key]) != want or os.path.basename(self.paths[key]) != EXE:
                sys.exit(f"--{key} must be {EXE} of version {want}: {self.paths[key]} is "
                         f"{file_version(self.fx[key])}")
        self.defaults = {name: read(os.path.join(SOURCE, "res", "defaults", name))
                         for name in ("systemset.ini", "uninstall.ico")}
        self.strings = resource_strings()
        self.started = []
        self.restart()
        dump = self.dump()
        self.names = Names(self.strings, dump)
        self.roots = {"data": self.unix(self.names.data_win), "desktop": self.unix(dump["desktop"]),
                      "menu": self.unix(dump["programs"])}
        self.win_roots = {"desktop": dump["desktop"], "menu": dump["programs"]}
        self.appdata = self.unix(dump["appdata"])

    def unix(self, path):
        """A Windows path of the prefix as a host path, through its drive links."""
        return os.path.join(self.prefix, "dosdevices", path[:2].lower(), *path[3:].split("\\"))

    def wine(self, args, output):
        process = start_wine(args, output, self.work)
        self.started.append(process)
        return process

    def call(self, args):
        output = os.path.join(self.work, "call.txt")
        code = self.wine(args, output).wait(60)
        text = read(output).decode("utf-8", "replace")
        if code != 0:
            raise RuntimeError(f"{' '.join(args)} ended with {code}: {text[:300]}")
        return text

    def dump(self):
        return json.loads(self.call([self.probe, "dump", self.strings[105]]))

    def restart(self):
        """Ends every program of the prefix, then starts its services again, detached."""
        restart_prefix(self.script, self.started)
        self.started = []

    def reset(self):
        """Nothing installed for this user: no data, no shortcuts, no entry, no profile."""
        shutil.rmtree(os.path.join(self.appdata, self.strings[124]), ignore_errors=True)
        shutil.rmtree(os.path.join(self.appdata, "cache"), ignore_errors=True)
        for name in os.listdir(self.roots["desktop"]):
            if name.lower().endswith(".lnk"):
                os.remove(os.path.join(self.roots["desktop"], name))
        shutil.rmtree(os.path.join(self.roots["menu"], self.strings[105]), ignore_errors=True)
        self.call([self.probe, "forget"])

    def path(self, key):
        root, rest = key.split("/", 1)
        return os.path.join(self.roots[root], *rest.split("/"))

    def prepare(self, step):
        n = self.names
        if step == "firststart=1":
            set_ini(self.path(n.settings), "Start", "firststart", "1")
        elif step == "delete installed":
            os.remove(self.path(n.installed))
        elif step == "player's desktop shortcut":
            # Another valid link, as if the player had changed it: it must survive byte for byte.
            shutil.copyfile(self.path(n.uninstall), self.path(n.desktop))
        elif step == "delete desktop shortcut":
            os.remove(self.path(n.desktop))
        elif step == "old entry":
            key = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\TolvikMorvane"
            for name, value in OLD_ENTRY.items():
                self.call(["reg", "add", key, "/v", name, "/t", "REG_SZ", "/d", value, "/f", "/reg:64"])
        else:
            raise ValueError(step)

    def age(self):
        for root in self.roots.values():
            for folder, _, files in os.walk(root):
                for name in files:
                    os.utime(os.path.join(folder, name), (OLD_TIME, OLD_TIME))

    def snapshot(self):
        """(state, links): every tracked item's content and time, and each link as the shell reads it."""
        state = {}

        def add(key, path):
            st = os.stat(path)
            state[key] = ("file", sha(read(path)), st.st_mtime_ns)

        data = self.roots["data"]
        for folder, dirs, files in os.walk(data):
            rel = os.path.relpath(folder, data).replace(os.sep, "/")
            prefix = "data/" if rel == "." else f"data/{rel}/"
            for name in dirs:
                state[prefix + name] = ("folder",)  # a folder's time moves with the log inside
            for name in files:
                if prefix + name != "data/res/update.log":  # the signal, not the install's
                    add(prefix + name, os.path.join(folder, name))
        desktop = self.roots["desktop"]
        for name in os.listdir(desktop):
            if name.lower().endswith(".lnk"):
                add("desktop/" + name, os.path.join(desktop, name))
        menu = os.path.join(self.roots["menu"], self.strings[105])
        for folder, dirs, files in os.walk(menu):
            rel = os.path.relpath(folder, self.roots["menu"]).replace(os.sep, "/")
            state["menu/" + rel] = ("folder",)
            for name in files:
                add(f"menu/{rel}/{name}", os.path.join(folder, name))

        dump = self.dump()
        for root in ("entry", "profile"):
            for name, value in (dump[root] or {}).items():
                state[f"{root}:{name}"] = (value["type"], value["size"], value["data"])
        links = {}
        for link in dump["links"]:
            for root, win in self.win_roots.items():
                if link["file"].startswith(win + "\\"):
                    key = root + "/" + link["file"][len(win) + 1:].replace("\\", "/")
                    links[key] = dict(link)
                    # This Wine's IPersistFile::Load leaves the show command at 1 whatever the file
                    # holds: read the ShowCommand field of the link's header instead.
                    header = read(self.path(key))[:0x40]
                    links[key]["show"] = struct.unpack_from("<I", header, 0x3C)[0] if len(header) == 0x40 else None
        return state, links

    def start(self, how):
        if how == "installed":
            app = self.names.target
        elif how.endswith(" elsewhere"):
            fixture = how.split()[0]
            folder = os.path.join(self.work, "elsewhere", fixture)
            os.makedirs(folder, exist_ok=True)
            app = os.path.join(folder, EXE)
            shutil.copyfile(self.paths[fixture], app)
        else:
            app = self.paths[how]
        return self.wine([app], os.path.join(self.work, "launcher.txt"))

    def wait_installed(self, process):
        """None once update.log has its first whole line, else why not."""
        log = os.path.join(self.roots["data"], "res", "update.log")
        t0 = time.monotonic()
        while time.monotonic() - t0 < INSTALL_SECONDS:
            try:
                if b"\r\0\n\0" in read(log):
                    return None
            except FileNotFoundError:
                pass
            if process.poll() is not None:
                return f"the launcher ended with {process.returncode} before writing update.log"
            time.sleep(0.1)
        return f"no line in update.log within {INSTALL_SECONDS} s"


def describe(key, before, after):
    if key not in before:
        return f"{key} appeared"
    if key not in after:
        return f"{key} disappeared"
    if before[key][0] == "file" and before[key][1] == after[key][1]:
        return f"{key} rewritten (time moved)"
    return f"{key} changed"


def shown_value(value):
    kind, size, data = value
    if kind == REG_SZ and data.endswith("\0") and size == 2 * len(data):
        return repr(data[:-1])
    return f"type {kind}, {size} bytes, {data!r}"


def value_faults(what, got, want):
    """The differences between two registry keys' values, one line each."""
    if not got and want:
        return [f"no {what}"]
    faults = []
    for name in sorted(set(got) | set(want)):
        if name not in got:
            faults.append(f"{what} has no {name}")
        elif name not in want:
            faults.append(f"{what} has an extra {name} = {shown_value(got[name])}")
        elif got[name] != want[name]:
            faults.append(f"{what} {name} = {shown_value(got[name])}, expected {shown_value(want[name])}")
    return faults


def ini_faults(got, want):
    faults = []
    for section in sorted(set(got) | set(want)):
        have, need = got.get(section, {}), want.get(section, {})
        for key in sorted(set(have) | set(need)):
            if have.get(key) != need.get(key):
                faults.append(f"systemset.ini [{section}] {key} = {have.get(key)!r}, expected {need.get(key)!r}")
    return faults


def check_final(run, case, before, after, links):
    """What every start leaves installed, whatever the case."""
    n, faults = run.names, []
    fixture = run.fx[case.installed]
    path = run.path(n.installed)
    if not os.path.exists(path):
        faults.append("no installed copy")
    elif read(path) != fixture:
        data = read(path)
        faults.append(f"installed copy is version {file_version(data)} ({len(data)} bytes), expected the "
                      f"{case.installed} executable, {file_version(fixture)}")
    for key in (n.settings, n.icon):
        if not os.path.exists(run.path(key)):
            faults.append(f"no {key}")
    if os.path.exists(run.path(n.icon)) and read(run.path(n.icon)) != run.defaults["uninstall.ico"]:
        faults.append(f"{n.icon} differs from res/defaults/uninstall.ico")
    if os.path.exists(run.path(n.settings)):
        want = ini(run.defaults["systemset.ini"])
        want["setting"]["start"] = "1001"
        if case.firststart is not None:
            want["start"] = {"firststart": case.firststart}
        faults += ini_faults(ini(read(run.path(n.settings))), want)
    data_files = {k for k, v in after.items() if k.startswith("data/") and v[0] == "file"}
    if data_files - {n.installed, n.settings, n.icon}:
        faults.append(f"unexpected files in the data folder: {sorted(data_files - {n.installed, n.settings, n.icon})}")

    present = {k for k in after if k.endswith(".lnk")}
    if present != set(n.links):
        faults.append(f"shortcuts {sorted(present)}, expected {sorted(n.links)}")
    for key, want in n.links.items():
        if key not in links or (key == n.desktop and case.desktop_kept):
            continue
        got = {f: links[key].get(f, links[key].get("error")) for f in want}
        if got != want:
            faults.append(f"{key}: " + ", ".join(f"{f} {got[f]!r} (expected {want[f]!r})"
                                                 for f in want if got[f] != want[f]))

    def values(root, state):
        return {k.split(":", 1)[1]: v for k, v in state.items() if k.startswith(root + ":")}

    ours = {name: (REG_SZ, 2 * (len(text) + 1), text + "\0") for name, text in n.values.items()}
    if case.entry_kept:
        earlier = values("entry", before)
        if earlier.get("Path", (0, 0, ""))[2] != OLD_ENTRY["Path"] + "\0":
            faults.append(f"the earlier uninstall entry was not in place before the start: {earlier}")
        faults += value_faults("uninstall entry", values("entry", after), earlier)
    else:
        faults += value_faults("uninstall entry", values("entry", after), ours)
    faults += value_faults("profile copy", values("profile", after), ours)
    return faults


def run_case(run, case):
    n = run.names
    if case.fresh:
        run.reset()
    for step in case.prepare:
        run.prepare(step)
    run.age()
    before, _ = run.snapshot()
    log = os.path.join(run.roots["data"], "res", "update.log")
    if os.path.exists(log):
        os.remove(log)
    t0 = time.monotonic()
    process = run.start(case.run)
    waited = run.wait_installed(process)
    seconds = time.monotonic() - t0
    run.restart()
    after, links = run.snapshot()
    faults = [waited] if waited else []
    faults += check_final(run, case, before, after, links)
    if case.changes is not None:
        allowed = {getattr(n, name) for name in case.changes}
        changed = {k for k in set(before) | set(after) if before.get(k) != after.get(k)}
        unexpected = sorted(changed - allowed)
        missing = sorted(allowed - changed)
        if unexpected:
            faults.append("changed: " + ", ".join(describe(k, before, after) for k in unexpected))
        if missing:
            faults.append("unchanged: " + ", ".join(missing))
    return faults, seconds


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--older", required=True, help=f"the launcher built as {V0}")
    ap.add_argument("--newer", required=True, help=f"the launcher built as {V1}")
    ap.add_argument("--probe", required=True, help="install_probe.exe")
    ap.add_argument("--prefix-script", required=True, help="tools/wine-prefix.sh")
    ap.add_argument("--only", nargs="+", default=[],
                    help="run the cases up to the last whose name contains one of these")
    args = ap.parse_args()
    prefix_dir = os.environ.get("WINEPREFIX", "")
    if not prefix_dir or os.path.realpath(prefix_dir) == os.path.realpath(os.path.expanduser("~/.wine")):
        sys.exit("set WINEPREFIX to the test prefix (never ~/.wine)")
    if not os.environ.get("DISPLAY"):
        sys.exit("needs an X display: DISPLAY is not set")

    began = time.monotonic()
    table = cases()
    if args.only:
        # Each case but a fresh one builds on the state the one before left.
        last = max(i for i, c in enumerate(table) if any(o in c.name for o in args.only))
        table = table[:last + 1]
    failed = 0
    with tempfile.TemporaryDirectory(prefix="install-e2e-") as work:
        run = Run(args, work)
        try:
            for case in table:
                faults, seconds = run_case(run, case)
                if not report(case.name, faults, seconds):
                    failed += 1
        finally:
            run.restart()
    print(f"{len(table) - failed} of {len(table)} cases passed in {time.monotonic() - began:.0f} s")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
