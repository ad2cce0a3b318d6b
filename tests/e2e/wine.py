"""Runs Windows programs under Wine in a scenario's own prefix and reads their windows.

A scenario's prefix is an overlay of the template prefix (or, where overlays cannot be mounted, a
copy of it). Programs run with the environment of scripts/lib/wine-env.sh. Windows are read and
buttons pressed by dialog-driver.exe, which runs in the same prefix on the same display.
"""

from __future__ import annotations

import json
import os
import shutil
import signal
import struct
import subprocess
import time
import zlib
from dataclasses import dataclass
from pathlib import Path, PureWindowsPath

REPO = Path(__file__).resolve().parents[2]
WINE_ENV_SCRIPT = REPO / "scripts" / "lib" / "wine-env.sh"

# Exit codes of dialog-driver.exe.
DRIVER_FOUND = 0
DRIVER_TIMEOUT = 2
DRIVER_NO_BUTTON = 4

DIALOG_CLASS = "#32770"  # window class of dialogs and message boxes

PROCESS_TIMEOUT = 60  # seconds a program may run before the scenario fails


def wine_environment(prefix: Path) -> dict[str, str]:
    """The environment that wine_env in scripts/lib/wine-env.sh sets up for the prefix."""
    dump = subprocess.run(
        ["bash", "-c", '. "$0" && wine_env "$1" && env -0', str(WINE_ENV_SCRIPT), str(prefix)],
        check=True, stdout=subprocess.PIPE, stdin=subprocess.DEVNULL).stdout
    return dict(entry.split("=", 1) for entry in dump.decode().split("\0") if "=" in entry)


def windows_path(path: Path) -> str:
    """A Unix path as Wine's drive Z: shows it."""
    return "Z:" + str(path).replace("/", "\\")


# --- Prefixes -----------------------------------------------------------------------------------

def create_prefix_layer(template: Path, folder: Path) -> Path:
    """Makes folder/prefix a writable view of the template: an overlay mount where possible (a
    hundredth of a second), otherwise a full copy (seconds). Returns the prefix folder."""
    prefix = folder / "prefix"
    upper, work = folder / "upper", folder / "work"
    for path in (prefix, upper, work):
        path.mkdir(parents=True)
    mounted = subprocess.run(
        ["mount", "-t", "overlay", "overlay", "-o",
         f"lowerdir={template},upperdir={upper},workdir={work}", str(prefix)],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL).returncode == 0
    if not mounted:
        prefix.rmdir()
        subprocess.run(["cp", "-a", "--reflink=auto", str(template), str(prefix)], check=True)
    return prefix


def remove_prefix_layer(folder: Path) -> None:
    """Ends the processes of the prefix made by create_prefix_layer, unmounts it if it is an
    overlay and removes the folder."""
    prefix = folder / "prefix"
    kill_processes(prefix)
    if os.path.ismount(prefix):
        for _ in range(20):
            if subprocess.run(["umount", str(prefix)], stderr=subprocess.DEVNULL).returncode == 0:
                break
            time.sleep(0.1)  # a process of the prefix is still closing its files
        else:
            subprocess.run(["umount", "-l", str(prefix)], check=True)
    shutil.rmtree(folder)


def kill_processes(prefix: Path) -> None:
    """Kills every process running in the prefix, its Wine server included. Wine gives each of
    them the WINEPREFIX of the program that started it. The server is not asked to stop, since
    it would first save the registry of a prefix that is thrown away."""
    marker = f"WINEPREFIX={prefix}".encode()
    for entry in Path("/proc").iterdir():
        try:
            if entry.name.isdigit() and marker in (entry / "environ").read_bytes().split(b"\0"):
                os.kill(int(entry.name), signal.SIGKILL)
        except OSError:
            pass  # the process has ended meanwhile


# --- Windows as the dialog driver reports them ----------------------------------------------------

@dataclass(frozen=True)
class Control:
    id: int
    class_name: str
    text: str
    visible: bool
    enabled: bool
    icon: str | None  # system icon shown by an icon control: "error", "warning", ... or "other"
    items: tuple[str, ...] = ()  # a list box's entries
    selected: int = -1  # a list box's selected entry


@dataclass(frozen=True)
class Window:
    caption: str
    class_name: str
    controls: tuple[Control, ...]

    @classmethod
    def from_json(cls, text: str) -> Window:
        data = json.loads(text)
        controls = tuple(Control(c["id"], c["class"], c["text"], c["visible"], c["enabled"], c.get("icon"),
                                 tuple(c.get("items", ())), c.get("selected", -1))
                         for c in data["controls"])
        return cls(data["caption"], data["class"], controls)

    def control(self, control_id: int) -> Control:
        """The control with that id."""
        return next(c for c in self.controls if c.id == control_id)

    def visible_controls(self, class_name: str) -> list[Control]:
        return [c for c in self.controls if c.visible and c.class_name.lower() == class_name.lower()]

    @property
    def texts(self) -> list[str]:
        """The texts of the visible static controls that have one, in order."""
        return [c.text for c in self.visible_controls("Static") if c.text]

    @property
    def buttons(self) -> list[str]:
        return [c.text for c in self.visible_controls("Button")]

    @property
    def icons(self) -> list[str]:
        return [c.icon for c in self.visible_controls("Static") if c.icon]


def png_from_bitmap(bitmap: bytes) -> bytes:
    """Converts the driver's screenshot (a 32-bit top-down BMP) to an RGB PNG."""
    offset, = struct.unpack_from("<I", bitmap, 10)
    width, height = struct.unpack_from("<ii", bitmap, 18)
    height = -height
    rows = []
    for y in range(height):
        bgrx = bitmap[offset + 4 * width * y: offset + 4 * width * (y + 1)]
        rgb = bytearray(3 * width)
        rgb[0::3], rgb[1::3], rgb[2::3] = bgrx[2::4], bgrx[1::4], bgrx[0::4]
        rows.append(b"\0" + bytes(rgb))  # filter type 0 before each row

    def chunk(kind: bytes, data: bytes) -> bytes:
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)  # 8-bit RGB
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(b"".join(rows))) + chunk(b"IEND", b""))


# --- A scenario's prefix --------------------------------------------------------------------------

class Scenario:
    """Runs programs in one scenario's prefix. Every process started is stopped by stop()."""

    def __init__(self, prefix: Path, scratch: Path, artifacts: Path, name: str, driver: Path):
        self.prefix = prefix
        self.env = wine_environment(prefix)
        self._scratch = scratch
        self._artifacts = artifacts
        self._name = name
        self._driver = driver
        self._processes: list[subprocess.Popen] = []
        self._screenshots = 0

    @property
    def log(self) -> Path:
        """Everything the scenario's programs wrote on stdout and stderr."""
        return self._artifacts / f"{self._name}.log"

    def put_file(self, source: Path, target: str) -> str:
        """Copies a file to a Windows path on drive C: of the prefix; returns that path."""
        path = PureWindowsPath(target)
        assert path.drive.upper() == "C:", target
        destination = self.prefix.joinpath("drive_c", *path.parts[1:])
        destination.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(source, destination)
        return target

    def start(self, program: str | Path, *args: str, stdout: Path | None = None) -> subprocess.Popen:
        """Starts a program in the background; its output goes to the scenario's log (stdout to
        the file given, if any). Wine's output never goes to a pipe: programs that the Wine
        server starts keep pipes open after the program ends."""
        command = [self.env.get("WINE", "wine"), str(program), *args]
        with open(self.log, "ab") as log, open(stdout or os.devnull, "wb") as report:
            log.write(f"$ {subprocess.list2cmdline(command)}\n".encode())
            log.flush()
            process = subprocess.Popen(command, env=self.env, cwd=self._scratch, stdin=subprocess.DEVNULL,
                                       stdout=report if stdout else log, stderr=log)
        self._processes.append(process)
        return process

    def keep_server(self) -> None:
        """Starts the prefix's Wine server so that it stays until the scenario ends. A server that
        ended after a program (a few seconds without one) is started anew by the next program, and
        Wine boots the prefix again: the boot carries out the pending file rename list, which a
        scenario that reads that list must not see happen."""
        subprocess.run(["wineserver", "-p"], env=self.env, check=True, stdin=subprocess.DEVNULL)

    def wait(self, process: subprocess.Popen, timeout: float = PROCESS_TIMEOUT) -> int:
        """The exit code of a started program; the scenario fails if it runs longer."""
        try:
            return process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"{process.args} still runs after {timeout} s") from None

    def run(self, program: str | Path, *args: str, timeout: float = PROCESS_TIMEOUT) -> int:
        """Runs a program to its end; returns its exit code."""
        return self.wait(self.start(program, *args), timeout)

    def read_window(self, exe_name: str, timeout: float = 30, press_id: int | None = None,
                    press_text: str | None = None, window_class: str | None = None,
                    with_text: str | None = None, set_text: tuple[int, str] | None = None,
                    select: tuple[int, int] | None = None, scroll_bottom: int | None = None,
                    screenshot: str | None = None) -> Window | None:
        """The window that a process of the executable named shows, of the class given if any
        (DIALOG_CLASS for dialogs and message boxes) and with a control whose text contains
        `with_text` if given, after typing `set_text` (control id,
        text) into it, selecting `select` (list id, index) and scrolling the text `scroll_bottom`
        to its end, as read before pressing the button given by id or text, if any. None if no
        window appears within the timeout, or the program ends without one. A screenshot of it is
        kept among the artefacts, named `screenshot` if given."""
        self._screenshots += 1
        suffix = f"-{self._screenshots}" if self._screenshots > 1 else ""
        bitmap = self._scratch / f"window{suffix}.bmp"
        report = self._scratch / f"window{suffix}.json"
        args = ["--exe", exe_name, "--timeout", str(timeout), "--screenshot", windows_path(bitmap)]
        if press_id is not None:
            args += ["--press-id", str(press_id)]
        if press_text is not None:
            args += ["--press-text", press_text]
        if window_class is None and (press_id is not None or press_text is not None):
            window_class = DIALOG_CLASS  # buttons to press are on dialogs, never on the backdrop
        if window_class is not None:
            args += ["--class", window_class]
        if with_text is not None:
            args += ["--with-text", with_text]
        if set_text is not None:
            args += ["--set-text", f"{set_text[0]}={set_text[1]}"]
        if select is not None:
            args += ["--select", f"{select[0]}={select[1]}"]
        if scroll_bottom is not None:
            args += ["--scroll-bottom", str(scroll_bottom)]
        code = self.wait(self.start(self._driver, *args, stdout=report), timeout + PROCESS_TIMEOUT)
        if code == DRIVER_TIMEOUT:
            return None
        assert code in (DRIVER_FOUND, DRIVER_NO_BUTTON), f"dialog-driver failed with exit code {code}"
        window = Window.from_json(report.read_text(encoding="utf-8"))
        if bitmap.exists():
            name = f"{self._name}-{screenshot}" if screenshot else f"{self._name}{suffix}"
            (self._artifacts / f"{name}.png").write_bytes(png_from_bitmap(bitmap.read_bytes()))
        button = press_text if press_id is None else press_id
        assert code == DRIVER_FOUND, f"no enabled button {button!r} in {window}"
        return window

    def stop(self) -> None:
        """Ends every process of the prefix and collects the ones started here."""
        kill_processes(self.prefix)
        for process in self._processes:
            process.wait()
