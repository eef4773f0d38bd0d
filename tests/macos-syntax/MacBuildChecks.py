#!/usr/bin/env python3
"""Checks of the Mac build that run on Linux; each prints its problems and fails if there is any.

apple-api CLANGXX FLAGS_FILE REVIEWED DEPLOYMENT_TARGET SOURCE.mm...: every Apple API the macOS adapters
    use (from clang's LLVM IR of them) against AppleApiReviewed.txt: unreviewed, no longer used, incomplete
    or newer than the deployment target fails.
bundle-plists INFO_PLIST ENTITLEMENTS BUNDLE_IDENTIFIER DEPLOYMENT_TARGET: lints Info.plist and entitlements.
linux-includes BUILD_DIR LINUX_ADAPTER_DIR LINUX_ONLY_SOURCES_FILE: a file the Mac build compiles too that
    includes a Linux adapter, even through another header (from Ninja's dependency log), fails.
"""
import json
import os
import plistlib
import re
import shlex
import subprocess
import sys
import tempfile

# What the compiler itself brings in (ARC, blocks, C++ runtime, constant strings), not the adapters.
RUNTIME = re.compile(r"^(llvm\.|objc_|_Block_|_NSConcrete|__cxa_|__gxx_|__dynamic_cast$|__CFConstantStringClassReference$"
                     r"|qt_version_tag$|strlen$|memcpy$|memmove$|memset$|memcmp$)")
DECLARE = re.compile(r'^declare [^@]*@"?([A-Za-z_][\w.$]*)"?\(')
EXTERNAL = re.compile(r'^@"?([A-Za-z_][\w.$]*)"? = external ')
SELECTOR = re.compile(r'^@OBJC_METH_VAR_NAME_[\w.]* = .*c"([^"\\]*)\\00"')
VERSION = re.compile(r"\d+(\.\d+){0,2}")
# Entitlements someone has reviewed for this app, with why; any other key fails.
REVIEWED_ENTITLEMENTS = {
    "com.apple.security.network.client": "the backend, the profile download and the probes",
    "com.apple.security.cs.allow-jit": "the QML engine's just-in-time compiler under the hardened runtime",
}


def version(text):
    return tuple(int(part) for part in text.split("."))


def inventory(clangxx, flags_file, sources):
    """Maps (kind, name) to the adapter files that use it."""
    used = {}
    with tempfile.TemporaryDirectory() as folder:
        for source in sources:
            output = os.path.join(folder, os.path.basename(source) + ".ll")
            subprocess.run([clangxx, "-x", "objective-c++", "-std=c++20", "-fobjc-arc", "-fblocks",
                            "-fobjc-runtime=macosx-13.0", "-fPIC", "-O0", "-S", "-emit-llvm",
                            "-Wno-unused-command-line-argument", "@" + flags_file, source, "-o", output],
                           check=True)
            with open(output, encoding="utf-8", errors="replace") as ir:
                for line in ir:
                    found = None
                    if m := DECLARE.match(line):
                        found = ("function", m.group(1))
                    elif m := EXTERNAL.match(line):
                        name = m.group(1)
                        found = ("class", name[len("OBJC_CLASS_$_"):]) if name.startswith("OBJC_CLASS_$_") \
                            else ("global", name)
                    elif m := SELECTOR.match(line):
                        found = ("selector", m.group(1))
                    if found and not found[1].startswith("_Z") and not RUNTIME.match(found[1]):
                        used.setdefault(found, set()).add(os.path.basename(source))
    return used


def apple_api(problems, clangxx, flags_file, reviewed_file, deployment_target, *sources):
    reviewed = {}
    with open(reviewed_file, encoding="utf-8") as lines:
        for number, line in enumerate(lines, 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            fields = [field.strip() for field in line.split("|")]
            head = fields[0].split()
            if len(fields) != 4 or len(head) != 2 or not all(fields):
                problems.append(f"{reviewed_file}:{number}: want 'kind name | signature | macOS | documentation'")
                continue
            reviewed[(head[0], head[1])] = fields
            if not re.fullmatch(r"\d+(\.\d+)*", fields[2]) or version(fields[2]) > version(deployment_target):
                problems.append(f"{reviewed_file}:{number}: {head[1]} needs macOS {fields[2]}, "
                                f"the app runs on {deployment_target}")
            if not fields[3].startswith(("https://developer.apple.com/", "https://pubs.opengroup.org/")):
                problems.append(f"{reviewed_file}:{number}: {head[1]}: documentation is not Apple's (or POSIX's)")
    used = inventory(clangxx, flags_file, sources)
    for key in sorted(set(used) - set(reviewed)):
        problems.append(f"not reviewed: {key[0]} {key[1]} (used in {', '.join(sorted(used[key]))})")
    for key in sorted(set(reviewed) - set(used)):
        problems.append(f"reviewed but no longer used: {key[0]} {key[1]}")
    return f"{len(used)} Apple APIs used, {len(reviewed)} reviewed"


def load_plist(path, problems):
    try:
        with open(path, "rb") as file:
            return plistlib.load(file, fmt=plistlib.FMT_XML)
    except Exception as error:  # the parser's own message is the finding
        problems.append(f"{path}: not a property list: {error}")
        return None


def bundle_plists(problems, info_path, entitlements_path, identifier, deployment_target):
    info = load_plist(info_path, problems)
    if info is not None:
        for key, value in info.items():
            if isinstance(value, str) and (not value or "${" in value or "@" in value):
                problems.append(f"Info.plist: {key} is empty or not filled in: {value!r}")
        want = {"CFBundleIdentifier": identifier, "CFBundleExecutable": "Molvena",
                "CFBundlePackageType": "APPL", "NSPrincipalClass": "NSApplication",
                "LSMinimumSystemVersion": deployment_target, "CFBundleDevelopmentRegion": "da"}
        for key, value in want.items():
            if info.get(key) != value:
                problems.append(f"Info.plist: {key} is {info.get(key)!r}, want {value!r}")
        for key in ("CFBundleShortVersionString", "CFBundleVersion"):
            value = str(info.get(key, ""))
            if not VERSION.fullmatch(value) or not any(part != "0" for part in value.split(".")):
                problems.append(f"Info.plist: {key} {value!r} is not one to three numbers above 0")
        if info.get("CFBundleDevelopmentRegion") not in info.get("CFBundleLocalizations", []):
            problems.append("Info.plist: CFBundleLocalizations lacks the development region (da), "
                            "so the system's menu items stay English")
    entitlements = load_plist(entitlements_path, problems)
    for key, value in (entitlements or {}).items():
        if key not in REVIEWED_ENTITLEMENTS:
            problems.append(f"entitlements: {key} has not been reviewed")
        elif value is not True:
            problems.append(f"entitlements: {key} is {value!r}, want true")
    return "bundle property lists read"


def object_of(entry):
    """The object file a compile_commands.json entry writes (older CMake gives no "output")."""
    if "output" in entry:
        return entry["output"]
    arguments = entry.get("arguments") or shlex.split(entry["command"])
    return arguments[arguments.index("-o") + 1] if "-o" in arguments else None


def linux_includes(problems, build, linux_folder, linux_only_file):
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
    checked, includes, found, source = 0, 0, set(), None
    for line in deps.splitlines():
        if line and not line.startswith(" "):
            source = source_of.get(os.path.normpath(os.path.join(build, line.split(":")[0])))
            checked += source is not None
        elif line.strip() and source is not None:
            header = os.path.realpath(os.path.join(build, line.strip()))
            if header.startswith(linux_folder):
                includes += 1
                # Generated sources (moc, rcc) include what their target's own sources declare.
                generated = source.startswith(build + os.sep)
                if not source.startswith(linux_folder) and source not in linux_only and not generated:
                    found.add(f"{os.path.relpath(source)} includes {os.path.relpath(header)}")
    problems.extend(sorted(found))
    if checked == 0 or includes == 0:
        problems.append("the dependency log names no object or no Linux adapter: build first (with Ninja)")
    return f"{checked} object files checked, {includes} includes of Linux adapters"


if __name__ == "__main__":
    checks = {"apple-api": apple_api, "bundle-plists": bundle_plists, "linux-includes": linux_includes}
    found_problems = []
    summary = checks[sys.argv[1]](found_problems, *sys.argv[2:])
    print("\n".join(found_problems + [f"{summary}, {len(found_problems)} problems"]))
    sys.exit(1 if found_problems else 0)
