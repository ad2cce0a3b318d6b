"""The windows around an interactive installation under Wine: the painted background window, the
progress page with its Cancel button, the summary page with its exit actions, and the
uninstaller's progress and completion. The package asks no wizard questions, so that the run goes
straight to these windows; the dialog driver reads them, presses their buttons and keeps a
screenshot of each."""

from __future__ import annotations

import struct
import subprocess
import zlib
from pathlib import Path

import pytest

from wine import DIALOG_CLASS

SETUP = r"C:\downloads\setup.exe"
FOLDER = r"C:\Progress Test"
UNINSTALLER = FOLDER + r"\uninstall\uninstall.exe"
BACKDROP_CLASS = "SEA Window Class"
STYLES = ["plain", "side-picture", "header-band", "full-picture"]

INSTALLING_TEXT = "Please wait while Progress Test is being installed."
CANCELLED_TEXT = "The installation was cancelled."


def project(folder: Path, *, install: str = "", ui: str = "", style: str = "side-picture", tables: str = "") -> Path:
    (folder / "payload.txt").write_text("payload\n")
    for name in ("launch", "open1", "open2"):  # each leaves a mark when the summary page starts it
        (folder / f"{name}.cmd").write_text(f'@echo {name}> "{FOLDER}\\{name}.mark"\r\n')
    path = folder / "progress.toml"
    path.write_text(f"""
[product]
name = "Progress Test"
version = "1.0"
uninstall_key = "ProgressTest"

[install]
folder = '{FOLDER}'
{install}

[ui]
no_greeting = true
choose_folder_page = false
start_menu_page = false
{ui}

[ui.page_styles]
progress = "{style}"
summary = "{style}"

[[files]]
source = ["payload.txt", "launch.cmd", "open1.cmd", "open2.cmd"]

{tables}
""")
    return path


@pytest.fixture
def build_setup(build, tmp_path):
    def build_one(**settings: str) -> Path:
        output = tmp_path / "setup.exe"
        subprocess.run([str(build.builder), "build", str(project(tmp_path, **settings)), "--stub",
                        str(build.installer), "-o", str(output)], check=True, stdout=subprocess.DEVNULL)
        return output
    return build_one


def drive_c(wine, windows_path: str) -> Path:
    return wine.prefix.joinpath("drive_c", *windows_path.split("\\")[1:])


def wait_for_prefix_processes(wine) -> None:
    """Waits until every program of the prefix has ended (the Wine server then ends too)."""
    subprocess.run(["wineserver", "-w"], env=wine.env, check=True, timeout=120, stdin=subprocess.DEVNULL)


def window_captioned(wine, exe: str, caption: str, attempts: int = 30):
    """The program's first dialog with that caption, once the windows before it have gone."""
    for _ in range(attempts):
        window = wine.read_window(exe, window_class=DIALOG_CLASS)
        if window is None or window.caption == caption:
            return window
    raise AssertionError(f"no window captioned {caption!r}")


def png_pixels(path: Path) -> tuple[int, int, bytes]:
    """Width, height and RGB rows of a screenshot as the scenarios save it (8-bit RGB, filter 0)."""
    data = path.read_bytes()
    width, height = struct.unpack_from(">II", data, 16)
    at, compressed = 8, b""
    while at < len(data):
        length, = struct.unpack_from(">I", data, at)
        if data[at + 4:at + 8] == b"IDAT":
            compressed += data[at + 8:at + 8 + length]
        at += 12 + length
    raw = zlib.decompress(compressed)
    return width, height, b"".join(raw[y * (3 * width + 1) + 1:(y + 1) * (3 * width + 1)] for y in range(height))


def pixel(image: tuple[int, int, bytes], x: int, y: int) -> tuple[int, int, int]:
    width, _, rows = image
    return tuple(rows[3 * (y * width + x):3 * (y * width + x) + 3])


def near(colour: tuple[int, int, int], expected: tuple[int, int, int]) -> bool:
    return all(abs(a - b) <= 12 for a, b in zip(colour, expected))


@pytest.mark.parametrize("style, caption", [
    ("plain", "Installing Progress Test"),
    ("side-picture", "Installing Progress Test"),
    ("header-band", "Welcome to the Progress Test setup"),
    ("full-picture", "Installing Progress Test"),
])
def test_progress_page_shows_the_installation_and_cancel_ends_it_with_nothing_installed(
        build_setup, wine, style, caption):
    setup = build_setup(install="stage_delay = 4000", style=style)
    process = wine.start(wine.put_file(setup, SETUP))
    page = wine.read_window("setup.exe", press_id=1003, window_class=DIALOG_CLASS)
    assert page.caption == caption
    assert INSTALLING_TEXT in page.texts
    assert page.buttons == ["Cancel"]
    question = wine.read_window("setup.exe", press_text="No", window_class=DIALOG_CLASS)
    assert question.texts == ["Do you really want to cancel the installation?"]
    wine.read_window("setup.exe", press_id=1003, window_class=DIALOG_CLASS)
    wine.read_window("setup.exe", press_text="Yes", window_class=DIALOG_CLASS)
    notice = wine.read_window("setup.exe", press_text="OK", window_class=DIALOG_CLASS)
    assert (notice.caption, notice.texts, notice.icons) == ("Cancelled", [CANCELLED_TEXT], ["warning"])
    assert wine.wait(process) == 1
    assert not drive_c(wine, FOLDER + r"\payload.txt").exists()


def test_progress_page_without_cancel_lets_the_installation_finish(build_setup, wine):
    setup = build_setup(install="stage_delay = 1500", ui="no_cancel = true")
    process = wine.start(wine.put_file(setup, SETUP))
    with pytest.raises(AssertionError, match="no enabled button"):
        wine.read_window("setup.exe", press_id=1003, window_class=DIALOG_CLASS)
    notice = window_captioned(wine, "setup.exe", "Installation complete")
    assert notice.texts == ["Progress Test has been installed."]
    wine.read_window("setup.exe", press_text="OK", window_class=DIALOG_CLASS)
    assert wine.wait(process) == 1
    assert drive_c(wine, FOLDER + r"\payload.txt").read_text() == "payload\n"


@pytest.mark.parametrize("style", STYLES)
def test_summary_page_starts_what_its_ticked_boxes_name(build_setup, wine, style):
    finish = """
[finish]
launch = '%InstallDir%\\launch.cmd'
launch_checked = true
open = 'open1.cmd'
open_second = 'open2.cmd'
open_second_checked = true
view_log_option = true
"""
    setup = build_setup(ui="progress_page = false", style=style, tables=finish)
    process = wine.start(wine.put_file(setup, SETUP))
    page = wine.read_window("setup.exe", press_id=1023, window_class=DIALOG_CLASS)  # ticks "open"
    assert "Progress Test has been installed." in page.texts
    assert [c.text for c in page.visible_controls("Button")] == [
        "Start Progress Test now", "Open the readme file", "Open the notes", "Show the installation log", "&Finish"]
    wine.read_window("setup.exe", press_id=1029, window_class=DIALOG_CLASS)  # unticks "open second"
    wine.read_window("setup.exe", press_id=1001, window_class=DIALOG_CLASS)
    assert wine.wait(process) == 1
    wait_for_prefix_processes(wine)
    folder = drive_c(wine, FOLDER)
    assert sorted(p.name for p in folder.glob("*.mark")) == ["launch.mark", "open1.mark"]


def test_summary_page_with_only_the_view_log_option_shows_one_box(build_setup, wine):
    setup = build_setup(ui="progress_page = false", style="plain", tables="[finish]\nview_log_option = true\n")
    process = wine.start(wine.put_file(setup, SETUP))
    page = wine.read_window("setup.exe", press_id=1001, window_class=DIALOG_CLASS)
    assert [c.id for c in page.visible_controls("Button")] == [1027, 1001]
    assert wine.wait(process) == 1


@pytest.mark.parametrize("one_colour", [False, True], ids=["gradient", "one-colour"])
def test_background_window_paints_its_colours_and_title(build_setup, wine, one_colour):
    bottom = "#FF0000" if one_colour else "#0000FF"
    background = f"""
[ui.background]
taskbar_text = "Backdrop Test"
title = "Progress Test Backdrop"
title_position = "bottom-centre"
title_color = "#00FF00"
title_shadow = 0
top_color = "#FF0000"
bottom_color = "{bottom}"
"""
    setup = build_setup(install="stage_delay = 3000", tables=background)
    wine.start(wine.put_file(setup, SETUP))
    window = wine.read_window("setup.exe", window_class=BACKDROP_CLASS)
    assert window.caption == "Backdrop Test"
    image = png_pixels(wine.log.with_suffix(".png"))
    width, height, _ = image
    assert near(pixel(image, 2, 2), (255, 0, 0))
    assert near(pixel(image, 2, height - 2), (255, 0, 0) if one_colour else (0, 0, 255))
    if not one_colour:
        assert near(pixel(image, 2, height // 2), (128, 0, 127))
    title_band = [pixel(image, x, y) for y in range(height * 3 // 4, height) for x in range(width // 4, width * 3 // 4)]
    assert any(near(colour, (0, 255, 0)) for colour in title_band)


# The decorations that each style's progress page carries: side picture, header band, white panel.
DECORATIONS = {"plain": set(), "side-picture": {1021}, "header-band": {1032}, "full-picture": {1021, 1042}}


@pytest.mark.parametrize("style", ["plain", "header-band"])
def test_uninstaller_shows_confirmation_progress_and_completion(build_setup, wine, style):
    # The uninstaller's first batch runs while its progress page shows; it holds the page until
    # the scenario has read it. Its page has the style the installation's progress page had.
    held = """
[uninstall]
completion_message = true

[batch.uninstall_first]
hidden = true
commands = '''
:wait
if not exist C:\\go.txt goto wait
'''
"""
    setup = build_setup(tables=held, style=style, ui='header_text_color = "#FF0000"')
    assert wine.run(wine.put_file(setup, SETUP), "/a") == 1
    process = wine.start(UNINSTALLER, '/u:ProgressTest')
    confirmation = wine.read_window("uninstall.exe", press_text="Yes", window_class=DIALOG_CLASS)
    assert confirmation.texts == ["Do you want to remove Progress Test and all of its parts from this computer?"]
    with pytest.raises(AssertionError, match="no enabled button"):
        wine.read_window("uninstall.exe", press_id=1003, window_class=DIALOG_CLASS)
    page = wine.read_window("uninstall.exe", window_class=DIALOG_CLASS, screenshot=f"progress-{style}")
    assert page.caption == "Uninstalling Progress Test"
    assert {c.id for c in page.controls} & {1021, 1032, 1042} == DECORATIONS[style]
    if style == "header-band":
        assert page.control(1034).text == "Progress Test"  # the band's title: the product's name
        image = png_pixels(wine.log.parent / f"{wine.log.stem}-progress-{style}.png")
        band = [pixel(image, x, y) for y in range(20, 70) for x in range(10, 200)]
        assert any(near(colour, (255, 0, 0)) for colour in band)  # in the installation's text colour
    assert "Please wait while Progress Test is being removed." in page.texts
    drive_c(wine, r"C:\go.txt").write_text("")
    completion = window_captioned(wine, "uninstall.exe", "Uninstallation complete")
    assert completion.texts == ["Progress Test has been removed from this computer."]
    wine.read_window("uninstall.exe", press_text="OK", window_class=DIALOG_CLASS)
    assert wine.wait(process) == 0
    assert not drive_c(wine, FOLDER + r"\payload.txt").exists()


def test_uninstaller_confirmation_answered_no_removes_nothing(build_setup, wine):
    setup = build_setup()
    assert wine.run(wine.put_file(setup, SETUP), "/a") == 1
    process = wine.start(UNINSTALLER, '/u:ProgressTest')
    wine.read_window("uninstall.exe", press_text="No", window_class=DIALOG_CLASS)
    assert wine.wait(process) == 1
    assert drive_c(wine, FOLDER + r"\payload.txt").read_text() == "payload\n"
