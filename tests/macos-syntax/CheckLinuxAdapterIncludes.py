#!/usr/bin/env python3
"""Fails when a file that the Mac build compiles too includes a Linux adapter (a header under
src/platform/linux), directly or through another header: such a file builds here and breaks the Mac
build at link time. Reads what each object file really included from Ninja's dependency log and
which source each object comes from from compile_commands.json; the Linux-only sources are those
under src/platform/linux and those CMake lists with molvena_linux_only_sources(); sources generated
into the build folder (moc's) follow their target's own sources and are not checked.

Usage: CheckLinuxAdapterIncludes.py BUILD_DIR LINUX_ADAPTER_DIR LINUX_ONLY_SOURCES_FILE
"""
import json
import os
import shlex
import subprocess
import sys


def object_of(entry):
    """The object file a compile_commands.json entry writes (older CMake gives no "output")."""
    if "output" in entry:
        return entry["output"]
    arguments = entry.get("arguments") or shlex.split(entry["command"])
    return arguments[arguments.index("-o") + 1] if "-o" in arguments else None


def main(build, linux_folder, linux_only_file):
    build = os.path.realpath(build)
    linux_folder = os.path.realpath(linux_folder) + os.sep
    with open(linux_only_file, encoding="utf-8") as listing:
        linux_only = {os.path.realpath(line.strip()) for line in listing if line.strip()}
    with open(os.path.join(build, "compile_commands.json"), encoding="utf-8") as commands:
        source_of = {os.path.normpath(os.path.join(entry["directory"], object_of(entry))):
                     os.path.realpath(os.path.join(entry["directory"], entry["file"]))
                     for entry in json.load(commands) if object_of(entry)}
    deps = subprocess.run(["ninja", "-C", build, "-t", "deps"], check=True, capture_output=True,
                          text=True).stdout
    checked, linux_includes, problems = 0, 0, []
    source = None
    for line in deps.splitlines():
        if line and not line.startswith(" "):
            target = os.path.normpath(os.path.join(build, line.split(":")[0]))
            source = source_of.get(target)
            if source is not None:
                checked += 1
        elif line.strip() and source is not None:
            header = os.path.realpath(os.path.join(build, line.strip()))
            if header.startswith(linux_folder):
                linux_includes += 1
                # Generated sources (moc, rcc) include what their target's own sources declare.
                generated = source.startswith(build + os.sep)
                if not source.startswith(linux_folder) and source not in linux_only and not generated:
                    problems.append(f"{os.path.relpath(source)} includes {os.path.relpath(header)}")
    for problem in sorted(set(problems)):
        print(problem)
    print(f"{checked} object files checked, {linux_includes} includes of Linux adapters, "
          f"{len(set(problems))} outside the Linux-only build")
    if checked == 0 or linux_includes == 0:
        print("the dependency log names no object or no Linux adapter: build first (with Ninja)")
        return 1
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
