"""What the end-to-end harnesses under tests/ share: running Wine programs quietly and
starting the prefix afresh between cases. Standard library only."""
import subprocess

# A Wine program's streams never go to a pipe that the harness waits on: services it starts
# would inherit the pipe and hold it open.
QUIET = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def start_wine(args, output, cwd, append=False):
    """Starts a Wine program with its output going to the file output, never to a pipe."""
    with open(output, "ab" if append else "wb") as out:
        return subprocess.Popen(["wine"] + args, stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
                                cwd=cwd)


def restart_prefix(script, started=()):
    """Ends every program of the prefix, reaps the wine processes started for it, then starts
    the prefix's services again, detached."""
    subprocess.run(["wineserver", "-k"], timeout=60, **QUIET)
    # The killed server takes a moment to go; a program started meanwhile may reach it and fail.
    subprocess.run(["wineserver", "-w"], timeout=60, **QUIET)
    for process in started:
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
    subprocess.run([script, "start"], timeout=180, check=True, **QUIET)


def report(name, faults, seconds):
    """One line per case; True when it passed."""
    if faults:
        print(f"FAIL {name} ({seconds:.1f} s): " + "; ".join(faults), flush=True)
        return False
    print(f"PASS {name} ({seconds:.1f} s)", flush=True)
    return True
