#!/usr/bin/env python3
"""The end of the Windows session while Talmoris runs in the notification
area: Wine's own session end (wineboot --end-session) asks every window and
then ends the process, and the settings must be in the registry by then, as
when the user picks Exit. Runs alone: the session's end reaches every
program with a window in the prefix."""
import argparse
import os
import subprocess
import sys
import time

parser = argparse.ArgumentParser()
parser.add_argument("--runner", required=True)
parser.add_argument("--program", required=True)
parser.add_argument("--waiter", required=True)
args = parser.parse_args()

KEY = r"HKCU\Software\Quendaril\Pellunor"


def run(*command, timeout=120):
    return subprocess.run([args.runner, *command], capture_output=True, text=True, timeout=timeout)


def stored(name):
    """The value's data as reg.exe prints it, or None."""
    out = run("reg", "query", KEY, "/v", name)
    if out.returncode != 0:
        return None
    for line in out.stdout.splitlines():
        parts = line.split(None, 2)
        if len(parts) >= 2 and parts[0] == name:
            return parts[2].strip() if len(parts) == 3 else ""
    return None


def startup_shortcut():
    """Talmoris.lnk in the user's Startup folder (as the shell names it), as a host path."""
    out = run("reg", "query", r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders",
              "/v", "Startup").stdout
    folder = next(line.split(None, 2)[2].strip() for line in out.splitlines()
                  if line.split(None, 1)[:1] == ["Startup"])
    return os.path.join(run("winepath", "-u", folder).stdout.strip(), "Talmoris.lnk")


failures = []
shortcut = startup_shortcut()
if os.path.exists(shortcut):
    os.remove(shortcut)
run("reg", "delete", KEY, "/f")
# A later start (the window stays in the tray) that starts with Windows: the
# shortcut is made when the settings are saved.
run("reg", "add", KEY, "/v", "Value_MinimizeToTrayWhenStart", "/t", "REG_DWORD", "/d", "1", "/f")
run("reg", "add", KEY, "/v", "Value_AutoStartWithOS", "/t", "REG_DWORD", "/d", "1", "/f")

program = subprocess.Popen([args.runner, args.program], stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
try:
    if run(args.waiter, "30000").returncode != 0:
        failures.append("Talmoris never finished its start-up")
    elif stored("Value_LastSystemScan") is not None or os.path.exists(shortcut):
        failures.append("the settings were written before the session ended: the test proves nothing")
    else:
        # With --shutdown, wineboot stops after the session's end instead of
        # starting the next session (which would start the Startup folder's
        # programs, Talmoris among them).
        ended = subprocess.run([args.runner, "wineboot", "--end-session", "--shutdown"],
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, timeout=120)
        if ended.returncode != 0:
            failures.append(f"wineboot --end-session failed with exit code {ended.returncode}")
        try:
            program.wait(timeout=60)
        except subprocess.TimeoutExpired:
            failures.append("Talmoris runs on after the session's end")
        for name, expected in [("Value_LastSystemScan", "Unknown"),
                               ("Value_MinimizeToTrayWhenStart", "0x1"),
                               ("Value_AutoActivateFreezeWhenStart", "0x1")]:
            got = stored(name)
            if got != expected:
                failures.append(f"{name}: {got!r}, expected {expected!r}")
        if not os.path.exists(shortcut):
            failures.append("no Startup shortcut, though the program starts with Windows")
finally:
    if program.poll() is None:
        program.kill()
        program.wait()
    run("reg", "delete", KEY, "/f")
    if os.path.exists(shortcut):
        os.remove(shortcut)

for failure in failures:
    print("FAILED:", failure)
print("session end: " + ("passed" if not failures else "FAILED"))
sys.exit(1 if failures else 0)
