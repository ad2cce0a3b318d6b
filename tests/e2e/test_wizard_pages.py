"""The wizard's pages under Wine, walked by the dialog driver as a user would: a product with two
languages, a greeting with a link, a rich-text licence that must be read to its end, a plain
readme, a password, and the folder and start-menu pages. What the pages show is read from their
controls; what the run did is read from the prefix's drive. A screenshot of every page is kept."""

from __future__ import annotations

import shlex
import struct
import subprocess
from pathlib import Path, PureWindowsPath

import pytest

from wine import DIALOG_CLASS

SETUP = r"C:\downloads\setup.exe"
EXE = "setup.exe"
DEFAULT_FOLDER = r"C:\Pages Test"
TYPED_FOLDER = r"C:\Chosen\Place"
PASSWORD = "Open Sesame"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\PagesTest"

FORWARD, BACK_OUT, TEXT_BOX, MAIN_TEXT = 1001, 1003, 1005, 1009
BROWSE, FOLDER, LANGUAGES, PASSWORD_EDIT = 1013, 1015, 1017, 1019
BAND_TITLE, BAND_SUBTITLE, SPACE_REQUIRED, SPACE_FREE, LINK = 1034, 1035, 1036, 1037, 1040
IDOK, IDNO = 1, 7

STYLES = ["plain", "side-picture", "header-band", "full-picture"]

# The licence is rich text long enough to need scrolling. Its title's bold is switched off
# explicitly: Wine's rich-edit control lets a bold group ("{\b ...}") make the whole text bold.
LICENSE = b"{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 \\b Licence terms\\b0\\par " + \
    b"".join(b"Clause %d: the product is used as it is.\\par " % n for n in range(1, 60)) + b"The end.\\par }"

GERMAN = """
name = "Deutsch"

[strings]
1 = "Dieses Programm installiert <product>."
21 = "Fehler"
48 = "&Weiter >"
49 = "Abbrechen"
65 = "Willkommen bei <product>"
82 = "Bitte w\u00e4hlen Sie die Sprache der Installation."
94 = "Sprache"
98 = "Die Installation wurde abgebrochen."
111 = "Abgebrochen"
"""


def project(folder: Path, style: str, password: str, extra_install: str) -> Path:
    (folder / "payload.txt").write_text("payload\n")
    (folder / "license.rtf").write_bytes(LICENSE)
    (folder / "readme.txt").write_text("Read me: plain text.\nSecond line.\n")
    (folder / "deutsch.toml").write_text(GERMAN, encoding="utf-8")
    styles = "\n".join(f'{page} = "{style}"' for page in
                       ("greeting", "language", "license", "readme", "choose_folder", "start_menu"))
    path = folder / "pages.toml"
    path.write_text(f"""
[product]
name = "Pages Test"
version = "1.0"
uninstall_key = "PagesTest"

[install]
folder = '{DEFAULT_FOLDER}'
start_menu_folder = "Pages Test"
password = "{password}"
{extra_install}

[ui]
greeting_link = "https://example.com/pages"
licenses = ["license.rtf"]
readmes = ["readme.txt"]
license_read_to_end = true
button_images = true
disk_space_on_folder_page = true
choose_folder_page = true
start_menu_page = true
no_final_message = true

[ui.page_styles]
{styles}

[strings]
79 = "&Remove"
80 = "&Keep"

[languages]
english = true
files = ["deutsch.toml"]

[[files]]
source = "payload.txt"
""", encoding="utf-8")
    return path


@pytest.fixture
def build_setup(build, tmp_path):
    def build_one(style: str = "side-picture", password: str = PASSWORD, extra_install: str = "") -> Path:
        output = tmp_path / "setup.exe"
        subprocess.run([str(build.builder), "build", str(project(tmp_path, style, password, extra_install)),
                        "--stub", str(build.installer), "-o", str(output)], check=True, stdout=subprocess.DEVNULL)
        return output
    return build_one


def drive_c(wine, windows_path: str) -> Path:
    return wine.prefix.joinpath("drive_c", *windows_path.split("\\")[1:])


def page(wine, with_text: str, name: str, **actions):
    window = wine.read_window(EXE, window_class=DIALOG_CLASS, with_text=with_text, screenshot=name, **actions)
    assert window is not None, f"no page with {with_text!r}"
    return window


def text_of(window, control_id: int) -> str:
    return window.control(control_id).text


# Each page as the walk meets it: a text that only it shows, and the screenshot's name.
LANGUAGE_PAGE = ("Please choose the language", "language")
GREETING_PAGE = ("This program installs Pages Test", "greeting")
PASSWORD_PAGE = ("protected by a password", "password")
LICENSE_PAGE = ("following licence agreement", "license")
README_PAGE = ("following information", "readme")
FOLDER_PAGE = ("folder in which to install", "folder")
START_MENU_PAGE = ("start-menu folder", "start-menu")


def start(wine, setup: Path):
    return wine.start(wine.put_file(setup, SETUP))


def pass_greeting(wine, style: str) -> None:
    if style == "plain":  # a message box with OK and Cancel
        box = page(wine, GREETING_PAGE[0], "greeting", press_id=IDOK)
        assert box.caption == "Welcome to the Pages Test setup"
    else:
        page(wine, *GREETING_PAGE, press_id=FORWARD)


@pytest.mark.parametrize("style", STYLES)
def test_every_page_in_each_style_leads_to_the_folder_typed(build_setup, wine, style):
    process = start(wine, build_setup(style))

    language = page(wine, *LANGUAGE_PAGE, press_id=FORWARD)
    assert language.control(LANGUAGES).items == ("English", "Deutsch")
    assert language.control(LANGUAGES).selected == 0

    greeting = page(wine, *GREETING_PAGE) if style != "plain" else None
    if greeting:
        assert text_of(greeting, LINK) == 'More about Pages Test: <a href="https://example.com/pages">visit the web site</a>'
        if style == "header-band":
            assert greeting.caption == "Welcome to the Pages Test setup"
            assert text_of(greeting, BAND_SUBTITLE) == "Welcome"
            assert text_of(greeting, MAIN_TEXT).startswith("\r\n\r\n")
        else:
            assert greeting.caption == "Welcome to the Pages Test setup"
        assert greeting.buttons[:2] == [" &Next >", " Cancel"]  # glyphs bring a leading space
    pass_greeting(wine, style)

    # A wrong password keeps the page, after an error box.
    page(wine, *PASSWORD_PAGE, set_text=(PASSWORD_EDIT, "open sesame"), press_id=FORWARD)
    error = wine.read_window(EXE, window_class=DIALOG_CLASS, with_text="password is not correct", press_id=IDOK)
    assert error.icons == ["error"] and error.caption == "Error"
    password = page(wine, *PASSWORD_PAGE, set_text=(PASSWORD_EDIT, PASSWORD), press_id=FORWARD)
    assert password.caption == "Password" and text_of(password, FORWARD) == " OK"

    # The licence's forward button waits until its end has been shown.
    license_page = page(wine, *LICENSE_PAGE)
    assert text_of(license_page, FORWARD) == " I &accept"
    assert not license_page.control(FORWARD).enabled
    assert license_page.control(TEXT_BOX).class_name.lower() == "richedit20w"
    page(wine, LICENSE_PAGE[0], "license-read", scroll_bottom=TEXT_BOX, press_id=FORWARD)

    readme = page(wine, *README_PAGE, press_id=FORWARD)
    assert "Read me: plain text." in text_of(readme, TEXT_BOX)

    folder = page(wine, *FOLDER_PAGE, set_text=(FOLDER, TYPED_FOLDER), press_id=FORWARD)
    assert text_of(folder, FOLDER) == TYPED_FOLDER
    assert text_of(folder, SPACE_REQUIRED).startswith("Space required: ")
    assert text_of(folder, SPACE_FREE).startswith("Space available: ")
    assert text_of(folder, FORWARD) == " &Next >"  # the start-menu page follows

    start_menu = page(wine, *START_MENU_PAGE, press_id=FORWARD)
    assert text_of(start_menu, FOLDER) == "Pages Test"
    assert text_of(start_menu, FORWARD) == " &Install"

    assert wine.wait(process) == 1
    assert (drive_c(wine, TYPED_FOLDER) / "payload.txt").read_text() == "payload\n"
    assert not drive_c(wine, DEFAULT_FOLDER).exists()


def test_choosing_a_language_relabels_the_page_and_the_run_speaks_it(build_setup, wine):
    process = start(wine, build_setup())
    german = page(wine, LANGUAGE_PAGE[0], "language-before", select=(LANGUAGES, 1))
    german = page(wine, "Bitte w\u00e4hlen Sie", "language-german")
    assert german.caption == "Sprache"
    assert german.buttons[:2] == [" &Weiter >", " Abbrechen"]
    page(wine, "Bitte w\u00e4hlen Sie", "language-german-forward", press_id=FORWARD)
    greeting = page(wine, "Dieses Programm installiert Pages Test", "greeting-german")
    assert greeting.caption == "Willkommen bei Pages Test"
    page(wine, "Dieses Programm installiert Pages Test", "greeting-german-cancel", press_id=BACK_OUT)
    assert wine.wait(process) == 1
    assert not drive_c(wine, DEFAULT_FOLDER).exists()


# Cancel on each page: the run ends with exit code 1 and installs no file (an accepted folder page
# has already created the folder while checking that it can be written); from the password on, the
# cancel message says so (the language and greeting pages end quietly).
CANCEL_CASES = [
    (LANGUAGE_PAGE, False),
    (GREETING_PAGE, False),
    (PASSWORD_PAGE, True),
    (LICENSE_PAGE, True),
    (README_PAGE, True),
    (FOLDER_PAGE, True),
    (START_MENU_PAGE, True),
]


@pytest.mark.parametrize("cancelled_page, message", CANCEL_CASES, ids=[case[0][1] for case in CANCEL_CASES])
def test_cancel_on_a_page_installs_nothing(build_setup, wine, cancelled_page, message):
    process = start(wine, build_setup())
    walk = [LANGUAGE_PAGE, GREETING_PAGE, PASSWORD_PAGE, LICENSE_PAGE, README_PAGE, FOLDER_PAGE, START_MENU_PAGE]
    for step in walk[:walk.index(cancelled_page)]:
        actions = {"set_text": (PASSWORD_EDIT, PASSWORD)} if step is PASSWORD_PAGE else {}
        if step is LICENSE_PAGE:
            actions = {"scroll_bottom": TEXT_BOX}
        page(wine, *step, press_id=FORWARD, **actions)
    page(wine, *cancelled_page, press_id=BACK_OUT)
    if message:
        box = wine.read_window(EXE, window_class=DIALOG_CLASS, with_text="The installation was cancelled.",
                               press_id=IDOK)
        assert box.caption == "Cancelled" and box.icons == ["warning"]
    assert wine.wait(process) == 1
    assert not (drive_c(wine, DEFAULT_FOLDER) / "payload.txt").exists()


def test_start_menu_page_disables_forward_for_a_forbidden_name(build_setup, wine):
    process = start(wine, build_setup(password=""))
    page(wine, *LANGUAGE_PAGE, press_id=FORWARD)
    page(wine, *GREETING_PAGE, press_id=FORWARD)
    page(wine, LICENSE_PAGE[0], "license", scroll_bottom=TEXT_BOX, press_id=FORWARD)
    page(wine, *README_PAGE, press_id=FORWARD)
    page(wine, *FOLDER_PAGE, press_id=FORWARD)
    for name, allowed in [("A:B", False), ("Tools\\Utilities", True), ("\\Tools", False), ("", True)]:
        shown = page(wine, *START_MENU_PAGE, set_text=(FOLDER, name))
        assert shown.control(FORWARD).enabled == allowed, name
    page(wine, *START_MENU_PAGE, press_id=BACK_OUT)
    wine.read_window(EXE, window_class=DIALOG_CLASS, with_text="The installation was cancelled.", press_id=IDOK)
    assert wine.wait(process) == 1


def test_a_page_missing_from_a_damaged_installer_is_an_error_not_a_hang(build_setup, wine):
    setup = build_setup(password="", extra_install='integrity = "none"')
    image = bytearray(setup.read_bytes())
    name = "LICENSEDLG".encode("utf-16-le")
    assert image.count(name) == 4  # the four looks
    setup.write_bytes(bytes(image).replace(name, "XICENSEDLG".encode("utf-16-le")))
    process = start(wine, setup)
    page(wine, *LANGUAGE_PAGE, press_id=FORWARD)
    page(wine, *GREETING_PAGE, press_id=FORWARD)
    error = wine.read_window(EXE, window_class=DIALOG_CLASS, with_text="cannot show its page", press_id=IDOK)
    assert 'page "LicenseDlg"' in error.texts[-1]
    assert wine.wait(process) == 1
    assert not drive_c(wine, DEFAULT_FOLDER).exists()


def uninstall_command(wine) -> list[str]:
    output = wine.prefix.parent / "reg.txt"
    assert wine.wait(wine.start("reg", "query", UNINSTALL_KEY, "/v", "UninstallString", "/reg:64", stdout=output)) == 0
    command = output.read_text(encoding="utf-8", errors="replace").split("REG_SZ", 1)[1].strip()
    return shlex.split(command.replace("\\", "\\\\"))


def test_the_uninstall_confirmation_speaks_the_products_language_and_no_removes_nothing(build_setup, wine):
    assert wine.run(wine.put_file(build_setup(password=""), SETUP), "/silent") == 1
    installed = drive_c(wine, DEFAULT_FOLDER) / "payload.txt"
    assert installed.is_file()
    program, *arguments = uninstall_command(wine)
    process = wine.start(program, *arguments)
    box = wine.read_window(PureWindowsPath(program).name, window_class=DIALOG_CLASS, with_text="Do you want to remove",
                           press_id=IDNO, screenshot="confirm")
    assert box.caption == "Uninstalling Pages Test" and box.icons == ["question"]
    assert box.buttons == [" &Remove", " &Keep"]  # the language's labels, after their glyphs
    assert wine.wait(process) == 1
    assert installed.is_file()


# The width of a page, 280 dialog units in "MS Shell Dlg 2" at 10 points, frame included, over the
# screen's pixels per inch: about six (566 pixels at 96, 846 at 144, 1196 at 192).
WIDTH_PER_DPI = (5.5, 6.6)


def png_size(path: Path) -> tuple[int, int]:
    width, height = struct.unpack_from(">II", path.read_bytes(), 16)
    return width, height


def set_pixel_density(wine, dpi: int) -> None:
    """The prefix's screen density, where programs started afterwards read it."""
    for key in (r"HKCU\Control Panel\Desktop", r"HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts"):
        assert wine.run("reg", "add", key, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi), "/f") == 0


@pytest.mark.parametrize("dpi", [96, 144, 192], ids=["100%", "150%", "200%"])
def test_pages_keep_their_proportions_at_each_pixel_density(build, build_setup, wine, dpi):
    set_pixel_density(wine, dpi)
    # Every page template's controls lie inside their page and never overlap, at this density.
    assert wine.run(build.windows / "unit_tests.exe", "--gtest_filter=PageTemplates.*") == 0
    # A page is laid out in dialog units, so it grows with the density and keeps its shape.
    process = start(wine, build_setup("header-band", password=""))
    wine.read_window(EXE, window_class=DIALOG_CLASS, with_text=LANGUAGE_PAGE[0], press_id=BACK_OUT)
    width, height = png_size(wine.log.with_suffix(".png"))
    assert wine.wait(process) == 1
    assert WIDTH_PER_DPI[0] <= width / dpi <= WIDTH_PER_DPI[1], (width, height)
    assert 1.25 <= width / height <= 1.5, (width, height)
