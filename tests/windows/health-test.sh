#!/usr/bin/env bash
# Readiness and liveness checks, resource limits, scheduled restarts, the published run figures
# and the evidence of a failure (last lines, dumps) end to end: real services
# under Wine's service control manager, checked against an HTTP endpoint of the test's own on
# 127.0.0.1 that answers 200 or 503, or hangs, as each step asks. Every wait waits for a state,
# bounded; nothing asserts a time.
# Usage: health-test.sh BUILD_DIR
set -euo pipefail
build=$1
. "$(dirname "$0")/../wine/wine-env.sh" "$build"
work=$(mktemp -d)
[ -n "${HEALTH_KEEP:-}" ] || trap 'rm -rf "$work"' EXIT
cp "$build/bin/Velmora.dtd" "$work/"
PYTHONPATH="$(dirname "$0")/../wine" exec python3 - "$VELMORA_WINE" "$build/bin" "$work" <<'PY'
import http.server, json, os, socket, subprocess, sys, threading, time
from steps import failures, step, wait_for

wine, bin_dir, work = sys.argv[1:4]
example = f"Z:{bin_dir}/VelmoraExample.exe"


class Endpoint(http.server.ThreadingHTTPServer):
    """Each path answers as its mode says: "ok" 200, "fail" 503, "hang" holds the request until
    released (at most 30 s). fail_next/hang_next: that many requests so, then "ok"."""
    daemon_threads = True

    def __init__(self):
        super().__init__(("127.0.0.1", 0), Handler)
        self.lock = threading.Lock()
        self.modes, self.next = {}, {}
        self.served = []  # (path, status) in the order answered
        self.posts = []  # (path, headers, JSON body) of each POST, in the order received
        self.hanging = {}  # path: requests held now
        self.release = threading.Event()

    def set(self, path, mode, count=0):
        with self.lock:
            if count:
                self.next[path] = (mode, count)
            else:
                self.modes[path] = mode
                self.next.pop(path, None)

    def answered(self, path, status=None):
        with self.lock:
            return sum(1 for p, s in self.served if p == path and (status is None or s == status))


class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_POST(self):
        body = self.rfile.read(min(int(self.headers.get("Content-Length", 0)), 65536))
        with self.server.lock:
            self.server.posts.append((self.path, dict(self.headers), json.loads(body)))
        self.do_GET()

    def do_GET(self):
        e = self.server
        with e.lock:
            mode = e.modes.get(self.path, "ok")
            if self.path in e.next:
                mode, count = e.next[self.path]
                e.next[self.path] = (mode, count - 1)
                if count == 1:
                    del e.next[self.path]
            if mode == "hang":
                e.hanging[self.path] = e.hanging.get(self.path, 0) + 1
        if mode == "hang":
            e.release.wait(30)
            with e.lock:
                e.hanging[self.path] -= 1
                e.served.append((self.path, 0))
            return
        status = 200 if mode == "ok" else 503
        self.send_response(status)
        self.send_header("Content-Length", "0")
        self.end_headers()
        with e.lock:
            e.served.append((self.path, status))


endpoint = Endpoint()
threading.Thread(target=endpoint.serve_forever, daemon=True).start()
port = endpoint.server_address[1]
url = f"http://127.0.0.1:{port}"


def velmora(*args, check=True):
    run = subprocess.run([wine, "Velmora.exe", *args], cwd=bin_dir, capture_output=True, text=True, timeout=180)
    if check and run.returncode != 0:
        raise AssertionError(f"Velmora {' '.join(args)}: {run.returncode}\n{run.stdout}{run.stderr}")
    return run


def status(name):
    return json.loads(velmora("-status", name, "-json", check=False).stdout)


def record(name):
    try:
        return open(os.path.join(work, name + ".rec"), encoding="utf-8", errors="replace").read()
    except FileNotFoundError:
        return ""


def runs(name):
    return record(name).count("run pid=")


def install(name, health, program="", supervision="", output="", limits="", options="<UponExit>1</UponExit>", smf=200):
    xml = f"""<?xml version="1.0" encoding="UTF-8" standalone="no" ?>
<!DOCTYPE Service SYSTEM "Velmora.dtd">
<Service>
 <Program><Name>{name}</Name><DisplayName>{name}</DisplayName><WorkingDir>Z:{work}</WorkingDir><Executable>{example}</Executable>
  <Parameters>--record Z:{work}/{name}.rec {program}</Parameters><Delay>0</Delay></Program>
 <Options><StartUpMode>0</StartUpMode>{options}</Options>
 <Debug><DebugEnabled>true</DebugEnabled><DebugLocation>Z:{work}/{name}.log</DebugLocation></Debug>
 <SMF><SMFFrequency>{smf}</SMFFrequency></SMF>
 <Supervision><StopTimeout>1000</StopTimeout>{supervision}</Supervision>{output}
 <Health>{health}</Health>{limits}
</Service>
"""
    path = os.path.join(work, name + ".xml")
    open(path, "w", encoding="utf-8").write(xml)
    installed.append(name)
    return velmora("-i", "Z:" + path)


def start(name):
    return subprocess.Popen([wine, "Velmora.exe", "-start", name], cwd=bin_dir, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)


def finish(name, starter=None):
    velmora("-stop", name, check=False)
    if starter:
        starter.wait(timeout=120)
    velmora("-u", name)
    installed.remove(name)


def log(name):
    try:
        return open(os.path.join(work, name + ".log"), encoding="utf-8", errors="replace").read()
    except FileNotFoundError:
        return ""


installed = []  # removed at the end when a failed step left them


def http_ready_and_live():
    # Readiness: the service stays pending while the endpoint answers 503, runs once it answers 200.
    endpoint.set("/ready", "fail")
    install("vlhttp", f"<ReadyCheck>{url}/ready</ReadyCheck><LiveCheck>{url}/live</LiveCheck>"
                      "<LiveInterval>1000</LiveInterval><LiveTimeout>500</LiveTimeout>",
            supervision="<RestartLimit>2</RestartLimit><RestartPeriod>600000</RestartPeriod>")
    starter = start("vlhttp")
    wait_for("two readiness tries answered 503", lambda: endpoint.answered("/ready", 503) >= 2)
    assert status("vlhttp")["state"] == "Start-pending"
    endpoint.set("/ready", "ok")
    wait_for("the service runs", lambda: status("vlhttp")["state"] == "Running")
    assert endpoint.answered("/ready", 200) >= 1
    s = status("vlhttp")
    assert s["ready"] is True, s
    wait_for("a passing liveness check", lambda: status("vlhttp")["health"] == "passing")

    # Three 503 in a row restart the program, once.
    endpoint.set("/live", "fail", 3)
    wait_for("a restart after three failures", lambda: runs("vlhttp") == 2)
    passed = endpoint.answered("/live", 200)
    wait_for("three passing checks after the restart", lambda: endpoint.answered("/live", 200) >= passed + 3)
    assert runs("vlhttp") == 2, record("vlhttp")
    assert status("vlhttp")["state"] == "Running"  # the restart is the program's, not the service's

    # Two failures, then passing again: no restart.
    endpoint.set("/live", "fail", 2)
    wait_for("two failures served", lambda: endpoint.answered("/live", 503) >= 5)
    passed = endpoint.answered("/live", 200)
    wait_for("three passing checks after them", lambda: endpoint.answered("/live", 200) >= passed + 3)
    assert runs("vlhttp") == 2, record("vlhttp")

    # A check that hangs counts as failed: the program is restarted.
    endpoint.set("/live", "hang", 3)
    wait_for("a restart after three hung checks", lambda: runs("vlhttp") == 3)
    assert "timed out after 500 ms" in log("vlhttp"), log("vlhttp")

    # Beyond its RestartLimit the service ends, as Terminate Velmora.
    endpoint.set("/live", "fail")
    wait_for("the service stops at its restart limit", lambda: status("vlhttp")["state"] == "Stopped")
    s = status("vlhttp")
    assert s["serviceExitCode"] == 3 and runs("vlhttp") == 3, s
    finish("vlhttp", starter)


def failing_is_shown_and_passes_again():
    endpoint.set("/shown", "fail")
    install("vlshown", f"<LiveCheck>{url}/shown</LiveCheck><LiveInterval>1000</LiveInterval>"
                       "<LiveTimeout>500</LiveTimeout><LiveAction>0</LiveAction>")
    velmora("-start", "vlshown")
    s = wait_for("the failures shown", lambda: (lambda s: s if s["health"] == "failing" and "3 of 3" in s["healthDetail"] else None)(status("vlshown")))
    assert "HTTP 503" in s["healthDetail"] and s["healthDetail"].endswith(" s ago"), s
    endpoint.set("/shown", "ok")
    wait_for("passing again", lambda: status("vlshown")["health"] == "passing")
    assert runs("vlshown") == 1 and "Health:       passing" in velmora("-status", "vlshown").stdout
    finish("vlshown")


def stop_while_a_check_hangs():
    endpoint.release.clear()
    endpoint.set("/slow", "hang")
    install("vlslow", f"<ReadyCheck>{url}/slow</ReadyCheck><LiveInterval>30000</LiveInterval>"
                      "<LiveTimeout>25000</LiveTimeout>")
    starter = start("vlslow")
    try:
        wait_for("the readiness check hanging", lambda: endpoint.hanging.get("/slow", 0) >= 1, seconds=180)
    except AssertionError as error:
        raise AssertionError(f"{error}; served {endpoint.served[-5:]}; status {status('vlslow')}\n{log('vlslow')}")
    velmora("-stop", "vlslow", check=False)
    # Stopped while the endpoint still holds the check: the stop did not wait for it.
    s = status("vlslow")
    assert s["state"] == "Stopped" and endpoint.hanging["/slow"] >= 1, (s, endpoint.hanging, log("vlslow"))
    endpoint.release.set()
    starter.wait(timeout=120)
    finish("vlslow")


def never_ready():
    closed = socket.socket()
    closed.bind(("127.0.0.1", 0))
    port = closed.getsockname()[1]  # bound, never listening: refused
    install("vlnever", f"<ReadyCheck>tcp://127.0.0.1:{port}</ReadyCheck><ReadyTimeout>2000</ReadyTimeout>")
    velmora("-start", "vlnever", check=False)
    s = wait_for("the start failed", lambda: (lambda s: s if s["state"] == "Stopped" else None)(status("vlnever")))
    closed.close()
    assert s["serviceExitCode"] == 5, s
    assert "end pid=" in record("vlnever") and "connection refused" in log("vlnever"), record("vlnever") + log("vlnever")
    finish("vlnever")


def ready_by_tcp_and_by_line():
    with socket.socket() as free:
        free.bind(("127.0.0.1", 0))
        tcp = free.getsockname()[1]
    cases = [
        ("vltcp", f"--listen {tcp} --ready-after 1500", f"<ReadyCheck>tcp://127.0.0.1:{tcp}</ReadyCheck>", "listening pid="),
        ("vlline", "--ready-after 1500", "<ReadyCheck>line:ready pid=</ReadyCheck>", "ready pid="),
    ]
    for name, program, health, moment in cases:
        install(name, health, program=program)
        starter = start(name)
        wait_for(name + " running", lambda: status(name)["state"] == "Running")
        # The program's own record of being ready is there when the service first shows Running.
        assert moment in record(name), record(name)
        finish(name, starter)


def hung_window():
    # Three hangs in a row, each dumped before the program is ended; the newest two dumps stay.
    flag = os.path.join(work, "hang.flag")
    dumps = os.path.join(work, "dumps")
    install("vlwin", "<HungWindow>1500</HungWindow><LiveInterval>1000</LiveInterval><LiveTimeout>500</LiveTimeout>"
                     "<LiveFailures>1</LiveFailures>", program=f"--window --hang-on-file Z:{flag}",
            output=f"<Output><DumpFolder>Z:{dumps}</DumpFolder><DumpKeep>2</DumpKeep></Output>")
    velmora("-start", "vlwin")
    open(flag, "w").close()
    wait_for("the program hangs", lambda: "hang pid=" in record("vlwin"))
    wait_for("three restarts of the hung program", lambda: runs("vlwin") >= 4)
    velmora("-stop", "vlwin", check=False)
    os.remove(flag)
    assert "window not responding" in log("vlwin"), log("vlwin")
    assert log("vlwin").count("A dump of it was written to ") >= 3, log("vlwin")
    names = sorted(os.listdir(dumps))
    assert len(names) == 2, names
    for name in names:
        assert name.startswith("vlwin.") and name.endswith(".dmp"), names
        assert open(os.path.join(dumps, name), "rb").read(4) == b"MDMP", name
    s = status("vlwin")
    assert s["lastRestartReason"] == "liveness check failed" and s["restarts"] >= 3, s
    finish("vlwin")


def crash_loop_shows_in_status():
    # A program that keeps ending: the restarts count up in -status and -list, the last exit and
    # why it was restarted stay after the stop, and an exception leaves the last lines it wrote.
    # A real access violation under Wine's service manager never ends (Wine holds the crashed
    # process for its debugger even with SEM_NOGPFAULTERRORBOX), so the program ends with the code
    # an access violation leaves on Windows.
    for name, program, code, text in (("vlseven", "--exit 7", 7, "7"),
                                      ("vlcrash", "--exit 0xC0000005", 0xC0000005, "0xC0000005 (access violation)")):
        install(name, "", program=program, output=f"<Output><OutputLocation>Z:{work}/{name}.out</OutputLocation></Output>")
        velmora("-start", name, check=False)
        first = wait_for("two restarts", lambda: (lambda s: s if s["restarts"] >= 2 else None)(status(name)))
        wait_for("the restarts counting up", lambda: status(name)["restarts"] > first["restarts"])
        assert first["lastExitCode"] == code and first["lastExitText"] == text, first
        assert first["lastRestartReason"] == "exit code " + text and first["lastExitAt"].endswith("Z"), first
        assert first["restartsInPeriod"] >= 1 and first["outputBytesLost"] == 0, first
        listed = [e for e in json.loads(velmora("-list", "-json").stdout) if e["name"] == name]
        assert len(listed) == 1 and listed[0]["restarts"] >= 2, listed
        shown = velmora("-status", name, check=False).stdout
        assert "Program exit: " + text in shown and "Last restart: exit code " + text in shown, shown
        velmora("-stop", name, check=False)
        s = wait_for("stopped", lambda: (lambda s: s if s["state"] == "Stopped" else None)(status(name)))
        assert s["lastExitCode"] == code and s["lastRestartReason"] == "exit code " + text, s
        assert s["programPid"] is None and s["runMs"] is None, s
        evidence = "Its last lines of standard output:" in log(name) and "end pid=" in log(name)
        assert evidence == (code >= 0xC0000000), log(name)
        finish(name)


def limits_and_scheduled_restarts():
    # Five services at once, each with one limit or schedule; the one kept over its memory limit
    # is the clock: by its second restart the others have had two periods to be acted on.
    period = "<MemoryPeriod>5000</MemoryPeriod>"
    cases = {
        "vlmem": ("--grow 300", f"<MemoryLimit>200</MemoryLimit>{period}", ""),
        "vlspike": ("--grow 300 --release-after 1500", f"<MemoryLimit>200</MemoryLimit>{period}", ""),
        "vlunder": ("--grow 60", f"<MemoryLimit>200</MemoryLimit>{period}", "<RestartAt>03:00</RestartAt>"),
        "vlcpu": ("--spin", "<CpuLimit>20</CpuLimit><CpuPeriod>4000</CpuPeriod>", ""),
        "vlhandles": ("--handles 3000", f"<HandleLimit>2000</HandleLimit>{period}", ""),
        "vlevery": ("", "", "<RestartEvery>60000</RestartEvery>"),
    }
    for name, (program, limits, supervision) in cases.items():
        install(name, "", program=program, supervision=supervision,
                limits=f"<Limits>{limits}</Limits>" if limits else "")
        velmora("-start", name)
    wait_for("the spike given back", lambda: "released pid=" in record("vlspike"))
    for name in ("vlcpu", "vlhandles", "vlmem"):
        wait_for(name + " restarted", lambda: runs(name) == 2)
    wait_for("vlmem restarted again", lambda: runs("vlmem") == 3)
    assert runs("vlspike") == 1 and runs("vlunder") == 1, record("vlspike") + record("vlunder")
    for name, crossed in (("vlmem", "MemoryLimit crossed: 3"), ("vlcpu", "CpuLimit crossed: "),
                          ("vlhandles", "HandleLimit crossed: ")):
        assert crossed in log(name) and "above the limit of" in log(name), log(name)
    s = status("vlunder")
    assert s["memoryMB"] >= 60 and s["handles"] > 0 and s["cpuPercent"] is not None, s
    assert s["nextScheduledRestart"][10:19] == "T03:00:00", s
    assert "Next restart: " in velmora("-status", "vlunder").stdout
    wait_for("vlevery restarted after its minute", lambda: runs("vlevery") == 2, seconds=150)
    assert "RestartEvery is 60 s" in log("vlevery") and status("vlevery")["state"] == "Running", log("vlevery")
    for name in cases:
        finish(name)
    # A cap the system ignores is said so at install.
    note = install("vljob", "", limits="<Limits><JobMemoryLimit>100</JobMemoryLimit></Limits>").stdout
    assert "does not cap the memory of a job" in note, note
    finish("vljob")


def posts(path):
    with endpoint.lock:
        return [body for p, headers, body in endpoint.posts if p == path]


def notifications():
    # A crash loop told to a hook and a webhook: each event once, in order, with its fields.
    cmd = "C:\\windows\\system32\\cmd.exe"
    hooked = os.path.join(work, "hook.txt")
    secret = "s3cret-token-value"
    install("vlnotify", "", program="--exit 7", supervision="<RestartLimit>3</RestartLimit><RestartPeriod>600000</RestartPeriod>",
            limits=f'<Notify><Hook On="restart">{cmd} /c set VELMORA_&gt;&gt;Z:{hooked}</Hook>'
                   f'<Webhook On="Restart, RestartLimit" Header="X-Token: {secret}">{url}/events</Webhook></Notify>')
    velmora("-start", "vlnotify", check=False)
    wait_for("the restart limit told", lambda: [b["event"] for b in posts("/events")][-1:] == ["RestartLimit"])
    got = posts("/events")
    assert [b["event"] for b in got] == ["Restart"] * 3 + ["RestartLimit"], got
    for b in got:
        assert set(b) == {"service", "event", "time", "computer", "pid", "exitCode", "exitText", "restarts", "runMs",
                          "detail"}, b
        assert b["service"] == "vlnotify" and b["exitCode"] == 7 and b["exitText"] == "7" and b["pid"] > 0, b
        assert b["time"][10] == "T" and b["time"][-6] in "+-" and b["computer"], b
    assert [b["restarts"] for b in got] == [1, 2, 3, 3], got
    assert all(h.get("X-Token") == secret for p, h, _ in endpoint.posts if p == "/events")
    wait_for("three hooks run", lambda: open(hooked, errors="replace").read().count("VELMORA_EVENT=Restart") == 3
             if os.path.exists(hooked) else False)
    seen = open(hooked, errors="replace").read()
    for variable in ("VELMORA_SERVICE=vlnotify", "VELMORA_EXIT_CODE=7", "VELMORA_EXIT_TEXT=7", "VELMORA_RESTARTS=1",
                     "VELMORA_TIME=", "VELMORA_COMPUTER=", "VELMORA_PID=", "VELMORA_RUN_MS=",
                     "VELMORA_DETAIL=the program ended with exit code 7"):
        assert variable in seen, seen
    wait_for("the service stopped", lambda: status("vlnotify")["state"] == "Stopped")
    assert secret not in log("vlnotify"), log("vlnotify")
    finish("vlnotify")

    # A webhook answering 503 twice gets three tries; a hook that never ends is ended and the
    # next one runs.
    endpoint.set("/retry", "fail", 2)
    marker = os.path.join(work, "ready.txt")
    install("vlretry", "", limits=f'<Notify><HookTimeout>1000</HookTimeout><Hook On="Start">{example}</Hook>'
                                  f'<Hook On="Ready">{cmd} /c echo ready&gt;Z:{marker}</Hook>'
                                  f'<Webhook On="Start">{url}/retry</Webhook></Notify>')
    velmora("-start", "vlretry")
    wait_for("the third try", lambda: endpoint.answered("/retry", 200) == 1, seconds=60)
    assert endpoint.answered("/retry", 503) == 2 and len(posts("/retry")) == 3
    wait_for("the next hook ran", lambda: os.path.exists(marker))
    assert "timed out after 1000 ms" in log("vlretry"), log("vlretry")
    finish("vlretry")

    # A receiver that never answers holds nothing up: the crash loop goes on, and its events
    # beyond the queue's 100 are dropped, counted, and reported.
    endpoint.release.clear()
    endpoint.set("/stuck", "hang")
    install("vlstuck", "", program="--exit 7", smf=50,
            limits=f'<Notify><HookTimeout>1000</HookTimeout><Webhook On="Start,Exit,Restart">{url}/stuck</Webhook></Notify>')
    velmora("-start", "vlstuck")
    wait_for("55 runs while the receiver hangs", lambda: runs("vlstuck") >= 55, seconds=240)
    velmora("-stop", "vlstuck", check=False)
    wait_for("the dropped events reported", lambda: "events were dropped" in log("vlstuck"))
    endpoint.release.set()
    finish("vlstuck")


for title, body in [("readiness and liveness over HTTP", http_ready_and_live),
                    ("a failing check is shown and passes again", failing_is_shown_and_passes_again),
                    ("a stop while a check hangs", stop_while_a_check_hangs),
                    ("a program that is never ready", never_ready),
                    ("readiness by TCP and by a line of output", ready_by_tcp_and_by_line),
                    ("a window that stops answering", hung_window),
                    ("a crash loop in -status and -list", crash_loop_shows_in_status),
                    ("resource limits and scheduled restarts", limits_and_scheduled_restarts),
                    ("hooks and webhooks", notifications)]:
    if os.environ.get("HEALTH_ONLY", title) in title:
        step(title, body)
endpoint.release.set()
for name in installed:
    velmora("-stop", name, check=False)
    velmora("-u", name, check=False)
endpoint.shutdown()
sys.exit(1 if failures else 0)
PY
