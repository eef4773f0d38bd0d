#!/usr/bin/env python3
"""Lists every Apple symbol, class and selector the macOS adapters use, read from the LLVM IR that
clang makes of them against the declarations in include/, and compares the list with the reviewed
one (AppleApiReviewed.txt): an API nobody reviewed, a review of an API no longer used, a review
without its signature, version or documentation, or an API newer than the oldest macOS the app runs
on fails the check.

Usage: AppleApiInventory.py CLANGXX FLAGS_FILE REVIEWED DEPLOYMENT_TARGET SOURCE.mm...
       AppleApiInventory.py --list CLANGXX FLAGS_FILE SOURCE.mm...   (print the inventory only)
"""
import os
import re
import subprocess
import sys
import tempfile

# What the compiler itself brings in (ARC, blocks, C++ runtime, constant strings), not the adapters.
RUNTIME = re.compile(r"^(llvm\.|objc_|_Block_|_NSConcrete|__cxa_|__gxx_|__CFConstantStringClassReference$"
                     r"|qt_version_tag$|strlen$|memcpy$|memmove$|memset$|memcmp$)")

DECLARE = re.compile(r'^declare [^@]*@"?([A-Za-z_][\w.$]*)"?\(')
EXTERNAL = re.compile(r'^@"?([A-Za-z_][\w.$]*)"? = external ')
SELECTOR = re.compile(r'^@OBJC_METH_VAR_NAME_[\w.]* = .*c"([^"\\]*)\\00"')


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


def version(text):
    return tuple(int(part) for part in text.split("."))


def main(argv):
    if argv[1] == "--list":
        for (kind, name), files in sorted(inventory(argv[2], argv[3], argv[4:]).items()):
            print(f"{kind} {name}\t{', '.join(sorted(files))}")
        return 0
    clangxx, flags_file, reviewed_file, deployment_target, sources = argv[1], argv[2], argv[3], argv[4], argv[5:]
    problems = []
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
            key = (head[0], head[1])
            reviewed[key] = fields
            if not re.fullmatch(r"\d+(\.\d+)*", fields[2]) or version(fields[2]) > version(deployment_target):
                problems.append(f"{reviewed_file}:{number}: {head[1]} needs macOS {fields[2]}, "
                                f"the app runs on {deployment_target}")
            if not fields[3].startswith("https://developer.apple.com/") and not fields[3].startswith("https://pubs.opengroup.org/"):
                problems.append(f"{reviewed_file}:{number}: {head[1]}: documentation is not Apple's (or POSIX's)")
    used = inventory(clangxx, flags_file, sources)
    for key in sorted(set(used) - set(reviewed)):
        problems.append(f"not reviewed: {key[0]} {key[1]} (used in {', '.join(sorted(used[key]))})")
    for key in sorted(set(reviewed) - set(used)):
        problems.append(f"reviewed but no longer used: {key[0]} {key[1]}")
    for problem in problems:
        print(problem)
    print(f"{len(used)} Apple APIs used, {len(reviewed)} reviewed, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
