#!/usr/bin/env python3
"""A Wine user's own prefix, named in WINEPREFIX as many Wine users keep it
exported, is left alone: `make run` without a display, and the scripts that run
the tests, use the project's prefix. Nothing of the project's set-up appears in
the other prefix, and the program running there keeps running."""
import os
import shutil
import signal
import subprocess
import sys

from kelvane_run import BUILD, ROOT, Failure, run_test, say, wait, xdotool

PREFIX = os.path.join(BUILD, "e2e", "user-prefix")
USER = dict(os.environ, WINEPREFIX=PREFIX)
QUIET = {"stdin": subprocess.DEVNULL, "stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}


def quiet(*command):
    """Runs a Wine command on the user's prefix, its output nowhere; a hang fails."""
    subprocess.run(command, env=USER, timeout=120, **QUIET)


def settings():
    """What the project's set-up writes into a prefix, as the user's own Wine
    server holds it now: the stamp file and the values it sets (None when absent)."""
    def value(key, name):
        out = subprocess.run(["wine", "reg", "query", key, "/v", name], env=USER, capture_output=True,
                             stdin=subprocess.DEVNULL, text=True, timeout=120)
        return out.stdout.split("REG_")[-1].strip() if out.returncode == 0 else None
    stamps = sorted(f for f in os.listdir(PREFIX) if f.startswith(".kelvane"))
    return (stamps, value(r"HKCU\Software\Wine\Direct3D", "csmt"),
            value(r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug", "Debugger"))


def make_prefix():
    if os.path.isdir(PREFIX):
        quiet("wineserver", "-k")
        shutil.rmtree(PREFIX)
    os.makedirs(PREFIX)
    quiet("wineboot", "-i")
    quiet("wineserver", "-w")
    open(os.path.join(PREFIX, "made-by-the-test"), "w").close()


def test(_exe):
    # Made once and kept; made again when its making was cut short, or when a
    # broken run of the scripts set it up as the project's own.
    if not os.path.isfile(os.path.join(PREFIX, "made-by-the-test")) or settings()[:2] != ([], None):
        make_prefix()
    notepad = subprocess.Popen(["wine", "notepad"], env=USER, **QUIET)
    try:
        wait("the user's program shows its window",
             lambda: xdotool("search", "--onlyvisible", "--pid", notepad.pid, "--name", "Notepad"))
        before = settings()
        out = os.path.join(BUILD, "e2e", "user-prefix-run.log")
        with open(out, "w") as log:
            def run(what, command, env):
                # In a session of its own, so that a hang ends with everything it started.
                proc = subprocess.Popen(command, env=env, stdout=log, stderr=subprocess.STDOUT,
                                        stdin=subprocess.DEVNULL, start_new_session=True)
                try:
                    return proc.wait(timeout=120)
                except subprocess.TimeoutExpired:
                    os.killpg(proc.pid, signal.SIGKILL)
                    proc.wait()
                    raise Failure(f"{what} still ran after 120 s: {open(out).read()[-500:]}")
            env = {k: v for k, v in USER.items() if k != "DISPLAY"}
            env["KELVANE_RUN_SECONDS"] = "1"
            made = run("make run", ["make", "-C", ROOT, "--no-print-directory", "run"], env)
            tested = run("a test executable run the way the tests run",
                         [os.path.join(ROOT, "scripts", "with-display.sh"),
                          os.path.join(ROOT, "scripts", "wine-run.sh"),
                          os.path.join(BUILD, "mingw", "tests", "unit_camera.exe"), "--gtest_brief=1"], USER)
        text = open(out).read()
        if made != 0 or f"screenshot: {BUILD}/kelvane.png" not in text:
            raise Failure(f"make run ended with {made}: {text[-500:]}")
        if tested != 0:
            raise Failure(f"a test executable run the way the tests run failed: {text[-500:]}")
        # Those runs stopped the project's own Wine server, as every run does at its end.
        subprocess.run(["bash", "-c", f"source {ROOT}/scripts/wine-env.sh; kelvane_start_wine_session"], timeout=300)

        if notepad.poll() is not None:
            raise Failure("the program in the user's prefix was ended")
        after = settings()
        if after != before or after[:2] != ([], None):
            raise Failure(f"the user's prefix was set up by the project: {before} became {after}")
        say(f"PASS: the prefix named in WINEPREFIX kept its settings {after} and its running program")
    finally:
        notepad.kill()
        quiet("wineserver", "-k")
        quiet("wineserver", "-w")


sys.exit(run_test(test))
