#!/usr/bin/env bash
# The recipes of examples/ as an administrator uses them: each installed from the installation
# folder under Wine, with stand-ins at the paths it names (node.exe, java.exe, python.exe, the
# batch file), started, seen running and ready with its output in its log, exported back to the
# recipe itself (its comments aside), stopped by Ctrl-C and removed; the Node.js recipe by the
# commands of the README's quick start, as written there. Then relative paths: taken from the
# folder of Velmora.exe at install as when the service runs, whatever the current folder.
# Usage: recipes-test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
. "$(dirname "$0")/../wine/wine-env.sh" "$build"
work=$(mktemp -d)
install="$WINEPREFIX/drive_c/Program Files/Velmora"
if [ -e "$install" ]; then
  echo "FAILED: $install is there already; the recipes are tried in an installation of their own"
  exit 1
fi
trap 'rm -rf "$work" "$install" "$WINEPREFIX/drive_c/Apps" "$WINEPREFIX/drive_c/Program Files/nodejs" \
  "$WINEPREFIX/drive_c/Program Files/Java" "$WINEPREFIX/drive_c/Python312"' EXIT
mkdir -p "$install/examples"
for f in Quillon.dll Velmora.exe Velmora.dtd libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
  [ -f "$build/bin/$f" ] && cp "$build/bin/$f" "$install/"
done
cp "$source"/examples/*.xml "$install/examples/"
PYTHONPATH="$(dirname "$0")/../wine" python3 - "$VELMORA_WINE" "$install" "$WINEPREFIX/drive_c" \
  "$build/bin/recipe_standin.exe" "$work" "$source/README.md" <<'PY'
import json, os, re, shutil, subprocess, sys
from steps import failures, step, wait_for

wine, install, drive_c, standin, work, readme = sys.argv[1:7]
host = "C:\\Program Files\\Velmora"


def velmora(*args, cwd=install, check=True):
    run = subprocess.run([wine, os.path.join(install, "Velmora.exe"), *args], cwd=cwd, capture_output=True,
                         timeout=300)
    run.stdout, run.stderr = (run.stdout.decode("utf-8", "replace"), run.stderr.decode("utf-8", "replace"))
    if check and run.returncode != 0:
        raise AssertionError(f"Velmora {' '.join(args)}: exit {run.returncode}\n{run.stdout}{run.stderr}")
    return run


def unix(windows_path):
    assert windows_path[:3].upper() == "C:\\", windows_path
    return os.path.join(drive_c, *windows_path[3:].split("\\"))


def text(path):
    try:
        return open(path, encoding="utf-8", errors="replace").read()
    except FileNotFoundError:
        return ""


def status(name):
    return json.loads(velmora("-status", name, "-json", check=False).stdout)


def element(xml, name):
    found = re.search(f"<{name}>([^<]*)</{name}>", xml)
    return found.group(1) if found else ""


def without_comments(xml):
    lines = re.sub(r"<!--.*?-->", "", xml, flags=re.S).replace("\r\n", "\n").split("\n")
    return "\n".join(line for line in lines if line.strip()) + "\n"


def quick_start(name):
    """Runs the README's quick-start commands as written, in one command prompt, each checked."""
    guide = open(readme, encoding="utf-8").read()
    block = re.search(r"```bat\n(cd /d [^`]*Velmora.exe -i examples\\node-server.xml[^`]*)```", guide).group(1)
    lines = block.strip().split("\n")
    # Wine's cmd opens a file for `type` without sharing it for writing, which the service's open
    # log then refuses; Windows' cmd shares it. Its log is read here instead.
    shown_logs = [line[5:] for line in lines if line.startswith("type ")]
    lines = [line for line in lines if not line.startswith("type ")]
    script = "@echo off\r\n" + "".join(f"{line}\r\nif errorlevel 1 exit /b {i + 1}\r\n" for i, line in enumerate(lines))
    open(os.path.join(work, "quick.cmd"), "w").write(script)
    run = subprocess.run([wine, "cmd", "/c", "Z:" + os.path.join(work, "quick.cmd")], capture_output=True, timeout=300)
    shown = run.stdout.decode("utf-8", "replace") + run.stderr.decode("utf-8", "replace")
    assert run.returncode == 0, f"the quick start failed at: {lines[run.returncode - 1] if 0 < run.returncode <= len(lines) else run.returncode}\n{shown}"
    assert "Running" in shown, shown
    for log in shown_logs:
        wait_for(log + " holds the server's first line", lambda: "standin: started" in text(unix(log)))
    print(shown)


def recipe(file):
    xml = open(os.path.join(install, "examples", file), encoding="utf-8").read()
    name, executable = element(xml, "Name"), element(xml, "Executable")
    for variable, value in re.findall(r'<Variable Name="([^"]+)">([^<]*)</Variable>', xml):
        executable = executable.replace(f"%{variable}%", value)
    folder, log = element(xml, "WorkingDir"), element(xml, "OutputLocation")
    os.makedirs(unix(folder), exist_ok=True)
    os.makedirs(os.path.dirname(unix(executable)), exist_ok=True)
    if executable.endswith(".cmd"):
        # The script of the recipe: its first line, then a program that runs until the stop.
        shutil.copy(standin, os.path.join(unix(folder), "standin.exe"))
        open(unix(executable), "w", newline="\r\n").write("@echo off\necho sync loop started\nstandin.exe\n")
        said = "sync loop started"
    else:
        shutil.copy(standin, unix(executable))
        said = "standin: started with " + element(xml, "Parameters")
    try:
        if file == "node-server.xml":
            quick_start(name)
            again = velmora("-update", "examples\\" + file)
            assert "unchanged" in again.stdout + again.stderr, again.stdout + again.stderr
            # The README's upgrade by hand: its services stopped and recorded, then started again.
            velmora("-stopall")
            assert status(name)["state"] == "Stopped" and name in text(os.path.join(install, "StoppedForUpgrade.txt"))
            velmora("-startstopped")
            assert status(name)["state"] == "Running" and not os.path.exists(os.path.join(install, "StoppedForUpgrade.txt"))
        else:
            velmora("-i", "examples\\" + file)
            velmora("-start", name)
        s = status(name)
        assert s["state"] == "Running" and s["ready"] is True and s["account"] == f"NT SERVICE\\{name}", s
        wait_for("its output in " + log, lambda: said in text(unix(log)))
        exported = velmora("-export", name).stdout.replace("\r\n", "\n")
        assert exported == without_comments(xml), f"exported:\n{exported}\nrecipe:\n{without_comments(xml)}"
        velmora("-stop", name)
        if not executable.endswith(".cmd"):
            assert "standin: shutdown on Ctrl-C" in text(unix(log)), text(unix(log))
    finally:
        velmora("-stop", name, check=False)
        velmora("-u", name, check=False)


for file in sorted(f for f in os.listdir(os.path.join(install, "examples")) if f.endswith(".xml")):
    step("the recipe " + file, lambda: recipe(file))


def relative_paths():
    folder = os.path.join(install, "relative")
    os.makedirs(folder)
    shutil.copy(standin, os.path.join(folder, "standin.exe"))
    shutil.copy(standin, os.path.join(work, "here.exe"))
    shutil.copy(os.path.join(install, "Velmora.dtd"), work)

    def definition(name, program):
        path = os.path.join(work, name + ".xml")
        open(path, "w", encoding="utf-8").write(f"""<?xml version="1.0" encoding="UTF-8" standalone="no" ?>
<!DOCTYPE Service SYSTEM "Velmora.dtd">
<Service>
 <Program><Name>{name}</Name><DisplayName>{name}</DisplayName><WorkingDir>relative</WorkingDir>
  <Executable>{program}</Executable><ConsoleApp>true</ConsoleApp></Program>
 <Options><StartUpMode>0</StartUpMode><InteractWithDesktop>false</InteractWithDesktop></Options>
 <Output><OutputLocation>relative\\out.log</OutputLocation></Output>
 <Health><ReadyCheck>line:standin: started</ReadyCheck></Health>
</Service>
""")
        return "Z:" + path

    # Installed from another folder: the paths are checked where the service will take them.
    installed = velmora("-i", definition("vlrelative", "relative\\standin.exe"), cwd=work)
    note = ('Note: the service program "relative\\standin.exe" is a relative path: the service takes it from the '
            f'folder of Velmora.exe, as {host}\\relative\\standin.exe.')
    assert note in installed.stdout.splitlines(), installed.stdout
    assert f'as {host}\\relative\\out.log.' in installed.stdout, installed.stdout
    try:
        query = subprocess.run([wine, "reg.exe", "query", r"HKLM\SYSTEM\CurrentControlSet\Services\vlrelative\Parameters",
                                "/v", "ServiceExe"], capture_output=True, text=True, timeout=60).stdout
        assert "relative\\standin.exe" in query and "VelmoraRecipes" not in query, query
        velmora("-start", "vlrelative", cwd=work)
        wait_for("the output in the folder of Velmora.exe",
                 lambda: "standin: started" in text(os.path.join(folder, "out.log")))
    finally:
        velmora("-stop", "vlrelative", check=False)
        velmora("-u", "vlrelative", check=False)
    # A program only in the current folder is not the one the service would run: refused, named.
    refused = velmora("-i", definition("vlhere", "here.exe"), cwd=work, check=False)
    assert refused.returncode == 1 and f"as {host}\\here.exe." in refused.stdout, refused.stdout + refused.stderr
    assert "application binary is invalid" in refused.stdout, refused.stdout


step("relative paths are taken from the folder of Velmora.exe", relative_paths)
print(f"{len(failures)} failed" if failures else "all passed")
sys.exit(1 if failures else 0)
PY
