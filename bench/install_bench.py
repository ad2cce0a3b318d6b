#!/usr/bin/env python3
"""Install benchmark: installs the same payload with a Valdorine installer and with an NSIS
installer (makensis, `SetCompressor /SOLID lzma`) silently under Wine, in one private prefix, each
into a fresh folder, and prints wall time, peak memory, what landed, the ratios and both stub
sizes, for both payload profiles of make_payload.py (generated and real files). It is not a test.

Memory is sampled from /proc while the installer runs, two ways: the resident peak (VmHWM), which
also counts the pages of the installer's own file that the system has mapped and read (page cache,
not memory the installer holds), and the peak of private memory (RssAnon), which is what the
installer allocates: buffers, the decoder and the chunks it decodes ahead, the record queue.

NSIS's installer is 32-bit. On a machine that cannot run 32-bit code (Wine's loader then selects
the 64-bit flavour, VALDORINE_WINDOWS_FLAVOUR=win64) the peer cannot run at all; ours is then
measured in its 64-bit build and compared with the floor for the same data on this machine: the
archive decoded on one core by the installer's own reader (valdorine-build inspect --entries) plus
the payload tree copied by cp.

usage: install_bench.py --builder PATH --stub PATH --work FOLDER --prefix FOLDER [--megabytes N] [--runs N]
"""

from __future__ import annotations

import argparse
import os
import shutil
import subprocess
import sys
import time
from dataclasses import dataclass
from pathlib import Path

from package_bench import MB, nsis_script, payload, timed

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))
from wine import wine_environment  # noqa: E402  (the scenarios' environment for a private prefix)

SAMPLE_SECONDS = 0.02
TIMEOUT_SECONDS = 1800
INSTALL_ROOT = "bench"  # below drive C: of the prefix
PROFILES = ("generated", "real")
# What the installer holds ahead of the file it writes: one chunk decoded ahead (BlockStream's
# chunk size) and the block decoder's dictionary (8 MiB at the builder's default preset 5).
READ_AHEAD_MIB = 4 + 8


@dataclass
class Installation:
    wall: float = 0.0
    peak_kib: int = 0
    peak_private_kib: int = 0
    exit_code: int = 0
    files: int = 0
    bytes: int = 0


def project_file(work: Path, folder: Path) -> Path:
    """A plain product that installs the payload tree; no wizard pages matter in silent mode."""
    project = work / "bench.toml"
    project.write_text(f"""
[product]
name = "Valdorine Bench"
version = "1.0"
publisher = "Valdorine Bench"
uninstall_key = "ValdorineBench"

[install]
folder = 'Valdorine Bench'

[[files]]
source = "{folder.name}/**"
""")
    return project


def largest_status_kib(pids: set[int], field: str) -> int:
    """The largest value (KiB) of a /proc status field among the processes that are still there."""
    largest = 0
    for pid in pids:
        try:
            for line in Path(f"/proc/{pid}/status").read_text().splitlines():
                if line.startswith(field + ":"):
                    largest = max(largest, int(line.split()[1]))
        except (FileNotFoundError, ProcessLookupError, PermissionError):
            pass
    return largest


def processes_running(exe_name: str) -> set[int]:
    """Processes whose command line names the installer (Wine keeps the Windows program's name)."""
    found = set()
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            command_line = (entry / "cmdline").read_bytes()
        except (FileNotFoundError, ProcessLookupError, PermissionError):
            continue
        if exe_name.encode() in command_line:
            found.add(int(entry.name))
    return found


def landed(target: Path, folder: Path, files: list[Path]) -> tuple[int, int]:
    """How many payload files, and how many of their bytes, stand below `target` with their size."""
    count = size = 0
    for file in files:
        copy = target / file.relative_to(folder)
        if copy.is_file() and copy.stat().st_size == file.stat().st_size:
            count += 1
            size += copy.stat().st_size
    return count, size


def install(env: dict[str, str], setup: Path, arguments: list[str], target: Path,
            payload_files: tuple[Path, list[Path]]) -> Installation:
    """Runs one installer to its end, sampling the memory of its processes meanwhile."""
    if target.exists():
        shutil.rmtree(target)
    result = Installation()
    start = time.perf_counter()
    process = subprocess.Popen([env.get("WINE", "wine"), str(setup), *arguments], env=env, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    watched = {process.pid}
    while process.poll() is None:
        watched |= processes_running(setup.name)
        result.peak_kib = max(result.peak_kib, largest_status_kib(watched, "VmHWM"))
        result.peak_private_kib = max(result.peak_private_kib, largest_status_kib(watched, "RssAnon"))
        if time.perf_counter() - start > TIMEOUT_SECONDS:
            process.kill()
            break
        time.sleep(SAMPLE_SECONDS)
    result.exit_code = process.wait()
    result.wall = time.perf_counter() - start
    result.files, result.bytes = landed(target, *payload_files)
    # The next run must install afresh: a product whose recorded folder still exists is
    # installed again into that folder.
    shutil.rmtree(target, ignore_errors=True)
    return result


def best(runs: list[Installation]) -> Installation:
    return min(runs, key=lambda run: run.wall)


def peer_can_run(env: dict[str, str]) -> bool:
    """NSIS's 32-bit installer runs only where Wine runs 32-bit code."""
    return env.get("VALDORINE_WINDOWS_FLAVOUR", "win32") == "win32"


def build_installers(args: argparse.Namespace, folder: Path, profile: str, with_peer: bool) -> tuple[Path, Path | None]:
    """Our installer from a project file over the payload tree, the peer's from its script."""
    ours = args.work / f"install-ours-{profile}.exe"
    subprocess.run([args.builder, "build", str(project_file(args.work, folder)), "--stub", str(args.stub),
                    "-o", str(ours)], check=True, stdout=subprocess.DEVNULL)
    if not with_peer:
        return ours, None
    subprocess.run(["makensis", "-V1", str(nsis_script(args.work, folder))], check=True)
    peer = args.work / f"install-peer-{profile}.exe"
    shutil.move(args.work / "peer.exe", peer)
    return ours, peer


def measure(args: argparse.Namespace, env: dict[str, str], ours: Path, peer: Path | None,
            payload_files: tuple[Path, list[Path]]) -> tuple[Installation, Installation | None]:
    """Installs with each installer `args.runs` times, alternating, and keeps each one's fastest run."""
    drive_root = args.prefix / "drive_c" / INSTALL_ROOT
    subprocess.run(["wineserver", "-p"], env=env, check=True)  # one warm server for every run
    try:
        ours_runs, peer_runs = [], []
        for run in range(args.runs):
            ours_target = f"ours-{run}"
            ours_runs.append(install(env, ours, ["/silent", f'/d:C:\\{INSTALL_ROOT}\\{ours_target}'],
                                     drive_root / ours_target, payload_files))
            if peer:
                peer_target = f"peer-{run}"
                peer_runs.append(install(env, peer, ["/S", f"/D=C:\\{INSTALL_ROOT}\\{peer_target}"],
                                         drive_root / peer_target, payload_files))
    finally:
        subprocess.run(["wineserver", "-k"], env=env)
    return best(ours_runs), best(peer_runs) if peer_runs else None


def floor_seconds(args: argparse.Namespace, ours: Path, folder: Path) -> float:
    """The least time the same work takes on this machine without Wine: the archive decoded and
    checked on one core by the installer's reader, plus the tree copied within the prefix's file
    system."""
    decode, _ = timed(["taskset", "-c", "0", args.builder, "inspect", str(ours), "--entries"])
    copy = args.prefix / "drive_c" / INSTALL_ROOT / "floor-copy"
    shutil.rmtree(copy, ignore_errors=True)
    copying, _ = timed(["cp", "-r", str(folder), str(copy)])
    shutil.rmtree(copy, ignore_errors=True)
    return decode + copying


def main() -> None:
    parser = argparse.ArgumentParser()
    parser.add_argument("--builder", required=True)
    parser.add_argument("--stub", required=True, type=Path)
    parser.add_argument("--work", required=True, type=Path)
    parser.add_argument("--prefix", required=True, type=Path)
    parser.add_argument("--megabytes", type=int, default=300)
    parser.add_argument("--runs", type=int, default=1)
    args = parser.parse_args()
    args.work = args.work.resolve()  # makensis takes the script's paths relative to the script
    args.prefix = args.prefix.resolve()
    args.work.mkdir(parents=True, exist_ok=True)
    env = wine_environment(args.prefix)
    with_peer = peer_can_run(env)

    for profile in PROFILES:
        folder, files = payload(args.work, args.megabytes, profile)
        ours, peer = build_installers(args, folder, profile, with_peer)
        mine, theirs = measure(args, env, ours, peer, (folder, files))
        floor = None if with_peer else floor_seconds(args, ours, folder)
        report(profile, files, args, env, (ours, mine), (peer, theirs), floor)
        print()


def ratio(a: float, b: float) -> str:
    return f"{a / b:9.2f}" if b else f"{'-':>9}"


def report(profile: str, files: list[Path], args: argparse.Namespace, env: dict[str, str],
           ours: tuple[Path, Installation], peer: tuple[Path | None, Installation | None], floor: float | None) -> None:
    (ours_exe, mine), (peer_exe, theirs) = ours, peer
    payload_bytes = sum(f.stat().st_size for f in files)
    flavour = env.get("VALDORINE_WINDOWS_FLAVOUR", "win32")
    print(f"profile {profile}: {payload_bytes / MB:.1f} MiB in {len(files)} files, largest "
          f"{max(f.stat().st_size for f in files) / MB:.1f} MiB; {os.cpu_count()} cores; best of {args.runs} run(s); "
          f"our installer's {flavour} build")
    if theirs is None:
        print("NSIS's installer is 32-bit and this machine cannot run 32-bit code: the reference is the floor,"
              " decoding on one core plus copying the tree, without Wine")
        theirs = Installation(wall=floor or 0.0)
        peer_name = "floor"
    else:
        peer_name = "NSIS"
    print(f"{'':22}{'Valdorine':>14}{peer_name:>14}{'ratio':>9}")
    print(f"{'install time (s)':22}{mine.wall:14.1f}{theirs.wall:14.1f}{ratio(mine.wall, theirs.wall)}")
    print(f"{'peak resident (MiB)':22}{mine.peak_kib / 1024:14.1f}{theirs.peak_kib / 1024:14.1f}"
          f"{ratio(mine.peak_kib, theirs.peak_kib)}")
    print(f"{'peak private (MiB)':22}{mine.peak_private_kib / 1024:14.1f}{theirs.peak_private_kib / 1024:14.1f}"
          f"{ratio(mine.peak_private_kib, theirs.peak_private_kib)}")
    print(f"{'  of it read-ahead':22}{f'<= {READ_AHEAD_MIB}':>14}{'':>14}   one 4 MiB chunk decoded ahead + the"
          " decoder's 8 MiB dictionary")
    peer_size = peer_exe.stat().st_size if peer_exe else 0
    print(f"{'installer (MiB)':22}{ours_exe.stat().st_size / MB:14.2f}{peer_size / MB:14.2f}"
          f"{ratio(ours_exe.stat().st_size, peer_size)}")
    print(f"{'stub (KiB)':22}{args.stub.stat().st_size / 1024:14.1f}{nsis_stub_kib():14.1f}"
          f"{ratio(args.stub.stat().st_size / 1024, nsis_stub_kib())}")
    print(f"{'payload files landed':22}{mine.files:14d}{theirs.files:14d}")
    print(f"{'payload MiB landed':22}{mine.bytes / MB:14.1f}{theirs.bytes / MB:14.1f}")
    print(f"{'exit code':22}{mine.exit_code:14d}{theirs.exit_code:14d}")
    if mine.files != len(files) or mine.bytes != payload_bytes:
        print("note: the Valdorine installation did not land the whole payload; its time is not comparable")


def nsis_stub_kib() -> float:
    """The size of makensis's installer stub for solid LZMA with Unicode (the script's settings),
    which every such NSIS installer carries in front of its data."""
    stub = Path("/usr/share/nsis/Stubs/lzma_solid-x86-unicode")
    return stub.stat().st_size / 1024 if stub.exists() else 0.0


if __name__ == "__main__":
    main()
