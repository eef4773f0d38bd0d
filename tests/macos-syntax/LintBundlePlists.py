#!/usr/bin/env python3
"""Lints Molvena.app's Info.plist as configured and the entitlements the app is signed with.

Usage: LintBundlePlists.py INFO_PLIST ENTITLEMENTS BUNDLE_IDENTIFIER DEPLOYMENT_TARGET
"""
import plistlib
import re
import sys

VERSION = re.compile(r"\d+(\.\d+){0,2}")
# Entitlements someone has reviewed for this app, with why; any other key fails.
REVIEWED_ENTITLEMENTS = {
    "com.apple.security.network.client": "the backend, the profile download and the probes",
    "com.apple.security.cs.allow-jit": "the QML engine's just-in-time compiler under the hardened runtime",
}


def load(path, problems):
    try:
        with open(path, "rb") as file:
            return plistlib.load(file, fmt=plistlib.FMT_XML)
    except Exception as error:  # the parser's own message is the finding
        problems.append(f"{path}: not a property list: {error}")
        return None


def main(info_path, entitlements_path, identifier, deployment_target):
    problems = []
    info = load(info_path, problems)
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
    entitlements = load(entitlements_path, problems)
    if entitlements is not None:
        for key, value in entitlements.items():
            if key not in REVIEWED_ENTITLEMENTS:
                problems.append(f"entitlements: {key} has not been reviewed")
            elif value is not True:
                problems.append(f"entitlements: {key} is {value!r}, want true")
    for problem in problems:
        print(problem)
    print(f"{len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
