#!/usr/bin/env python3
"""The wizard and kvtool end to end, as a user runs them on the demo machine of `make demo`:
quellit-setup --unattended, then kvtool layout, base and base-item on the updated product.

    end-to-end.py SETUP KVTOOL WORK

SETUP ending in ".exe" is the Windows build: it runs under Wine in a fresh prefix in WORK, from a
program folder on the prefix's drive C, with the product's uninstall entry in the prefix's 32-bit
registry view and the prefix's own profile folders and desktop. Otherwise the Linux build runs on
a sandbox in WORK (registry file, special folders moved by the environment).

Everything the programs write is compared byte for byte with fixtures/EndToEnd, which holds it
with the parts that belong to one machine and one run written as names: the sandbox's folders
(@DOCUMENTS@ and the like), the backup stamps (@STAMP@) and fresh identifiers (@UID@). Paths in
the fixtures use "\\" as the product's platform does, so both builds are held to the same bytes.
QUELLIT_UPDATE_FIXTURES=1 writes the fixtures from this run instead of comparing (review them).
"""
import difflib
import hashlib
import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

SOURCE_ROOT = Path(__file__).resolve().parents[2]
FIXTURES = Path(__file__).resolve().parent / "fixtures" / "EndToEnd"
PE_FIXTURE = SOURCE_ROOT / "tests/Lib/Common/fixtures/FileVersion/full.exe"  # version 8.1.2.3
UNINSTALL_KEY = ("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                 "{00A00000-0001-458F-9B85-800000003201}_is1")
PRODUCT_FOLDER = "Orvant\\Korvel 8\\Client"
USER_PRODUCT = "Корвел"
SHORTCUTS = ["Нормативные базы", "readme.txt"]
# The shell link's class and header size, at the start of every .lnk file.
LNK_HEADER = bytes.fromhex("4c000000" "0114020000000000c000000000000046")

failures = []


def check(name, actual: bytes):
    expected_file = FIXTURES / name
    if os.environ.get("QUELLIT_UPDATE_FIXTURES") == "1":
        FIXTURES.mkdir(parents=True, exist_ok=True)
        expected_file.write_bytes(actual)
        return
    expected = expected_file.read_bytes()
    if actual != expected:
        failures.append(f"{name} differs from {expected_file}")
        text = [readable(b).splitlines(keepends=True) for b in (expected, actual)]
        sys.stderr.writelines(difflib.unified_diff(text[0], text[1], "expected " + name, "actual " + name))


def readable(data: bytes) -> str:
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError:
        return data.decode("cp1251", "replace")  # the options files


class Machine:
    """Where the programs run: the folders they use, in their own spelling and as Linux paths."""

    def __init__(self, work: Path):
        self.work = work

    # A native path of the program's side, as the programs print it.
    def native(self, path: Path) -> str:
        raise NotImplementedError

    def separators(self, text: str) -> str:
        return text

    # Text with every root of the machine written as its name, paths with "\".
    def normalise(self, text: str, paths_only_in=None) -> str:
        for native, name in sorted(self.roots.items(), key=lambda r: -len(r[0])):
            text = text.replace(native, name)
        text = self.separators(text) if paths_only_in is None else paths_only_in(text)
        # The stamp in the user's (Russian) forms: short date, long time unless it is midnight.
        text = re.sub(r"(QuellitBackup\\)\d{1,2}\.\d{1,2}\.\d{4}(?: \d{1,2}-\d{2}-\d{2})?", r"\1@STAMP@", text)
        return text


class LinuxMachine(Machine):
    def __init__(self, work: Path, setup: str, kvtool: str):
        super().__init__(work)
        self.setup, self.kvtool = setup, kvtool
        for folder in ["AppData", "CommonAppData", "Documents", "Desktop", "Runtime", "Tmp",
                       "Product/Client", "Program"]:
            (work / folder).mkdir(parents=True)
        os.chmod(work / "Runtime", 0o700)
        self.install = work / "Product"
        self.program = work / "Program"
        self.appdata = work / "AppData"
        self.common_appdata = work / "CommonAppData"
        self.documents = work / "Documents"
        self.desktop = work / "Desktop"
        (work / "registry.reg").write_text(
            "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\"
            + UNINSTALL_KEY.replace("SOFTWARE\\", "SOFTWARE\\WOW6432Node\\", 1)
            + f"]\n\"InstallLocation\"=\"{self.install}\"\n\n", encoding="utf-8")
        self.environment = dict(os.environ, QUELLIT_REGISTRY=str(work / "registry.reg"),
                                XDG_DOCUMENTS_DIR=str(self.documents), XDG_CONFIG_HOME=str(self.appdata),
                                QUELLIT_COMMON_APPDATA=str(self.common_appdata),
                                XDG_DESKTOP_DIR=str(self.desktop), XDG_RUNTIME_DIR=str(work / "Runtime"),
                                TMPDIR=str(work / "Tmp"), LC_ALL="ru_RU.UTF-8")
        self.shortcut_extension = ".desktop"

    def native(self, path: Path) -> str:
        return str(path)

    def separators(self, text: str) -> str:
        return text.replace("/", "\\")

    def run_setup(self, log: Path):
        return self.run([self.setup, "--unattended", "--setup-dir", str(self.program), "--log", str(log)])

    def run_kvtool(self, arguments):
        return self.run([self.kvtool] + arguments)

    def run(self, command):
        return subprocess.run(command, env=self.environment, capture_output=True, stdin=subprocess.DEVNULL)

    def stop(self):
        pass


class WineMachine(Machine):
    def __init__(self, work: Path, setup: str, kvtool: str):
        super().__init__(work)
        self.prefix = work / "wineprefix"
        self.environment = dict(os.environ, QUELLIT_WINEPREFIX=str(self.prefix), WINEPREFIX=str(self.prefix),
                                WINEDEBUG="-all")
        if not self.environment.get("QUELLIT_LOCPATH"):
            # Wine needs a UTF-8 locale to name files in Cyrillic.
            locale = work / "locale"
            subprocess.run(["localedef", "-i", "ru_RU", "-f", "UTF-8", str(locale / "ru_RU.UTF-8")],
                           capture_output=True)
            self.environment["QUELLIT_LOCPATH"] = str(locale)
        subprocess.run([str(SOURCE_ROOT / "scripts/wine-prefix.sh"), str(self.prefix)], env=self.environment,
                       check=True)
        drive_c = self.prefix / "drive_c"
        profile = self.wine_text(["cmd", "/c", "echo", "%USERPROFILE%"])
        self.user_profile = drive_c / profile.split("\\", 1)[1].replace("\\", "/")
        self.install = drive_c / "Program Files (x86)/Orvant/Korvel 8"
        self.program = drive_c / "QuellitSetup"
        self.appdata = self.user_profile / "AppData/Roaming"
        self.common_appdata = drive_c / "ProgramData"
        self.documents = self.user_profile / "Documents"
        self.desktop = self.user_profile / "Desktop"
        (self.install / "Client").mkdir(parents=True)
        self.program.mkdir()
        # The program runs from its own folder, beside its payload, as users start it.
        shutil.copy(setup, self.program / "quellit-setup.exe")
        self.kvtool = kvtool
        self.wine_check(["reg", "add", "HKLM\\" + UNINSTALL_KEY, "/v", "InstallLocation", "/d",
                         self.native(self.install), "/reg:32", "/f"])
        self.shortcut_extension = ".lnk"

    def native(self, path: Path) -> str:
        relative = path.relative_to(self.prefix / "drive_c")
        return "C:\\" + str(relative).replace("/", "\\")

    def wine(self, command):
        return subprocess.run([str(SOURCE_ROOT / "scripts/wine-run.sh")] + command, env=self.environment,
                              capture_output=True, stdin=subprocess.DEVNULL)

    def wine_check(self, command):
        result = self.wine(command)
        if result.returncode != 0:
            sys.exit(f"end-to-end: {command} failed: {result.stderr.decode('utf-8', 'replace')}")

    def wine_text(self, command):
        result = self.wine(command)
        return result.stdout.decode("utf-8").strip()

    def run_setup(self, log: Path):
        return self.wine([self.native(self.program / "quellit-setup.exe"), "--unattended", "--log",
                          self.native(log)])

    def run_kvtool(self, arguments):
        return self.wine([self.kvtool] + arguments)

    def stop(self):
        subprocess.run(["wineserver", "-k"], env=self.environment, capture_output=True)


def make_machine(setup, kvtool, work):
    if work.exists():
        # An earlier run's prefix may still have its server.
        if (work / "wineprefix").exists():
            subprocess.run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=str(work / "wineprefix")),
                           capture_output=True)
        shutil.rmtree(work)
    work.mkdir(parents=True)
    machine = (WineMachine if setup.endswith(".exe") else LinuxMachine)(work, setup, kvtool)
    machine.client_data = machine.common_appdata / PRODUCT_FOLDER.replace("\\", "/")
    machine.user_product = machine.documents / USER_PRODUCT
    machine.settings = machine.appdata / PRODUCT_FOLDER.replace("\\", "/") / "Settings"
    machine.roots = {machine.native(path): name for path, name in [
        (machine.appdata, "@APPDATA@"), (machine.common_appdata, "@COMMON_APPDATA@"),
        (machine.documents, "@DOCUMENTS@"), (machine.desktop, "@DESKTOP@"),
        (machine.install, "@INSTALL@"), (machine.program, "@PROGRAM@")]}
    return machine


def write_demo_machine(machine):
    shutil.copy(PE_FIXTURE, machine.install / "Client/KVeska.exe")
    subprocess.run(["bash", "-c", 'source "$0"; demo_product "$1" "$2"; demo_payload "$3"',
                    str(SOURCE_ROOT / "scripts/demo-payload.sh"), str(machine.client_data),
                    str(machine.user_product), str(machine.program)], check=True)


def listing(machine, folder: Path, skip_backups: bool) -> str:
    """Every file below the folder with its bytes (a digest for large ones), in a fixed order."""
    lines = []
    for path in sorted(p for p in folder.rglob("*") if p.is_file()):
        relative = path.relative_to(folder)
        if skip_backups and relative.parts[0] == "QuellitBackup":
            continue
        content = path.read_bytes()
        if path.suffix == ".journal":
            shown = "(the run's journal)"  # the update's own record, in the platform's path forms
        else:
            try:
                shown = content.decode("utf-8").replace("\n", "\\n").replace("\r", "\\r")
            except UnicodeDecodeError:
                shown = "sha256 " + hashlib.sha256(content).hexdigest()
        lines.append(machine.normalise(machine.native(path)) + "\t" + shown)
    # Sorted once more after the stamps became @STAMP@, whose real order depends on the clock.
    return "\n".join(sorted(lines)) + "\n"


def xml_paths(machine):
    """Separators inside Address="..." only: the rest of an XML file keeps its slashes."""
    return lambda text: re.sub(r'Address="[^"]*"', lambda m: machine.separators(m.group(0)), text)


def file_bytes(path: Path) -> bytes:
    try:
        return path.read_bytes()
    except OSError as error:
        failures.append(f"cannot read {path}: {error.strerror}")
        return b""


def xml_file(machine, path: Path) -> bytes:
    text = file_bytes(path).decode("cp1251", "surrogateescape")
    text = machine.normalise(text, paths_only_in=xml_paths(machine))
    text = re.sub(r'InstanceUID="[0-9A-F]{32}"', 'InstanceUID="@UID@"', text)
    return text.encode("cp1251", "surrogateescape")


def output(machine, result) -> bytes:
    return machine.normalise(result.stdout.decode("utf-8", "surrogateescape")).encode("utf-8", "surrogateescape")


def check_shortcuts(machine):
    names = sorted(p.name for p in machine.desktop.iterdir()) if machine.desktop.is_dir() else []
    expected = sorted(name + machine.shortcut_extension for name in SHORTCUTS)
    if names != expected:
        failures.append(f"desktop holds {names}, expected {expected}")
        return
    if machine.shortcut_extension != ".lnk":
        return
    # A real shell link whose working folder is the product's copy of the entry's folder.
    for name, folder in [("Нормативные базы", machine.user_product), ("readme.txt", machine.user_product / "Docs")]:
        link = (machine.desktop / (name + ".lnk")).read_bytes()
        working = (machine.native(folder) + "\\").encode("utf-16-le")
        if not link.startswith(LNK_HEADER):
            failures.append(f"{name}.lnk is not a shell link")
        elif working.rstrip(b"\\\0") not in link:
            failures.append(f"{name}.lnk does not name {machine.native(folder)}")


def main():
    setup, kvtool, work = sys.argv[1], sys.argv[2], Path(sys.argv[3]).resolve()
    machine = make_machine(setup, kvtool, work)
    try:
        run_programs(machine)
    finally:
        machine.stop()
    for failure in failures:
        print("end-to-end: " + failure, file=sys.stderr)
    return 1 if failures else 0


def run_programs(machine):
    write_demo_machine(machine)

    log = machine.program / "setup.log"
    run = machine.run_setup(log)
    if run.returncode != 0:
        failures.append(f"quellit-setup ended with status {run.returncode}: "
                        f"{run.stderr.decode('utf-8', 'replace')}")
    check("setup.log", output(machine, run))
    if file_bytes(log) != run.stdout:
        failures.append("the --log file differs from the status log on standard output")
    check("setup.err", machine.normalise(run.stderr.decode("utf-8", "surrogateescape")).encode("utf-8", "surrogateescape"))
    check("products.txt", (listing(machine, machine.client_data, True) +
                           listing(machine, machine.user_product, True)).encode())
    check("backups.txt", (listing(machine, machine.client_data / "QuellitBackup", False) +
                          listing(machine, machine.user_product / "QuellitBackup", False)).encode())
    check_shortcuts(machine)
    check("Connections.xml", xml_file(machine, machine.settings / "Connections.xml"))
    check("CommonSetting.xml", xml_file(machine, machine.settings / "CommonSetting.xml"))

    layout = machine.run_kvtool(["layout"])
    if layout.returncode != 0:
        failures.append(f"kvtool layout ended with status {layout.returncode}")
    check("layout.txt", output(machine, layout))
    base = machine.run_kvtool(["base", machine.native(machine.client_data / "Data/Москва.kvd8")])
    if base.returncode != 0:
        failures.append(f"kvtool base ended with status {base.returncode}")
    check("base.txt", output(machine, base))
    # Bytes as they are: its line feeds and CR LF pairs come out unchanged.
    item = machine.run_kvtool(["base-item", machine.native(machine.client_data / "Data/Москва.kvd8"), "Data"])
    if item.returncode != 0:
        failures.append(f"kvtool base-item ended with status {item.returncode}")
    check("base-item.bin", item.stdout)


if __name__ == "__main__":
    sys.exit(main())
