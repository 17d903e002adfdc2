#!/usr/bin/python3
"""The layering check fails on includes that go the wrong way.

    planted_include_test.py SOURCE_ROOT

Copies the source's .h and .cpp files and cmake/modules.txt to a temporary
folder, where the check passes as on the source; then plants an engine
include of the controller and a window-system header in the plain controls,
and expects the check to fail and name both, file and line.
"""
import os
import shutil
import subprocess
import sys
import tempfile


def copy_sources(root, copy):
    for folder, subfolders, files in os.walk(root):
        subfolders[:] = [d for d in subfolders if not d.startswith(".") and not d.startswith("build") and d != "Testing"]
        for name in files:
            if name.endswith((".h", ".cpp")) or name == "modules.txt":
                source = os.path.join(folder, name)
                target = os.path.join(copy, os.path.relpath(source, root))
                os.makedirs(os.path.dirname(target), exist_ok=True)
                shutil.copyfile(source, target)


def plant(path, line):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    with open(path, "w", encoding="utf-8") as f:
        f.write(line + "\n" + text)


def run_check(root, copy):
    return subprocess.run([sys.executable, os.path.join(root, "scripts", "check-layering.py"), "--root", copy],
                          capture_output=True, text=True)


def main():
    root = sys.argv[1]
    with tempfile.TemporaryDirectory() as copy:
        copy_sources(root, copy)
        clean = run_check(root, copy)
        if clean.returncode != 0:
            print("the check fails on an unchanged copy:\n" + clean.stdout + clean.stderr)
            return 1
        plant(os.path.join(copy, "layers", "renderable.cpp"), '#include "app/layercontrols.h"')
        plant(os.path.join(copy, "ui", "controls.cpp"), "#include <GL/gl.h>")
        planted = run_check(root, copy)
        print(planted.stdout, end="")
        expected = ['layers/renderable.cpp:1: engine includes "app/layercontrols.h" of viewer',
                    "ui/controls.cpp:1: controls includes <GL/gl.h>"]
        missing = [e for e in expected if e not in planted.stdout]
        if planted.returncode != 1 or missing:
            print(f"expected exit status 1 and {missing or expected}; got {planted.returncode}")
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
