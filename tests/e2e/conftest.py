"""Fixtures of the end-to-end scenarios.

- build: where the programs under test are ($VALDORINE_BUILD, by default the repository's build/).
- A virtual X display for the session, unless DISPLAY is set already (scripts/test sets one).
- template_prefix: a Wine prefix made once and kept in the build folder (scripts/wine-prefix).
- wine: the scenario's own prefix on top of the template, with the API of wine.Scenario; torn down
  with every program it started.
Screenshots and program output are kept in $BUILD/e2e/artifacts, named after the test.
"""

from __future__ import annotations

import os
import re
import shutil
import subprocess
from dataclasses import dataclass
from pathlib import Path

import pytest

from wine import REPO, Scenario, create_prefix_layer, remove_prefix_layer


@dataclass(frozen=True)
class Build:
    root: Path

    @property
    def windows(self) -> Path:
        """The Windows build that runs here: win32, or win64 where 32-bit code cannot run
        (scripts/lib/wine-env.sh chooses)."""
        return self.root / os.environ.get("VALDORINE_WINDOWS_FLAVOUR", "win32")

    @property
    def installer(self) -> Path:
        return self.windows / "ValdorineSetup.exe"

    @property
    def shipped_installer(self) -> Path:
        """The 32-bit installer that products carry, whichever flavour runs here."""
        return self.root / "win32" / "ValdorineSetup.exe"

    @property
    def dialog_driver(self) -> Path:
        return self.windows / "dialog-driver.exe"

    @property
    def builder(self) -> Path:
        return self.root / "host" / "valdorine-build"

    @property
    def e2e(self) -> Path:
        return self.root / "e2e"


@pytest.fixture(scope="session")
def build() -> Build:
    build = Build(Path(os.environ.get("VALDORINE_BUILD", REPO / "build")).resolve())
    for program in (build.installer, build.dialog_driver):
        if not program.is_file():
            pytest.fail(f"{program} is missing: build first (make build)")
    return build


@pytest.fixture(scope="session")
def artifacts(build: Build) -> Path:
    folder = build.e2e / "artifacts"
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    return folder


@pytest.fixture(scope="session")
def display():
    """An X display for Wine's windows. It must exist before any Wine server starts: a server
    started without one leaves every later window failing."""
    if os.environ.get("DISPLAY"):
        yield os.environ["DISPLAY"]
        return
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
        pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as announcement:
        number = announcement.readline().strip()  # Xvfb writes the number once it accepts clients
    if not number:
        pytest.fail(f"Xvfb did not start (exit code {server.wait()})")
    os.environ["DISPLAY"] = f":{number}"
    yield os.environ["DISPLAY"]
    del os.environ["DISPLAY"]
    server.terminate()
    server.wait()


@pytest.fixture(scope="session")
def template_prefix(build: Build, display: str) -> Path:
    template = build.e2e / "template"
    subprocess.run([REPO / "scripts" / "wine-prefix", template], check=True, stdin=subprocess.DEVNULL)
    return template


def artefact_name(node_id: str) -> str:
    """module.Class.test-parameters, for file names: "test_x.py::Test::test_y[a/b]" gives
    "test_x.Test.test_y-a-b"."""
    module, *names = node_id.split("::")
    return re.sub(r"[^A-Za-z0-9._-]+", "-", ".".join([Path(module).stem, *names])).strip("-")


@pytest.fixture
def wine(request, build: Build, template_prefix: Path, artifacts: Path):
    name = artefact_name(request.node.nodeid)
    folder = build.e2e / "scenarios" / name
    if folder.exists():
        remove_prefix_layer(folder)  # left over from an interrupted run
    prefix = create_prefix_layer(template_prefix, folder)
    scratch = folder / "scratch"
    scratch.mkdir()
    scenario = Scenario(prefix, scratch, artifacts, name, build.dialog_driver)
    try:
        yield scenario
    finally:
        scenario.stop()
        remove_prefix_layer(folder)
