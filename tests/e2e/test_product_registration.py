"""Product registration under Wine: a package written by valdorine-build is installed with /silent,
then the uninstall key is read with `reg query` in the 64-bit view, the uninstaller with pefile and
by starting it, the list of installed programs with Wine's own uninstaller, and the copies of the
readme texts on the prefix's drive."""

from __future__ import annotations

import re
import struct
import subprocess
from pathlib import Path

import pefile
import pytest

SETUP = r"C:\downloads\setup.exe"
KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\RegistrationTest"
FOLDER = r"C:\Registration Test"
UNINSTALLER = FOLDER + r"\uninstall\uninstall.exe"
NO_PACKAGE = "There is no installation data present."


def icon_file(size: int, colour: tuple[int, int, int]) -> bytes:
    """A one-image .ico: a 32-bit bitmap of one colour with its AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytes((*colour, 255)) * size * size
    mask = bytes(((size + 31) // 32) * 4 * size)
    image = header + pixels + mask
    return struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 22) + image


def project(folder: Path, *, publisher: str) -> Path:
    (folder / "payload.txt").write_text("payload\n")
    (folder / "README.txt").write_text("Read me first\n")
    (folder / "NOTES.txt").write_text("Notes\n")
    (folder / "uninstall.ico").write_bytes(icon_file(16, (0, 0, 255)))
    (folder / "product.ico").write_bytes(icon_file(32, (0, 255, 0)))
    path = folder / "registration.toml"
    path.write_text(f"""
[product]
name = "Registration Test"
version = "3.10.2"
publisher = "{publisher}"
icon = "product.ico"
uninstall_key = "RegistrationTest"

[install]
folder = '{FOLDER}'
install_path_value = 'HKLM\\Software\\Registration Test\\Path'
uninstall_install_path_value = true
restart_marker = true
add_to_path = true

[uninstall]
icon = "uninstall.ico"
support_offer = "https://example.com/support"

[ui]
readmes = ["README.txt", "NOTES.txt"]
save_readme_copies = true

[[files]]
source = "payload.txt"

[[uninstall_values]]
name = "HelpLink"
value = "https://example.com/help"

[[uninstall_values]]
name = 'Tools\\Home'
type = "expand-string"
value = '%InstallDir%\\tools'

[[uninstall_values]]
name = "NoModify"
type = "dword"
value = "1"
""")
    return path


@pytest.fixture
def build_setup(build, tmp_path):
    def build_one(name: str, publisher: str) -> Path:
        folder = tmp_path / name
        folder.mkdir()
        output = folder / "setup.exe"
        subprocess.run([str(build.builder), "build", str(project(folder, publisher=publisher)),
                        "--stub", str(build.installer), "-o", str(output)], check=True, stdout=subprocess.DEVNULL)
        return output
    return build_one


def drive_c(wine, windows_path: str) -> Path:
    return wine.prefix.joinpath("drive_c", *windows_path.split("\\")[1:])


def install(wine, setup: Path) -> None:
    assert wine.run(wine.put_file(setup, SETUP), "/silent") == 1


def output_of(wine, *command: str) -> str:
    """What a program of the prefix prints, through a file (Wine's output never goes to a pipe)."""
    output = wine.prefix.parent / "output.txt"
    assert wine.wait(wine.start(*command, stdout=output)) == 0
    return output.read_text(encoding="utf-8", errors="replace")


def reg_query(wine, key: str) -> dict[str, tuple[str, str]]:
    """The values of one key in the 64-bit view, as `reg query` prints them: name -> (type, data)."""
    values = {}
    for line in output_of(wine, "reg", "query", key, "/reg:64").splitlines():
        match = re.match(r"^    (.*?)    (REG_[A-Z_]+)    ?(.*)$", line)
        if match:
            values[match.group(1)] = (match.group(2), match.group(3))
    return values


def test_silent_install_registers_the_product(build_setup, wine):
    install(wine, build_setup("first", "Test Publisher"))
    values = reg_query(wine, KEY)
    quoted = f'"{UNINSTALLER}" '
    expected = {
        "UninstallString": ("REG_SZ", quoted + '/u:"RegistrationTest"'),
        "QuietUninstallString": ("REG_SZ", quoted + '/a /u:"RegistrationTest"'),
        "DisplayName": ("REG_SZ", "Registration Test"),
        "InstallSource": ("REG_SZ", SETUP),
        "Publisher": ("REG_SZ", "Test Publisher"),
        "DisplayVersion": ("REG_SZ", "3.10.2"),
        "DisplayIcon": ("REG_SZ", FOLDER + r"\uninstall\product.ico"),
        "VersionMajor": ("REG_DWORD", "0x3"),
        "VersionMinor": ("REG_DWORD", "0xa"),
        "SupportOffer": ("REG_SZ", "https://example.com/support"),
        "UninstallSubdir": ("REG_SZ", "uninstall"),
        "InstallLocation": ("REG_SZ", FOLDER),
        "HelpLink": ("REG_SZ", "https://example.com/help"),
        "NoModify": ("REG_DWORD", "0x1"),
    }
    for name, value in expected.items():
        assert values.get(name) == value, name
    assert values["Session"][0] == "REG_QWORD"
    assert values["Bitness"] == ("REG_DWORD", "0x0")
    assert re.fullmatch(r"20\d{6}", values["InstallDate"][1])
    assert re.fullmatch(r"-?\d+", values["ProductFlags"][1])
    assert reg_query(wine, KEY + r"\Tools")["Home"] == ("REG_EXPAND_SZ", FOLDER + r"\tools")
    assert reg_query(wine, r"HKLM\Software\Registration Test")["Path"] == ("REG_SZ", FOLDER)
    uninstall_list = (drive_c(wine, FOLDER) / "uninstall" / "Uninstall.DAT").read_bytes().split(b"\r\n\r\n")[0]
    assert b"!\\HKLM\\Software\\Registration Test\\Path\r\n" in uninstall_list + b"\r\n"


def test_uninstaller_is_the_installer_without_its_package(build_setup, wine):
    install(wine, build_setup("first", "Test Publisher"))
    uninstaller = drive_c(wine, UNINSTALLER)
    image = pefile.PE(str(uninstaller))
    assert ".setup" not in [section.Name.rstrip(b"\0").decode() for section in image.sections]
    groups = [entry for entry in image.DIRECTORY_ENTRY_RESOURCE.entries if entry.id == pefile.RESOURCE_TYPE["RT_GROUP_ICON"]]
    group_data = groups[0].directory.entries[0].directory.entries[0].data.struct
    group = image.get_data(group_data.OffsetToData, group_data.Size)
    assert struct.unpack_from("<HHH", group) == (0, 1, 1)  # the uninstaller icon's single image
    assert group[6] == 16
    image.close()
    process = wine.start(UNINSTALLER)
    window = wine.read_window("uninstall.exe", timeout=20, press_text="OK")
    assert wine.wait(process) == 1
    assert window is not None and any(NO_PACKAGE in text for text in window.texts)


def test_readme_copies_restart_marker_and_path_entry(build_setup, wine):
    install(wine, build_setup("first", "Test Publisher"))
    environment = r"HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Environment"
    def path_value() -> tuple[str, str]:
        return next(value for name, value in reg_query(wine, environment).items() if name.lower() == "path")
    kind, path = path_value()
    assert kind == "REG_EXPAND_SZ" and path.endswith(";" + FOLDER)
    install(wine, build_setup("second", "Test Publisher"))
    assert path_value()[1] == path  # added once
    folder = drive_c(wine, FOLDER)
    assert (folder / "readme1.txt").read_bytes() == b"\xff\xfe" + "Read me first\r\n".encode("utf-16-le")
    assert (folder / "readme2.txt").read_bytes() == b"\xff\xfe" + "Notes\r\n".encode("utf-16-le")
    assert (folder / "reboot.dat").read_bytes() == b""


def test_wine_lists_the_product(build_setup, wine):
    install(wine, build_setup("first", "Test Publisher"))
    assert "|||Registration Test" in output_of(wine, "uninstaller", "--list")


def test_reinstall_with_an_empty_publisher_removes_publisher(build_setup, wine):
    install(wine, build_setup("first", "Test Publisher"))
    assert reg_query(wine, KEY)["Publisher"] == ("REG_SZ", "Test Publisher")
    install(wine, build_setup("second", ""))
    values = reg_query(wine, KEY)
    assert "Publisher" not in values
    assert values["DisplayName"] == ("REG_SZ", "Registration Test")
