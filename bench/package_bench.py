#!/usr/bin/env python3
"""Package benchmark: build time, output size and decode throughput of valdorine-build on a
deterministic payload, side by side with makensis (`SetCompressor /SOLID lzma`) on the same files
in the same run. Prints figures and the ratios against the peer; it is not a test.

usage: package_bench.py --builder PATH --stub PATH --work FOLDER [--megabytes N] [--preset N]
                        [--block-size BYTES] [--threads N]
"""

from __future__ import annotations

import argparse
import os
import resource
import subprocess
import sys
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
MB = 1 << 20


def timed(command: list[str], cwd: Path | None = None) -> tuple[float, float]:
    """Runs a command; returns its wall-clock and CPU seconds."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    subprocess.run(command, check=True, cwd=cwd, stdout=subprocess.DEVNULL)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return wall, (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)


def payload(work: Path, megabytes: int, profile: str = "generated") -> tuple[Path, list[Path]]:
    """The payload tree of a profile of make_payload.py, made once below `work`, and its files."""
    folder = work / (f"payload-{megabytes}" if profile == "generated" else f"payload-{profile}")
    if not (folder / ".complete").exists():
        subprocess.run([sys.executable, str(HERE / "make_payload.py"), str(folder), str(megabytes), profile],
                       check=True)
        (folder / ".complete").touch()
    files = sorted(p for p in folder.rglob("*") if p.is_file() and p.name != ".complete")
    return folder, files


def nsis_script(work: Path, folder: Path, target: str = "x86-unicode") -> Path:
    """An NSIS script that installs the payload tree, solid LZMA, for the stub `target`
    (x86-unicode or amd64-unicode)."""
    script = work / "peer.nsi"
    script.write_text(
        "Unicode true\n"
        f"Target {target}\n"
        "SetCompressor /SOLID lzma\n"
        f'OutFile "{work / "peer.exe"}"\n'
        "InstallDir $TEMP\\valdorine-bench\n"
        "RequestExecutionLevel user\n"
        "Section\n"
        "  SetOutPath $INSTDIR\n"
        f'  File /r "{folder}/*"\n'
        "SectionEnd\n")
    return script


def main() -> None:
    parser = argparse.ArgumentParser()
    parser.add_argument("--builder", required=True)
    parser.add_argument("--stub", required=True)
    parser.add_argument("--work", required=True, type=Path)
    parser.add_argument("--megabytes", type=int, default=300)
    parser.add_argument("--preset", default="5")
    parser.add_argument("--block-size", default=str(8 * MB))
    parser.add_argument("--threads", default=str(os.cpu_count() or 1))
    args = parser.parse_args()
    args.work.mkdir(parents=True, exist_ok=True)

    folder, files = payload(args.work, args.megabytes)
    payload_bytes = sum(f.stat().st_size for f in files)
    ours = args.work / "ours.exe"
    build_wall, build_cpu = timed([args.builder, "build", "--stub", args.stub, "--out", str(ours), "--preset", args.preset,
                                   "--block-size", args.block_size, "--threads", args.threads, *map(str, files)])
    decode_wall, _ = timed([args.builder, "inspect", str(ours), "--entries"])
    peer_wall, peer_cpu = timed(["makensis", "-V1", str(nsis_script(args.work, folder))])
    peer = args.work / "peer.exe"

    size, peer_size = ours.stat().st_size, peer.stat().st_size
    print(f"payload: {payload_bytes / MB:.1f} MiB in {len(files)} files; {os.cpu_count()} cores; "
          f"preset {args.preset}, blocks of {int(args.block_size) / MB:g} MiB, {args.threads} threads")
    print(f"{'':18}{'valdorine-build':>18}{'makensis':>14}{'ratio':>9}")
    print(f"{'build time (s)':18}{build_wall:18.1f}{peer_wall:14.1f}{build_wall / peer_wall:9.2f}   target <= 0.50")
    print(f"{'build CPU (s)':18}{build_cpu:18.1f}{peer_cpu:14.1f}{build_cpu / peer_cpu:9.2f}")
    print(f"{'output (MiB)':18}{size / MB:18.2f}{peer_size / MB:14.2f}{size / peer_size:9.3f}   target <= 1.10")
    print(f"{'decode (MiB/s)':18}{payload_bytes / MB / decode_wall:18.1f}{'':>14}"
          f"   all entries read, decompressed and checked by the installer's reader")


if __name__ == "__main__":
    main()
