"""Startup of the installer stub: its command line, the usage message and the message for a stub
without installation data, run under Wine; and the stub's executable image as pefile reads it."""

from __future__ import annotations

import struct
from pathlib import PureWindowsPath

import pefile
import pytest

from wine import DIALOG_CLASS, Scenario, Window

USAGE = (
    "%s\r\n"
    "\r\n"
    "Usage:\r\n"
    "%s [/a] [/b1:\"commands\"] [/b2:\"commands\"] [/b3:\"commands\"]"
    " [/d:\"dir\"] [/n:\"name\"] [/u:\"name\"] [/r:\"program\"] [/silent]\r\n"
    "\r\n"
    "/a                  \tAutomatic mode.\r\n"
    "/d:\"dir\"        \tOverride installation path.\r\n"
    "/b1:\"commands\"\tAdd commands to the end of the Pre-Installation Batch.\r\n"
    "/b2:\"commands\"\tAdd commands to the end of the Post-Installation Batch.\r\n"
    "/b3:\"commands\"\tAdd commands to the end of the Installation-Exit Batch.\r\n"
    "/n:\"name\"\tOverride product name.\r\n"
    "/u:\"name\"\tUninstall product by name.\r\n"
    "/r:\"program\"\tRun the specified program after a successful installation.\r\n"
    "/silent\tDisplay no user interface."
)
NO_INSTALLATION_DATA = (
    "This program performs installations and uninstallations.\r\n"
    "There is no installation data present.\r\n"
    "No uninstallation parameters were specified.\r\n"
    "\r\n"
    "You should not delete this program or execute it directly."
)

IDOK = 1
# The stub copied under another name into a folder whose name has a space: the message must name
# the program as started, and the program path is the first atom of the command line.
SETUP_EXE = r"C:\Setup Files\setup.exe"
SETUP_NAME = PureWindowsPath(SETUP_EXE).name
NO_WINDOW_WAIT = 3  # seconds to watch for a window in silent mode


@pytest.fixture
def setup_exe(wine: Scenario, build) -> None:
    """The stub, copied into the scenario's prefix as SETUP_EXE."""
    wine.put_file(build.installer, SETUP_EXE)


def answer_message_box(wine: Scenario, args: list[str]) -> tuple[Window, int]:
    """Starts the stub, presses OK in the message box it shows; the box and the exit code."""
    process = wine.start(SETUP_EXE, *args)
    box = wine.read_window(SETUP_NAME, press_id=IDOK, window_class=DIALOG_CLASS)
    assert box is not None, "no window appeared"
    return box, wine.wait(process)


def assert_fatal_error(box: Window, exit_code: int, text: str) -> None:
    assert box.caption == "Error"
    assert box.texts == [text]
    assert box.icons == ["error"]
    assert box.buttons == ["OK"]
    assert exit_code == 1


@pytest.mark.usefixtures("setup_exe")
class TestUsageMessage:
    @pytest.mark.parametrize("args, reason", [
        pytest.param(["/x"], "Illegal command line atom:\r\n/x", id="unknown-switch"),
        pytest.param(["/b1:echo"], "Illegal command line atom:\r\n/b1:echo", id="batch-without-quote"),
        pytest.param(["/a"] * 18 + ["/x"], "Illegal command line atom:\r\n/x", id="nineteenth-atom"),
        pytest.param(["/x", "/silent"], "Illegal command line atom:\r\n/x", id="silent-after-it"),
        pytest.param(["foo"], "Unexpected command line parameter:\r\nfoo", id="not-a-switch"),
        pytest.param(["/u"], "Product name required", id="u"),
        pytest.param(["/uninstall"], "Product name required", id="uninstall"),
    ])
    def test_shows_usage_with_reason_and_exits_1(self, wine, args, reason):
        box, exit_code = answer_message_box(wine, args)
        assert_fatal_error(box, exit_code, USAGE % (reason, SETUP_NAME))


@pytest.mark.usefixtures("setup_exe")
class TestStubWithoutInstallationData:
    @pytest.mark.parametrize("args", [
        pytest.param([], id="no-arguments"),
        pytest.param(["/a"], id="automatic"),
        pytest.param(["-A", "/MIN", "/d:C:\\Tools\\", "/N:Tool"], id="legal-switches"),
        pytest.param(["/a"] * 19 + ["/x"], id="twentieth-atom-ignored"),
    ])
    def test_says_there_is_no_installation_data_and_exits_1(self, wine, args):
        box, exit_code = answer_message_box(wine, args)
        assert_fatal_error(box, exit_code, NO_INSTALLATION_DATA)


@pytest.mark.usefixtures("setup_exe")
class TestSilentMode:
    @pytest.mark.parametrize("args", [
        pytest.param(["/silent", "/x"], id="illegal-atom"),
        pytest.param(["-SILENT", "/u"], id="u-without-name"),
        pytest.param(["/Silent"], id="no-installation-data"),
    ])
    def test_fails_without_any_window_and_exits_1(self, wine, args):
        process = wine.start(SETUP_EXE, *args)
        window = wine.read_window(SETUP_NAME, timeout=NO_WINDOW_WAIT)
        assert window is None, f"a window appeared: {window}"
        assert wine.wait(process) == 1


# --- The stub's executable image ------------------------------------------------------------------

# DLLs that every Windows system has: the stub must not need anything else (a runtime DLL of the
# compiler, for instance).
# The loader takes these ("known DLLs") from the system folder whatever folder the program starts
# from; any other DLL imported statically would first be looked for beside the installer, in the
# user's download folder. Everything else is loaded at run time from the system folder.
KNOWN_DLLS = {
    "advapi32.dll", "comdlg32.dll", "gdi32.dll", "imm32.dll", "kernel32.dll", "msvcrt.dll", "ntdll.dll",
    "ole32.dll", "oleaut32.dll", "rpcrt4.dll", "sechost.dll", "setupapi.dll", "shell32.dll", "shlwapi.dll",
    "user32.dll", "ws2_32.dll",
}
RT_ICON = pefile.RESOURCE_TYPE["RT_ICON"]
RT_GROUP_ICON = pefile.RESOURCE_TYPE["RT_GROUP_ICON"]


@pytest.fixture(scope="module")
def stub(build) -> pefile.PE:
    return pefile.PE(str(build.shipped_installer))


def resources(pe: pefile.PE, kind: int) -> dict[int, bytes]:
    """The data of each resource of a kind by its id (first language)."""
    for type_entry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if type_entry.id == kind:
            return {entry.id: pe.get_data(entry.directory.entries[0].data.struct.OffsetToData,
                                          entry.directory.entries[0].data.struct.Size)
                    for entry in type_entry.directory.entries}
    return {}


def icon_image_size(image: bytes) -> tuple[int, int]:
    """Width and height of an icon image: a PNG, or a bitmap whose height counts its mask too."""
    if image.startswith(b"\x89PNG"):
        return struct.unpack_from(">II", image, 16)
    width, height = struct.unpack_from("<ii", image, 4)
    return width, height // 2


def group_icon_ids(group: bytes) -> list[int]:
    count, = struct.unpack_from("<H", group, 4)
    return [struct.unpack_from("<H", group, 6 + 14 * i + 12)[0] for i in range(count)]


class TestStubImage:
    def test_is_a_32_bit_windows_gui_program_without_installation_data(self, stub):
        assert stub.OPTIONAL_HEADER.Magic == 0x10B  # PE32
        assert stub.FILE_HEADER.Machine == pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"]
        assert stub.OPTIONAL_HEADER.Subsystem == pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_GUI"]
        assert b".setup" not in [section.Name.rstrip(b"\0") for section in stub.sections]

    def test_imports_only_dlls_the_loader_takes_from_the_system_folder(self, stub):
        entries = stub.DIRECTORY_ENTRY_IMPORT + getattr(stub, "DIRECTORY_ENTRY_DELAY_IMPORT", [])
        imported = {entry.dll.decode().lower() for entry in entries}
        assert imported - KNOWN_DLLS == set()

    def test_icon_1_has_16_and_32_pixel_images(self, stub):
        images = resources(stub, RT_ICON)
        group = resources(stub, RT_GROUP_ICON)[1]
        sizes = {icon_image_size(images[image_id]) for image_id in group_icon_ids(group)}
        assert {(16, 16), (32, 32)} <= sizes

    def test_version_is_42_1_2(self, stub):
        fixed = stub.VS_FIXEDFILEINFO[0]
        assert (fixed.FileVersionMS, fixed.FileVersionLS) == (42 << 16 | 1, 2 << 16)
        strings = {key: value for info in stub.FileInfo[0] if info.Key == b"StringFileInfo"
                   for table in info.StringTable for key, value in table.entries.items()}
        assert strings[b"FileVersion"] == b"42.1.2"
