#!/usr/bin/python3
"""The two-process uninstall end to end, under Wine, with the real launcher.

    uninstall_e2e.py --launcher Morvane.exe --helper uninstall_helper.exe
                     --prefix-script tools/wine-prefix.sh [--only NAME ...]

Needs WINEPREFIX, HOME, WINEDEBUG and WINEDLLOVERRIDES as the other Wine tests, and an X display.
Each case lays out the installed state of a start (data folder with the executable and res\\,
the desktop and start-menu shortcuts, the uninstall entry and its profile copy), starts the
launcher with the uninstall shortcut's command line (or another one), answers the skinned box
from outside, waits for both stages to end, and compares the whole user tree before and after:
exactly the listed items are gone, those of them the shell deletes are in the trash with their
contents, and nothing else changed. Prints one line per case; exits 1 when a case fails.
"""
import argparse
import glob
import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.parse
from dataclasses import dataclass, field

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from wine_harness import report, restart_prefix  # noqa: E402

TEMP_NAME = "quvaqlndtmpu.exe"
DESKTOP_LNK = "Tolvik《Morvane》.lnk"
GAME_LNK = "Morvane.lnk"
UNINSTALL_LNK = "卸载-Morvane.lnk"
UNINSTALL_KEY = r"SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\TolvikMorvane"
PROFILE_KEY = r"Software\应用程序向导生成的本地应用程序\Morvane\TolvikMorvane"
OTHER_DIR = ("Program Files", "My Games", "Morvane")  # under drive_c; a path with spaces

# The installed items, by the names the cases use.
DESKTOP, GAME, UNINSTALL, GAME_FOLDER, PUBLISHER, EXE, RES = (
    "desktop shortcut", "game shortcut", "uninstall shortcut", "game start-menu folder",
    "publisher start-menu folder", "installed executable", "installed res")
OTHER_EXE, OTHER_RES = "other executable", "other res"
SHORTCUTS_AND_FOLDERS = {DESKTOP, GAME, UNINSTALL, GAME_FOLDER, PUBLISHER}
EVERYTHING = SHORTCUTS_AND_FOLDERS | {EXE, RES}
NOT_TRASHED = {EXE, OTHER_EXE}  # a plain file delete


@dataclass
class Case:
    name: str
    removed: set  # the items that must be gone; every other file stays as it was
    answer: str = "ok"  # the button clicked in the box: ok, cancel or close
    other_location: bool = False  # start a copy outside the data folder instead of the shortcut
    other_game: bool = False  # the publisher's start-menu folder also holds another game's folder
    lock_ms: int = None  # run the removal stage directly while the executable is held this long


CASES = [
    Case("OK from the uninstall shortcut removes the installation", EVERYTHING),
    Case("Cancel changes nothing", set(), answer="cancel"),
    Case("the close button changes nothing", set(), answer="close"),
    Case("a publisher folder with another game's folder stays", EVERYTHING - {PUBLISHER}, other_game=True),
    Case("a copy elsewhere removes its own executable and res", SHORTCUTS_AND_FOLDERS | {OTHER_EXE, OTHER_RES},
         other_location=True),
    Case("an executable held 2 s is removed once free", EVERYTHING, lock_ms=2000),
    Case("an executable held 8 s stays after 5 s of retries", EVERYTHING - {EXE}, lock_ms=8000),
]


def tree(path):
    """{absolute path: file digest or "dir"} for path and everything under it."""
    out = {}
    if os.path.islink(path):
        out[path] = "link to " + os.readlink(path)
    elif os.path.isdir(path):
        out[path] = "dir"
        for name in os.listdir(path):
            out.update(tree(os.path.join(path, name)))
    elif os.path.lexists(path):
        with open(path, "rb") as f:
            out[path] = hashlib.md5(f.read()).hexdigest()
    return out


class Prefix:
    def __init__(self, script, helper, work):
        self.script, self.work = script, work
        self.helper_exe = "Z:" + os.path.abspath(helper).replace("/", "\\")
        prefix = os.environ["WINEPREFIX"]
        users = [p for p in glob.glob(os.path.join(prefix, "drive_c", "users", "*"))
                 if os.path.basename(p) != "Public"]
        if len(users) != 1:
            raise RuntimeError(f"expected one user in {prefix}, found {users}")
        user = os.path.basename(users[0])
        self.home = os.environ["HOME"]
        self.trash = os.path.join(self.home, ".local", "share", "Trash")
        self.appdata = os.path.join(users[0], "AppData", "Roaming")
        self.win_appdata = f"C:\\users\\{user}\\AppData\\Roaming"
        self.drive_c = os.path.join(prefix, "drive_c")
        # CSIDL_DESKTOP is a link to $HOME in a new prefix.
        self.desktop, self.win_desktop = self.home, f"C:\\users\\{user}\\Desktop"
        programs = ("Microsoft", "Windows", "Start Menu", "Programs")
        self.programs = os.path.join(self.appdata, *programs)
        self.win_programs = "\\".join((self.win_appdata,) + programs)
        self.data = os.path.join(self.appdata, "kavro_2", "kavro_2")
        self.win_data = self.win_appdata + "\\kavro_2\\kavro_2"
        self.cache = os.path.join(self.appdata, "cache")
        self.win_cache = self.win_appdata + "\\cache"
        self.other = os.path.join(self.drive_c, *OTHER_DIR)
        self.win_other = "C:\\" + "\\".join(OTHER_DIR)

    def items(self):
        """Each item's Linux path."""
        game_folder = os.path.join(self.programs, "Tolvik", "Morvane")
        return {
            DESKTOP: os.path.join(self.desktop, DESKTOP_LNK),
            GAME: os.path.join(game_folder, GAME_LNK),
            UNINSTALL: os.path.join(game_folder, UNINSTALL_LNK),
            GAME_FOLDER: game_folder,
            PUBLISHER: os.path.dirname(game_folder),
            EXE: os.path.join(self.data, "Morvane.exe"),
            RES: os.path.join(self.data, "res"),
            OTHER_EXE: os.path.join(self.other, "Morvane.exe"),
            OTHER_RES: os.path.join(self.other, "res"),
        }

    def snapshot(self):
        out = {}
        for root in (self.home, self.appdata, os.path.dirname(self.other)):
            out.update(tree(root))
        return {p: d for p, d in out.items() if not (p == self.trash or p.startswith(self.trash + os.sep))}

    def helper_run(self, args, timeout=60):
        """The helper's output; it writes to a file, as Wine's services would hold a pipe open."""
        output = os.path.join(self.work, "helper.txt")
        with open(output, "wb") as out:
            process = subprocess.run(["wine", self.helper_exe] + args, stdin=subprocess.DEVNULL, stdout=out,
                                     stderr=subprocess.STDOUT, cwd=self.work, timeout=timeout)
        with open(output, "rb") as f:
            return process.returncode, f.read().decode("utf-8", "replace").replace("\r", "")

    def helper(self, *args):
        code, text = self.helper_run(list(args))
        if code != 0:
            raise RuntimeError(f"helper {args[0]} failed ({code}): {text.strip()}")
        return text

    def restart(self):
        restart_prefix(self.script)

    def reset(self):
        items = self.items()
        for path in (os.path.join(self.appdata, "kavro_2"), self.cache, self.trash, items[PUBLISHER],
                     os.path.dirname(self.other), items[DESKTOP]):
            if os.path.isdir(path) and not os.path.islink(path):
                shutil.rmtree(path)
            elif os.path.lexists(path):
                os.remove(path)
        # Without the folder that holds it, Wine has no trash and deletes for good.
        os.makedirs(os.path.dirname(self.trash), exist_ok=True)

    def install(self, launcher, case):
        """The state a start leaves: data folder, shortcuts, uninstall entry and profile copy."""
        self.reset()
        os.makedirs(os.path.join(self.data, "res"))
        shutil.copyfile(launcher, os.path.join(self.data, "Morvane.exe"))
        files = {"res/systemset.ini": b"[Setting]\r\nscreentoggle=F11\r\n", "res/uninstall.ico": b"\0\0\1\0icon",
                 "res/update.log": "an earlier start\r\n".encode("utf-16-le"), "notes.txt": b"the player's own"}
        for name, data in files.items():
            with open(os.path.join(self.data, name), "wb") as f:
                f.write(data)
        exe = self.win_data + "\\Morvane.exe"
        folder = self.win_programs + "\\Tolvik\\Morvane"
        os.makedirs(os.path.join(self.programs, "Tolvik", "Morvane"))
        self.helper("link", f"{self.win_desktop}\\{DESKTOP_LNK}", exe, "1", "-")
        self.helper("link", f"{folder}\\{GAME_LNK}", exe, "1", "-")
        self.helper("link", f"{folder}\\{UNINSTALL_LNK}", exe, "-u", self.win_data + "\\res\\uninstall.ico")
        for hive, key in (("HKLM", UNINSTALL_KEY), ("HKCU", PROFILE_KEY)):
            for name, value in (("Path", exe), ("DisplayName", "Morvane"), ("Publisher", "Tolvik"),
                                ("UninstallString", f'"{exe}" -u')):
                self.helper("regset", hive, key, name, value)
        if case.other_game:
            os.makedirs(os.path.join(self.programs, "Tolvik", "Lorn"))
            self.helper("link", f"{self.win_programs}\\Tolvik\\Lorn\\Lorn.lnk", "C:\\Games\\Lorn.exe", "", "-")
        if case.other_location:
            os.makedirs(os.path.join(self.other, "res"))
            shutil.copyfile(launcher, os.path.join(self.other, "Morvane.exe"))
            for name in ("res/systemset.ini", "notes.txt"):
                with open(os.path.join(self.other, name), "wb") as f:
                    f.write(b"elsewhere " + name.encode())
        if case.lock_ms is not None:
            os.makedirs(self.cache)
            shutil.copyfile(launcher, os.path.join(self.cache, TEMP_NAME))

    def registry(self):
        return self.helper("regdump", "HKLM", UNINSTALL_KEY) + self.helper("regdump", "HKCU", PROFILE_KEY)

    def trashed(self):
        """{original Linux path: the trashed copy's Linux path}."""
        out = {}
        for info in glob.glob(os.path.join(self.trash, "info", "*.trashinfo")):
            with open(info, encoding="utf-8") as f:
                m = re.search(r"^Path=(.*)$", f.read(), re.M)
            if m:
                name = os.path.basename(info)[:-len(".trashinfo")]
                # Wine writes the path through dosdevices and the Desktop link.
                out[os.path.realpath(urllib.parse.unquote(m.group(1)))] = os.path.join(self.trash, "files", name)
        return out


def run_uninstall(prefix, case):
    """Starts the case's uninstall; returns the faults seen in how the processes went."""
    faults = []
    if case.lock_ms is not None:
        exe = prefix.win_data + "\\Morvane.exe"
        code, text = prefix.helper_run(["lock", exe, str(case.lock_ms), f"{prefix.win_cache}\\{TEMP_NAME}",
                                        "-u " + exe])
        times = dict(re.findall(r"^(released|ended) (\d+)$", text, re.M))
        if code != 0 or len(times) != 2:
            return [f"the removal stage ran so: {text.strip()!r} (exit {code})"]
        ended, released = int(times["ended"]), int(times["released"])
        if case.lock_ms > 5000 and not 4500 <= ended < case.lock_ms:
            faults.append(f"the removal ended after {ended} ms, the file was released after {released} ms; "
                          "expected it to give up after about 5 s")
        if case.lock_ms < 5000 and ended < released:
            faults.append(f"the removal ended after {ended} ms, before the release after {released} ms")
        return faults
    if case.other_location:
        exe = prefix.win_other + "\\Morvane.exe"
        args = ["answer", case.answer, exe, f'"{exe}" -u']
    else:
        args = ["answer", case.answer, f"{prefix.win_programs}\\Tolvik\\Morvane\\{UNINSTALL_LNK}"]
    code, text = prefix.helper_run(args)
    processes = 2 if case.answer == "ok" else 1
    want = f"box\nconfirmation exit 0\nprocesses {processes}\n"
    if code != 0 or text != want:
        faults.append(f"the stages ran so: {text.strip()!r} (exit {code}); expected {want.strip()!r}")
    return faults


def compare(prefix, case, launcher_md5, before, after, trash, registry_before, registry_after):
    faults = []
    items = prefix.items()
    gone = {items[i] for i in case.removed}
    # Everything under a removed folder goes with it.
    gone_all = {p for p in before if any(p == g or p.startswith(g + os.sep) for g in gone)}
    expected = {p: d for p, d in before.items() if p not in gone_all}
    if case.removed and case.lock_ms is None:
        expected[prefix.cache] = "dir"
        expected[os.path.join(prefix.cache, TEMP_NAME)] = launcher_md5
    for p in sorted(set(expected) | set(after)):
        if p not in after:
            faults.append(f"missing: {p}")
        elif p not in expected:
            faults.append(f"{'left' if p in before else 'added'}: {p}")
        elif after[p] != expected[p]:
            faults.append(f"changed: {p}")
    want_trash = {os.path.realpath(items[i]) for i in case.removed - NOT_TRASHED}
    if set(trash) != want_trash:
        faults.append(f"trash holds {sorted(trash)}, expected {sorted(want_trash)}")
    real = {os.path.realpath(p): d for p, d in before.items()}
    under = lambda p, folder: p == folder or p.startswith(folder + os.sep)
    for original, copy in trash.items():
        moved = {original + p[len(copy):]: d for p, d in tree(copy).items()}
        # What was inside and went to the trash on its own had left before.
        inner = [o for o in trash if o != original and under(o, original)]
        was = {p: d for p, d in real.items() if under(p, original) and not any(under(p, o) for o in inner)}
        if moved != was:
            faults.append(f"the trashed {original} differs from what was there")
    if registry_after != registry_before or "UninstallString" not in registry_before:
        faults.append(f"registry now {registry_after!r}, was {registry_before!r}")
    return faults


def run_case(prefix, launcher, case):
    with open(launcher, "rb") as f:
        launcher_md5 = hashlib.md5(f.read()).hexdigest()
    prefix.install(launcher, case)
    before, registry_before = prefix.snapshot(), prefix.registry()
    faults = run_uninstall(prefix, case)
    after, trash = prefix.snapshot(), prefix.trashed()
    faults += compare(prefix, case, launcher_md5, before, after, trash, registry_before, prefix.registry())
    return faults


def real_install(prefix, launcher):
    """A player's start of the launcher, ended once its install has run: the install comes
    first, then the login page's load fails and the update check writes its first line."""
    log = os.path.join(prefix.data, "res", "update.log")
    process = subprocess.Popen(["wine", os.path.abspath(launcher)], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, cwd=prefix.work)
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline and not (os.path.exists(log) and os.path.getsize(log) > 0):
        time.sleep(0.2)
    prefix.restart()
    process.wait(10)
    if not os.path.exists(log):
        raise RuntimeError("the start installed nothing within 30 s")


def run_cycles(prefix, launcher, cycles):
    """Installs and uninstalls again and again: the last residue must be the first one."""
    prefix.reset()
    residues = []
    for cycle in range(cycles):
        real_install(prefix, launcher)
        code, text = prefix.helper_run(["answer", "ok", f"{prefix.win_programs}\\Tolvik\\Morvane\\{UNINSTALL_LNK}"])
        if code != 0 or not text.startswith("box\nconfirmation exit 0\nprocesses 2"):
            return [f"cycle {cycle + 1}: the stages ran so: {text.strip()!r} (exit {code})"]
        residues.append((prefix.snapshot(), prefix.registry()))
    (first, first_registry), (last, last_registry) = residues[0], residues[-1]
    faults = [f"after {cycles} cycles {'left' if p in last else 'gone'}: {p}"
              for p in sorted(set(first) ^ set(last))]
    faults += [f"after {cycles} cycles changed: {p}" for p in sorted(set(first) & set(last)) if first[p] != last[p]]
    if first_registry != last_registry:
        faults.append(f"registry after {cycles} cycles {last_registry!r}, after one {first_registry!r}")
    items = prefix.items()
    faults += [f"still there after a cycle: {items[i]}" for i in sorted(EVERYTHING) if os.path.lexists(items[i])]
    return faults


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--launcher", required=True, help="Morvane.exe")
    ap.add_argument("--helper", required=True, help="uninstall_helper.exe")
    ap.add_argument("--prefix-script", required=True, help="tools/wine-prefix.sh")
    ap.add_argument("--only", nargs="+", default=[], help="run the cases whose name contains one of these")
    ap.add_argument("--cycles", type=int, default=20, help="install-and-uninstall cycles in one prefix (0: none)")
    args = ap.parse_args()
    prefix_dir = os.environ.get("WINEPREFIX", "")
    if not prefix_dir or os.path.realpath(prefix_dir) == os.path.realpath(os.path.expanduser("~/.wine")):
        sys.exit("set WINEPREFIX to the test prefix (never ~/.wine)")
    if not os.environ.get("DISPLAY"):
        sys.exit("needs an X display: DISPLAY is not set")
    began, failed = time.monotonic(), 0
    table = [c for c in CASES if not args.only or any(o in c.name for o in args.only)]
    with tempfile.TemporaryDirectory(prefix="uninstall-e2e-") as work:
        prefix = Prefix(os.path.abspath(args.prefix_script), args.helper, work)
        prefix.restart()
        try:
            for case in table:
                t0 = time.monotonic()
                try:
                    faults = run_case(prefix, args.launcher, case)
                except (RuntimeError, OSError, subprocess.TimeoutExpired) as e:
                    faults = [f"{type(e).__name__}: {e}"]
                seconds = time.monotonic() - t0
                if not report(case.name, faults[:12], seconds):
                    failed += 1
                    prefix.restart()  # whatever still runs must not spill into the next case
            if args.cycles and not args.only:
                t0 = time.monotonic()
                try:
                    faults = run_cycles(prefix, args.launcher, args.cycles)
                except (RuntimeError, OSError, subprocess.TimeoutExpired) as e:
                    faults = [f"{type(e).__name__}: {e}"]
                table.append(Case(f"{args.cycles} real installs and uninstalls leave one's residue", set()))
                if not report(table[-1].name, faults[:12], time.monotonic() - t0):
                    failed += 1
        finally:
            prefix.reset()
    print(f"{len(table) - failed} of {len(table)} cases passed in {time.monotonic() - began:.0f} s")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
